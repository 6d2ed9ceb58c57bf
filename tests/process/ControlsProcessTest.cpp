// The viewer's mouse look and screenshot key with real X input: a left-button drag turns the
// picture the way the drag says, `p` writes PNGs of the window's size, and a screenshot that
// cannot be written costs one line and the viewer goes on.
#include <gtest/gtest.h>
#include <png.h>

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
constexpr int kWidth = 320;
constexpr int kHeight = 240;
// Rows from the top that show the level, above the overlay line at the bottom.
constexpr int kSceneRows = 170;

// Room A of the sample level, looking north at the door and the arched corridor behind it.
std::string roomAConfig() {
    const std::string path = testing::TempDir() + "velmora_controls_viewer.cfg";
    std::ofstream(path) << "width = " << kWidth << "\nheight = " << kHeight
                        << "\ndatapath = " << kSampleDir << "\nlevel = " << kSampleLevel
                        << "\nstart_vec = 256 64 -128\n";
    return path;
}

// A viewer started in directory, so its screenshots land there.
std::vector<std::string> viewerIn(const std::string& directory) {
    return {"sh", "-c", "cd \"$0\" && exec \"$1\" \"$2\"", directory, kViewer, roomAConfig()};
}

// Runs xdotool with args and waits until the viewer's error stream holds count lines that start
// with prefix; returns the last such line ("" when none came within the limit).
std::string actAndAwait(ChildProcess& viewer, const std::vector<std::string>& args,
                        const std::string& prefix, std::size_t count) {
    std::vector<std::string> command = {"xdotool"};
    command.insert(command.end(), args.begin(), args.end());
    const ChildOutcome acted = runProgram(command, 10s);
    EXPECT_EQ(acted.exitStatus, 0) << acted.err;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<std::string> matching;
        for (const std::string& line : linesOf(viewer.errorText())) {
            if (line.rfind(prefix, 0) == 0) {
                matching.push_back(line);
            }
        }
        if (matching.size() >= count) {
            return matching[count - 1];
        }
        std::this_thread::sleep_for(100ms);
    }
    return "";
}

struct Picture {
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    std::vector<png_byte> grey;  // top row first

    int at(int x, int y) const { return grey[std::size_t(y) * width + x]; }
};

Picture readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    Picture picture;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
        return picture;
    }
    image.format = PNG_FORMAT_GRAY;
    picture.width = image.width;
    picture.height = image.height;
    picture.grey.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, picture.grey.data(), 0, nullptr) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
    }
    return picture;
}

// The displacement (dx, dy) within +-limit along one axis that best carries before's scene rows
// onto after's: the mean absolute difference over the overlap is smallest there.
int bestShift(const Picture& before, const Picture& after, bool horizontal, int limit) {
    int best = 0;
    double bestScore = 1e300;
    for (int shift = -limit; shift <= limit; ++shift) {
        double sum = 0;
        long count = 0;
        for (int y = 0; y < kSceneRows; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                const int toX = horizontal ? x + shift : x;
                const int toY = horizontal ? y : y + shift;
                if (toX < 0 || toX >= kWidth || toY < 0 || toY >= kSceneRows) {
                    continue;
                }
                sum += std::abs(before.at(x, y) - after.at(toX, toY));
                ++count;
            }
        }
        if (count > 0 && sum / count < bestScore) {
            bestScore = sum / count;
            best = shift;
        }
    }
    return best;
}

bool canRun() {
    return std::getenv("DISPLAY") != nullptr && std::filesystem::exists(kSampleLevel);
}

}  // namespace

TEST(ControlsProcessTest, dragsTurnThePictureAndScreenshotsMatchTheWindow) {
    if (!canRun()) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    const std::filesystem::path directory = testing::TempDir() + "velmora_controls_shots";
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);

    ChildProcess viewer(viewerIn(directory.string()));
    const std::string window = findViewerWindow(viewer, 30s);
    ASSERT_FALSE(window.empty()) << "no window appeared; standard error:\n" << viewer.errorText();
    const std::vector<std::string> focus = {"windowfocus", "--sync", window};
    auto shotAfter = [&](std::vector<std::string> input, std::size_t number) {
        input.insert(input.begin(), focus.begin(), focus.end());
        input.insert(input.end(), {"key", "p"});
        const std::string line = actAndAwait(viewer, input, "screenshot ", number);
        EXPECT_FALSE(line.empty()) << "no screenshot line; standard error:\n" << viewer.errorText();
        return line.empty() ? std::string() : line.substr(std::string("screenshot ").size());
    };
    const std::string straight = shotAfter({}, 1);
    // 80 pixels to the right at 0.18 degrees a pixel: 14 degrees of yaw to the right.
    const std::string turned =
        shotAfter({"mousemove", "--window", window, "100", "120", "mousedown", "1", "mousemove",
                   "--window", window, "180", "120", "mouseup", "1"},
                  2);
    // 50 pixels up: 9 degrees of pitch up.
    const std::string raised =
        shotAfter({"mousemove", "--window", window, "160", "150", "mousedown", "1", "mousemove",
                   "--window", window, "160", "100", "mouseup", "1"},
                  3);
    runProgram({"xdotool", "windowfocus", "--sync", window, "key", "Escape"}, 10s);
    const ChildOutcome outcome = viewer.wait(20s);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    ASSERT_FALSE(straight.empty() || turned.empty() || raised.empty());

    for (const std::string& name : {straight, turned, raised}) {
        EXPECT_EQ(name.rfind("velmora-", 0), 0u) << name;
        EXPECT_EQ(std::filesystem::path(name).extension(), ".png") << name;
    }
    EXPECT_NE(straight, turned) << "no shot overwrites another";
    const Picture before = readPng((directory / straight).string());
    const Picture right = readPng((directory / turned).string());
    const Picture up = readPng((directory / raised).string());
    for (const Picture* picture : {&before, &right, &up}) {
        EXPECT_EQ(picture->width, png_uint_32(kWidth));
        EXPECT_EQ(picture->height, png_uint_32(kHeight));
    }
    ASSERT_EQ(before.grey.size(), right.grey.size());
    ASSERT_EQ(before.grey.size(), up.grey.size());
    // Focal length 120 / tan(22.5 degrees) = 290 pixels: a 14 degree turn carries the middle of
    // the picture about 72 pixels left, then 9 degrees up carry it about 46 pixels down.
    const int sideways = bestShift(before, right, true, 120);
    EXPECT_LT(sideways, -55);
    EXPECT_GT(sideways, -90);
    const int downwards = bestShift(right, up, false, 80);
    EXPECT_GT(downwards, 30);
    EXPECT_LT(downwards, 60);
    std::filesystem::remove_all(directory);
}

TEST(ControlsProcessTest, unwritableScreenshotIsOneLineAndTheViewerGoesOn) {
    if (!canRun()) {
        GTEST_SKIP() << "no X display or no sample level";
    }
    // Nobody, not even root, creates files in /proc.
    ChildProcess viewer(viewerIn("/proc"));
    const std::string window = findViewerWindow(viewer, 30s);
    ASSERT_FALSE(window.empty()) << "no window appeared; standard error:\n" << viewer.errorText();
    const std::string line =
        actAndAwait(viewer, {"windowfocus", "--sync", window, "key", "p"}, "velmora-", 1);
    EXPECT_NE(line.find(": cannot write the screenshot: "), std::string::npos) << line;
    runProgram({"xdotool", "windowfocus", "--sync", window, "key", "Escape"}, 10s);
    const ChildOutcome outcome = viewer.wait(20s);
    ASSERT_FALSE(outcome.timedOut) << "the viewer stopped answering after the failed shot";
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
}
