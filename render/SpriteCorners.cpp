// Turning sprite quads: each corner keeps its offsets from the quad's centre along the quad's own
// axes, and those axes are rotated onto the eye's.
#include "render/SpriteCorners.h"

namespace {

// Lengths below this are taken as no direction at all.
constexpr double kTiny = 1e-6;

std::optional<Point3> unit(const Point3& v) {
    const double size = length(v);
    if (size < kTiny) {
        return std::nullopt;
    }
    return v * (1.0 / size);
}

Point3 centreOf(const QuadCorners& corners) {
    return (corners[0] + corners[1] + corners[2] + corners[3]) * 0.25;
}

// The part of v across the unit direction axis.
Point3 across(const Point3& v, const Point3& axis) {
    return v - axis * dot(v, axis);
}

// Each corner's offsets along from[0] and from[1], laid out along to[0] and to[1] instead.
QuadCorners remapped(const QuadCorners& corners, const Point3& centre,
                     const std::array<Point3, 2>& from, const std::array<Point3, 2>& to) {
    QuadCorners moved;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Point3 offset = corners[i] - centre;
        moved[i] = centre + to[0] * dot(offset, from[0]) + to[1] * dot(offset, from[1]);
    }
    return moved;
}

}  // namespace

EyeFrame eyeOfModelview(const std::array<float, 16>& m) {
    EyeFrame eye;
    // The rotation's rows are the eye's axes; the translation is the eye's place seen from it.
    eye.right = {m[0], m[4], m[8]};
    eye.up = {m[1], m[5], m[9]};
    eye.back = {m[2], m[6], m[10]};
    eye.position = (eye.right * -m[12]) - (eye.up * m[13]) - (eye.back * m[14]);
    return eye;
}

std::optional<Point3> clockwiseFront(const Point3& a, const Point3& b, const Point3& c) {
    // Counter-clockwise triangles face along (b - a) x (c - a); these are wound the other way.
    return unit(cross(c - a, b - a));
}

std::optional<QuadCorners> facingTheEye(const QuadCorners& corners, const Point3& front,
                                        const EyeFrame& eye) {
    // The quad's up is the world's up laid into its plane, or for a quad lying flat its first
    // side; with right = up x front, (right, up, front) turns onto the eye's (right, up, back).
    const Point3 worldUp{0.0f, 1.0f, 0.0f};
    std::optional<Point3> up = unit(across(worldUp, front));
    if (!up) {
        up = unit(across(corners[1] - corners[0], front));
    }
    if (!up) {
        return std::nullopt;
    }
    const Point3 right = cross(*up, front);
    return remapped(corners, centreOf(corners), {right, *up}, {eye.right, eye.up});
}

std::optional<QuadCorners> turnedAboutLongAxis(const QuadCorners& corners, const Point3& front,
                                               const EyeFrame& eye) {
    const double sides02 = length(corners[1] - corners[0]) + length(corners[3] - corners[2]);
    const double sides13 = length(corners[2] - corners[1]) + length(corners[0] - corners[3]);
    // The axis joins the middles of the two shorter, opposite sides.
    const bool first = sides02 <= sides13;
    const Point3 start = first ? (corners[0] + corners[1]) * 0.5 : (corners[1] + corners[2]) * 0.5;
    const Point3 end = first ? (corners[2] + corners[3]) * 0.5 : (corners[3] + corners[0]) * 0.5;
    const std::optional<Point3> axis = unit(end - start);
    if (!axis) {
        return std::nullopt;
    }
    // Turning about the axis takes front to the view's back direction laid across the axis, and
    // the quad's width (front x axis) with it.
    const std::optional<Point3> towardEye = unit(across(eye.back, *axis));
    const std::optional<Point3> width = unit(cross(front, *axis));
    if (!towardEye || !width) {
        return std::nullopt;
    }
    return remapped(corners, centreOf(corners), {*axis, *width}, {*axis, cross(*towardEye, *axis)});
}
