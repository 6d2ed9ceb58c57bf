// The writer-made levels and loading helpers shared by the tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "generators/FixtureLevels.h"
#include "generators/LevelWriter.h"
#include "level/BSPMap.h"

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
