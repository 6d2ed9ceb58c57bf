// The session's reload in a real window: a sound file takes the place of the level shown with
// the eye, the fly speed, the patch level and the view switches kept, and draws the same picture;
// a file cut short leaves the level shown in place, drawn as before; a level read by name from an
// archive is read from the archive alone, watches it and is read afresh from it when it is
// rewritten; a reload decodes only the face images whose files changed.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "SampleSession.h"
#include "WallLevel.h"
#include "app/LevelOpening.h"
#include "app/ViewOptions.h"
#include "app/Viewer.h"
#include "generators/AssetFiles.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/LevelViews.h"

namespace {

constexpr int kWheelUp = 3;

std::vector<unsigned char> frame(ViewerSession& session) {
    session.drawFrame(0.0f);
    return readWindowPixels();
}

int firstPatchLevel(const BSPMap& level) {
    for (const Face& face : level.getFaces()) {
        if (!face.patches.empty()) {
            return face.patches.front().getTessLevel();
        }
    }
    return 0;
}

// A wall straight ahead of a camera at the origin drawn with a loose image, and one to its right
// whose image, in an archive, is cut short.
LevelDescription paintedWalls() {
    LevelDescription level;
    level.textures = {{"textures/test/paint", 0, 1}, {"textures/test/broken", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 2, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0, 1};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-40, 40, -40, 40, 200, 0, 0, white});
    addQuad(level, {60, 140, -40, 40, 200, 0, 1, white});
    level.models = {{{-40, 0, -40}, {140, 200, 40}, 0, 2, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    level.lightmaps = uniformPage(60, 60, 60);
    return level;
}

// The image file rewritten as one solid colour, dated later than before: a quick rewrite may
// otherwise keep the size and, on a coarse clock, the time.
void paint(const std::filesystem::path& file, std::vector<std::uint8_t> colour) {
    const bool existed = std::filesystem::exists(file);
    const auto before = existed ? std::filesystem::last_write_time(file)
                                : std::filesystem::file_time_type::clock::now();
    writeBytes(file, solidTga(8, 8, std::move(colour)));
    std::filesystem::last_write_time(file, before + std::chrono::seconds(2));
}

Rgb centreAfterFrame(ViewerSession& session) {
    return pixelAt(frame(session), kGlTestWindowWidth / 2, kGlTestWindowHeight / 2);
}

int imageDecodes(ViewerSession& session) {
    return session.getLevel().views().getFaceTextures()->images().stats().decodes;
}

}  // namespace

TEST(ReloadSessionTest, aReloadDecodesOnlyTheImagesWhoseFilesChanged) {
    ScratchFolder data("reload-images");
    writeBytes(data.path() / "maps/walls.bsp", writeLevel(paintedWalls()));
    const std::filesystem::path image = data.path() / "textures/test/paint.tga";
    paint(image, {0, 200, 0});
    std::vector<std::uint8_t> broken = solidTga(8, 8, {200, 0, 0});
    broken.resize(18 + 30);
    writeBytes(data.path() / "walls.pk3", makeZip({{"textures/test/broken.tga", broken}}));
    const ViewerConfig config =
        materialViewConfig(data.dataPath(), (data.path() / "maps/walls.bsp").string());
    testing::internal::CaptureStderr();
    auto session = startSampleSession(config);
    const std::string started = testing::internal::GetCapturedStderr();
    const std::string brokenLine = "walls.pk3:textures/test/broken.tga: truncated";
    EXPECT_NE(started.find(brokenLine), std::string::npos) << started;
    const Rgb green = centreAfterFrame(*session);
    EXPECT_GT(green[1], green[0] + 40);
    const int decodedAtStart = imageDecodes(*session);

    // Nothing changed: every image, the broken one too, is the one decoded before.
    for (int reload = 0; reload < 2; ++reload) {
        testing::internal::CaptureStderr();
        ASSERT_TRUE(session->reloadLevel());
        const std::string said = testing::internal::GetCapturedStderr();
        EXPECT_EQ(said.find(brokenLine), std::string::npos) << said;
        EXPECT_EQ(imageDecodes(*session), decodedAtStart);
        EXPECT_EQ(centreAfterFrame(*session), green);
    }

    paint(image, {200, 0, 0});
    testing::internal::CaptureStderr();
    ASSERT_TRUE(session->reloadLevel());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(said.find(brokenLine), std::string::npos) << said;
    EXPECT_EQ(imageDecodes(*session), decodedAtStart + 1);
    const Rgb red = centreAfterFrame(*session);
    EXPECT_GT(red[0], red[1] + 40);
    session->shutDown();
}

TEST(ReloadSessionTest, aReloadAfterTSwitchedImagesOffDecodesNoneAndTShowsTheNewOnes) {
    ScratchFolder data("reload-switch");
    writeBytes(data.path() / "maps/walls.bsp", writeLevel(paintedWalls()));
    const std::filesystem::path image = data.path() / "textures/test/paint.tga";
    paint(image, {0, 200, 0});
    const ViewerConfig config =
        materialViewConfig(data.dataPath(), (data.path() / "maps/walls.bsp").string());
    testing::internal::CaptureStderr();
    auto session = startSampleSession(config);
    keyboard('t', 0, 0);
    paint(image, {200, 0, 0});
    ASSERT_TRUE(session->reloadLevel());
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(session->getLevel().views().getFaceTextures(), nullptr);
    keyboard('t', 0, 0);
    const Rgb red = centreAfterFrame(*session);
    EXPECT_GT(red[0], red[1] + 40);
    session->shutDown();
}

TEST(ReloadSessionTest, soundReloadKeepsPoseSpeedPatchLevelAndSwitchesAndABadOneKeepsTheLevel) {
    if (!std::filesystem::exists(kSampleSessionLevel)) {
        GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
    }
    ScratchFolder folder("reload-session");
    const std::filesystem::path copy = folder.path() / "maps/sample.bsp";
    const std::vector<std::uint8_t> bytes = readBytes(kSampleSessionLevel);
    writeBytes(copy, bytes);
    ViewerConfig config = sampleSessionConfig(kSampleInRoomA);
    config.levelFile = copy.string();
    auto session = startSampleSession(config);
    for (const unsigned char key : {'>', '>', '>', 'm', 'c'}) {
        keyboard(key, 0, 0);
    }
    mouseButton(kWheelUp, GLUT_DOWN, 0, 0);
    session->placeEye(Point(300, 70, -200), 17, 12.0f);
    const std::vector<unsigned char> before = frame(*session);
    const BSPMap* shown = &session->getLevel();

    testing::internal::CaptureStderr();
    ASSERT_TRUE(session->reloadLevel());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("reloaded " + copy.string() + ": "), std::string::npos) << said;
    EXPECT_EQ(said.find("dir_entry"), std::string::npos) << "no loading transcript: " << said;
    EXPECT_NE(&session->getLevel(), shown);
    const Camera& eye = session->getCamera();
    EXPECT_EQ(eye.getPosition().getX(), 300.0f);
    EXPECT_EQ(eye.getPosition().getY(), 70.0f);
    EXPECT_EQ(eye.getPosition().getZ(), -200.0f);
    EXPECT_EQ(eye.getYaw(), 17);
    EXPECT_EQ(eye.getPitch(), 12.0f);
    EXPECT_FLOAT_EQ(eye.getSpeedFactor(), kSpeedFactorStep);
    EXPECT_EQ(patchLevel, kInitialPatchLevel + 3);
    EXPECT_EQ(firstPatchLevel(session->getLevel()), kInitialPatchLevel + 3);
    EXPECT_TRUE(session->getOptions().litView);
    EXPECT_TRUE(session->getOptions().clusterColours);
    EXPECT_EQ(frame(*session), before);

    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 3);
    writeBytes(copy, cut);
    shown = &session->getLevel();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(session->reloadLevel());
    const std::string refused = testing::internal::GetCapturedStderr();
    EXPECT_NE(refused.find(copy.string() + ": kept the level loaded before\n"), std::string::npos)
        << refused;
    EXPECT_EQ(&session->getLevel(), shown);
    EXPECT_EQ(frame(*session), before);
    session->shutDown();
}

