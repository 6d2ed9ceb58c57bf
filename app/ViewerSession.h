// ViewerSession: the one way into the running viewer for the entry point, the tools and the tests.
// It runs the start-up in its fixed order and is the only code that creates the objects behind
// onScreenDisplay, bspMap and camera.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/Config.h"
#include "level/Entities.h"
#include "level/LevelStores.h"

class BSPMap;
class Camera;
class LazyAssetStore;
class LevelWatch;
class LightingModule;
class Point;
class TextureCache;
struct ViewOptions;

// At most one session exists at a time: its objects are the process-wide ones the GLUT callbacks
// use. The steps run in this order: a window (openWindow or useCurrentWindow), loadLevel,
// placeCamera; start does all three.
class ViewerSession {
public:
    // Reads the configuration named by argv[1], or makes one for a level given by path or name
    // (app/LevelOpening.h), and prints the "root directory:" and "level name:" lines. On a usage
    // error or an unreadable file it prints why and returns nothing.
    static std::optional<ViewerConfig> fromCommandLine(int argc, char** argv);

    // Keeps the configuration and sets the process-wide render options as it says (patch level
    // 10, lighting on, face images as configured); opens nothing yet.
    explicit ViewerSession(ViewerConfig viewerConfig);
    // Shuts down.
    virtual ~ViewerSession();
    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

    // openWindow, loadLevel and placeCamera (and the eye to the first spawn when the
    // configuration says so): the whole start-up. False when the level is not sound (its problems
    // printed); nothing is drawn then.
    bool start(int& argc, char** argv);
    // glutInit with the command line, the double-buffered depth window titled "Velmora" of the
    // configured size, then what useCurrentWindow does.
    void openWindow(int& argc, char** argv);
    // For a window that is already open and current: the fixed GL state, the on-screen display
    // (with a placeholder size until the first reshape) and the light.
    void useCurrentWindow();
    // Loads and checks the configured level (or levelFile) beside the one shown. A level that
    // cannot be opened or fails validation is reported line by line, each line prefixed with the
    // level file path, and dropped: false, and the level loaded before (if any) stays. A sound one
    // takes the place of the one before and, once there is a camera, takes the camera too.
    bool loadLevel();
    bool loadLevel(const std::string& levelFile);
    // Loads the configured level again beside the one shown. Sound: it takes the place of the one
    // before with the eye's pose, the fly speed, the patch level and every view switch kept, and
    // one line says "reloaded PATH: F faces, P patches, L leaves". Otherwise the problems are
    // printed as at start, then "PATH: kept the level loaded before", and false.
    bool reloadLevel();
    // What the last sound reload took: reading, building and checking the level beside the one
    // shown, then putting it in its place (the old one freed, the lightmaps, the sky and the face
    // images made for the new one).
    struct ReloadTimes {
        double loadMs = 0.0;
        double showMs = 0.0;
    };
    const ReloadTimes& lastReloadTimes() const { return reloadTimes; }
    // The eye to the next (step 1) or previous (step -1) player spawn, the first when none was
    // visited yet, with one line "spawn K of N: CLASSNAME at X Y Z" (or that there are none).
    void jumpToSpawn(int step);
    const std::vector<PlayerSpawn>& getSpawns() const { return spawns; }
    // Looks at the level file when it is due (LevelWatch) and reloads once a change has settled.
    // Does nothing before run() has started the watch.
    void watchLevel(double nowSeconds);
    // The file whose changes mean a new level: the level file, or the archive it is read from.
    std::string watchedFile() const;
    // The camera at the configured start (turned and pitched as a start pose says) and fly speed,
    // and the mouse controls at the configured
    // sensitivity. With a level, the level takes the camera and creates the sky and its lightmap
    // pages (which need the window), and with textures = on loads the face images. Without a
    // level no GL call is made, so the keys can steer it alone.
    void placeCamera();

    // Registers the GLUT callbacks and enters the frame loop, which never returns.
    [[noreturn]] void run();
    // For drawing frames by hand: maps the window without the frame loop, then sets the viewport
    // and projection for the configured size as the first reshape would.
    void showWithoutLoop();

    // Puts the eye at position, turned to yaw whole degrees and pitched pitchDegrees (positive
    // looks up; the camera clamps it to its range).
    void placeEye(const Point& position, int yaw, float pitchDegrees = 0.0f);
    // One frame as the display callback draws it, without the timing and the buffer swap.
    void drawFrame(float timeStepSeconds);
    // The frame the viewer draws while it has no level: the clear and the overlay line alone.
    void drawFrameWithoutLevel();
    // Deletes the level, the camera and the on-screen display; the session can start again.
    void shutDown();

    const ViewerConfig& getConfig() const { return config; }
    // The view switches and control settings; valid after placeCamera.
    ViewOptions& getOptions() const;
    // Valid after loadLevel and placeCamera.
    BSPMap& getLevel() const;
    // The stores every level of the session reads through; until shutDown.
    LevelStores levelStores() const { return {*dataPathAssets, *textures}; }
    Camera& getCamera() const;

private:
    // A level loaded and checked beside the one shown, and the name its messages give.
    struct LoadedLevel {
        std::unique_ptr<BSPMap> level;
        std::string shownName;
        std::vector<PlayerSpawn> spawns;
        // Read from an archive of the data folders, not from a file.
        bool inArchive = false;
    };

    // Loads and checks levelFile through store; no level after its problems are printed. Quiet:
    // without the loading transcript.
    LoadedLevel loadBeside(const std::string& levelFile, LazyAssetStore& store, bool quiet);
    // The loaded level in place of the one shown, which is deleted.
    void takeLevel(LoadedLevel loaded);
    // r, n and b; false for any other key.
    bool sessionKey(unsigned char key);
    // Hands the camera to the level: the sky, the lightmap pages and, when configured, the face
    // images.
    void equipLevel();

    ViewerConfig config;
    std::unique_ptr<LightingModule> lighting;
    // The data path's archives, opened once for every level the session loads (again for a
    // reload of a level read from an archive, whose directory may have changed).
    std::unique_ptr<LazyAssetStore> dataPathAssets;
    // The face images and shader scripts every level the session shows takes from, each read
    // again only when its file changed; made with the session (no GL call), deleted (with the
    // GL context current) at shutDown.
    std::unique_ptr<TextureCache> textures;
    std::unique_ptr<LevelWatch> watch;
    // The shown level's: the file it was read from (empty when from an archive), and its player
    // spawns with the one the eye was sent to last (-1: none yet).
    std::string levelFileRead;
    std::vector<PlayerSpawn> spawns;
    int spawnIndex = -1;
    ReloadTimes reloadTimes;
};
