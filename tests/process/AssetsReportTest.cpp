// velmora-info --assets as a level maker runs it on a data folder of two archives: each texture's
// material and images with the archive they come from, the names found in more than one place
// with the copy used, and the shader keywords the viewer does not understand.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "generators/AssetFiles.h"
#include "generators/LevelWriter.h"

namespace {

using namespace std::chrono_literals;

const std::string kInfo = VELMORA_BINARY_DIR "/velmora-info";

std::vector<std::uint8_t> text(const std::string& value) {
    return {value.begin(), value.end()};
}

LevelDescription texturedLevel() {
    LevelDescription level;
    level.textures = {{"textures/test/wall", 0, 1},
                      {"textures/test/glow", 0x4, 0},
                      {"textures/test/missing", 0, 1}};
    level.planes = {{{1, 0, 0}, 0}};
    level.nodes = {{0, -1, -2, {-64, -64, -64}, {64, 64, 64}}};
    level.leaves = {{0, 0, {0, -64, -64}, {64, 64, 64}, 0, 0, 0, 0},
                    {-1, 0, {-64, -64, -64}, {0, 64, 64}, 0, 0, 0, 0}};
    level.models = {{{-64, -64, -64}, {64, 64, 64}, 0, 0, 0, 0}};
    return level;
}

}  // namespace

TEST(AssetsReportTest, namesEachArchiveTheCopyUsedAndTheUnknownKeywords) {
    ScratchFolder data("assets-report");
    writeBytes(data.path() / "maps/walls.bsp", writeLevel(texturedLevel()));
    writeBytes(
        data.path() / "a.pk3",
        makeZip({{"scripts/test.shader",
                  text("textures/test/glow\n{\n shimmer 2\n { map textures/test/wall.tga }\n}\n")},
                 {"textures/test/wall.tga", solidTga(4, 4, {10, 20, 30})}}));
    writeBytes(data.path() / "b.pk3",
               makeZip({{"scripts/other.shader",
                         text("textures/test/glow\n{\n { map textures/test/wall.tga\n"
                              " blendFunc add }\n}\n")},
                        {"textures/test/wall.tga", solidTga(4, 4, {40, 50, 60})}}));
    // The one data folder given: the game data of the install places stays out of the report.
    ChildProcess info(
        {kInfo, "--assets", (data.path() / "maps/walls.bsp").string(), "--data", data.dataPath()});
    const ChildOutcome outcome = info.wait(60s);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "textures: 3\n"
              "  0 'textures/test/wall'; surface 0x00000000; contents 0x00000001 (solid); "
              "implicit; images b.pk3:textures/test/wall.tga\n"
              "  1 'textures/test/glow'; surface 0x00000004 (sky); contents 0x00000000; "
              "script scripts/other.shader in b.pk3; images b.pk3:textures/test/wall.tga\n"
              "  2 'textures/test/missing'; surface 0x00000000; contents 0x00000001 (solid); "
              "implicit; images placeholder (textures/test/missing)\n"
              "found in more than one place: 2\n"
              "  shader textures/test/glow: a.pk3:scripts/test.shader, "
              "b.pk3:scripts/other.shader; used b.pk3:scripts/other.shader\n"
              "  textures/test/wall.tga: a.pk3, b.pk3; used b.pk3:textures/test/wall.tga\n"
              "shader keywords not understood: 1\n"
              "  shimmer in a.pk3:scripts/test.shader\n");
}

TEST(AssetsReportTest, aTruncatedImageIsOneLineNamingItsArchiveAndAPlaceholder) {
    ScratchFolder data("assets-truncated");
    writeBytes(data.path() / "maps/walls.bsp", writeLevel(texturedLevel()));
    std::vector<std::uint8_t> cut = solidTga(4, 4, {10, 20, 30});
    cut.resize(cut.size() - 5);
    writeBytes(data.path() / "a.pk3", makeZip({{"textures/test/wall.tga", cut}}));
    // A level path that does not open as written is found under the data folder, as the viewer
    // finds it.
    ChildProcess info({kInfo, "--assets", "maps/walls.bsp", "--data", data.dataPath()});
    const ChildOutcome outcome = info.wait(60s);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_NE(outcome.out.find("  0 'textures/test/wall'; surface 0x00000000; contents 0x00000001 "
                               "(solid); implicit; images placeholder (textures/test/wall)\n"),
              std::string::npos)
        << outcome.out;
    const std::string line =
        "a.pk3:textures/test/wall.tga: truncated: the header promises 4 x 4 pixels, the data "
        "holds 14\n";
    EXPECT_NE(outcome.err.find(line), std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.find(line), outcome.err.rfind(line)) << outcome.err;
}
