// velmora-probe --pick on the sample level: after each pose's line, the face at the centre of the
// view with the folder file its image comes from, or the line that says nothing is there.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ChildProcess.h"

namespace {

using namespace std::chrono_literals;

const std::string kProbe = VELMORA_BINARY_DIR "/velmora-probe";
const std::string kSampleDir = VELMORA_BINARY_DIR "/sample/";
const std::string kSampleLevel = VELMORA_BINARY_DIR "/sample/maps/sample.bsp";

}  // namespace

// Room A is 512 units deep; its north wall (file y = 512) holds the mural left of the door.
TEST(ProbePickProcessTest, eachPoseIsFollowedByTheFaceAtTheCentreOfItsView) {
    if (std::getenv("DISPLAY") == nullptr || !std::filesystem::exists(kSampleLevel)) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    const std::string config = testing::TempDir() + "velmora_probe_pick.cfg";
    std::ofstream(config) << "width = 640\nheight = 480\ndatapath = " << kSampleDir
                          << "\nlevel = " << kSampleLevel << "\n";
    ChildProcess probe({kProbe, config, "--pick", "--at", "128,64,-128,0",
                        // Turned round: room A's south wall, whose image is missing.
                        "--at", "256,64,-128,180"});
    const ChildOutcome outcome = probe.wait(60s);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "leaf=0 cluster=0 visible=20\n"
              "face 5 polygon 'textures/sample/mural'; surface 0x00000000; contents 0x00000001 "
              "(solid); implicit; images textures/sample/mural.jpg; lightmap 0; leaf 0; cluster "
              "0; point 128.0 64.0 -512.0; distance 384.0\n"
              "leaf=0 cluster=0 visible=9\n"
              "face 2 polygon 'textures/sample/wall'; surface 0x00000000; contents 0x00000001 "
              "(solid); implicit; images placeholder (textures/sample/wall); lightmap 0; leaf "
              "0; cluster 0; point 256.0 64.0 0.0; distance 128.0\n");
}
