// Writes the level fuzzer's seed corpus: the sample level and smaller sound levels made by the
// level writer, so the search starts from files that reach every loading step and every check.
#include <iostream>
#include <string>
#include <vector>

#include "generators/AssetFiles.h"
#include "generators/FixtureLevels.h"
#include "generators/LevelWriter.h"
#include "generators/SampleLevel.h"

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
                       {"seed-one-leaf.bsp", writeLevel(oneLeafLevel())}},
                      std::cerr)
               ? 0
               : 1;
}
