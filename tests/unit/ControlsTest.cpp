// The mouse and inspection controls without a window: pitch and fly speed on the
// camera, mouse-look drags, their configuration keys, cluster colours and the screenshot name.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>

#include "app/Config.h"
#include "app/MouseLook.h"
#include "app/ViewOptions.h"
#include "geometry/Camera.h"
#include "render/ClusterColours.h"
#include "render/ScreenShot.h"
#include "support/LevelFixtures.h"

namespace {

constexpr float kFrame = 0.1f;

Camera cameraAtOrigin() {
    return Camera(Point(0, 0, 0), nullptr);
}

// Where one forward impulse has taken the eye once its glide is over.
Point glideForward(Camera& camera) {
    camera.moveForward();
    for (int frame = 0; frame < 12; ++frame) {
        camera.move(kFrame);
    }
    return camera.getPosition();
}

}  // namespace

TEST(PitchTest, forwardFollowsTheViewAndStrafesStayLevel) {
    Camera level = cameraAtOrigin();
    const Point flat = glideForward(level);

    Camera up = cameraAtOrigin();
    up.setPitch(30.0f);
    const Point climbed = glideForward(up);
    // Same path length, tilted 30 degrees up along the view (yaw 0 looks along -z).
    EXPECT_NEAR(climbed.getY(), -flat.getZ() * std::sin(30 * kDegreesToRadians), 1e-2);
    EXPECT_NEAR(climbed.getZ(), flat.getZ() * std::cos(30 * kDegreesToRadians), 1e-2);
    EXPECT_EQ(climbed.getX(), 0.0f);

    Camera down = cameraAtOrigin();
    down.setPitch(-45.0f);
    down.moveBackward();
    down.move(kFrame);
    EXPECT_GT(down.getPosition().getY(), 0.0f) << "backing away from a downward look rises";

    Camera strafer = cameraAtOrigin();
    strafer.setPitch(60.0f);
    strafer.strafeRight();
    strafer.move(kFrame);
    EXPECT_EQ(strafer.getPosition().getY(), 0.0f);
    EXPECT_NEAR(strafer.getPosition().getX(), 5 * 45 * kFrame, 1e-3);
}

TEST(PitchTest, clampsShortOfStraightUpAndDown) {
    Camera camera = cameraAtOrigin();
    camera.setPitch(120.0f);
    EXPECT_EQ(camera.getPitch(), kMaxPitchDegrees);
    camera.setPitch(-1000.0f);
    EXPECT_EQ(camera.getPitch(), -kMaxPitchDegrees);
    // The heading keeps its length, so forward speed does not depend on the pitch.
    EXPECT_NEAR(camera.getHeading().getLength(), 5.0f, 1e-5f);
}

TEST(FlySpeedTest, wheelNotchesStayWithinBoundsAndRetraceExactly) {
    FlySpeed speed;
    EXPECT_EQ(speed.factor(), 1.0f);
    for (int notch = 0; notch < 30; ++notch) {
        speed.up();
    }
    EXPECT_EQ(speed.factor(), kMaxSpeedFactor);
    // From the top the first notch down is the last step below it, not 8 / 1.25.
    speed.down();
    EXPECT_NEAR(speed.factor(), std::pow(1.25, 9), 1e-5);
    for (int notch = 0; notch < 9; ++notch) {
        speed.down();
    }
    EXPECT_EQ(speed.factor(), 1.0f);
    for (int notch = 0; notch < 30; ++notch) {
        speed.down();
    }
    EXPECT_EQ(speed.factor(), kMinSpeedFactor);
    speed.up();
    EXPECT_NEAR(speed.factor(), std::pow(1.25, -6), 1e-6);

    EXPECT_EQ(FlySpeed(20.0f).factor(), kMaxSpeedFactor);
    Camera camera = cameraAtOrigin();
    camera.setSpeedFactor(0.01f);
    EXPECT_EQ(camera.getSpeedFactor(), kMinSpeedFactor);
}

TEST(FlySpeedTest, factorScalesTheDistanceNotTheSpeedRules) {
    Camera normal = cameraAtOrigin();
    Camera doubled = cameraAtOrigin();
    doubled.setSpeedFactor(2.0f);
    const Point near = glideForward(normal);
    const Point far = glideForward(doubled);
    EXPECT_FLOAT_EQ(far.getZ(), 2 * near.getZ());
    EXPECT_EQ(doubled.getSpeed(), normal.getSpeed());
}

