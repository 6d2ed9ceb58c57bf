// The writer-made levels and loading helpers shared by the tests.
#pragma once

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "assets/AssetStore.h"
#include "generators/FixtureLevels.h"
#include "level/BSPMap.h"
#include "texture/TextureCache.h"

// The stores a session would hand its levels, here made for one level alone.
struct OwnLevelStores {
    explicit OwnLevelStores(const std::string& dataPath) : assets(dataPath, std::cerr) {}
    LazyAssetStore assets;
    TextureCache textures;
};

// A level with stores of its own under dataPath, built as the session builds one. The stores go
// after the level, as a session's do (with the GL context current when it drew).
class TestLevel : private OwnLevelStores, public BSPMap {
public:
    TestLevel(const std::string& folder, const std::string& file, OnScreenDisplay* shownOn,
              LightingModule* lights)
        : OwnLevelStores(folder), BSPMap(folder, file, {assets, textures}, shownOn, lights) {}
    TestLevel(const std::string& folder, const std::string& file, std::vector<std::uint8_t> bytes,
              OnScreenDisplay* shownOn, LightingModule* lights, std::ostream& transcript)
        : OwnLevelStores(folder),
          BSPMap(folder, file, std::move(bytes), {assets, textures}, shownOn, lights, transcript) {}
};

// Loads bytes as a level named "test.bsp"; the transcript goes to log.
std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes, std::ostream& log);
// The same, discarding the transcript.
std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes);
