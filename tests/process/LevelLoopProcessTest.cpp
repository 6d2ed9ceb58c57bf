// A level maker's loop against the real viewer: a level opened by path starts at its first spawn,
// n goes to the next one, a rewritten level is reloaded with the eye where it was, a truncated one
// is named and the old level stays on screen, and ESC still ends the viewer with status 0.
#include <gtest/gtest.h>
#include <png.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "ChildProcess.h"
#include "ViewerWindow.h"
#include "generators/AssetFiles.h"
#include "generators/FixtureLevels.h"
#include "generators/LevelWriter.h"
#include "texture/LightmapPages.h"

namespace {

using namespace std::chrono_literals;

const std::string kViewer = VELMORA_BINARY_DIR "/velmora";
constexpr float kWallDistance = 200.0f;

// A wall seen from both sides, four corners in file axes.
void addWall(LevelDescription& level, const std::array<std::array<float, 3>, 4>& corners,
             std::int32_t texture) {
    for (const bool reversed : {false, true}) {
        const auto first = static_cast<std::int32_t>(level.vertices.size());
        for (const auto& corner : corners) {
            level.vertices.push_back(vertexAt(corner[0], corner[1], corner[2]));
            level.vertices.back().color = {255, 255, 255, 255};
        }
        RawFace face = faceOf(1, first, 4, static_cast<std::int32_t>(level.meshVertices.size()), 6);
        face.texture = texture;
        face.lightmap = kNoLightmap;
        level.faces.push_back(face);
        const std::initializer_list<std::int32_t> order = {0, 1, 2, 0, 2, 3};
        const std::initializer_list<std::int32_t> back = {0, 2, 1, 0, 3, 2};
        level.meshVertices.insert(level.meshVertices.end(), reversed ? back : order);
    }
}

// A red wall along file +x and a blue one along +y of two spawns at the origin, the first facing
// +x (angle 0) and the second +y (angle 90); with more, a green wall behind the eye as well.
LevelDescription loopLevel(bool withGreenWall) {
    LevelDescription level;
    level.entityText =
        "{\"classname\" \"worldspawn\"}"
        "{\"classname\" \"info_player_deathmatch\" \"origin\" \"0 0 0\"}"
        "{\"classname\" \"info_player_deathmatch\" \"origin\" \"0 0 0\" \"angle\" \"90\"}";
    level.textures = {
        {"textures/test/red", 0, 1}, {"textures/test/blue", 0, 1}, {"textures/test/green", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -2000, -2000}, {2000, 2000, 2000}}};
    const float d = kWallDistance;
    addWall(level, {{{d, -300, -300}, {d, -300, 300}, {d, 300, 300}, {d, 300, -300}}}, 0);
    addWall(level, {{{-300, d, -300}, {-300, d, 300}, {300, d, 300}, {300, d, -300}}}, 1);
    if (withGreenWall) {
        addWall(level, {{{-d, -300, -300}, {-d, -300, 300}, {-d, 300, 300}, {-d, 300, -300}}}, 2);
    }
    const auto faceCount = static_cast<std::int32_t>(level.faces.size());
    level.leaves = {{0, 0, {-10000, -2000, -2000}, {2000, 2000, 2000}, 0, faceCount, 0, 0},
                    {0, 0, {-10001, -2000, -2000}, {-10000, 2000, 2000}, 0, 0, 0, 0}};
    for (std::int32_t face = 0; face < faceCount; ++face) {
        level.leafFaces.push_back(face);
    }
    level.models = {{{-2000, -2000, -2000}, {2000, 2000, 2000}, 0, faceCount, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    return level;
}

struct Rgb {
    int red = 0, green = 0, blue = 0;
};

// The picture's pixels as RGB, top row first.
std::vector<png_byte> readRgb(const std::string& path, png_uint_32& width, png_uint_32& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<png_byte> pixels;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
        return pixels;
    }
    image.format = PNG_FORMAT_RGB;
    width = image.width;
    height = image.height;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        ADD_FAILURE() << path << ": " << image.message;
    }
    return pixels;
}

// The viewer at work in a folder, its screenshots landing there.
class LoopedViewer {
public:
    LoopedViewer(const std::filesystem::path& folder, const std::string& level)
        : directory(folder),
          viewer({"sh", "-c", "cd \"$0\" && exec \"$1\" \"$2\" --data \"$0\"", folder.string(),
                  kViewer, level}) {
        window = findViewerWindow(viewer, 30s);
    }

    ChildProcess& process() { return viewer; }
    bool hasWindow() const { return !window.empty(); }

