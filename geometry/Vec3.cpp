// Vec3: components, the kept length, scaling and the cross product.
#include "geometry/Vec3.h"

#include <cmath>

Vec3::Vec3(float xValue, float yValue, float zValue) : x(xValue), y(yValue), z(zValue) {
    updateLength();
}

void Vec3::setX(float value) {
    x = value;
    updateLength();
}

void Vec3::setY(float value) {
    y = value;
    updateLength();
}

void Vec3::setZ(float value) {
    z = value;
    updateLength();
}

Vec3 Vec3::scaled(double factor) const {
    return Vec3(static_cast<float>(factor * x), static_cast<float>(factor * y),
                static_cast<float>(factor * z));
}

Vec3 Vec3::cross(const Vec3& other) const {
    return Vec3(y * other.z - other.y * z, other.x * z - x * other.z, other.y * x - y * other.x);
}

void Vec3::updateLength() {
    // The sum of squares is formed in double precision, then rounded once before the root.
    const double sumOfSquares = (double(x) * x + double(y) * y) + double(z) * z;
    length = static_cast<float>(std::sqrt(static_cast<float>(sumOfSquares)));
}
