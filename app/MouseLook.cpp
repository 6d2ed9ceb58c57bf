// MouseLook: from pointer motion to camera yaw and pitch.
#include "app/MouseLook.h"

#include <cmath>

#include "geometry/Camera.h"

void MouseLook::button(bool pressed, int x, int y) {
    dragging = pressed;
    lastX = x;
    lastY = y;
}

void MouseLook::drag(int x, int y, float degreesPerPixel, Camera& camera) {
    if (!dragging) {
        return;
    }
    const float turn = yawRemainder + static_cast<float>(x - lastX) * degreesPerPixel;
    const float wholeDegrees = std::trunc(turn);
    yawRemainder = turn - wholeDegrees;
    if (wholeDegrees != 0.0f) {
        camera.turnRight(static_cast<int>(wholeDegrees));
    }
    // Window rows grow downwards.
    if (y != lastY) {
        camera.setPitch(camera.getPitch() - static_cast<float>(y - lastY) * degreesPerPixel);
    }
    lastX = x;
    lastY = y;
}
