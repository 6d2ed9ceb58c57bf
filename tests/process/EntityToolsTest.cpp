// velmora-probe's --entities and --light-at and velmora-info's entity table, as processes, on the
// writer-made entity level with its uniform light grid.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>

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
