// The viewer's process-wide objects and ViewerSession, which creates them in start-up order and
// deletes them again.
#include "app/ViewerSession.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <cassert>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "app/Callbacks.h"
#include "app/Help.h"
#include "app/LeakCheck.h"
#include "app/LevelOpening.h"
#include "app/LevelWatch.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/Viewer.h"
#include "app/ViewerControls.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "level/Face.h"
#include "render/Frustum.h"
#include "render/LevelViews.h"
#include "assets/AssetStore.h"
#include "texture/TextureCache.h"

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

std::size_t patchCount(const BSPMap& level) {
    std::size_t count = 0;
    for (const Face& face : level.getFaces()) {
        count += face.patches.size();
    }
    return count;
}

double glutSeconds() {
    return glutGet(GLUT_ELAPSED_TIME) / 1000.0;
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
    const std::optional<LaunchRequest> request = readLaunchRequest(argc, argv, std::cerr);
    if (!request) {
        return std::nullopt;
    }
    ViewerConfig config;
    if (request->form == LaunchForm::kConfiguration) {
        if (!readConfig(argv[1], config, std::cerr)) {
            return std::nullopt;
        }
        std::cerr << "root directory:" << config.dataPath << std::endl;
    } else if (request->form == LaunchForm::kList) {
        std::cerr << "--list makes no viewer; velmora --list prints the levels" << std::endl;
        return std::nullopt;
    } else {
        config = levelConfigForUser(*request);
        if (const EyePoseArgument at = eyePoseArgument(argc, argv); at.pose) {
            startAt(config, *at.pose);
        }
        std::cerr << "root directory:" << folderListText(config.dataFolders) << std::endl;
    }
    std::cerr << "level name:" << config.levelFile << std::endl;
    return config;
}

ViewerSession::ViewerSession(ViewerConfig viewerConfig)
    : config(std::move(viewerConfig)),
      dataPathAssets(storeFor(config, std::cerr)),
      textures(std::make_unique<TextureCache>()) {
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
    if (config.startAtFirstSpawn) {
        jumpToSpawn(1);
    }
    return true;
}

void ViewerSession::openWindow(int& argc, char** argv) {
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH | GLUT_STENCIL);
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
    LoadedLevel loaded = loadBeside(levelFile, *dataPathAssets, false);
    if (loaded.level == nullptr) {
        return false;
    }
    takeLevel(std::move(loaded));
    return true;
}

ViewerSession::LoadedLevel ViewerSession::loadBeside(const std::string& levelFile,
                                                     LazyAssetStore& store, bool quiet) {
    assert(lighting != nullptr && "a window comes first");
    LoadedLevel loaded;
    loaded.shownName = levelFile;
    const std::optional<LevelSource> source = findLevel(config, levelFile, store, std::cerr);
    if (!source) {
        return loaded;
    }
    loaded.shownName = source->shownName;
    loaded.inArchive = source->inArchive;
    std::unique_ptr<BSPMap> level;
    if (quiet || source->inArchive) {
        // A reload says one line, not the transcript again.
        std::vector<std::uint8_t> bytes;
        if (const std::string problem = readLevelSource(*source, store, bytes); !problem.empty()) {
            std::cerr << loaded.shownName << ": " << problem << std::endl;
            return loaded;
        }
        std::ostringstream quietTranscript;
        level = std::make_unique<BSPMap>(config.dataPath, source->path, std::move(bytes),
                                         LevelStores{store, *textures}, onScreenDisplay,
                                         lighting.get(), quiet ? quietTranscript : std::cerr);
    } else {
        level =
            std::make_unique<BSPMap>(config.dataPath, source->path, LevelStores{store, *textures},
                                     onScreenDisplay, lighting.get());
    }
    if (!level->isSound()) {
        reportBadLevel(loaded.shownName, *level);
        return loaded;
    }
    const EntityList& entities = level->getEntities();
    for (const std::string& problem : entities.problems) {
        std::cerr << loaded.shownName << ": entity text: " << problem << std::endl;
    }
    loaded.spawns = playerSpawns(entities);
    loaded.level = std::move(level);
    return loaded;
}

