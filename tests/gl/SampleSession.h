// A viewer session in the GL tests' window, on the generated sample level or on a level a test
// writes, for tests that draw frames exactly as the viewer does.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "GlTestWindow.h"
#include "app/Callbacks.h"
#include "app/ViewerSession.h"
#include "geometry/Point.h"

// Poses from the sample level's layout (viewer axes): room A spans x 0..512, y 0..256,
// z -512..0, and yaw 0 looks north at its wall with the door into the corridor; room B lies east
// of the corridor's turn and cannot be seen from room A.
inline const Point kSampleInRoomA(256, 64, -128);
inline const Point kSampleInRoomB(1280, 64, -960);
// Window pixels from room A at yaw 0: the north wall left of the door, and the floor.
inline constexpr int kSampleNorthWallX = 100;
inline constexpr int kSampleNorthWallY = 400;
inline constexpr int kSampleFloorX = 100;
inline constexpr int kSampleFloorY = 60;

inline const std::string kSampleSessionDir = VELMORA_BINARY_DIR "/sample/";
inline const std::string kSampleSessionLevel = VELMORA_BINARY_DIR "/sample/maps/sample.bsp";

// The sample level's configuration with the eye at start.
inline ViewerConfig sampleSessionConfig(const Point& start) {
    ViewerConfig config;
    config.dataPath = kSampleSessionDir;
    config.levelFile = kSampleSessionLevel;
    config.start = start;
    return config;
}

// The viewer's start-up on the current window, and the projection of the test window. The sample
// level must exist (the callers skip otherwise).
inline std::unique_ptr<ViewerSession> startSampleSession(const ViewerConfig& config) {
    auto session = std::make_unique<ViewerSession>(config);
    session->useCurrentWindow();
    session->loadLevel();
    session->placeCamera();
    reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    return session;
}

// levelFile under dataPath in the lit view with face images: every face by its material.
inline ViewerConfig materialViewConfig(const std::string& dataPath, const std::string& levelFile) {
    ViewerConfig config;
    config.dataPath = dataPath;
    config.levelFile = levelFile;
    config.lightmaps = true;
    config.textures = true;
    return config;
}

// The viewer's start-up on the current window, with what loading printed in loadLog; null when
// the level did not load.
inline std::unique_ptr<ViewerSession> startLevelSession(const ViewerConfig& config,
                                                        std::string& loadLog) {
    auto session = std::make_unique<ViewerSession>(config);
    session->useCurrentWindow();
    testing::internal::CaptureStderr();
    const bool loaded = session->loadLevel();
    if (loaded) {
        session->placeCamera();
    }
    loadLog = testing::internal::GetCapturedStderr();
    reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    return loaded ? std::move(session) : nullptr;
}

inline std::unique_ptr<ViewerSession> startSampleSession(const Point& start) {
    return startSampleSession(sampleSessionConfig(start));
}

// One frame of the session from eye, turned to yaw, as the window shows it.
inline std::vector<unsigned char> sessionFrameAt(ViewerSession& session, const Point& eye,
                                                 int yaw) {
    session.placeEye(eye, yaw);
    session.drawFrame(0.0f);
    return readWindowPixels();
}
