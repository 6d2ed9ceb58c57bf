// velmora-bench as a person runs it: bad arguments get the usage and status 2, and a run on the
// sample level prints its table and writes every figure, consistent with the level, as JSON.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "process/ChildProcess.h"

namespace {

using namespace std::chrono_literals;

const std::string kBench = VELMORA_BINARY_DIR "/velmora-bench";
const std::string kSampleDir = VELMORA_BINARY_DIR "/sample/";
const std::string kSampleLevel = VELMORA_BINARY_DIR "/sample/maps/sample.bsp";
constexpr char kUsage[] =
    "usage: velmora-bench CONFIG [--spots N] [--both-views] [--time SECONDS] [--json FILE] "
    "[--entities] [--brush-entities]\n";

void expectUsageError(const std::vector<std::string>& argv) {
    const ChildOutcome outcome = runProgram(argv, 20s);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 2);
    EXPECT_EQ(outcome.err.rfind(kUsage, 0), 0u) << outcome.err;
}

}  // namespace

TEST(BenchProcessTest, badArgumentsPrintTheUsageAndExitWithTwo) {
    expectUsageError({kBench});
    expectUsageError({kBench, "a.cfg", "--spots", "0"});
    expectUsageError({kBench, "a.cfg", "--spots", "many"});
    expectUsageError({kBench, "a.cfg", "--json"});
    expectUsageError({kBench, "a.cfg", "--frames", "3"});
}

TEST(BenchProcessTest, sampleRunPrintsItsTableAndWritesEveryFigure) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display";
    }
    if (!std::filesystem::exists(kSampleLevel)) {
        GTEST_SKIP() << kSampleLevel << " has not been generated";
    }
    const std::string configPath = testing::TempDir() + "velmora_bench_sample.cfg";
    const std::string jsonPath = testing::TempDir() + "velmora_bench_sample.json";
    std::filesystem::remove(jsonPath);
    std::ofstream(configPath) << "width = 320\nheight = 240\ndatapath = " << kSampleDir
                              << "\nlevel = " << kSampleLevel
                              << "\nlights = lights.txt\nstart_vec = 256 64 -128\n";

    const ChildOutcome outcome = runProgram(
        {kBench, configPath, "--spots", "1", "--brush-entities", "--json", jsonPath}, 120s);
    ASSERT_FALSE(outcome.timedOut);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_NE(outcome.out.find("frames per second"), std::string::npos) << outcome.out;
    EXPECT_NE(outcome.err.find("SKYBOX DONE"), std::string::npos) << outcome.err;

    const nlohmann::json figures = nlohmann::json::parse(std::ifstream(jsonPath));
    EXPECT_EQ(figures["width"], 320);
    EXPECT_EQ(figures["height"], 240);
    // One spot, a full circle in 2 degree steps.
    EXPECT_EQ(figures["frames"], 180);
    // The sample level's four patches, 21 x 21 vertices each at level 20.
    EXPECT_EQ(figures["patches"], 4);
    EXPECT_EQ(figures["patch_vertices_at_20"], 4 * 441);
    // Every jump and the walk of key presses really re-tessellated: four patches take measurable
    // time, so a zero or a missing figure means the step was skipped.
    for (const char* level : {"20_first", "20", "2", "10", "step_max"}) {
        ASSERT_TRUE(figures["retessellate_ms"].contains(level)) << level;
        ASSERT_TRUE(figures["retessellate_ms"][level].is_number()) << level;
        EXPECT_GT(figures["retessellate_ms"][level].get<double>(), 0.0) << level;
    }
    for (const char* figure : {"visibility_ms", "frame_ms"}) {
        EXPECT_LE(figures[figure]["median"].get<double>(), figures[figure]["p95"].get<double>())
            << figure;
    }
    EXPECT_GT(figures["visible_faces"]["max"].get<double>(), 0.0);
    EXPECT_LE(figures["visible_faces"]["median"].get<double>(),
              figures["visible_faces"]["max"].get<double>());
    for (const char* figure : {"read_ms", "load_ms", "sky_ms", "fps", "empty_frame_ms",
                               "peak_rss_at_start_mb", "peak_rss_mb", "reload_ms", "reload_load_ms",
                               "reload_show_ms", "brush_to_plain_frame_ratio"}) {
        EXPECT_GT(figures[figure].get<double>(), 0.0) << figure;
    }
    // The reload is its two parts and the line that says so.
    EXPECT_GE(figures["reload_ms"].get<double>(),
              figures["reload_load_ms"].get<double>() + figures["reload_show_ms"].get<double>());
    EXPECT_NE(outcome.err.find("reloaded "), std::string::npos) << outcome.err;
}
