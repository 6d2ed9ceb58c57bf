// velmora-info --heavy as a level maker runs it: the summary and the heaviest places with the
// viewer's line for each, the picture, and one clear line for each input it cannot map; and the
// viewer's --at refusing a pose that does not read.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "generators/AssetFiles.h"
#include "generators/FixtureLevels.h"
#include "support/LevelFixtures.h"

namespace {

using namespace std::chrono_literals;

const std::string kBuild = VELMORA_BINARY_DIR;
const std::string kInfo = kBuild + "/velmora-info";
const std::string kViewer = kBuild + "/velmora";
constexpr auto kLimit = 60s;

// A folder holding maps/NAME.bsp written from description; the level's path.
std::string writeLevelIn(const ScratchFolder& folder, const std::string& name,
                         const LevelDescription& description) {
    const auto path = folder.path() / "maps" / (name + ".bsp");
    EXPECT_TRUE(writeBytes(path, writeLevel(description)));
    return path.string();
}

}  // namespace

TEST(HeavyPlacesProcessTest, heavyReportNamesTheHeaviestPlacesAndTheLineThatOpensEach) {
    const ScratchFolder folder("heavy-places");
    const std::string level = writeLevelIn(folder, "rooms", twoRoomsAndCorridor());
    const std::string picture = (folder.path() / "rooms.png").string();
    const ChildOutcome run =
        runProgram({kInfo, "--heavy", level, "--top", "2", "--png", picture}, kLimit);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 0) << run.out << run.err;
    // Room A's places see everything; the first found lies at its west end, furthest north.
    EXPECT_EQ(run.out,
              "clusters: 3, places: 36 (64 units apart, the eye 50 over the floor)\n"
              "triangles in view: median 206, worst 208\n"
              "heaviest places:\n"
              "  32 50 -224: 208 triangles, 5 faces, sees 3 of 3 clusters\n"
              "    velmora " +
                  level +
                  " --at 32,50,-224,90,0\n"
                  "  32 50 -160: 208 triangles, 5 faces, sees 3 of 3 clusters\n"
                  "    velmora " +
                  level +
                  " --at 32,50,-160,90,0\n"
                  "picture: " +
                  picture + "\n");
    EXPECT_GT(std::filesystem::file_size(picture), 0u);
}

TEST(HeavyPlacesProcessTest, inputsThatCannotBeMappedGetOneLineEach) {
    const ScratchFolder folder("heavy-bad");
    LevelDescription blind = twoRoomsAndCorridor();
    blind.visibility = {};
    const std::string blindLevel = writeLevelIn(folder, "blind", blind);
    const ChildOutcome noVis = runProgram({kInfo, "--heavy", blindLevel, "--top", "1"}, kLimit);
    EXPECT_EQ(noVis.exitStatus, 0) << noVis.err;
    EXPECT_EQ(linesOf(noVis.out).front(),
              blindLevel +
                  ": no visibility data (no records in lump 16): every cluster is taken to see "
                  "every other");
    EXPECT_NE(noVis.out.find("  32 50 -224: 208 triangles, 5 faces, sees 3 of 3 clusters\n"),
              std::string::npos)
        << noVis.out;

    const std::string solidLevel = writeLevelIn(folder, "solid", oneLeafLevel());
    const std::string picture = (folder.path() / "solid.png").string();
    const ChildOutcome solid = runProgram({kInfo, "--heavy", solidLevel, "--png", picture}, kLimit);
    EXPECT_EQ(solid.exitStatus, 1);
    EXPECT_EQ(solid.out, solidLevel +
                             ": no empty leaf over a floor, so no place to stand and no "
                             "picture\n");
    EXPECT_FALSE(std::filesystem::exists(picture));

    const std::string nowhere = (folder.path() / "missing" / "map.png").string();
    const std::string roomsLevel = writeLevelIn(folder, "rooms", twoRoomsAndCorridor());
    const ChildOutcome unwritable =
        runProgram({kInfo, "--heavy", roomsLevel, "--png", nowhere}, kLimit);
    EXPECT_EQ(unwritable.exitStatus, 1);
    EXPECT_EQ(unwritable.out, "velmora-info: cannot write " + nowhere + ": the folder " +
                                  (folder.path() / "missing").string() + " does not exist\n");
}

TEST(HeavyPlacesProcessTest, viewerNamesAnAtFieldThatIsNoNumberWithTheUsageLine) {
    const ScratchFolder folder("heavy-at");
    const std::string level = writeLevelIn(folder, "rooms", twoRoomsAndCorridor());
    const ChildOutcome run = runProgram({kViewer, level, "--at", "32,fifty,-224,90"}, kLimit);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err,
              "usage: " + kViewer +
                  " LEVEL.bsp | NAME [--data DIR]... [--at X,Y,Z[,YAW[,PITCH]]]\n"
                  "--at 32,fifty,-224,90: 'fifty' is not a number (X,Y,Z[,YAW[,PITCH]])\n");
    EXPECT_EQ(run.out, "");
}
