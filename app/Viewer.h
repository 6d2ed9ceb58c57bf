// The viewer's process-wide objects and the start-up steps shared by the viewer and its tools.
#pragma once

#include <string>

#include "app/Config.h"

class Frustum;
class OnScreenDisplay;
class BSPMap;
class Camera;
class LightingModule;

extern Frustum viewFrustum;
extern OnScreenDisplay* onScreenDisplay;
extern BSPMap* bspMap;
extern Camera* camera;

// Reads the configuration named by argv[1] and prints the "root directory:" and "level name:"
// lines. On a usage error or an unreadable file it prints why and exits with status 1.
ViewerConfig loadViewerConfig(int argc, char** argv);
// glutInit, the double-buffered depth window titled "Velmora" of the configured size, initGL.
void openViewerWindow(int& argc, char** argv, const ViewerConfig& config);
void initGL();
// onScreenDisplay: the overlay font, with a placeholder size until the first reshape.
void createOnScreenDisplay();
// The on-screen display (unless it exists already), the level, the camera and the sky, in start-up
// order. A level that cannot be opened or fails validation is reported line by line, each line
// prefixed with the level file path, and ends the process with status 1.
void createViewerObjects(const ViewerConfig& config, LightingModule& lighting);
// The two halves of createViewerObjects, for tools that time them apart: the on-screen display
// (unless it exists already) and the checked level with the configured switches, then the camera,
// the sky, the lightmaps and, with textures = on, the face images.
void createLevel(const ViewerConfig& config, LightingModule& lighting);
void createCamera(const ViewerConfig& config);
void registerCallbacks();
// Deletes the on-screen display, the camera and the level.
void cleanup();
