// velmora-info and velmora-probe take a level as the viewer does: by path or by name in the
// --data folders, with the viewer's own message for a name no folder holds; the install puts the
// programs a user runs under its bin/.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "generators/AssetFiles.h"
#include "generators/FixtureLevels.h"
#include "generators/LevelWriter.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kBuild = VELMORA_BINARY_DIR;
const std::string kInfo = kBuild + "/velmora-info";
const std::string kProbe = kBuild + "/velmora-probe";
constexpr auto kLimit = 60s;

// A data folder whose archive holds a sound level and one whose first node has itself as child.
struct LevelArchive {
    ScratchFolder data{"tool-level-forms"};
    LevelArchive() {
        LevelDescription bad = tinyLevel();
        bad.nodes[0].front = 0;
        writeBytes(data.path() / "levels.pk3", makeZip({{"maps/tiny.bsp", writeLevel(tinyLevel())},
                                                        {"maps/loop.bsp", writeLevel(bad)}}));
        writeBytes(data.path() / "loose/maps/tiny.bsp", writeLevel(tinyLevel()));
    }
};

bool hasDisplay() {
    return std::getenv("DISPLAY") != nullptr;
}

}  // namespace

TEST(ToolLevelFormsTest, infoReadsALevelByNameFromAnArchiveAndNamesItsEntry) {
    LevelArchive archive;
    const ChildOutcome sound =
        runProgram({kInfo, "tiny", "--data", archive.data.dataPath()}, kLimit);
    ASSERT_FALSE(sound.timedOut);
    EXPECT_EQ(sound.exitStatus, 0) << sound.out << sound.err;
    EXPECT_NE(sound.out.find("faces: 3\n"), std::string::npos) << sound.out;
    EXPECT_NE(sound.out.find("validation: ok\n"), std::string::npos) << sound.out;

    const ChildOutcome bad = runProgram({kInfo, "--data", archive.data.dataPath(), "loop"}, kLimit);
    EXPECT_EQ(bad.exitStatus, 1) << bad.err;
    EXPECT_NE(bad.out.find("validation: 1 problem\nlevels.pk3:maps/loop.bsp: node 0 has front "
                           "child node 0 but it is the root"),
              std::string::npos)
        << bad.out;
}

TEST(ToolLevelFormsTest, infoOnAFileItCannotOpenPrintsTheProblemAloneAndExitsOne) {
    ScratchFolder empty("tool-level-forms-missing");
    const std::string missing = (empty.path() / "maps/absent.bsp").string();
    const ChildOutcome outcome = runProgram({kInfo, missing, "--data", empty.dataPath()}, kLimit);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_EQ(outcome.out, missing + ": cannot open level file: No such file or directory\n");
    EXPECT_EQ(outcome.err, "");
}

TEST(ToolLevelFormsTest, aNameNoDataFolderHoldsIsTheViewersLineForEveryProgram) {
    LevelArchive archive;
    const std::string line =
        "maps/absent.bsp: not in the data folders " + archive.data.dataPath() + "\n";
    const ChildOutcome info =
        runProgram({kInfo, "absent", "--data", archive.data.dataPath()}, kLimit);
    EXPECT_EQ(info.exitStatus, 1);
    EXPECT_EQ(info.out, line);
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display for the viewer and the probe";
    }
    for (const std::string& program : {kBuild + "/velmora", kProbe}) {
        SCOPED_TRACE(program);
        std::vector<std::string> command = {program, "absent", "--data", archive.data.dataPath()};
        if (program == kProbe) {
            command.insert(command.end(), {"--at", "0,0,0,0"});
        }
        const ChildOutcome outcome = runProgram(command, kLimit);
        ASSERT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitStatus, 1);
        ASSERT_GE(outcome.err.size(), line.size()) << outcome.err;
        EXPECT_EQ(outcome.err.substr(outcome.err.size() - line.size()), line);
    }
}

