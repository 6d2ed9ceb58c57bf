// EyePose: where an eye stands and looks, as the command lines give it: "X,Y,Z[,YAW[,PITCH]]"
// in viewer axes (y up), the yaw in whole degrees, the pitch in degrees.
#pragma once

#include <string>
#include <string_view>

#include "geometry/Point.h"

struct EyePose {
    Point position;
    int yaw = 0;
    float pitch = 0.0f;
};

// Reads text into pose: X, Y and Z, then YAW unless leastFields is 3, then an optional PITCH
// within the camera's range. Returns "" when it holds, otherwise what is wrong with it (the field
// that is not a number, or the count of fields).
std::string readEyePose(std::string_view text, int leastFields, EyePose& pose);
