// Writes the level fuzzer's seed corpus: the sample level and smaller sound levels made by the
// level writer, so the search starts from files that reach every loading step and every check;
// and, when asked, a dictionary of the entity keys and values the brush entities read.
#include <cmath>
#include <cstdint>
#include <fstream>
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

// The three rooms with submodels over their faces (one whose faces run past the level's) and
// every kind of brush entity, with numbers that are and are not usable: trains round a loop,
// stopped for good, and aimed at no corner.
LevelDescription roomsWithBrushEntities(LevelDescription rooms) {
    rooms.models.push_back({{0, 0, 0}, {64, 64, 64}, 0, 2, 0, 0});
    rooms.models.push_back({{-8, -8, -8}, {8, 8, 8}, 2, 3, 0, 0});
    rooms.models.push_back({{0, 0, 0}, {1, 1, 1}, 5, 1, 0, 0});
    rooms.models.push_back({{0, 0, 0}, {1, 1, 1}, 4, 9, 0, 0});
    rooms.entityText =
        "{\"classname\" \"worldspawn\"}\n"
        "{\"classname\" \"func_door\" \"model\" \"*1\" \"angle\" \"-1\" \"lip\" \"nan\"}\n"
        "{\"classname\" \"func_plat\" \"model\" \"*2\" \"height\" \"1e30\"}\n"
        "{\"classname\" \"func_bobbing\" \"model\" \"*3\" \"speed\" \"-2\" \"phase\" "
        "\"0.25\" \"spawnflags\" \"1\"}\n"
        "{\"classname\" \"func_rotating\" \"model\" \"*1\" \"speed\" \"inf\" \"origin\" "
        "\"8 8 8\" \"spawnflags\" \"4\"}\n"
        "{\"classname\" \"func_pendulum\" \"model\" \"*2\" \"speed\" \"30\"}\n"
        "{\"classname\" \"func_train\" \"model\" \"*3\" \"target\" \"p1\" \"speed\" \"50\"}\n"
        "{\"classname\" \"path_corner\" \"targetname\" \"p1\" \"target\" \"p2\" \"origin\" "
        "\"0 0 0\" \"wait\" \"1\"}\n"
        "{\"classname\" \"path_corner\" \"targetname\" \"p2\" \"target\" \"p3\" \"origin\" "
        "\"100 0 0\" \"speed\" \"nan\"}\n"
        "{\"classname\" \"path_corner\" \"targetname\" \"p3\" \"target\" \"p2\" \"origin\" "
        "\"100 0 50\" \"wait\" \"0.5\" \"speed\" \"1e-30\"}\n"
        "{\"classname\" \"func_train\" \"model\" \"*2\" \"target\" \"q1\"}\n"
        "{\"classname\" \"path_corner\" \"targetname\" \"q1\" \"target\" \"q1\" \"origin\" "
        "\"0 0 64\" \"wait\" \"-1\"}\n"
        "{\"classname\" \"func_train\" \"model\" \"*1\" \"target\" \"r1\"}\n"
        "{\"classname\" \"path_corner\" \"targetname\" \"r1\" \"target\" \"missing\" \"origin\" "
        "\"0 1e9 inf\" \"wait\" \"1e999\"}\n"
        "{\"classname\" \"func_door\" \"model\" \"*4\"}\n"
        "{\"classname\" \"func_door\" \"model\" \"*99\"}\n"
        "{\"classname\" \"trigger_multiple\" \"model\" \"*1\"}\n";
    return rooms;
}

// Words of the entity text that the mutations would rarely make by chance.
constexpr const char* kEntityWords[] = {
    "\"model\"",     "\"*1\"",     "\"*2\"",      "\"target\"",     "\"targetname\"",
    "\"origin\"",    "\"speed\"",  "\"wait\"",    "\"height\"",     "\"lip\"",
    "\"angle\"",     "\"phase\"",  "\"-1\"",      "\"nan\"",        "\"inf\"",
    "\"1e38\"",      "func_door",  "func_plat",   "func_bobbing",   "func_rotating",
    "func_pendulum", "func_train", "path_corner", "\"spawnflags\"", "trigger_"};

bool writeDictionary(const std::string& file) {
    std::ofstream dictionary(file);
    for (const std::string word : kEntityWords) {
        dictionary << '"';
        for (const char c : word) {
            if (c == '"' || c == '\\') {
                dictionary << '\\';
            }
            dictionary << c;
        }
        dictionary << "\"\n";
    }
    return dictionary.good();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::cerr << "usage: velmora_fuzz_seeds CORPUS_DIRECTORY [DICTIONARY_FILE]\n";
        return 2;
    }
    if (argc == 3 && !writeDictionary(argv[2])) {
        std::cerr << argv[2] << ": cannot be written\n";
        return 1;
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
                       {"seed-entity-light.bsp", roomsWithEntityLight(rooms)},
                       {"seed-brush-entities.bsp", writeLevel(roomsWithBrushEntities(rooms))}},
                      std::cerr)
               ? 0
               : 1;
}
