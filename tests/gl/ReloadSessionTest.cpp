// The session's reload in a real window: a sound file takes the place of the level shown with
// the eye, the fly speed, the patch level and the view switches kept, and draws the same picture;
// a file cut short leaves the level shown in place, drawn as before; a level read by name from an
// archive watches the archive and is read afresh from it when it is rewritten.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "SampleSession.h"
#include "app/LevelOpening.h"
#include "app/ViewOptions.h"
#include "app/Viewer.h"
#include "generators/AssetFiles.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"

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

}  // namespace

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
    auto session = startSampleSession(config);
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
