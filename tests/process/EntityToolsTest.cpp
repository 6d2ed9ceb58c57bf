// velmora-probe's --entities and --light-at and velmora-info's entity table, as processes, on the
// writer-made entity level with its uniform light grid; entities whose origins are not numbers a
// level can hold are one line each and the frame is drawn without them.
#include <png.h>
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "support/EntityFixtures.h"

namespace {

using namespace std::chrono_literals;

const std::string kTools = VELMORA_BINARY_DIR;
constexpr auto kLimit = 60s;
constexpr char kTable[] =
    "entities 5\n"
    "  info_player_deathmatch 1\n"
    "  item_quad 1\n"
    "  weapon_railgun 1\n"
    "  weapon_rocketlauncher 1\n"
    "  worldspawn 1\n";

// How many pixels of the PNG at path are within 3 of colour in each channel.
int pixelsOf(const std::string& path, std::array<int, 3> colour) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
        return 0;
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
        return 0;
    }
    int count = 0;
    for (std::size_t at = 0; at + 2 < rgb.size(); at += 3) {
        bool near = true;
        for (std::size_t c = 0; c < 3; ++c) {
            near = near && std::abs(int(rgb[at + c]) - colour[c]) <= 3;
        }
        count += near ? 1 : 0;
    }
    return count;
}

}  // namespace

TEST(EntityToolsTest, probeAndInfoPrintTheEntityTableAndTheProbeTheLightAtAPoint) {
    ScratchFolder data("entity-tools");
    writeEntityModels(data);
    const std::string levelPath = (data.path() / "maps/entities.bsp").string();
    writeBytes(levelPath, entityLevelBytes());
    const std::string config = data.dataPath() + "entities.cfg";
    std::ofstream(config) << "width = 320\nheight = 240\ndatapath = " << data.dataPath()
                          << "\nlevel = " << levelPath << "\n";

    const ChildOutcome info = runProgram({kTools + "/velmora-info", levelPath}, kLimit);
    ASSERT_FALSE(info.timedOut);
    EXPECT_EQ(info.exitStatus, 0) << info.err;
    EXPECT_NE(info.out.find(std::string(kTable) + "validation: ok\n"), std::string::npos)
        << info.out;

    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display for the probe";
    }
    const ChildOutcome probe = runProgram({kTools + "/velmora-probe", config, "--entities",
                                           "--light-at", "10,0,-150", "--at", "0,0,0,0"},
                                          kLimit);
    ASSERT_FALSE(probe.timedOut);
    EXPECT_EQ(probe.exitStatus, 0) << probe.err;
    EXPECT_EQ(probe.out, std::string(kTable) +
                             "ambient 20.0 10.0 5.0 directed 30.0 20.0 10.0 direction 0.000 "
                             "0.000 1.000\n"
                             "leaf=0 cluster=0 visible=1\n");
}

// Origins that are not numbers once ended the viewer at start: the light grid sample turned a NaN
// into a cell index.
TEST(EntityToolsTest, originsThatAreNotNumbersALevelHoldsAreOneLineEachAndTheFrameIsDrawn) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display for the probe";
    }
    ScratchFolder data("entity-numbers");
    writeEntityModels(data);
    const std::string levelPath = (data.path() / "maps/numbers.bsp").string();
    writeBytes(levelPath,
               entityLevelBytesWithText(
                   "{\n\"classname\" \"worldspawn\"\n}\n"
                   "{\n\"classname\" \"weapon_rocketlauncher\"\n\"origin\" \"-40 200 0\"\n}\n"
                   "{\n\"classname\" \"weapon_railgun\"\n\"origin\" \"nan nan nan\"\n}\n"
                   "{\n\"classname\" \"target_speaker\"\n\"origin\" \"nan 0 0\"\n}\n"
                   "{\n\"classname\" \"item_quad\"\n\"origin\" \"0 200 inf\"\n}\n"));
    const std::string config = data.dataPath() + "numbers.cfg";
    std::ofstream(config) << "width = 640\nheight = 480\nentities = on\ndatapath = "
                          << data.dataPath() << "\nlevel = " << levelPath << "\n";
    const std::string shot = data.dataPath() + "numbers.png";

    const ChildOutcome probe =
        runProgram({kTools + "/velmora-probe", config, "--at", "0,0,0,0", "--shot", shot}, kLimit);
    ASSERT_FALSE(probe.timedOut);
    EXPECT_EQ(probe.exitStatus, 0) << probe.err;
    const std::string lead = levelPath + ": entity text: entity ";
    for (const char* line :
         {"2 (weapon_railgun, line 11): origin \"nan nan nan\" holds a number that is not "
          "finite",
          "3 (target_speaker, line 15): origin \"nan 0 0\" holds a number that is not finite",
          "4 (item_quad, line 19): origin \"0 200 inf\" holds a number that is not finite"}) {
        EXPECT_NE(probe.err.find(lead + line + "\n"), std::string::npos) << probe.err;
    }
    // The launcher stands lit in the frame; no marker stands for the entities left out (the
    // railgun's broken model and the quad's missing one would be item markers).
    EXPECT_GT(pixelsOf(shot, kLitFacingColour), 20);
    EXPECT_EQ(pixelsOf(shot, {255, 51, 255}), 0);
}

// The configuration's markers key and the probe's --markers: with markers off the launcher
// stands alone, as the game shows items; --markers on brings back the spawn's green marker.
TEST(EntityToolsTest, markersOffLeaveTheItemsAloneAndTheProbeCanTurnThemOn) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display for the probe";
    }
    ScratchFolder data("entity-markers");
    writeEntityModels(data);
    const std::string levelPath = (data.path() / "maps/entities.bsp").string();
    writeBytes(levelPath, entityLevelBytes());
    const std::string config = data.dataPath() + "markers.cfg";
    std::ofstream(config) << "width = 640\nheight = 480\nentities = on\nmarkers = off\n"
                          << "datapath = " << data.dataPath() << "\nlevel = " << levelPath << "\n";
    const std::array<int, 3> kSpawnGreen{51, 255, 51};
    for (const bool forceOn : {false, true}) {
        const std::string shot = data.dataPath() + (forceOn ? "on.png" : "off.png");
        std::vector<std::string> arguments = {
            kTools + "/velmora-probe", config, "--at", "0,0,0,0", "--shot", shot};
        if (forceOn) {
            arguments.insert(arguments.end(), {"--markers", "on"});
        }
        const ChildOutcome probe = runProgram(arguments, kLimit);
        ASSERT_FALSE(probe.timedOut);
        EXPECT_EQ(probe.exitStatus, 0) << probe.err;
        EXPECT_NE(probe.err.find("setting off"), std::string::npos) << probe.err;
        EXPECT_GT(pixelsOf(shot, kLitFacingColour), 20);
        if (forceOn) {
            EXPECT_GT(pixelsOf(shot, kSpawnGreen), 20);
        } else {
            EXPECT_EQ(pixelsOf(shot, kSpawnGreen), 0);
        }
    }
}
