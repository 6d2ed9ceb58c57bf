// MouseLook: turns the camera by left-button drags, the horizontal motion into whole degrees of
// yaw (the fraction carried over) and the vertical motion into pitch.
#pragma once

class Camera;

class MouseLook {
public:
    // The left button went down (pressed) or up at window pixel (x, y).
    void button(bool pressed, int x, int y);
    // The pointer moved to (x, y) with a button held: while the left one is held, rightward motion
    // turns right and upward motion looks up, by degreesPerPixel (positive) of pointer motion.
    void drag(int x, int y, float degreesPerPixel, Camera& camera);
    bool isDragging() const { return dragging; }

private:
    bool dragging = false;
    int lastX = 0;
    int lastY = 0;
    // The part of the horizontal turn not yet given to the camera's whole-degree yaw, in
    // (-1, 1) degrees, so that slow drags turn too.
    float yawRemainder = 0.0f;
};
