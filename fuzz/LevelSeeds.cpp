// Writes the level fuzzer's seed corpus: the sample level and smaller sound levels made by the
// level writer, so the search starts from files that reach every loading step and every check.
#include <cmath>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

#include "generators/AssetFiles.h"
#include "generators/FixtureLevels.h"
#include "generators/LevelWriter.h"
#include "generators/SampleLevel.h"
#include "level/Records.h"

namespace {

// The three rooms with entities whose origins are and are not numbers, and a light grid of grey
// cells over the world box, so that the search starts at the entity view's light sample.
std::vector<std::uint8_t> roomsWithEntityLight(LevelDescription rooms) {
    rooms.entityText =
        "{\"classname\" \"worldspawn\"}\n{\"classname\" \"weapon_railgun\" \"origin\" \"8 8 8\"}\n"
        "{\"classname\" \"target_speaker\" \"origin\" \"nan 0 0\"}\n"
        "{\"classname\" \"item_quad\" \"origin\" \"0 inf 1e9\"}\n";
    const float cellSize[3] = {64, 64, 128};
    std::size_t cells = 1;
    for (int axis = 0; axis < 3; ++axis) {
        const float low = rooms.models.at(0).mins[axis] / cellSize[axis];
        const float high = rooms.models.at(0).maxs[axis] / cellSize[axis];
        cells *= static_cast<std::size_t>(std::floor(high) - std::ceil(low) + 1);
    }
    LevelWriter writer(rooms);
    const std::vector<std::uint8_t> grid(cells * 8, 96);
    const auto offset = static_cast<std::int32_t>(writer.bytes().size());
    writer.appendBytes(grid);
    writer.setEntry(kLightVolumesLump, offset, static_cast<std::int32_t>(grid.size()));
    return writer.bytes();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: velmora_fuzz_seeds CORPUS_DIRECTORY\n";
        return 2;
    }
    const std::string directory = argv[1];
    const LevelDescription rooms = threeRoomLevel();
    LevelDescription withoutVisibility = rooms;
    withoutVisibility.visibility = {};

    return writeFiles(directory,
                      {{"seed-sample.bsp", writeLevel(sampleLevel())},
                       {"seed-three-rooms.bsp", writeLevel(rooms)},
                       {"seed-no-visibility.bsp", writeLevel(withoutVisibility)},
                       {"seed-one-leaf.bsp", writeLevel(oneLeafLevel())},
                       {"seed-entity-light.bsp", roomsWithEntityLight(rooms)}},
                      std::cerr)
               ? 0
               : 1;
}
