// The camera's speed model, turns and vertical steps, driven through move() without GL.
#include <gtest/gtest.h>

#include "geometry/Camera.h"

namespace {

constexpr float kFrame = 0.1f;
constexpr float kTolerance = 1e-3f;

Camera cameraAtOrigin() {
    return Camera(Point(0, 0, 0), nullptr);
}

}  // namespace

TEST(CameraTest, oneForwardImpulseGlidesEightFramesThenStops) {
    Camera camera = cameraAtOrigin();
    camera.moveForward();
    const float expectedSpeeds[] = {45, 40, 35, 30, 25, 20, 15, 10};
    for (float expected : expectedSpeeds) {
        camera.move(kFrame);
        EXPECT_EQ(camera.getSpeed(), expected);
    }
    EXPECT_NEAR(camera.getPosition().getZ(), -110.0f, kTolerance);
    camera.move(kFrame);
    camera.move(kFrame);
    EXPECT_EQ(camera.getSpeed(), 0.0f);
    EXPECT_NEAR(camera.getPosition().getZ(), -110.0f, kTolerance);
    EXPECT_EQ(camera.getPosition().getX(), 0.0f);
    EXPECT_EQ(camera.getPosition().getY(), 0.0f);
}

TEST(CameraTest, backwardAndStrafesMoveAlongTheirAxes) {
    Camera back = cameraAtOrigin();
    back.moveBackward();
    back.move(kFrame);
    EXPECT_NEAR(back.getPosition().getZ(), 5 * 45 * kFrame, kTolerance);

    Camera left = cameraAtOrigin();
    left.strafeLeft();
    left.move(kFrame);
    EXPECT_NEAR(left.getPosition().getX(), -5 * 45 * kFrame, kTolerance);
    EXPECT_NEAR(left.getPosition().getZ(), 0.0f, kTolerance);

    Camera right = cameraAtOrigin();
    right.strafeRight();
    right.move(kFrame);
    EXPECT_NEAR(right.getPosition().getX(), 5 * 45 * kFrame, kTolerance);
    EXPECT_NEAR(right.getPosition().getZ(), 0.0f, kTolerance);
}

TEST(CameraTest, turnsUseTheTruncatingRemainder) {
    Camera camera = cameraAtOrigin();
    for (int i = 0; i < 180; ++i) {
        camera.turnRight(2);
    }
    EXPECT_EQ(camera.getYaw(), 0);

    camera.turnLeft(2);
    EXPECT_EQ(camera.getYaw(), -2);
    camera.turnRight(2);
    EXPECT_EQ(camera.getYaw(), 0);

    // Left from 0 runs down to -358 and then wraps to 0, never to a positive angle.
    for (int i = 0; i < 179; ++i) {
        camera.turnLeft(2);
    }
    EXPECT_EQ(camera.getYaw(), -358);
    camera.turnLeft(2);
    EXPECT_EQ(camera.getYaw(), 0);

    camera.setYaw(-370);
    EXPECT_EQ(camera.getYaw(), -10);
    camera.setYaw(540);
    EXPECT_EQ(camera.getYaw(), 180);
    EXPECT_NEAR(camera.getHeading().getZ(), -5.0f, kTolerance);
}

TEST(CameraTest, oneLeftTurnTiltsTheHeadingTowardsPlusX) {
    Camera camera = cameraAtOrigin();
    camera.turnLeft(2);
    const Vec3& heading = camera.getHeading();
    EXPECT_NEAR(heading.getX(), 0.1745f, 1e-4f);
    EXPECT_EQ(heading.getY(), 0.0f);
    EXPECT_NEAR(heading.getZ(), 4.9970f, 1e-4f);
    EXPECT_NEAR(heading.getLength(), 5.0f, 1e-5f);
    // The view direction is opposite to the heading: forward now drifts towards -x.
    camera.moveForward();
    camera.move(kFrame);
    EXPECT_LT(camera.getPosition().getX(), 0.0f);
}

TEST(CameraTest, impulsesStopRaisingTheSpeedAt200) {
    Camera camera = cameraAtOrigin();
    const float expected[] = {50, 100, 150, 200, 200};
    for (float speed : expected) {
        camera.moveForward();
        EXPECT_EQ(camera.getSpeed(), speed);
    }
}

TEST(CameraTest, turningWhileGlidingKeepsTheSignOfTheGlide) {
    Camera camera = cameraAtOrigin();
    camera.strafeLeft();
    camera.turnRight(90);
    // The strafe's reverse=false now applies to the new heading (-5, 0, 0): travel along -x.
    EXPECT_FALSE(camera.isReverse());
    camera.move(kFrame);
    EXPECT_NEAR(camera.getPosition().getX(), -5 * 45 * kFrame, kTolerance);
}

TEST(CameraTest, verticalStepsActAtOnceWithoutSpeed) {
    Camera camera(Point(1, 2, 3), nullptr);
    camera.moveUp(7.0f);
    camera.moveUp(7.0f);
    camera.moveDown(7.0f);
    EXPECT_EQ(camera.getPosition().getY(), 9.0f);
    EXPECT_EQ(camera.getSpeed(), 0.0f);
    camera.move(kFrame);
    EXPECT_EQ(camera.getPosition().getX(), 1.0f);
    EXPECT_EQ(camera.getPosition().getZ(), 3.0f);
}

TEST(CameraTest, freshCameraStaysPutForAHugeFirstStep) {
    Camera camera = cameraAtOrigin();
    camera.move(1e6f);
    EXPECT_EQ(camera.getPosition().getX(), 0.0f);
    EXPECT_EQ(camera.getPosition().getY(), 0.0f);
    EXPECT_EQ(camera.getPosition().getZ(), 0.0f);
}
