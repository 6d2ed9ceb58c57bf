// The viewer's process-wide objects and its start-up and shut-down steps, in the order the entry
// point and the tools run them.
#include "app/Viewer.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <cstdlib>
#include <iostream>

#include "app/Callbacks.h"
#include "app/LeakCheck.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/Frustum.h"

Frustum viewFrustum;
OnScreenDisplay* onScreenDisplay = nullptr;
BSPMap* bspMap = nullptr;
Camera* camera = nullptr;

namespace {

constexpr const char* kWindowTitle = "Velmora";
// The real window size arrives with the first reshape.
constexpr int kPlaceholderDisplayWidth = 1600;
constexpr int kPlaceholderDisplayHeight = 1200;

void reportBadLevel(const std::string& levelFile, const BSPMap& level) {
    for (const std::string& problem : level.getProblems()) {
        std::cerr << levelFile << ": " << problem << '\n';
    }
    std::cerr << std::flush;
}

}  // namespace

ViewerConfig loadViewerConfig(int argc, char** argv) {
    if (argc < 2) {
        const char* program = (argc > 0 && argv[0] != nullptr) ? argv[0] : "velmora";
        std::cerr << "usage: " << program << " <configuration file>" << std::endl;
        std::exit(1);
    }
    ViewerConfig config;
    if (!readConfig(argv[1], config, std::cerr)) {
        std::exit(1);
    }
    std::cerr << "root directory:" << config.dataPath << std::endl;
    std::cerr << "level name:" << config.levelFile << std::endl;
    return config;
}

void openViewerWindow(int& argc, char** argv, const ViewerConfig& config) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(config.width, config.height);
    glutCreateWindow(kWindowTitle);
    checkLeaksBeforeLibrariesUnload();
    initGL();
}

void initGL() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void createOnScreenDisplay() {
    onScreenDisplay = new OnScreenDisplay(GLUT_BITMAP_TIMES_ROMAN_24, kPlaceholderDisplayWidth,
                                          kPlaceholderDisplayHeight);
}

void createViewerObjects(const ViewerConfig& config, LightingModule& lighting) {
    createLevel(config, lighting);
    createCamera(config);
}

void createLevel(const ViewerConfig& config, LightingModule& lighting) {
    if (onScreenDisplay == nullptr) {
        createOnScreenDisplay();
    }
    bspMap = new BSPMap(config.dataPath, config.levelFile, onScreenDisplay, &lighting);
    if (!bspMap->isSound()) {
        reportBadLevel(config.levelFile, *bspMap);
        cleanup();
        std::exit(1);
    }
}

void createCamera(const ViewerConfig& config) {
    camera = new Camera(config.start, &viewFrustum);
    camera->setSpeedFactor(config.speed);
    setMouseSensitivity(config.mouseSensitivity);
    bspMap->setCamera(camera);
}

void registerCallbacks() {
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(specialKeys);
    glutMouseFunc(mouseButton);
    glutMotionFunc(mouseMotion);
    // Frames are drawn whenever GLUT has nothing else to do.
    glutIdleFunc(display);
}

void cleanup() {
    delete onScreenDisplay;
    onScreenDisplay = nullptr;
    delete camera;
    camera = nullptr;
    delete bspMap;
    bspMap = nullptr;
}
