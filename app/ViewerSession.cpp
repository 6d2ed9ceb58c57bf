// The viewer's process-wide objects and ViewerSession, which creates them in start-up order and
// deletes them again.
#include "app/ViewerSession.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <cassert>
#include <cstdlib>
#include <iostream>

#include "app/Callbacks.h"
#include "app/Help.h"
#include "app/LeakCheck.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/Viewer.h"
#include "app/ViewerControls.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/Frustum.h"
#include "render/LevelViews.h"
#include "texture/AssetStore.h"

Frustum viewFrustum;
OnScreenDisplay* onScreenDisplay = nullptr;
BSPMap* bspMap = nullptr;
Camera* camera = nullptr;
ViewerControls* viewerControls = nullptr;

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

void initGL() {
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_COLOR_MATERIAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void cleanup() {
    delete onScreenDisplay;
    onScreenDisplay = nullptr;
    delete viewerControls;
    viewerControls = nullptr;
    delete camera;
    camera = nullptr;
    delete bspMap;
    bspMap = nullptr;
}

std::optional<ViewerConfig> ViewerSession::fromCommandLine(int argc, char** argv) {
    if (argc < 2) {
        printUsage(std::cerr, argc, argv);
        return std::nullopt;
    }
    ViewerConfig config;
    if (!readConfig(argv[1], config, std::cerr)) {
        return std::nullopt;
    }
    std::cerr << "root directory:" << config.dataPath << std::endl;
    std::cerr << "level name:" << config.levelFile << std::endl;
    return config;
}

ViewerSession::ViewerSession(ViewerConfig viewerConfig)
    : config(std::move(viewerConfig)),
      dataPathAssets(std::make_unique<LazyAssetStore>(config.dataPath, std::cerr)) {
    assert(onScreenDisplay == nullptr && bspMap == nullptr && camera == nullptr &&
           viewerControls == nullptr);
    patchLevel = kInitialPatchLevel;
    lightingEnabled = true;
    texturesEnabled = config.textures;
}

ViewerSession::~ViewerSession() {
    shutDown();
}

bool ViewerSession::start(int& argc, char** argv) {
    openWindow(argc, argv);
    if (!loadLevel()) {
        return false;
    }
    placeCamera();
    return true;
}

void ViewerSession::openWindow(int& argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(config.width, config.height);
    glutCreateWindow(kWindowTitle);
    checkLeaksBeforeLibrariesUnload();
    useCurrentWindow();
}

void ViewerSession::useCurrentWindow() {
    initGL();
    onScreenDisplay = new OnScreenDisplay(GLUT_BITMAP_TIMES_ROMAN_24, kPlaceholderDisplayWidth,
                                          kPlaceholderDisplayHeight);
    // Sets up light 0 at once, so it follows the window and the fixed GL state.
    lighting = std::make_unique<LightingModule>(config.lightingFile);
}

bool ViewerSession::loadLevel() {
    return loadLevel(config.levelFile);
}

bool ViewerSession::loadLevel(const std::string& levelFile) {
    assert(lighting != nullptr && "a window comes first");
    auto level = std::make_unique<BSPMap>(config.dataPath, levelFile, onScreenDisplay,
                                          lighting.get(), dataPathAssets.get());
    if (!level->isSound()) {
        reportBadLevel(levelFile, *level);
        return false;
    }
    delete bspMap;
    bspMap = level.release();
    if (camera != nullptr) {
        equipLevel();
    }
    return true;
}

void ViewerSession::placeCamera() {
    viewerControls = new ViewerControls(ViewOptions(config));
    camera = new Camera(config.start, &viewFrustum);
    camera->setSpeedFactor(viewerControls->options.flySpeed.factor());
    if (bspMap != nullptr) {
        equipLevel();
    }
}

void ViewerSession::equipLevel() {
    bspMap->setCamera(camera);
    if (config.textures) {
        bspMap->views().loadFaceTextures(std::cerr);
    }
}

void ViewerSession::run() {
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutKeyboardFunc(keyboard);
    glutSpecialFunc(specialKeys);
    glutMouseFunc(mouseButton);
    glutMotionFunc(mouseMotion);
    // Frames are drawn whenever GLUT has nothing else to do.
    glutIdleFunc(display);
    glutMainLoop();
    std::exit(0);
}

void ViewerSession::showWithoutLoop() {
    glutDisplayFunc([] {});
    glutMainLoopEvent();
    reshape(config.width, config.height);
}

void ViewerSession::placeEye(const Point& position, int yaw, float pitchDegrees) {
    camera->setPosition(position);
    camera->setYaw(yaw);
    camera->setPitch(pitchDegrees);
}

void ViewerSession::drawFrame(float timeStepSeconds) {
    ::drawFrame(bspMap, timeStepSeconds);
}

void ViewerSession::drawFrameWithoutLevel() {
    ::drawFrame(nullptr, 0.0f);
}

void ViewerSession::shutDown() {
    cleanup();
    lighting.reset();
}

ViewOptions& ViewerSession::getOptions() const {
    assert(viewerControls != nullptr);
    return viewerControls->options;
}

BSPMap& ViewerSession::getLevel() const {
    assert(bspMap != nullptr);
    return *bspMap;
}

Camera& ViewerSession::getCamera() const {
    assert(camera != nullptr);
    return *camera;
}
