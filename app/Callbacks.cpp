// The GLUT callbacks of the viewer and the process-wide state they keep: frame timing, render
// options and the patch level.
#include "app/Callbacks.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <cstdlib>
#include <iostream>
#include <ostream>
#include <sstream>

#include "app/OnScreenDisplay.h"
#include "app/SurfaceReport.h"
#include "app/Viewer.h"
#include "app/ViewerControls.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "level/Face.h"
#include "render/LevelViews.h"
#include "render/ScreenShot.h"

int patchLevel = kInitialPatchLevel;
bool lightingEnabled = true;
bool texturesEnabled = false;

int frameCount = 0;
int lastFrameTime = 0;
int fpsStartTime = 0;
int fps = 0;
float timeStep = 0.0f;

namespace {

constexpr int kTurnDegrees = 2;
constexpr float kVerticalStep = 7.0f;
constexpr double kFieldOfViewDegrees = 45.0;
constexpr double kNearDistance = 1.25;
constexpr double kFarDistance = 5000.0;
constexpr std::streamsize kDefaultStreamPrecision = 6;
constexpr float kPitchStepDegrees = 2.0f;
constexpr int kWheelUpButton = 3;
constexpr int kWheelDownButton = 4;

// The switch of a view key: `m`, `c`, `f`, `e`, `x`, `v`, `y` and `o`; null for any other key.
bool ViewOptions::*switchOfKey(unsigned char key) {
    switch (key) {
        case 'm':
            return &ViewOptions::litView;
        case 'c':
            return &ViewOptions::clusterColours;
        case 'f':
            return &ViewOptions::cullingFrozen;
        case 'e':
            return &ViewOptions::showEntities;
        case 'x':
            return &ViewOptions::showMarkers;
        case 'v':
            return &ViewOptions::showStats;
        case 'y':
            return &ViewOptions::wireframe;
        case 'o':
            return &ViewOptions::overdraw;
        default:
            return nullptr;
    }
}

// The view keys and `p`, which need the controls; false for any other key.
bool viewKey(unsigned char key) {
    bool ViewOptions::*const flipped = switchOfKey(key);
    if (flipped == nullptr && key != 'p') {
        return false;
    }
    if (viewerControls == nullptr) {
        return true;
    }
    if (flipped != nullptr) {
        ViewOptions& options = viewerControls->options;
        options.*flipped = !(options.*flipped);
    } else {
        viewerControls->screenShotPending = true;
    }
    return true;
}

// `i`: the face at the centre of the view, as the last frame drew it, on standard output.
void inspectCentre() {
    if (bspMap == nullptr || bspMap->getCamera() == nullptr) {
        return;
    }
    static const ViewOptions kDefaultView;
    const ViewOptions& options = viewerControls != nullptr ? viewerControls->options : kDefaultView;
    std::cout << inspectViewCentre(*bspMap, options, texturesEnabled, std::cerr) << std::endl;
}

// Until a level and a camera exist the overlay is all there is to draw.
void drawOverlayOnly(const std::ostringstream& overlayText) {
    if (onScreenDisplay == nullptr) {
        return;
    }
    const std::string text = overlayText.str();
    onScreenDisplay->drawOverlayLine(text.c_str());
}

// The keys that steer the eye; they do nothing while there is no camera.
void steerCamera(unsigned char key) {
    if (camera == nullptr) {
        return;
    }
    switch (key) {
        case '-':
            camera->moveDown(kVerticalStep);
            break;
        case '=':
            camera->moveUp(kVerticalStep);
            break;
        case 'a':
            camera->turnLeft(kTurnDegrees);
            break;
        case 'd':
            camera->turnRight(kTurnDegrees);
            break;
        case 's':
            camera->moveBackward();
            break;
        case 'w':
            camera->moveForward();
            break;
        default:
            break;
    }
}

// The overlay stream lives from frame to frame so that its buffer is not allocated anew every
// frame. Emptied (str from an lvalue keeps the capacity) and with the default formatting back, it
// is as good as a fresh one.
std::ostringstream& freshOverlayText() {
    static std::ostringstream overlayText;
    static const std::string kEmptyText;
    overlayText.str(kEmptyText);
    overlayText.clear();
    overlayText.flags(std::ios_base::dec | std::ios_base::skipws);
    overlayText.precision(kDefaultStreamPrecision);
    overlayText.width(0);
    overlayText.fill(' ');
    return overlayText;
}

}  // namespace

void countFrame(int nowMs) {
    ++frameCount;
    timeStep = static_cast<float>((nowMs - lastFrameTime) / 1000.0);
    lastFrameTime = nowMs;
    const int sinceUpdate = nowMs - fpsStartTime;
    if (sinceUpdate > kFpsIntervalMs) {
        fps = static_cast<int>(frameCount * 1000.0 / sinceUpdate);
        fpsStartTime = nowMs;
        frameCount = 0;
    }
}

