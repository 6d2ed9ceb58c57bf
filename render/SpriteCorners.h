// The corners of a sprite quad turned toward the eye (a material's deformVertexes autosprite and
// autosprite2), and the eye's place and axes as the modelview matrix gives them.
#pragma once

#include <array>
#include <optional>

#include "geometry/Point3.h"

// The eye in viewer axes: where it is, and its unit right, up and back (toward the eye) vectors.
struct EyeFrame {
    Point3 position{};
    Point3 right{1.0f, 0.0f, 0.0f};
    Point3 up{0.0f, 1.0f, 0.0f};
    Point3 back{0.0f, 0.0f, 1.0f};
};

// The eye of a column-major modelview matrix made of a rotation and a translation.
EyeFrame eyeOfModelview(const std::array<float, 16>& modelview);

// A quad's four corners in drawing order; front is the side its winding shows.
using QuadCorners = std::array<Point3, 4>;

// autosprite: the quad turned about its centre to lie across the view, its front toward the eye,
// keeping its size and keeping what is up on it up where it can. Nothing for a degenerate quad.
std::optional<QuadCorners> facingTheEye(const QuadCorners& corners, const Point3& front,
                                        const EyeFrame& eye);
// autosprite2: the quad turned about its long axis (through the middles of its two short sides)
// only, as far toward the eye as that allows. Nothing for a degenerate quad or one seen straight
// along its axis.
std::optional<QuadCorners> turnedAboutLongAxis(const QuadCorners& corners, const Point3& front,
                                               const EyeFrame& eye);
// The unit normal on the front of the triangle a, b, c wound clockwise as its front sees it;
// nothing when the triangle has no area.
std::optional<Point3> clockwiseFront(const Point3& a, const Point3& b, const Point3& c);
