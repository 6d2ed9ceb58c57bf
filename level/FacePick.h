// FacePick: the face a ray from the eye meets first, tested triangle by triangle the way the faces
// are drawn (polygon and mesh faces by their mesh-vertex triangles, patches by their strips at
// the current level). Makes no GL call.
#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "geometry/Point.h"
#include "geometry/Vec3.h"
#include "level/Vertex.h"

class BSPMap;
class Face;

// The sides of a face's triangles a ray can meet, as a view draws them. front is the side drawn
// with culling on: the triangle's corners run clockwise as the eye sees them.
enum class PickSides { none, front, back, both };

// Which sides of a face a view shows; none leaves the face out.
using PickRule = std::function<PickSides(const Face& face)>;

// The default view's rule: polygon and mesh faces from the front, patches from both sides,
// billboards and unknown types never (they are not drawn).
PickSides drawnSidesOf(const Face& face);

struct FacePick {
    std::int32_t face = -1;  // -1: the ray meets no face
    float distance = 0.0f;   // from the eye along the ray, in level units
    Point point;             // where the ray meets the face

    bool hit() const { return face >= 0; }
};

// The nearest face, at a positive distance, that a ray from eye along direction (any length but
// zero) meets, of every face of the level. The level must be sound.
FacePick pickFace(const BSPMap& level, const Point& eye, const Vec3& direction,
                  const PickRule& rule = drawnSidesOf);
// Where a view draws a face's vertices when it moves them (the material view's deforms): given
// the face and the vertices it is stored with (a polygon's or mesh's own, or one patch's grid),
// a moved copy of the same size, or stored itself. An empty function leaves every face stored.
using PickVertices =
    std::function<std::span<const Vertex>(const Face& face, std::span<const Vertex> stored)>;

// The same among candidates only (a frame's draw list: what that frame drew); indices that name
// no face are passed over. A polygon whose corners reach beyond its own vertices is met where
// it is stored, as it is drawn.
FacePick pickFaceAmong(const BSPMap& level, std::span<const std::uint32_t> candidates,
                       const Point& eye, const Vec3& direction, const PickRule& rule = drawnSidesOf,
                       const PickVertices& moved = {});
