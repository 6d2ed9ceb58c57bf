// velmora-probe as a process on the sample level: what the camera sees from each room, the PNG of
// the last frame, the frame cost of each pose, and the refusal of bad arguments.
#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"

namespace {

using namespace std::chrono_literals;

const std::string kProbe = VELMORA_BINARY_DIR "/velmora-probe";
const std::string kSampleDir = VELMORA_BINARY_DIR "/sample/";
const std::string kSampleLevel = VELMORA_BINARY_DIR "/sample/maps/sample.bsp";
constexpr auto kLimit = 60s;

std::string sampleConfig(const std::string& extra = "") {
    const std::string path =
        testing::TempDir() + "velmora_probe_sample" + (extra.empty() ? "" : "_extra") + ".cfg";
    std::ofstream(path) << "width = 640\nheight = 480\ndatapath = " << kSampleDir
                        << "\nlevel = " << kSampleLevel << "\nstart_vec = 0 64 0\n"
                        << extra;
    return path;
}

// The RGB pixels of a PNG written by the probe, top row first; empty when it cannot be read.
std::vector<png_byte> readShot(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return {};
    }
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        return {};
    }
    return pixels;
}

bool canRender() {
    return std::getenv("DISPLAY") != nullptr && std::filesystem::exists(kSampleLevel);
}

}  // namespace

// Counts from the sample level's layout: room A is leaf 0 (cluster 0, 9 faces), the arch leaf 1
// (cluster 1, 6), the bend leaf 2 (cluster 1, 5), room B leaf 3 (cluster 2, 10). Cluster 0 sees
// clusters 0 and 1; cluster 2 sees 1 and 2.
TEST(ProbeProcessTest, roomsThatCannotSeeEachOtherCountOnlyTheirPvs) {
    if (!canRender()) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    const ChildOutcome outcome = runProgram({kProbe, sampleConfig(),
                                             // Room A looking north at the arch: 9 + 6 + 5.
                                             "--at", "256,64,-128,0",
                                             // Room B looking west: room A lies inside the view
                                             // but outside the PVS, so 6 + 5 + 10.
                                             "--at", "1280,64,-960,-90",
                                             // Room B looking north: bend and arch lie outside
                                             // the side and near planes, only room B's 10.
                                             "--at", "1280,64,-960,0"},
                                            kLimit);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.out,
              "leaf=0 cluster=0 visible=20\n"
              "leaf=3 cluster=2 visible=21\n"
              "leaf=3 cluster=2 visible=10\n");
    // The loading transcript stays on the error stream.
    EXPECT_NE(outcome.err.find("loading faces"), std::string::npos);
}

TEST(ProbeProcessTest, shotIsAnUprightPngOfTheWindowSize) {
    if (!canRender()) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    const std::string shot = testing::TempDir() + "velmora_probe_shot.png";
    std::filesystem::remove(shot);
    const ChildOutcome outcome =
        runProgram({kProbe, sampleConfig(), "--at", "256,64,-128,0", "--shot", shot}, kLimit);
    ASSERT_FALSE(outcome.timedOut);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    std::ifstream file(shot, std::ios::binary);
    std::string signature(8, '\0');
    file.read(signature.data(), 8);
    EXPECT_EQ(signature, "\x89PNG\r\n\x1a\n");

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_NE(png_image_begin_read_from_file(&image, shot.c_str()), 0) << image.message;
    EXPECT_EQ(image.width, 640u);
    EXPECT_EQ(image.height, 480u);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    ASSERT_NE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr), 0);
    // The white overlay line sits 35 pixels above the window's bottom edge: in an upright
    // picture, in the lowest rows and nowhere near the top.
    int topmostWhiteRow = -1;
    for (std::size_t i = 0; i + 2 < pixels.size() && topmostWhiteRow < 0; i += 3) {
        if (pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255) {
            topmostWhiteRow = static_cast<int>(i / 3 / 640);
        }
    }
    EXPECT_GT(topmostWhiteRow, 480 - 35 - 30);
    EXPECT_LT(topmostWhiteRow, 480 - 35);
}

