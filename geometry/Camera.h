// Camera: the free-flying eye, turned about the vertical axis in whole degrees, moved by
// impulses whose speed decays per frame.
#pragma once

#include "geometry/Point.h"
#include "geometry/Vec3.h"

class Frustum;

// Degrees to radians: the factor turning is defined with. A more exact one would move headings
// in their last bits.
inline constexpr double kDegreesToRadians = 0.017453292;

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
    // (-5 sin(yaw), 0, 5 cos(yaw)): opposite to the view direction, length 5.
    Vec3 heading;
    int yaw;
};
