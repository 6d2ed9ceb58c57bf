// The built viewer as a process: refusals before any window, and a real window that echoes its
// configuration and ends with status 0 on a real ESC key press.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "ViewerWindow.h"

namespace {

using namespace std::chrono_literals;

const std::string kViewer = VELMORA_BINARY_DIR "/velmora";
const std::string kSampleDir = VELMORA_BINARY_DIR "/sample/";
const std::string kSampleLevel = VELMORA_BINARY_DIR "/sample/maps/sample.bsp";

TEST(ViewerProcessTest, noArgumentPrintsUsageAndExitsWithOne) {
    const ChildOutcome outcome = runProgram({kViewer}, 20s);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_EQ(outcome.err, "usage: " + kViewer + " <configuration file>\n");
}

TEST(ViewerProcessTest, unopenableConfigurationNamesPathAndReasonAndExitsWithOne) {
    const std::string missing = testing::TempDir() + "velmora_missing_dir/viewer.cfg";
    const ChildOutcome outcome = runProgram({kViewer, missing}, 20s);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 1);
    EXPECT_EQ(outcome.err,
              missing + ": cannot open the configuration file: No such file or directory\n");
}

TEST(ViewerProcessTest, helpFlagsPrintUsageConfigurationKeysAndKeyTableAndExitWithZero) {
    for (const std::string flag : {"-h", "--help"}) {
        SCOPED_TRACE(flag);
        const ChildOutcome outcome = runProgram({kViewer, flag}, 20s);
        ASSERT_FALSE(outcome.timedOut);
        EXPECT_EQ(outcome.exitStatus, 0);
        EXPECT_EQ(outcome.err, "");
        const std::vector<std::string> lines = linesOf(outcome.out);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), "usage: " + kViewer + " <configuration file>");
        // A screenful: the forms, the keys of the file and the keys of the window.
        EXPECT_LE(lines.size(), 20u) << outcome.out;
        for (const char* word :
             {"width, height", "1..16384", "1024 x 768", "datapath", "level", "lights", "start_vec",
              "bpp, vsync", "mouse_sensitivity", "speed", "0.25..8", "w/s", "a/d", "</>",
              "PgUp/PgDn", "p screenshot", "f freeze", "c cluster", "ESC"}) {
            EXPECT_NE(outcome.out.find(word), std::string::npos) << word << " in\n" << outcome.out;
        }
    }
    // Anything else, however like a flag, is a configuration path.
    const ChildOutcome other = runProgram({kViewer, "--helpful"}, 20s);
    ASSERT_FALSE(other.timedOut);
    EXPECT_EQ(other.exitStatus, 1);
    EXPECT_EQ(other.err,
              "--helpful: cannot open the configuration file: No such file or directory\n");
}

TEST(ViewerProcessTest, escapeKeyEndsViewerWithStatusZeroAfterExactEcho) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display";
    }
    if (!std::filesystem::exists(kSampleLevel)) {
        GTEST_SKIP() << kSampleLevel << " has not been generated";
    }
    const std::string configPath = testing::TempDir() + "velmora_process_viewer.cfg";
    std::ofstream(configPath) << "width = 320\nheight = 240\ndatapath = " << kSampleDir
                              << "\nlevel = " << kSampleLevel
                              << "\nlights = lights.txt\nstart_vec = 0 64 0\n";

    ChildProcess viewer({kViewer, configPath});
    const std::string window = findViewerWindow(viewer, 30s);
    ASSERT_FALSE(window.empty()) << "no window appeared; standard error:\n" << viewer.errorText();
    // Focus the window, then press ESC through the XTEST extension: a real key event.
    const ChildOutcome press =
        runProgram({"xdotool", "windowfocus", "--sync", window, "key", "Escape"}, 10s);
    EXPECT_EQ(press.exitStatus, 0) << press.err;

    const ChildOutcome outcome = viewer.wait(20s);
    ASSERT_FALSE(outcome.timedOut) << "ESC did not end the viewer";
    EXPECT_TRUE(outcome.exited);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    const std::vector<std::string> expected = {
        "setting 320",
        "setting 240",
        "setting " + kSampleDir,
        "setting " + kSampleLevel,
        "lighting file lights.txt",
        "starting at 0,64,0",
        "root directory:" + kSampleDir,
        "level name:" + kSampleLevel,
    };
    std::vector<std::string> lines = linesOf(outcome.err);
    ASSERT_GE(lines.size(), expected.size()) << outcome.err;
    lines.resize(expected.size());
    EXPECT_EQ(lines, expected);
}

}  // namespace
