// The writer-made levels and loading helpers shared by the tests.
#pragma once

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "assets/AssetStore.h"
#include "generators/FixtureLevels.h"
#include "generators/LevelWriter.h"
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

// Two rooms joined by a corridor along file x, over a solid floor at z = 0 and under a solid
// ceiling at z = 128: room A (x 0..256, y 0..256) is cluster 0 and sees every cluster; the
// corridor (x 256..384, y 80..176) is cluster 1 and sees room A; room B (x 384..640) is cluster 2
// and sees the corridor. Each has a floor quad; room B has a 3 x 3 patch standing at x = 600 and
// the corridor a fixed brush entity (model *1) of one quad. With the patch at level 10, cluster 0
// sees 5 faces and 208 triangles, cluster 1 3 and 6, cluster 2 4 and 206.
LevelDescription twoRoomsAndCorridor();

// Loads bytes as a level named "test.bsp"; the transcript goes to log.
std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes, std::ostream& log);
// The same, discarding the transcript.
std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes);
