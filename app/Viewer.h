// The viewer's process-wide objects, which the GLUT callbacks use and only ViewerSession creates,
// and the fixed GL state and shut-down they share.
#pragma once

class Frustum;
class OnScreenDisplay;
class BSPMap;
class Camera;
struct ViewerControls;

extern Frustum viewFrustum;
extern OnScreenDisplay* onScreenDisplay;
extern BSPMap* bspMap;
extern Camera* camera;
// The mouse-look drag and the pending screenshot; created with the camera.
extern ViewerControls* viewerControls;

// The fixed GL state of the viewer: smooth shading, depth test, colour material.
void initGL();
// Deletes the on-screen display, the camera with its controls and the level (ESC, and the session's
// shut-down).
void cleanup();
