// Writes the level fuzzer's seed corpus: the sample level and smaller sound levels made by the
// level writer, so the search starts from files that reach every loading step and every check.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "generators/FixtureLevels.h"
#include "generators/LevelWriter.h"
#include "generators/SampleLevel.h"

namespace {

bool writeSeed(const std::string& directory, const std::string& name,
               const std::vector<std::uint8_t>& bytes) {
    const std::string path = directory + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::cerr << path << ": cannot write the seed\n";
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
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

    bool ok = writeSeed(directory, "seed-sample.bsp", writeLevel(sampleLevel()));
    ok = writeSeed(directory, "seed-three-rooms.bsp", writeLevel(rooms)) && ok;
    ok = writeSeed(directory, "seed-no-visibility.bsp", writeLevel(withoutVisibility)) && ok;
    ok = writeSeed(directory, "seed-one-leaf.bsp", writeLevel(oneLeafLevel())) && ok;
    return ok ? 0 : 1;
}
