// The built programs on good and malformed levels: velmora-info's report and exit statuses, and
// the viewer ending with status 1 and the problem lines before its first frame.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/LevelFixtures.h"

namespace {

namespace fs = std::filesystem;

struct ProcessResult {
    int status = -1;
    std::string out;
    std::string err;
};

std::string readText(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A scratch folder per test, removed afterwards.
class BadLevelProcessTest : public testing::Test {
protected:
    void SetUp() override {
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() /
                 (std::string("velmora-") + test->name() + "-" + std::to_string(::getpid()));
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string writeLevelFile(const std::string& name, const LevelDescription& level) const {
        const fs::path path = folder / name;
        std::string error;
        EXPECT_TRUE(LevelWriter(level).writeFile(path.string(), error)) << error;
        return path.string();
    }

    // Runs a command line with its own time limit, the two output streams kept apart.
    ProcessResult run(const std::string& commandLine) const {
        const fs::path outPath = folder / "stdout.txt";
        const fs::path errPath = folder / "stderr.txt";
        const std::string full = "timeout 60 " + commandLine + " >" + outPath.string() + " 2>" +
                                 errPath.string() + " </dev/null";
        const int raw = std::system(full.c_str());
        ProcessResult result;
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = readText(outPath);
        result.err = readText(errPath);
        return result;
    }

    fs::path folder;
};

const std::string kInfoTool = std::string(VELMORA_BINARY_DIR) + "/velmora-info";

TEST_F(BadLevelProcessTest, infoReportsASoundLevelAndExitsZero) {
    const std::string level = writeLevelFile("tiny.bsp", tinyLevel());
    const ProcessResult result = run(kInfoTool + " " + level);
    EXPECT_EQ(result.status, 0) << result.err;
    const char* const kExpectedLines[] = {
        "   #  name                offset      length   records\n",
        "  10  vertices               584         616        14\n",
        "  16  visibility            1536          10         -\n",
        "faces: 3\n  polygon    1\n  patch      1, giving 1 patch at level 10\n  mesh       0\n"
        "  billboard  1\n  other      0\n",
        "visibility: 2 clusters, 1 byte per cluster, each cluster sees 100.0% of the other "
        "clusters on average\n",
        "validation: ok\n"};
    for (const char* line : kExpectedLines) {
        EXPECT_NE(result.out.find(line), std::string::npos) << line << "in\n" << result.out;
    }
    // Effects and light-grid cells are records too: counted, not "-".
    for (const char* row : {"  12  effects", "  15  light volumes"}) {
        const std::size_t at = result.out.find(row);
        ASSERT_NE(at, std::string::npos) << row;
        const std::string line = result.out.substr(at, result.out.find('\n', at) - at);
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(line.back()))) << line;
    }
    // The loading transcript goes to the other stream.
    EXPECT_EQ(result.out.find("loading"), std::string::npos);
    EXPECT_NE(result.err.find("loading faces... done \n"), std::string::npos);
}

TEST_F(BadLevelProcessTest, infoListsEveryProblemAndExitsOne) {
    LevelDescription description = tinyLevel();
    description.nodes[0].front = 0;
    description.leafFaces[3] = -7;
    description.visibility = {3, 2, {0xff, 0xff, 0x03, 0x00, 0x07, 0x00}};
    const std::string level = writeLevelFile("bad.bsp", description);
    const ProcessResult result = run(kInfoTool + " " + level);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.out.find("  13  faces"), std::string::npos) << result.out;
    // Rows 0 and 2 see both others, row 1 sees one of its two: 5/6 on average. The bits past the
    // third cluster in row 0 stand for no cluster and are not counted.
    EXPECT_NE(result.out.find("visibility: 3 clusters, 2 bytes per cluster, each cluster sees "
                              "83.3% of the other clusters on average\n"),
              std::string::npos)
        << result.out;
    EXPECT_NE(result.out.find("validation: 2 problems\n" + level +
                              ": node 0 has front child node 0 but it is the root: the node tree "
                              "has a loop or a shared child\n" +
                              level + ": leaf face 3 names face -7 but the level has 3 faces\n"),
              std::string::npos)
        << result.out;

    const ProcessResult missing = run(kInfoTool + " " + (folder / "absent.bsp").string());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find((folder / "absent.bsp").string() + ": cannot open level file"),
              std::string::npos)
        << missing.out;
}

TEST_F(BadLevelProcessTest, infoRejectsBadArgumentsWithUsage) {
    for (const char* arguments : {"", " one.bsp two.bsp", " --frobnicate one.bsp"}) {
        const ProcessResult result = run(kInfoTool + arguments);
        EXPECT_EQ(result.status, 2) << arguments;
        EXPECT_NE(result.err.find("Usage: velmora-info [OPTIONS] LEVEL"), std::string::npos)
            << result.err;
        EXPECT_TRUE(result.out.empty()) << result.out;
    }
}

TEST_F(BadLevelProcessTest, fileOfAnotherKindIsOneProblemForInfoAndTheViewer) {
    // A sound file of another format: the version field reads "0000" as a number.
    const fs::path other = folder / "sound.wav";
    std::ofstream(other, std::ios::binary) << "RIFF0000WAVEfmt " << std::string(400, '\x01');
    const std::string kProblem =
        other.string() + ": not an IBSP version 46 level: magic 'RIFF', version 808464432\n";

    const ProcessResult info = run(kInfoTool + " " + other.string());
    EXPECT_EQ(info.status, 1) << info.err;
    EXPECT_NE(info.out.find("validation: 1 problem\n" + kProblem), std::string::npos) << info.out;
    EXPECT_EQ(info.err, "magic: RIFF\nversion: 808464432\n");

    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "the viewer needs an X display";
    }
    const fs::path config = folder / "other.cfg";
    std::ofstream(config) << "width = 320\nheight = 240\nlevel = " << other.string() << "\n";
    const ProcessResult viewer =
        run(std::string(VELMORA_BINARY_DIR) + "/velmora " + config.string());
    EXPECT_EQ(viewer.status, 1) << viewer.err;
    const std::string transcript =
        "level name:" + other.string() + "\nmagic: RIFF\nversion: 808464432\n" + kProblem;
    ASSERT_GE(viewer.err.size(), transcript.size()) << viewer.err;
    EXPECT_EQ(viewer.err.substr(viewer.err.size() - transcript.size()), transcript);
}

TEST_F(BadLevelProcessTest, viewerExitsOneWithTheProblemsBeforeTheFirstFrame) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "the viewer needs an X display";
    }
    LevelDescription description = tinyLevel();
    description.nodes[0].front = 0;
    description.visibility = {0x7fffffff, 0x7fffffff, {}};
    const std::string level = writeLevelFile("bad.bsp", description);
    const fs::path config = folder / "bad.cfg";
    std::ofstream(config) << "width = 320\nheight = 240\ndatapath = " << folder.string()
                          << "/\nlevel = " << level << "\nlights = none\n";

    const ProcessResult result =
        run(std::string(VELMORA_BINARY_DIR) + "/velmora " + config.string());
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("loading visibility data... done \n"), std::string::npos);
    EXPECT_NE(result.err.find(level + ": visibility data claims 2147483647 clusters of "
                                      "2147483647 bytes"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find(level + ": node 0 has front child node 0 but it is the root"),
              std::string::npos)
        << result.err;
    // Rejected before the sky was set up, so before any frame.
    EXPECT_EQ(result.err.find("SKYBOX"), std::string::npos) << result.err;
}

}  // namespace
