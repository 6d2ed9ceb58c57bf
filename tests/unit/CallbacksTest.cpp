// The callbacks' arithmetic and key tables, without a window: frame timing and frames per second,
// the overlay line, the patch-level bounds, the keys that must do nothing, the view keys and the
// mouse.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "app/Callbacks.h"
#include "app/Viewer.h"
#include "app/ViewerControls.h"
#include "app/ViewerSession.h"
#include "geometry/Camera.h"
#include "render/Frustum.h"

namespace {

void resetFrameTiming() {
    frameCount = 0;
    lastFrameTime = 0;
    fpsStartTime = 0;
    fps = 0;
    timeStep = 0.0f;
}

TEST(FrameTimingTest, firstFrameStepCoversEverythingSinceStartAndFpsStaysZero) {
    resetFrameTiming();
    countFrame(850);
    EXPECT_FLOAT_EQ(timeStep, 0.85f);
    EXPECT_EQ(lastFrameTime, 850);
    EXPECT_EQ(frameCount, 1);
    EXPECT_EQ(fps, 0);
    countFrame(866);
    EXPECT_FLOAT_EQ(timeStep, 0.016f);
    EXPECT_EQ(frameCount, 2);
}

TEST(FrameTimingTest, sixtyOneFramesOver1004MsShowSixtyTruncated) {
    resetFrameTiming();
    for (int frame = 1; frame <= 60; ++frame) {
        countFrame(frame * 16);  // 960 ms: not yet a second
    }
    EXPECT_EQ(fps, 0);
    EXPECT_EQ(frameCount, 60);
    countFrame(1004);  // 61 frames * 1000 / 1004 = 60.76
    EXPECT_EQ(fps, 60);
    EXPECT_EQ(frameCount, 0);
    EXPECT_EQ(fpsStartTime, 1004);
    EXPECT_FLOAT_EQ(timeStep, 0.044f);
}

TEST(FrameTimingTest, updatesOnlyWhenStrictlyMoreThanASecondHasPassed) {
    resetFrameTiming();
    fpsStartTime = 2000;
    lastFrameTime = 2000;
    countFrame(2500);
    countFrame(3000);  // exactly 1000 ms: no update
    EXPECT_EQ(fps, 0);
    EXPECT_EQ(frameCount, 2);
    countFrame(3001);
    EXPECT_EQ(fps, 2);  // 3 * 1000 / 1001 = 2.997
    EXPECT_EQ(fpsStartTime, 3001);
    EXPECT_EQ(frameCount, 0);
}

TEST(OverlayLineTest, usesDefaultStreamFormatting) {
    std::ostringstream origin;
    beginOverlayLine(origin, 0, Point(0.0f, 0.0f, 0.0f));
    EXPECT_EQ(origin.str(), "FPS:0 X:0 Y:0 Z:0");

    std::ostringstream fractions;
    beginOverlayLine(fractions, 0, Point(12.5f, -3.25f, 100.0f));
    EXPECT_EQ(fractions.str(), "FPS:0 X:12.5 Y:-3.25 Z:100");

    std::ostringstream sixDigits;
    beginOverlayLine(sixDigits, 143, Point(1234567.0f, 0.1f, -1e-7f));
    EXPECT_EQ(sixDigits.str(), "FPS:143 X:1.23457e+06 Y:0.1 Z:-1e-07");
}

TEST(PatchLevelKeyTest, staysWithinTwoToTwentyAndReportsOnlyChanges) {
    int level = 10;
    int changes = 0;
    for (int press = 0; press < 8; ++press) {
        changes += stepPatchLevel('<', level) ? 1 : 0;
    }
    EXPECT_EQ(level, 2);
    EXPECT_EQ(changes, 8);
    EXPECT_FALSE(stepPatchLevel('<', level));
    EXPECT_EQ(level, 2);

    changes = 0;
    for (int press = 0; press < 9; ++press) {
        changes += stepPatchLevel('>', level) ? 1 : 0;
    }
    EXPECT_EQ(level, 11);
    EXPECT_EQ(changes, 9);

    level = 20;
    EXPECT_FALSE(stepPatchLevel('>', level));
    EXPECT_EQ(level, 20);
    EXPECT_FALSE(stepPatchLevel(',', level));
    EXPECT_FALSE(stepPatchLevel('.', level));
    EXPECT_EQ(level, 20);
}

class KeyTableTest : public testing::Test {
protected:
    void SetUp() override {
        // A camera without a level or a window: the keys steer it, and nothing touches GL.
        ViewerConfig config;
        config.start = Point(1.0f, 2.0f, 3.0f);
        session = std::make_unique<ViewerSession>(config);
        session->placeCamera();
    }
    void TearDown() override { session.reset(); }