TEST(ToolLevelFormsTest, probeSeesTheSameFrameOfALevelByNameAndByPath) {
    if (!hasDisplay()) {
        GTEST_SKIP() << "no X display for the probe";
    }
    LevelArchive archive;
    const std::vector<std::string> pose = {"--at", "64,50,-64,0,-80", "--pick"};
    std::vector<std::string> byName = {kProbe, "tiny", "--data", archive.data.dataPath()};
    std::vector<std::string> byPath = {kProbe,
                                       (archive.data.path() / "loose/maps/tiny.bsp").string(),
                                       "--data", archive.data.dataPath()};
    byName.insert(byName.end(), pose.begin(), pose.end());
    byPath.insert(byPath.end(), pose.begin(), pose.end());
    const ChildOutcome named = runProgram(byName, kLimit);
    const ChildOutcome pathed = runProgram(byPath, kLimit);
    ASSERT_FALSE(named.timedOut || pathed.timedOut);
    EXPECT_EQ(named.exitStatus, 0) << named.err;
    EXPECT_EQ(pathed.exitStatus, 0) << pathed.err;
    // Looking down from above the spawn: its marker, as the entities are shown.
    EXPECT_NE(named.out.find("\nentity 1 info_player_deathmatch;"), std::string::npos) << named.out;
    EXPECT_EQ(named.out, pathed.out);
    // Both start at the level's spawn, as the viewer does.
    EXPECT_NE(named.err.find("spawn 1 of 1: info_player_deathmatch"), std::string::npos)
        << named.err;
}

// The first picture of `make run`: the sample by path, lit and textured, from its first spawn,
// where the brick mural fills the left of the view.
TEST(ToolLevelFormsTest, probeShotAloneIsTheViewersFirstPictureOfTheSampleByPath) {
    const std::string sample = kBuild + "/sample/maps/sample.bsp";
    if (!hasDisplay() || !fs::exists(sample)) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    const std::string shot = testing::TempDir() + "velmora_first_picture.png";
    const ChildOutcome outcome =
        runProgram({kProbe, sample, "--data", kBuild + "/sample/", "--shot", shot}, kLimit);
    ASSERT_FALSE(outcome.timedOut);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, shot.c_str()), 0) << shot;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0);
    ASSERT_EQ(image.width, 1024u);
    const std::size_t at = 3 * (std::size_t{image.height} / 3 * image.width + image.width / 10);
    const int red = pixels[at];
    const int green = pixels[at + 1];
    const int blue = pixels[at + 2];
    EXPECT_GT(red, green + 40) << red << " " << green << " " << blue;
    EXPECT_GT(red, blue + 40) << red << " " << green << " " << blue;
    fs::remove(shot);
}

TEST(ToolLevelFormsTest, installPutsTheProgramsAUserRunsUnderBin) {
    ScratchFolder prefix("tool-install");
    const ChildOutcome install = runProgram(
        {VELMORA_CMAKE_COMMAND, "--install", kBuild, "--prefix", prefix.dataPath()}, kLimit);
    ASSERT_FALSE(install.timedOut);
    ASSERT_EQ(install.exitStatus, 0) << install.out << install.err;
    std::vector<std::string> installed;
    for (const fs::directory_entry& entry : fs::directory_iterator(prefix.path() / "bin")) {
        installed.push_back(entry.path().filename().string());
    }
    std::sort(installed.begin(), installed.end());
    EXPECT_EQ(installed, (std::vector<std::string>{"velmora", "velmora-bench", "velmora-info",
                                                   "velmora-probe"}));
    LevelArchive archive;
    const ChildOutcome info = runProgram(
        {(prefix.path() / "bin/velmora-info").string(), "tiny", "--data", archive.data.dataPath()},
        kLimit);
    EXPECT_EQ(info.exitStatus, 0) << info.err;
    EXPECT_NE(info.out.find("validation: ok\n"), std::string::npos) << info.out;
    const ChildOutcome help = runProgram({(prefix.path() / "bin/velmora").string(), "-h"}, kLimit);
    EXPECT_EQ(help.exitStatus, 0) << help.err;
}
