// velmora-spawn LEVEL: prints the level's first spawn point in viewer axes as "x y z" (rounded
// integers, the form start_vec takes), or says why there is none and exits with status 1.
#include <CLI/CLI.hpp>

#include <cmath>
#include <iostream>
#include <sstream>

#include "level/BSPMap.h"
#include "level/Entities.h"
#include "assets/AssetStore.h"
#include "level/LevelFile.h"
#include "texture/TextureCache.h"

int main(int argc, char** argv) {
    CLI::App app("Prints the first player spawn point of a level in viewer axes.");
    std::string levelPath;
    app.add_option("level", levelPath, "level file (.bsp)")->required();
    CLI11_PARSE(app, argc, argv);

    std::ifstream file;
    std::vector<std::uint8_t> bytes;
    const std::string readProblem = readLevelFile(file, levelPath, bytes);
    if (!readProblem.empty()) {
        std::cerr << "velmora-spawn: " << levelPath << ": " << readProblem << "\n";
        return 1;
    }
    // The transcript is of no interest here; only the entity text is used.
    std::ostringstream transcript;
    // Nothing is read beyond the level file, so the stores are never opened.
    LazyAssetStore assets("", transcript);
    TextureCache textures;
    const BSPMap level("", levelPath, std::move(bytes), {assets, textures}, nullptr, nullptr,
                       transcript);
    const std::vector<Point> spawns = findSpawnPoints(level.getEntityText());
    if (spawns.empty()) {
        std::cerr << "velmora-spawn: " << levelPath
                  << " has no info_player_deathmatch or info_player_start with an origin\n";
        return 1;
    }
    const Point& spawn = spawns.front();
    std::cout << std::lround(spawn.getX()) << " " << std::lround(spawn.getY()) << " "
              << std::lround(spawn.getZ()) << "\n";
    return 0;
}
