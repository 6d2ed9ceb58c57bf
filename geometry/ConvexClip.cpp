// Clipping a segment's parameter range against each bounding plane in turn.
#include "geometry/ConvexClip.h"

#include <algorithm>

namespace {

double signedDistance(const BoundingPlane& plane, const Point3& p) {
    return double(plane.normal[0]) * p[0] + double(plane.normal[1]) * p[1] +
           double(plane.normal[2]) * p[2] - plane.distance;
}

}  // namespace

double lengthInside(const Point3& from, const Point3& to, std::span<const BoundingPlane> planes) {
    // The segment is from + t (to - from), t in [enter, leave].
    double enter = 0.0;
    double leave = 1.0;
    for (const BoundingPlane& plane : planes) {
        const double start = signedDistance(plane, from);
        const double end = signedDistance(plane, to);
        if (start > 0.0 && end > 0.0) {
            return 0.0;
        }
        if (start <= 0.0 && end <= 0.0) {
            continue;
        }
        const double crossing = start / (start - end);
        if (start > 0.0) {
            enter = std::max(enter, crossing);
        } else {
            leave = std::min(leave, crossing);
        }
        if (enter >= leave) {
            return 0.0;
        }
    }
    return (leave - enter) * length(to - from);
}
