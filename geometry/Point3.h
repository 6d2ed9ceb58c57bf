// Point3: three floats as the per-frame vertex work uses them (positions and directions in viewer
// axes), with the few operations it needs computed in double precision and stored as floats.
#pragma once

#include <array>
#include <cmath>

using Point3 = std::array<float, 3>;

inline Point3 operator+(const Point3& a, const Point3& b) {
    return {a[0] + b[0], a[1] + b[1], a[2] + b[2]};
}

inline Point3 operator-(const Point3& a, const Point3& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

inline Point3 operator*(const Point3& a, double factor) {
    return {float(a[0] * factor), float(a[1] * factor), float(a[2] * factor)};
}

inline double dot(const Point3& a, const Point3& b) {
    return double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2];
}

inline Point3 cross(const Point3& a, const Point3& b) {
    return {float(double(a[1]) * b[2] - double(a[2]) * b[1]),
            float(double(a[2]) * b[0] - double(a[0]) * b[2]),
            float(double(a[0]) * b[1] - double(a[1]) * b[0])};
}

inline double length(const Point3& a) {
    return std::sqrt(dot(a, a));
}