void ViewerSession::takeLevel(LoadedLevel loaded) {
    delete bspMap;
    bspMap = loaded.level.release();
    std::error_code error;
    levelFileRead =
        !loaded.inArchive && std::filesystem::is_regular_file(bspMap->getLevelFile(), error)
            ? bspMap->getLevelFile()
            : std::string();
    spawns = std::move(loaded.spawns);
    if (spawnIndex >= static_cast<int>(spawns.size())) {
        spawnIndex = -1;
    }
    if (camera != nullptr) {
        equipLevel();
    }
}

bool ViewerSession::reloadLevel() {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point started = Clock::now();
    // An archive may have been rewritten under the store's open handle: read it afresh.
    std::unique_ptr<LazyAssetStore> freshStore =
        levelFileRead.empty() ? storeFor(config, std::cerr) : nullptr;
    LoadedLevel loaded =
        loadBeside(config.levelFile, freshStore != nullptr ? *freshStore : *dataPathAssets, true);
    if (loaded.level == nullptr) {
        std::cerr << loaded.shownName << ": kept the level loaded before" << std::endl;
        return false;
    }
    if (patchLevel != kInitialPatchLevel) {
        loaded.level->setPatchLevel(patchLevel);
    }
    const Clock::time_point loadedAt = Clock::now();
    const std::string line = "reloaded " + loaded.shownName + ": " +
                             std::to_string(loaded.level->getFaces().size()) + " faces, " +
                             std::to_string(patchCount(*loaded.level)) + " patches, " +
                             std::to_string(loaded.level->getLeaves().size()) + " leaves";
    // The old level goes first: it reads through the old store.
    delete bspMap;
    bspMap = nullptr;
    if (freshStore != nullptr) {
        dataPathAssets = std::move(freshStore);
    }
    takeLevel(std::move(loaded));
    using Milliseconds = std::chrono::duration<double, std::milli>;
    reloadTimes = {Milliseconds(loadedAt - started).count(),
                   Milliseconds(Clock::now() - loadedAt).count()};
    std::cerr << line << std::endl;
    return true;
}

void ViewerSession::jumpToSpawn(int step) {
    if (spawns.empty()) {
        std::cerr << "no player spawns in this level" << std::endl;
        return;
    }
    const int count = static_cast<int>(spawns.size());
    spawnIndex = spawnIndex < 0 ? (step >= 0 ? 0 : count - 1)
                                : ((spawnIndex + step) % count + count) % count;
    const PlayerSpawn& spawn = spawns[std::size_t(spawnIndex)];
    placeEye(eyeAt(spawn), cameraYawOf(spawn.angleDegrees));
    std::cerr << spawnLine(std::size_t(spawnIndex), spawns.size(), spawn) << std::endl;
}

std::string ViewerSession::watchedFile() const {
    if (!levelFileRead.empty()) {
        return levelFileRead;
    }
    return bspMap != nullptr ? dataPathAssets->get().sourceFile(bspMap->getLevelFile()) : "";
}

void ViewerSession::watchLevel(double nowSeconds) {
    if (watch != nullptr && watch->due(nowSeconds)) {
        reloadLevel();
    }
}

bool ViewerSession::sessionKey(unsigned char key) {
    switch (key) {
        case 'r':
            reloadLevel();
            if (watch != nullptr) {
                watch->markLoaded(glutSeconds());
            }
            return true;
        case 'n':
            jumpToSpawn(1);
            return true;
        case 'b':
            jumpToSpawn(-1);
            return true;
        default:
            return false;
    }
}

void ViewerSession::placeCamera() {
    viewerControls = new ViewerControls(ViewOptions(config));
    camera = new Camera(config.start, &viewFrustum);
    camera->setSpeedFactor(viewerControls->options.flySpeed.factor());
    if (config.startPose) {
        camera->setYaw(config.startPose->yaw);
        camera->setPitch(config.startPose->pitch);
    }
    viewerControls->sessionKey = [this](unsigned char key) { return sessionKey(key); };
    viewerControls->betweenFrames = [this] { watchLevel(glutSeconds()); };
    if (bspMap != nullptr) {
        equipLevel();
    }
}

void ViewerSession::equipLevel() {
    bspMap->setCamera(camera);
    // The t switch, which starts as the configuration's textures value, decides alone.
    if (texturesEnabled) {
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
    watch = std::make_unique<LevelWatch>(watchedFile(), glutSeconds());
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
    // After the level, which draws with its textures; while the window's context is current.
    textures.reset();
    watch.reset();
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