    // Presses keys (none: only waits) and waits for the count-th line that starts with prefix.
    std::string pressAndAwait(const std::vector<std::string>& keys, const std::string& prefix,
                              std::size_t count) {
        if (!keys.empty()) {
            std::vector<std::string> command = {"xdotool", "windowfocus", "--sync", window, "key"};
            command.insert(command.end(), keys.begin(), keys.end());
            EXPECT_EQ(runProgram(command, 10s).exitStatus, 0);
        }
        const auto deadline = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < deadline) {
            std::size_t seen = 0;
            for (const std::string& line : linesOf(viewer.errorText())) {
                if (line.rfind(prefix, 0) == 0 && ++seen == count) {
                    return line;
                }
            }
            std::this_thread::sleep_for(100ms);
        }
        ADD_FAILURE() << "no line " << count << " starting " << prefix << "; standard error:\n"
                      << viewer.errorText();
        return "";
    }

    // A screenshot's scene (the rows above the overlay line).
    std::vector<png_byte> scene(std::size_t number) {
        const std::string line = pressAndAwait({"p"}, "screenshot ", number);
        png_uint_32 width = 0;
        png_uint_32 height = 0;
        if (line.empty()) {
            return {};
        }
        std::vector<png_byte> pixels = readRgb(
            (directory / line.substr(std::string("screenshot ").size())).string(), width, height);
        pixels.resize(std::size_t(width) * (height * 3 / 4) * 3);
        sceneWidth = width;
        return pixels;
    }

    Rgb centre(const std::vector<png_byte>& scene) const {
        const std::size_t rows = scene.size() / 3 / sceneWidth;
        const std::size_t at = ((rows / 2) * sceneWidth + sceneWidth / 2) * 3;
        return {scene[at], scene[at + 1], scene[at + 2]};
    }

    void escape() {
        runProgram({"xdotool", "windowfocus", "--sync", window, "key", "Escape"}, 10s);
    }

private:
    std::filesystem::path directory;
    ChildProcess viewer;
    std::string window;
    std::size_t sceneWidth = 1;
};

}  // namespace

TEST(LevelLoopProcessTest, spawnsReloadKeepsThePoseAndABadRewriteKeepsTheOldLevel) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "no X display";
    }
    ScratchFolder folder("level-loop");
    const std::filesystem::path level = folder.path() / "maps/loop.bsp";
    writeBytes(level, writeLevel(loopLevel(false)));
    writeBytes(folder.path() / "textures/test/red.tga", solidTga(8, 8, {255, 0, 0}));
    writeBytes(folder.path() / "textures/test/blue.tga", solidTga(8, 8, {0, 0, 255}));
    writeBytes(folder.path() / "textures/test/green.tga", solidTga(8, 8, {0, 255, 0}));

    LoopedViewer viewer(folder.path(), level.string());
    ASSERT_TRUE(viewer.hasWindow()) << viewer.process().errorText();
    EXPECT_EQ(viewer.pressAndAwait({}, "spawn ", 1),
              "spawn 1 of 2: info_player_deathmatch at 0 26 0");
    const std::vector<png_byte> first = viewer.scene(1);
    EXPECT_EQ(viewer.pressAndAwait({"n"}, "spawn ", 2),
              "spawn 2 of 2: info_player_deathmatch at 0 26 0");
    const std::vector<png_byte> second = viewer.scene(2);
    ASSERT_FALSE(first.empty() || second.empty());
    const Rgb red = viewer.centre(first);
    const Rgb blue = viewer.centre(second);
    EXPECT_GT(red.red, 200) << "spawn 1 faces the red wall along file +x";
    EXPECT_LT(red.blue, 50);
    EXPECT_GT(blue.blue, 200) << "spawn 2 faces the blue wall along file +y";
    EXPECT_LT(blue.red, 50);

    // The rewrite adds a wall behind the eye: the picture stays as it was, pose and all.
    writeBytes(level, writeLevel(loopLevel(true)));
    EXPECT_EQ(viewer.pressAndAwait({}, "reloaded ", 1),
              "reloaded " + level.string() + ": 6 faces, 0 patches, 2 leaves");
    const std::vector<png_byte> reloaded = viewer.scene(3);
    EXPECT_EQ(reloaded, second) << "the eye moved, or the view changed, with the reload";

    std::vector<std::uint8_t> truncated = writeLevel(loopLevel(true));
    truncated.resize(truncated.size() / 2);
    writeBytes(level, truncated);
    EXPECT_EQ(viewer.pressAndAwait({}, level.string() + ": kept", 1),
              level.string() + ": kept the level loaded before");
    EXPECT_EQ(viewer.scene(4), second) << "the old level is no longer drawn";
    // n still walks the old level's spawns: it is the one in use.
    EXPECT_EQ(viewer.pressAndAwait({"n"}, "spawn ", 3),
              "spawn 1 of 2: info_player_deathmatch at 0 26 0");

    viewer.escape();
    const ChildOutcome outcome = viewer.process().wait(20s);
    ASSERT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.exitStatus, 0) << outcome.err;
    EXPECT_EQ(outcome.err.find("reloaded", outcome.err.find(": kept")), std::string::npos)
        << "the truncated file was reloaded again";
}
