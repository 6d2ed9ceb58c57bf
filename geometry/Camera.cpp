// Camera: steering (turns, impulses, vertical steps) and the per-frame move that applies the view
// transform and refreshes the frustum.
#include "geometry/Camera.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>

#include "render/Frustum.h"

namespace {

constexpr float kHeadingLength = 5.0f;
constexpr double kImpulseSpeedLimit = 200.0;
constexpr float kImpulseSpeed = 50.0f;
// Above this the speed drops by kSpeedDecay per frame; at or below it the eye stops.
constexpr float kGlideThreshold = 10.0f;
constexpr float kSpeedDecay = 5.0f;
constexpr int kFullTurn = 360;

}  // namespace

Camera::Camera(const Point& start, Frustum* cameraFrustum)
    : speed(0), up(0, 1, 0), reverse(true), frustum(cameraFrustum), position(start), yaw(0) {
    heading.setZ(static_cast<float>(std::cos(0.0) * kHeadingLength));
    heading.setX(static_cast<float>(std::sin(0.0) * kHeadingLength));
    heading.setY(0.0f);
    flatHeading = heading;
    moveDir = heading;
}

void Camera::turnLeft(int degrees) {
    // C++'s remainder truncates, so the angle follows the sign of the dividend (-359..359).
    setYaw(yaw - degrees);
}

void Camera::turnRight(int degrees) {
    setYaw(yaw + degrees);
}

void Camera::setYaw(int degrees) {
    yaw = degrees % kFullTurn;
    updateHeading();
    // The remaining glide keeps its sign but follows the new heading.
    moveDir = heading;
}

void Camera::setPitch(float degrees) {
    pitch = std::clamp(degrees, -kMaxPitchDegrees, kMaxPitchDegrees);
    updateHeading();
    moveDir = heading;
}

void Camera::setSpeedFactor(float factor) {
    speedFactor = std::clamp(factor, kMinSpeedFactor, kMaxSpeedFactor);
}

void Camera::updateHeading() {
    const double radians = yaw * kDegreesToRadians;
    flatHeading.setZ(static_cast<float>(std::cos(radians) * kHeadingLength));
    flatHeading.setX(static_cast<float>(std::sin(radians) * -kHeadingLength));
    // cos(0) is exactly 1, so at pitch 0 the heading is the flat one bit for bit.
    const double pitchRadians = pitch * kDegreesToRadians;
    const double level = std::cos(pitchRadians);
    heading.setZ(static_cast<float>(std::cos(radians) * kHeadingLength * level));
    heading.setX(static_cast<float>(std::sin(radians) * -kHeadingLength * level));
    heading.setY(static_cast<float>(std::sin(pitchRadians) * -kHeadingLength));
}

void Camera::moveUp(float amount) {
    position.addY(amount);
}

void Camera::moveDown(float amount) {
    position.addY(-amount);
}

void Camera::impulse() {
    // The test precedes the addition, so a speed just below the limit ends just below 250.
    if (double(speed) < kImpulseSpeedLimit) {
        speed = speed + kImpulseSpeed;
    }
}

void Camera::moveForward() {
    impulse();
    moveDir = heading;
    reverse = true;
}

void Camera::moveBackward() {
    impulse();
    moveDir = heading;
    reverse = false;
}

void Camera::strafeLeft() {
    impulse();
    moveDir = flatHeading.cross(up);
    reverse = false;
}

void Camera::strafeRight() {
    impulse();
    moveDir = flatHeading.cross(up);
    reverse = true;
}

void Camera::move(float timeStep) {
    // The decay is per frame, whatever the time step.
    if (speed > kGlideThreshold) {
        speed = speed - kSpeedDecay;
    } else if (speed > 0.0f) {
        speed = 0.0f;
    }
    // At factor 1 the product is the unscaled step exactly.
    const float step = timeStep * speed * getSpeedFactor();
    const Vec3 v = moveDir.scaled(step);
    if (reverse) {
        position.subtract(v);
    } else {
        position.setX(position.getX() + v.getX());
        position.setY(position.getY() + v.getY());
        position.setZ(position.getZ() + v.getZ());
    }
}

void Camera::update(float timeStep) {
    move(timeStep);
    if (pitch != 0.0f) {
        // Looking up turns the world down: about the eye's own x axis, after the yaw.
        glRotatef(-pitch, 1.0f, 0.0f, 0.0f);
    }
    glRotatef(static_cast<float>(yaw), 0.0f, 1.0f, 0.0f);
    glTranslatef(-position.getX(), -position.getY(), -position.getZ());
    frustum->update();
}