    void expectUntouched() const {
        EXPECT_FLOAT_EQ(camera->getPosition().getX(), 1.0f);
        EXPECT_FLOAT_EQ(camera->getPosition().getY(), 2.0f);
        EXPECT_FLOAT_EQ(camera->getPosition().getZ(), 3.0f);
        EXPECT_EQ(camera->getYaw(), 0);
        EXPECT_FLOAT_EQ(camera->getSpeed(), 0.0f);
        EXPECT_EQ(patchLevel, 10);
        EXPECT_TRUE(lightingEnabled);
        EXPECT_FALSE(texturesEnabled);
    }

    std::unique_ptr<ViewerSession> session;
};

TEST_F(KeyTableTest, upperCaseLettersAndUnlistedKeysDoNothing) {
    for (unsigned char key : {'W', 'A', 'S', 'D', 'L', 'T', '+', ',', '.', '_', ' '}) {
        keyboard(key, 0, 0);
    }
    specialKeys(GLUT_KEY_UP, 0, 0);
    specialKeys(GLUT_KEY_DOWN, 0, 0);
    specialKeys(GLUT_KEY_F1, 0, 0);
    expectUntouched();
}

TEST_F(KeyTableTest, lowerCaseLAndTFlipTheToggles) {
    keyboard('l', 0, 0);
    keyboard('t', 0, 0);
    EXPECT_FALSE(lightingEnabled);
    EXPECT_TRUE(texturesEnabled);
    keyboard('l', 0, 0);
    keyboard('t', 0, 0);
    EXPECT_TRUE(lightingEnabled);
    EXPECT_FALSE(texturesEnabled);
}

TEST_F(KeyTableTest, eachViewKeyFlipsItsOwnSwitchAndNoOther) {
    ASSERT_NE(viewerControls, nullptr);
    using Switch = bool ViewOptions::*;
    const std::pair<unsigned char, Switch> keys[] = {
        {'m', &ViewOptions::litView},       {'c', &ViewOptions::clusterColours},
        {'f', &ViewOptions::cullingFrozen}, {'e', &ViewOptions::showEntities},
        {'x', &ViewOptions::showMarkers},   {'v', &ViewOptions::showStats},
        {'y', &ViewOptions::wireframe},     {'o', &ViewOptions::overdraw}};
    for (const auto& [key, flipped] : keys) {
        SCOPED_TRACE(std::string(1, static_cast<char>(key)));
        const ViewOptions before = viewerControls->options;
        keyboard(key, 0, 0);
        for (const auto& [otherKey, other] : keys) {
            EXPECT_EQ(viewerControls->options.*other,
                      other == flipped ? !(before.*other) : before.*other)
                << "after " << key << ", the switch of " << otherKey;
        }
    }
    EXPECT_FALSE(viewerControls->screenShotPending);
    expectUntouched();
}

TEST_F(KeyTableTest, steeringKeysWithoutCameraOrLevelAreSafe) {
    session->shutDown();
    for (unsigned char key : {'w', 'a', 's', 'd', '-', '=', '<'}) {
        keyboard(key, 0, 0);
    }
    specialKeys(GLUT_KEY_LEFT, 0, 0);
    specialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(patchLevel, 9);
}

// The configuration reaches the controls the session creates with the camera, the GLUT mouse
// callbacks use them, and after shut-down the mouse and p touch nothing.
TEST(MouseCallbacksTest, dragAndWheelUseTheConfiguredControlsUntilShutDown) {
    ViewerConfig config;
    config.mouseSensitivity = 0.5f;
    config.speed = 2.0f;
    ViewerSession session(config);
    session.placeCamera();
    EXPECT_FLOAT_EQ(camera->getSpeedFactor(), 2.0f);

    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    mouseMotion(120, 90);
    EXPECT_EQ(camera->getYaw(), 10);
    EXPECT_FLOAT_EQ(camera->getPitch(), 5.0f);
    mouseButton(GLUT_LEFT_BUTTON, GLUT_UP, 120, 90);
    mouseMotion(300, 0);
    EXPECT_EQ(camera->getYaw(), 10) << "the drag ended with the button";
    mouseButton(3, GLUT_DOWN, 0, 0);
    mouseButton(3, GLUT_UP, 0, 0);
    EXPECT_FLOAT_EQ(camera->getSpeedFactor(), 2.5f) << "one wheel notch, counted once";

    session.shutDown();
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 0, 0);
    mouseMotion(50, 50);
    mouseButton(4, GLUT_DOWN, 0, 0);
    keyboard('p', 0, 0);
    EXPECT_EQ(camera, nullptr);
}

}  // namespace
