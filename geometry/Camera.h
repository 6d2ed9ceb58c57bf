// Camera: the free-flying eye, turned about the vertical axis in whole degrees and tilted up or
// down by a pitch, moved by impulses whose speed decays per frame.
#pragma once

#include "geometry/Point.h"
#include "geometry/Vec3.h"

class Frustum;

// Degrees to radians: the factor turning is defined with. A more exact one would move headings
// in their last bits.
inline constexpr double kDegreesToRadians = 0.017453292;
// The pitch stops short of straight up and down, where the yaw would lose its meaning.
inline constexpr float kMaxPitchDegrees = 89.0f;
// The fly speed factor scales every step; the wheel changes it by kSpeedFactorStep per notch.
inline constexpr float kMinSpeedFactor = 0.25f;
inline constexpr float kMaxSpeedFactor = 8.0f;
inline constexpr float kSpeedFactorStep = 1.25f;

class Camera {
public:
    Camera(const Point& start, Frustum* cameraFrustum);
    virtual ~Camera() = default;

    void turnLeft(int degrees);
    void turnRight(int degrees);
    void moveUp(float amount);
    void moveDown(float amount);
    void moveForward();
    void moveBackward();
    void strafeLeft();
    void strafeRight();

    // Moves the eye by the decayed speed, applies rotation and translation to the current
    // modelview matrix and refreshes the frustum.
    void update(float timeStep);
    // Only the motion part of update: decay and move, no GL.
    void move(float timeStep);

    const Point& getPosition() const { return position; }
    void setPosition(const Point& value) { position = value; }
    int getYaw() const { return yaw; }
    // Sets the angle as the turns would reach it (kept within -359..359) and the heading with it.
    void setYaw(int degrees);
    // Degrees, positive looks up; clamped to -kMaxPitchDegrees..kMaxPitchDegrees. The heading
    // follows, and so does the remaining glide, as with setYaw.
    void setPitch(float degrees);
    float getPitch() const { return pitch; }
    // Scales every step; clamped to kMinSpeedFactor..kMaxSpeedFactor.
    void setSpeedFactor(float factor);
    float getSpeedFactor() const { return speedFactor; }
    float getSpeed() const { return speed; }
    const Vec3& getHeading() const { return heading; }
    const Vec3& getMoveDir() const { return moveDir; }
    bool isReverse() const { return reverse; }
    Frustum* getFrustum() const { return frustum; }

private:
    void impulse();
    void updateHeading();

    float speed;
    Vec3 moveDir;
    Vec3 up;
    bool reverse;
    Frustum* frustum;  // not owned
    Point position;
    // (-5 sin(yaw) cos(pitch), -5 sin(pitch), 5 cos(yaw) cos(pitch)): opposite to the view
    // direction, length 5.
    Vec3 heading;
    // The horizontal part of the heading at full length: strafes stay level and keep their
    // speed whatever the pitch.
    Vec3 flatHeading;
    int yaw;
    float pitch = 0.0f;
    float speedFactor = 1.0f;
};
