// Small levels made with the level writer, and loading helpers, shared by the tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "level/BSPMap.h"
#include "level/LevelWriter.h"

// One box room split by the file plane x = 128 into two leaves in clusters 0 and 1 that see each
// other: a floor quad (polygon, 4 vertices, 2 triangles), one 3 x 3 patch, one billboard,
// two textures and a deathmatch spawn at file (64, 64, 24).
LevelDescription tinyLevel();

// Loads bytes as a level named "test.bsp"; the transcript goes to log.
std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes, std::ostream& log);
// The same, discarding the transcript.
std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes);