TEST(MouseLookTest, slowDragsAccumulateIntoWholeDegrees) {
    constexpr float kQuarterDegree = 0.25f;
    Camera camera = cameraAtOrigin();
    MouseLook look;
    look.drag(500, 300, kQuarterDegree, camera);
    EXPECT_EQ(camera.getYaw(), 0) << "motion without the button turns nothing";

    look.button(true, 100, 300);
    for (int x = 101; x <= 140; ++x) {
        look.drag(x, 300, kQuarterDegree, camera);
    }
    EXPECT_EQ(camera.getYaw(), 10) << "40 one-pixel steps of a quarter degree";
    for (int x = 139; x >= 100; --x) {
        look.drag(x, 300, kQuarterDegree, camera);
    }
    EXPECT_EQ(camera.getYaw(), 0);
    // Upward motion (smaller rows) looks up.
    look.drag(100, 280, kQuarterDegree, camera);
    EXPECT_EQ(camera.getPitch(), 5.0f);
    look.button(false, 100, 280);
    look.drag(400, 0, kQuarterDegree, camera);
    EXPECT_EQ(camera.getYaw(), 0);
    EXPECT_EQ(camera.getPitch(), 5.0f);
}

TEST(MouseLookTest, fullWidthDragIsAboutHalfATurn) {
    Camera camera = cameraAtOrigin();
    MouseLook look;
    look.button(true, 0, 384);
    look.drag(kDefaultWindowWidth, 384, kDefaultMouseSensitivity, camera);
    EXPECT_GE(camera.getYaw(), 170);
    EXPECT_LE(camera.getYaw(), 190);
}

TEST(ControlsConfigTest, sensitivityAndSpeedAreReadEchoedAndChecked) {
    const std::string path = testing::TempDir() + "velmora_controls.cfg";
    std::ofstream(path) << "width = 640 height = 480\nmouse_sensitivity = 0.5\nspeed = 2\n";
    ViewerConfig config;
    std::ostringstream log;
    ASSERT_TRUE(readConfig(path, config, log));
    EXPECT_EQ(log.str(), "setting 640\nsetting 480\nsetting 0.5\nsetting 2\n");
    EXPECT_EQ(config.mouseSensitivity, 0.5f);
    EXPECT_EQ(config.speed, 2.0f);

    std::ofstream(path) << "width = 640 height = 480\nmouse_sensitivity = -1\nspeed = fast\n";
    ViewerConfig defaults;
    std::ostringstream badLog;
    ASSERT_TRUE(readConfig(path, defaults, badLog));
    EXPECT_NE(badLog.str().find(path + ": mouse_sensitivity must be a positive number, not -1"),
              std::string::npos)
        << badLog.str();
    EXPECT_NE(badLog.str().find(path + ": speed must be a positive number, not fast"),
              std::string::npos);
    EXPECT_EQ(defaults.mouseSensitivity, kDefaultMouseSensitivity);
    EXPECT_EQ(defaults.speed, 1.0f);
}

TEST(ClusterColourTest, neighbouringClustersAreClearlyDifferent) {
    auto distance = [](const ClusterColour& a, const ClusterColour& b) {
        return std::fabs(a.red - b.red) + std::fabs(a.green - b.green) + std::fabs(a.blue - b.blue);
    };
    for (std::int32_t cluster = 0; cluster < 2000; ++cluster) {
        const ClusterColour here = clusterColour(cluster);
        EXPECT_GT(distance(here, clusterColour(cluster + 1)), 0.5f) << cluster;
        for (float channel : {here.red, here.green, here.blue}) {
            EXPECT_GE(channel, 0.0f);
            EXPECT_LE(channel, 1.0f);
        }
    }
    const ClusterColour outside = clusterColour(-1);
    EXPECT_EQ(outside.red, outside.green);
    EXPECT_EQ(outside.green, outside.blue);
}

TEST(ClusterColourTest, sharedFaceTakesTheLowestClusterOfItsLeaves) {
    LevelDescription description = tinyLevel();
    // Face 0 is listed by both leaves; the higher cluster comes first.
    description.leaves[0].cluster = 1;
    description.leaves[1].cluster = 0;
    const auto level = loadLevelBytes(writeLevel(description));
    ASSERT_TRUE(level->isSound());
    EXPECT_EQ(level->clusterOfFace(0), 0);
    EXPECT_EQ(level->clusterOfFace(1), 1);
    EXPECT_EQ(level->clusterOfFace(2), 0);
    EXPECT_EQ(level->clusterOfFace(3), -1) << "no such face";
}

TEST(ScreenShotNameTest, stampedNameWithCopyNumberFromTwo) {
    std::tm time{};
    time.tm_year = 2024 - 1900;
    time.tm_mon = 2;
    time.tm_mday = 7;
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 3;
    EXPECT_EQ(screenShotName(time, 1), "velmora-20240307-090503.png");
    EXPECT_EQ(screenShotName(time, 2), "velmora-20240307-090503-2.png");
    EXPECT_EQ(screenShotName(time, 12), "velmora-20240307-090503-12.png");
}
