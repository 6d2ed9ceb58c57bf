// The level tools as a person runs them: velmora-sample writes loadable sample data,
// velmora-biglevel a large sound level, and velmora-spawn prints a start point or fails with a
// reason.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "level/BSPMap.h"
#include "level/Entities.h"
#include "generators/SampleLevel.h"
#include "support/LevelFixtures.h"

namespace {

struct ToolRun {
    int status = -1;
    std::string output;  // standard output and standard error together
};

// Runs a command line under a 60-second limit.
ToolRun runTool(const std::string& command) {
    ToolRun result;
    std::FILE* pipe = popen(("timeout 60 " + command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer;
    while (std::size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        result.output.append(buffer.data(), got);
    }
    const int waitStatus = pclose(pipe);
    result.status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    return result;
}

std::filesystem::path scratchDirectory(const std::string& name) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("velmora-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
    return path;
}

const std::string kTools = VELMORA_BINARY_DIR;

}  // namespace

TEST(LevelToolsTest, sampleToolWritesALevelWhoseSpawnIsTheShippedStart) {
    const auto dir = scratchDirectory("sample");
    const ToolRun sample = runTool(kTools + "/velmora-sample " + dir.string());
    ASSERT_EQ(sample.status, 0) << sample.output;
    EXPECT_GT(std::filesystem::file_size(dir / "textures/skies/ridarirovozavo.jpg"), 0u);

    const auto levelPath = dir / "maps/sample.bsp";
    std::ifstream file(levelPath, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                    std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, writeLevel(sampleLevel()));

    const ToolRun spawn = runTool(kTools + "/velmora-spawn " + levelPath.string());
    EXPECT_EQ(spawn.status, 0) << spawn.output;
    EXPECT_EQ(spawn.output, "256 64 -128\n");
    std::filesystem::remove_all(dir);
}

TEST(LevelToolsTest, bigLevelToolWritesASoundLevelOfTenMegabytesAndTwoThousandPatches) {
    const auto dir = scratchDirectory("biglevel");
    const ToolRun big = runTool(kTools + "/velmora-biglevel " + dir.string());
    ASSERT_EQ(big.status, 0) << big.output;
    const auto levelPath = dir / "maps/biglevel.bsp";
    EXPECT_GE(std::filesystem::file_size(levelPath), 10'000'000u);

    const ToolRun info = runTool(kTools + "/velmora-info " + levelPath.string());
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.output.find("validation: ok"), std::string::npos) << info.output;

    const TestLevel level("data/", levelPath.string(), nullptr, nullptr);
    ASSERT_TRUE(level.isSound());
    std::size_t patches = 0;
    for (const Face& face : level.getFaces()) {
        patches += face.patches.size();
    }
    EXPECT_GE(patches, 2000u);
    EXPECT_FALSE(findSpawnPoints(level.getEntityText()).empty());
    std::filesystem::remove_all(dir);
}

TEST(LevelToolsTest, spawnToolExplainsMissingSpawnsAndUnreadableFiles) {
    const auto dir = scratchDirectory("spawn");
    LevelDescription level = tinyLevel();
    level.entityText = "{\n\"classname\" \"worldspawn\"\n}\n";
    std::string error;
    ASSERT_TRUE(LevelWriter(level).writeFile((dir / "none.bsp").string(), error)) << error;

    const ToolRun none = runTool(kTools + "/velmora-spawn " + (dir / "none.bsp").string());
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("has no info_player_deathmatch or info_player_start"),
              std::string::npos)
        << none.output;

    const ToolRun missing = runTool(kTools + "/velmora-spawn " + (dir / "missing.bsp").string());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("missing.bsp: cannot open level file: No such file"),
              std::string::npos)
        << missing.output;
    std::filesystem::remove_all(dir);
}
