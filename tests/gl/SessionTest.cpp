// The session as the owner of what lives longer than one level: a restart starts from the
// configuration, a level that is not sound is dropped while the one shown stays, and every level
// of a session shares one opening of the data path's archives.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "SampleSession.h"
#include "app/Viewer.h"
#include "app/ViewOptions.h"
#include "generators/AssetFiles.h"
#include "generators/FixtureLevels.h"
#include "generators/LevelWriter.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"

namespace {

constexpr int kWheelUp = 3;

class SessionTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kSampleSessionLevel)) {
            GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
        }
    }
};

int firstPatchLevel(const BSPMap& level) {
    for (const Face& face : level.getFaces()) {
        if (!face.patches.empty()) {
            return face.patches.front().getTessLevel();
        }
    }
    return 0;
}

std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

}  // namespace

TEST_F(SessionTest, aSessionStartedAgainStartsFromItsConfiguration) {
    ViewerConfig config = sampleSessionConfig(kSampleInRoomA);
    config.lightmaps = true;
    config.speed = 2.0f;
    auto session = startSampleSession(config);
    const std::vector<unsigned char> atStart = sessionFrameAt(*session, kSampleInRoomA, 0);
    for (unsigned char key : {'>', '>', 'm', 'c', 'f', 'l', 't'}) {
        keyboard(key, 0, 0);
    }
    mouseButton(kWheelUp, GLUT_DOWN, 0, 0);
    ASSERT_NE(sessionFrameAt(*session, kSampleInRoomA, 0), atStart);
    session.reset();

    session = startSampleSession(config);
    EXPECT_EQ(patchLevel, kInitialPatchLevel);
    EXPECT_EQ(firstPatchLevel(session->getLevel()), kInitialPatchLevel);
    EXPECT_TRUE(lightingEnabled);
    EXPECT_FALSE(texturesEnabled);
    const ViewOptions& options = session->getOptions();
    EXPECT_TRUE(options.litView);
    EXPECT_FALSE(options.clusterColours);
    EXPECT_FALSE(options.cullingFrozen);
    EXPECT_FLOAT_EQ(camera->getSpeedFactor(), 2.0f);
    EXPECT_EQ(sessionFrameAt(*session, kSampleInRoomA, 0), atStart);
}

TEST_F(SessionTest, aLevelThatIsNotSoundIsDroppedAndTheLevelShownStays) {
    auto session = startSampleSession(kSampleInRoomA);
    const std::vector<unsigned char> before = sessionFrameAt(*session, kSampleInRoomA, 0);
    const ScratchFolder folder("session-reload");
    std::vector<std::uint8_t> bytes = readBytes(kSampleSessionLevel);
    const std::string cut = (folder.path() / "cut.bsp").string();
    writeBytes(cut, std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2));

    testing::internal::CaptureStderr();
    EXPECT_FALSE(session->loadLevel(cut));
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find(cut + ": lump "), std::string::npos) << report;
    EXPECT_EQ(session->getLevel().getLevelFile(), kSampleSessionLevel);
    EXPECT_EQ(sessionFrameAt(*session, kSampleInRoomA, 0), before);

    const std::string copy = (folder.path() / "copy.bsp").string();
    writeBytes(copy, bytes);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(session->loadLevel(copy));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(session->getLevel().getLevelFile(), copy);
    EXPECT_EQ(session->getLevel().getCamera(), camera) << "the new level takes the camera";
    EXPECT_EQ(sessionFrameAt(*session, kSampleInRoomA, 0), before);
}

TEST_F(SessionTest, everyLevelOfASessionSharesOneOpeningOfTheArchives) {
    const ScratchFolder data("session-archives");
    writeBytes(data.path() / "levels.pk3", makeZip({{"maps/tiny.bsp", writeLevel(tinyLevel())}}));
    writeBytes(data.path() / "noise.pk3", std::vector<std::uint8_t>(64, 'x'));
    ViewerConfig config;
    config.dataPath = data.dataPath();
    config.levelFile = "maps/tiny.bsp";
    ViewerSession session(config);
    session.useCurrentWindow();

    testing::internal::CaptureStderr();
    EXPECT_TRUE(session.loadLevel());
    EXPECT_TRUE(session.loadLevel());
    const std::string transcript = testing::internal::GetCapturedStderr();
    EXPECT_EQ(countOf(transcript, "noise.pk3: not a readable zip archive"), 1u) << transcript;
    EXPECT_EQ(countOf(transcript, "magic: IBSP"), 2u);
}

TEST_F(SessionTest, aLevelOpenedAtAPoseStartsTheEyeThereInsteadOfAtTheSpawn) {
    std::vector<std::string> arguments = {
        "velmora", kSampleSessionLevel, "--data", kSampleSessionDir, "--at", "1280,64,-960,90,10"};
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    testing::internal::CaptureStderr();
    std::optional<ViewerConfig> config =
        ViewerSession::fromCommandLine(int(argv.size()), argv.data());
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(config.has_value());
    EXPECT_FALSE(config->startAtFirstSpawn);
    config->textures = false;
    auto session = startSampleSession(*config);
    // The overlay's X, Y and Z are the camera's position.
    EXPECT_EQ(camera->getPosition().getX(), 1280.0f);
    EXPECT_EQ(camera->getPosition().getY(), 64.0f);
    EXPECT_EQ(camera->getPosition().getZ(), -960.0f);
    session->drawFrame(0.0f);
    const std::vector<unsigned char> atStart = readWindowPixels();
    session->placeEye(kSampleInRoomB, 90, 10.0f);
    session->drawFrame(0.0f);
    EXPECT_EQ(readWindowPixels(), atStart);
    EXPECT_NE(sessionFrameAt(*session, kSampleInRoomB, 0), atStart);
}
