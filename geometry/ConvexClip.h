// How much of a line segment lies inside a convex volume given by the planes that bound it, as a
// brush bounds a fog volume.
#pragma once

#include <span>

#include "geometry/Point3.h"

// A bounding plane, its normal pointing out of the volume: a point p is inside when
// normal . p - distance <= 0 for every plane.
struct BoundingPlane {
    Point3 normal{};
    float distance = 0.0f;
};

// The length of the part of the segment from..to inside the volume, which includes its surface: a
// segment that only touches it at a point gives 0, one running along a side counts in full.
double lengthInside(const Point3& from, const Point3& to, std::span<const BoundingPlane> planes);
