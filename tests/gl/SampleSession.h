// A viewer session on the generated sample level in the GL tests' window, for tests that draw
// frames exactly as the viewer does.
#pragma once

#include <memory>
#include <string>

#include "GlTestWindow.h"
#include "app/Callbacks.h"
#include "app/ViewerSession.h"
#include "geometry/Point.h"

inline const std::string kSampleSessionDir = VELMORA_BINARY_DIR "/sample/";
inline const std::string kSampleSessionLevel = VELMORA_BINARY_DIR "/sample/maps/sample.bsp";

// The viewer's start-up on the current window with the eye at start, and the projection of the
// test window. The sample level must exist (the callers skip otherwise).
inline std::unique_ptr<ViewerSession> startSampleSession(const Point& start) {
    ViewerConfig config;
    config.dataPath = kSampleSessionDir;
    config.levelFile = kSampleSessionLevel;
    config.start = start;
    auto session = std::make_unique<ViewerSession>(config);
    session->useCurrentWindow();
    session->loadLevel();
    session->placeCamera();
    reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    return session;
}
