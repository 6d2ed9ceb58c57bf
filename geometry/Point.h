// Point: a single-precision position in viewer axes (y up).
#pragma once

#include "geometry/Vec3.h"

class Point {
public:
    Point() : Point(0.0f, 0.0f, 0.0f) {}
    Point(float xValue, float yValue, float zValue) : x(xValue), y(yValue), z(zValue) {}
    virtual ~Point() = default;
    Point(const Point&) = default;
    Point& operator=(const Point&) = default;

    float getX() const { return x; }
    float getY() const { return y; }
    float getZ() const { return z; }
    void setX(float value) { x = value; }
    void setY(float value) { y = value; }
    void setZ(float value) { z = value; }

    void addY(float delta) { y = y + delta; }
    // Each difference is formed in double precision and stored as single precision.
    void subtract(const Vec3& v) {
        x = static_cast<float>(double(x) - v.getX());
        y = static_cast<float>(double(y) - v.getY());
        z = static_cast<float>(double(z) - v.getZ());
    }

private:
    float x;
    float y;
    float z;
};