void beginOverlayLine(std::ostream& text, int framesPerSecond, const Point& eye) {
    text << "FPS:" << framesPerSecond << " X:" << eye.getX() << " Y:" << eye.getY()
         << " Z:" << eye.getZ();
}

bool stepPatchLevel(unsigned char key, int& level) {
    if (key == '<' && level > kMinPatchLevel) {
        --level;
        return true;
    }
    if (key == '>' && level < kTopPatchLevel) {
        ++level;
        return true;
    }
    return false;
}

void drawFrame(BSPMap* level, float frameTimeStep) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // The level extends the line and draws it; the stream starts fresh in default formatting.
    std::ostringstream& overlayText = freshOverlayText();
    const Camera* eye = level != nullptr ? level->getCamera() : nullptr;
    beginOverlayLine(overlayText, fps, eye != nullptr ? eye->getPosition() : Point());
    if (level != nullptr && eye != nullptr) {
        static const ViewOptions kDefaultView;
        const ViewOptions& options =
            viewerControls != nullptr ? viewerControls->options : kDefaultView;
        level->render(overlayText, frameTimeStep, texturesEnabled, lightingEnabled, options);
    } else {
        drawOverlayOnly(overlayText);
    }
}

void display() {
    if (viewerControls != nullptr && viewerControls->betweenFrames) {
        viewerControls->betweenFrames();
    }
    countFrame(glutGet(GLUT_ELAPSED_TIME));
    if (viewerControls != nullptr) {
        viewerControls->options.clockSeconds += timeStep;
    }
    drawFrame(bspMap, timeStep);
    if (viewerControls != nullptr && viewerControls->screenShotPending) {
        viewerControls->screenShotPending = false;
        saveScreenShot(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), std::cerr);
    }
    glutSwapBuffers();
}

void reshape(int width, int height) {
    if (height == 0) {
        height = 1;
    }
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const double aspect = static_cast<double>(width) / height;
    gluPerspective(kFieldOfViewDegrees, aspect, kNearDistance, kFarDistance);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (onScreenDisplay != nullptr) {
        onScreenDisplay->setWidth(width);
        onScreenDisplay->setHeight(height);
    }
}

void keyboard(unsigned char key, int, int) {
    switch (key) {
        case kEscapeKey:
            glutLeaveGameMode();  // the viewer never enters game mode; harmless
            cleanup();
            std::exit(0);
        case '<':
        case '>':
            if (stepPatchLevel(key, patchLevel) && bspMap != nullptr) {
                bspMap->setPatchLevel(patchLevel);
            }
            break;
        case 'l':
            lightingEnabled = !lightingEnabled;
            break;
        case 'i':
            inspectCentre();
            break;
        case 't':
            texturesEnabled = !texturesEnabled;
            // Face images are loaded at the first press that asks for them, not before.
            if (texturesEnabled && bspMap != nullptr) {
                bspMap->views().loadFaceTextures(std::cerr);
            }
            break;
        default:
            if (viewKey(key)) {
                break;
            }
            // r, n and b need the session: it reloads the level and knows its spawns.
            if (viewerControls != nullptr && viewerControls->sessionKey &&
                viewerControls->sessionKey(key)) {
                break;
            }
            steerCamera(key);
            break;
    }
}

void specialKeys(int key, int, int) {
    if (camera == nullptr) {
        return;
    }
    if (key == GLUT_KEY_LEFT) {
        camera->strafeLeft();
    } else if (key == GLUT_KEY_RIGHT) {
        camera->strafeRight();
    } else if (key == GLUT_KEY_PAGE_UP) {
        camera->setPitch(camera->getPitch() + kPitchStepDegrees);
    } else if (key == GLUT_KEY_PAGE_DOWN) {
        camera->setPitch(camera->getPitch() - kPitchStepDegrees);
    }
}

void mouseButton(int button, int state, int x, int y) {
    if (button == GLUT_LEFT_BUTTON) {
        if (viewerControls != nullptr) {
            viewerControls->mouseLook.button(state == GLUT_DOWN, x, y);
        }
        return;
    }
    // The wheel reports each notch as a press and a release: count the presses.
    if (camera == nullptr || viewerControls == nullptr || state != GLUT_DOWN) {
        return;
    }
    FlySpeed& flySpeed = viewerControls->options.flySpeed;
    if (button == kWheelUpButton) {
        flySpeed.up();
    } else if (button == kWheelDownButton) {
        flySpeed.down();
    }
    camera->setSpeedFactor(flySpeed.factor());
}

void mouseMotion(int x, int y) {
    if (camera != nullptr && viewerControls != nullptr) {
        viewerControls->mouseLook.drag(x, y, viewerControls->options.mouseSensitivity, *camera);
    }
}
