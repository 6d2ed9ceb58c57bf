// Plane: a BSP splitting plane in viewer axes; on the plane counts as in front.
#pragma once

#include "geometry/Point.h"
#include "geometry/Vec3.h"

class Plane {
public:
    Plane(const Vec3& normalValue, float distanceValue)
        : normal(normalValue), distance(distanceValue) {}
    virtual ~Plane() = default;
    Plane(const Plane&) = default;
    Plane& operator=(const Plane&) = default;

    Vec3 getNormal() const { return normal; }
    float getDistance() const { return distance; }

    // normal . p - distance >= 0: a point exactly on the plane is in front.
    bool isInFront(const Point& p) const {
        const double side = double(normal.getX()) * p.getX() + double(normal.getY()) * p.getY() +
                            double(normal.getZ()) * p.getZ() - distance;
        return side >= 0.0;
    }

private:
    Vec3 normal;
    float distance;
};