TEST(ProbeProcessTest, badArgumentsPrintUsageAndExitWithTwo) {
    const std::vector<std::vector<std::string>> badCommands = {
        {kProbe},
        {kProbe, "some.cfg"},
        {kProbe, "some.cfg", "--at", "1,2,3"},
        {kProbe, "some.cfg", "--at", "1,2,3,4.5"},
        {kProbe, "some.cfg", "--at", "1,2,x,4"},
        {kProbe, "some.cfg", "--at", "1,2,3,4,5,6"},
        {kProbe, "some.cfg", "--at", "1,2,3,4,90"},
        {kProbe, "some.cfg", "--at", "1,2,3,4,"},
        {kProbe, "some.cfg", "--at", "nan,2,3,4"},
        {kProbe, "some.cfg", "--at", "1,2,3,4", "--shot"},
        {kProbe, "some.cfg", "--at", "1,2,3,4", "--frames", "3"},
        // A configuration names its own data folder.
        {kProbe, "some.cfg", "--data", "folder", "--at", "1,2,3,4"},
    };
    for (const std::vector<std::string>& command : badCommands) {
        const ChildOutcome outcome = runProgram(command, kLimit);
        ASSERT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitStatus, 2) << command.size();
        EXPECT_EQ(
            outcome.err.rfind(
                "usage: velmora-probe CONFIG | LEVEL.bsp | NAME [--data DIR]... --at X,Y,Z,YAW", 0),
            0u)
            << outcome.err;
        EXPECT_EQ(outcome.out, "");
    }
}

// With lightmaps = on the probe draws the lit view: the same faces are counted, the overlay says
// so, and room A's north wall shows the sample page's warm light instead of the fixed light.
TEST(ProbeProcessTest, lightmapsKeyGivesTheLitViewWithTheSameCounts) {
    if (!canRender()) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    const std::string plainShot = testing::TempDir() + "velmora_probe_plain.png";
    const std::string litShot = testing::TempDir() + "velmora_probe_lit.png";
    const ChildOutcome plain =
        runProgram({kProbe, sampleConfig(), "--at", "256,64,-128,0", "--shot", plainShot}, kLimit);
    const ChildOutcome lit = runProgram(
        {kProbe, sampleConfig("lightmaps = on\n"), "--at", "256,64,-128,0", "--shot", litShot},
        kLimit);
    ASSERT_FALSE(plain.timedOut);
    ASSERT_FALSE(lit.timedOut);
    ASSERT_EQ(lit.exitStatus, 0) << lit.err;
    EXPECT_EQ(lit.out, plain.out);
    EXPECT_EQ(lit.out, "leaf=0 cluster=0 visible=20\n");
    EXPECT_NE(lit.err.find("setting on\n"), std::string::npos);

    const std::vector<png_byte> plainPixels = readShot(plainShot);
    const std::vector<png_byte> litPixels = readShot(litShot);
    ASSERT_EQ(litPixels.size(), 640u * 480u * 3u);
    ASSERT_EQ(plainPixels.size(), litPixels.size());
    // Room A's north wall left of the door, 80 rows below the top.
    const std::size_t wall = 3 * (80 * 640 + 100);
    const int red = litPixels[wall];
    const int green = litPixels[wall + 1];
    const int blue = litPixels[wall + 2];
    EXPECT_GT(red, green);
    EXPECT_GT(green, blue);
    EXPECT_GT(red, 100);
    EXPECT_NE(
        std::vector<png_byte>(litPixels.begin() + long(wall), litPixels.begin() + long(wall) + 3),
        std::vector<png_byte>(plainPixels.begin() + long(wall),
                              plainPixels.begin() + long(wall) + 3));
}

TEST(ProbeProcessTest, statsPrintTheFrameCostOfEachPose) {
    if (!canRender()) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    const ChildOutcome outcome = runProgram({kProbe, sampleConfig("stats = on\n"), "--stats",
                                             "--at", "256,64,-128,0", "--at", "1280,64,-960,-90"},
                                            kLimit);
    ASSERT_FALSE(outcome.timedOut);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("setting on\n"), std::string::npos);
    std::istringstream lines(outcome.out);
    std::vector<std::string> got;
    for (std::string line; std::getline(lines, line);) {
        got.push_back(line);
    }
    ASSERT_EQ(got.size(), 4u) << outcome.out;
    EXPECT_EQ(got[0], "leaf=0 cluster=0 visible=20");
    EXPECT_EQ(got[2], "leaf=3 cluster=2 visible=21");
    // Room A's twenty faces, its arch at detail 10, one lightmap page; a frame's own fragments.
    const std::regex cost(
        "faces (\\d+)\\+0  triangles \\d+  draws \\d+  materials \\d+  lightmaps 1  "
        "fragments/pixel (\\d+\\.\\d\\d)  \\d+\\.\\d ms");
    std::smatch figures;
    ASSERT_TRUE(std::regex_match(got[1], figures, cost)) << got[1];
    EXPECT_EQ(figures[1], "20");
    EXPECT_GE(std::stod(figures[2]), 0.9) << "the room fills the window";
    ASSERT_TRUE(std::regex_match(got[3], figures, cost)) << got[3];
    EXPECT_EQ(figures[1], "21");
}
