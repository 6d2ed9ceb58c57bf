// velmora-probe with pitched poses against a brute-force gathering: at many random poses the
// probe's leaf, cluster and visible-face count equal what every leaf box tested corner by corner
// against the frustum the pose should have gives.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "level/BSPMap.h"
#include "support/LevelFixtures.h"

namespace {

using namespace std::chrono_literals;

const std::string kProbe = VELMORA_BINARY_DIR "/velmora-probe";
const std::string kSampleDir = VELMORA_BINARY_DIR "/sample/";
const std::string kSampleLevel = VELMORA_BINARY_DIR "/sample/maps/sample.bsp";
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kPoses = 150;
constexpr double kPi = 3.14159265358979323846;

struct Pose {
    double x, y, z;
    int yaw;
    double pitch;
    std::string text;
};

// The faces gathered from pose by the gathering rules, written out plainly: the camera leaf's
// cluster, its PVS, and for each leaf the eight corners of its box in eye coordinates against the
// six planes of a 45 degree, near 1.25, far 5000 perspective; a box is out when all its corners
// are on or outside one plane.
std::size_t bruteForceCount(const BSPMap& level, const Pose& pose) {
    const std::int32_t cluster =
        level.clusterOfLeaf(level.findLeaf(Point(float(pose.x), float(pose.y), float(pose.z))));
    const double yaw = pose.yaw * kPi / 180;
    const double tilt = -pose.pitch * kPi / 180;
    const double tanHalf = std::tan(22.5 * kPi / 180);
    const double tanHalfWide = tanHalf * kWidth / kHeight;
    std::set<std::int32_t> faces;
    for (const Leaf& leaf : level.getLeaves()) {
        if (!level.isClusterVisible(cluster, leaf.cluster)) {
            continue;
        }
        bool outside[6] = {true, true, true, true, true, true};
        for (int corner = 0; corner < 8; ++corner) {
            const double px = (corner & 1 ? leaf.maxs[0] : leaf.mins[0]) - pose.x;
            const double py = (corner & 2 ? leaf.maxs[1] : leaf.mins[1]) - pose.y;
            const double pz = (corner & 4 ? leaf.maxs[2] : leaf.mins[2]) - pose.z;
            // Eye = Rx(-pitch) Ry(yaw) (corner - eye position).
            const double yx = px * std::cos(yaw) + pz * std::sin(yaw);
            const double yz = -px * std::sin(yaw) + pz * std::cos(yaw);
            const double ex = yx;
            const double ey = py * std::cos(tilt) - yz * std::sin(tilt);
            const double depth = -(py * std::sin(tilt) + yz * std::cos(tilt));
            const double values[6] = {tanHalfWide * depth - ex, tanHalfWide * depth + ex,
                                      tanHalf * depth + ey,     tanHalf * depth - ey,
                                      5000.0 - depth,           depth - 1.25};
            for (int plane = 0; plane < 6; ++plane) {
                outside[plane] = outside[plane] && values[plane] <= 0.0;
            }
        }
        bool out = false;
        for (const bool side : outside) {
            out = out || side;
        }
        if (out) {
            continue;
        }
        for (std::int32_t k = 0; k < leaf.numLeafFaces; ++k) {
            faces.insert(level.getLeafFaces()[leaf.firstLeafFace + k]);
        }
    }
    return faces.size();
}

// Random poses inside the box of the level's leaves that hold a cluster, yaw in whole degrees and
// pitch in tenths over the whole range.
std::vector<Pose> randomPoses(const BSPMap& level, unsigned seed) {
    double low[3] = {1e30, 1e30, 1e30};
    double high[3] = {-1e30, -1e30, -1e30};
    for (const Leaf& leaf : level.getLeaves()) {
        if (leaf.cluster < 0) {
            continue;
        }
        for (int axis = 0; axis < 3; ++axis) {
            low[axis] = std::min({low[axis], double(leaf.mins[axis]), double(leaf.maxs[axis])});
            high[axis] = std::max({high[axis], double(leaf.mins[axis]), double(leaf.maxs[axis])});
        }
    }
    std::mt19937 random(seed);
    auto within = [&](int axis) {
        return low[axis] + (high[axis] - low[axis]) * std::generate_canonical<double, 32>(random);
    };
    std::vector<Pose> poses;
    for (int i = 0; i < kPoses; ++i) {
        Pose pose{};
        // Fractions of a unit keep the eye off the integer box faces.
        pose.x = std::round(within(0) * 8) / 8 + 0.0625;
        pose.y = std::round(within(1) * 8) / 8 + 0.0625;
        pose.z = std::round(within(2) * 8) / 8 + 0.0625;
        pose.yaw = static_cast<int>(random() % 719) - 359;
        pose.pitch = (static_cast<int>(random() % 1781) - 890) / 10.0;
        std::ostringstream text;
        text << std::setprecision(12) << pose.x << ',' << pose.y << ',' << pose.z << ',' << pose.yaw
             << ',' << std::fixed << std::setprecision(1) << pose.pitch;
        pose.text = text.str();
        poses.push_back(pose);
    }
    return poses;
}

void expectProbeMatchesBruteForce(const std::string& levelFile, unsigned seed) {
    const TestLevel level(kSampleDir, levelFile, nullptr, nullptr);
    ASSERT_TRUE(level.isSound()) << levelFile;
    const std::vector<Pose> poses = randomPoses(level, seed);

    const std::string config = testing::TempDir() + "velmora_probe_pitch.cfg";
    std::ofstream(config) << "width = " << kWidth << "\nheight = " << kHeight
                          << "\ndatapath = " << kSampleDir << "\nlevel = " << levelFile << "\n";
    std::vector<std::string> command = {kProbe, config};
    std::string expected;
    for (const Pose& pose : poses) {
        command.push_back("--at");
        command.push_back(pose.text);
        const std::int32_t leaf =
            level.findLeaf(Point(float(pose.x), float(pose.y), float(pose.z)));
        expected += "leaf=" + std::to_string(leaf) +
                    " cluster=" + std::to_string(level.clusterOfLeaf(leaf)) +
                    " visible=" + std::to_string(bruteForceCount(level, pose)) + "\n";
    }
    const ChildOutcome outcome = runProgram(command, 150s);
    ASSERT_FALSE(outcome.timedOut);
    ASSERT_EQ(outcome.exitStatus, 0) << outcome.err;
    // Line by line, so a difference names its pose.
    std::istringstream got(outcome.out);
    std::istringstream want(expected);
    std::string gotLine;
    std::string wantLine;
    for (const Pose& pose : poses) {
        std::getline(got, gotLine);
        std::getline(want, wantLine);
        EXPECT_EQ(gotLine, wantLine) << levelFile << " --at " << pose.text;
    }
}

}  // namespace

TEST(ProbePitchProcessTest, pitchedCountsEqualEveryLeafBoxTestedOnTheSampleLevel) {
    if (std::getenv("DISPLAY") == nullptr || !std::filesystem::exists(kSampleLevel)) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    expectProbeMatchesBruteForce(kSampleLevel, 46);
}

TEST(ProbePitchProcessTest, pitchedCountsEqualEveryLeafBoxTestedOnARealLevel) {
    const char* configured = std::getenv("VELMORA_MAPS_DIR");
    const std::filesystem::path level =
        std::filesystem::path(configured ? configured : VELMORA_BINARY_DIR "/openarena-maps") /
        "oa_dm1.bsp";
    if (std::getenv("DISPLAY") == nullptr || !std::filesystem::exists(level)) {
        GTEST_SKIP() << "no X display or no " << level;
    }
    expectProbeMatchesBruteForce(level.string(), 1);
}
