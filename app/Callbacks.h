// The GLUT callbacks: frame timing, the overlay line, reshape and the key tables.
#pragma once

#include <iosfwd>

#include "patch/BezierPatch.h"

class BSPMap;
class Point;

// Process-wide render options changed by the keys.
extern int patchLevel;
extern bool lightingEnabled;
extern bool texturesEnabled;

// Frame timing, in GLUT milliseconds: frames since the last frames-per-second update, the time of
// the previous frame and of that update, the value shown, and the last time step in seconds.
extern int frameCount;
extern int lastFrameTime;
extern int fpsStartTime;
extern int fps;
extern float timeStep;

// The keys step the patch level within kMinPatchLevel..kTopPatchLevel.
inline constexpr int kMinPatchLevel = 2;
inline constexpr int kFpsIntervalMs = 1000;
inline constexpr unsigned char kEscapeKey = 27;

void display();
void reshape(int width, int height);
void keyboard(unsigned char key, int x, int y);
void specialKeys(int key, int x, int y);
// The mouse: a left-button drag turns the eye (MouseLook), the wheel (buttons 3 and 4) changes
// the fly speed factor.
void mouseButton(int button, int state, int x, int y);
void mouseMotion(int x, int y);

// One frame without timing and without the buffer swap: clear, start the overlay line, render the
// level through its camera in the view the controls' options choose (or only the overlay while
// there is no level or no camera). display() draws the process-wide level with it; ViewerSession
// draws its frames with it.
void drawFrame(BSPMap* level, float timeStep);

// Counts one frame drawn at GLUT time nowMs: updates frameCount, timeStep, lastFrameTime and, once
// more than kFpsIntervalMs have passed since the last update, fps (truncated) and fpsStartTime.
void countFrame(int nowMs);

// Writes the start of the overlay line, "FPS:<fps> X:<x> Y:<y> Z:<z>", in the stream's current
// (default) formatting.
void beginOverlayLine(std::ostream& text, int framesPerSecond, const Point& eye);

// The '<' and '>' keys: steps level by one within kMinPatchLevel..kTopPatchLevel. True when the
// level changed (and the level object must be told); false at a bound or for any other key.
bool stepPatchLevel(unsigned char key, int& level);