TEST(ReloadSessionTest, aLevelByNameFromAnArchiveIsReadAfreshWhenTheArchiveIsRewritten) {
    if (!std::filesystem::exists(kSampleSessionLevel)) {
        GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
    }
    ScratchFolder folder("reload-archive");
    const std::vector<std::uint8_t> bytes = readBytes(kSampleSessionLevel);
    const std::filesystem::path archive = folder.path() / "pak0.pk3";
    writeBytes(archive, makeZip({{"maps/sample.bsp", bytes}}));
    ViewerConfig config =
        levelConfig(LaunchRequest{LaunchForm::kLevelName, "sample", {}}, {folder.dataPath()});
    config.textures = false;
    // A file of the same name under the working directory is not the data folders' level.
    ScratchFolder decoy("reload-decoy");
    writeBytes(decoy.path() / "maps/sample.bsp", {1, 2, 3});
    const std::filesystem::path workingFolder = std::filesystem::current_path();
    std::filesystem::current_path(decoy.path());
    auto session = startSampleSession(config);
    std::filesystem::current_path(workingFolder);
    ASSERT_NE(bspMap, nullptr);
    EXPECT_EQ(session->watchedFile(), archive.string());

    // The level cut short, then whole again but laid out anew: a store that kept the old
    // directory would look for the entry where it no longer is.
    writeBytes(archive, makeZip({{"maps/sample.bsp",
                                  std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 100)}}));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(session->reloadLevel());
    const std::string refused = testing::internal::GetCapturedStderr();
    EXPECT_NE(refused.find("pak0.pk3:maps/sample.bsp: kept the level loaded before\n"),
              std::string::npos)
        << refused;
    writeBytes(archive, makeZip({{"readme.txt", {1, 2, 3}}, {"maps/sample.bsp", bytes}}, false));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(session->reloadLevel());
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("reloaded pak0.pk3:maps/sample.bsp: "), std::string::npos) << said;
    session->shutDown();
}
