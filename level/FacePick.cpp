// FacePick: a Möller–Trumbore test of every triangle a face is drawn with, in double precision,
// keeping the nearest hit.
#include "level/FacePick.h"

#include <cmath>
#include <limits>

#include "level/BSPMap.h"
#include "level/Face.h"

namespace {

struct Vector {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

Vector operator-(const Vector& a, const Vector& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

double dot(const Vector& a, const Vector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vector cross(const Vector& a, const Vector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector at(const Vertex& vertex) {
    return {vertex.position[0], vertex.position[1], vertex.position[2]};
}

// Hits nearer than this are the eye standing on the surface, not a face ahead of it.
constexpr double kMinDistance = 1e-4;
// A triangle seen this nearly edge-on covers no pixel.
constexpr double kParallel = 1e-12;

class RayTest {
public:
    RayTest(const Point& eye, const Vec3& direction) : origin{eye.getX(), eye.getY(), eye.getZ()} {
        const double length = direction.getLength();
        ray = {direction.getX() / length, direction.getY() / length, direction.getZ() / length};
    }

    // Keeps the triangle's hit when it is nearer than the best so far.
    void triangle(const Vertex& a, const Vertex& b, const Vertex& c, PickSides sides,
                  std::int32_t face) {
        const Vector v0 = at(a);
        const Vector edge1 = at(b) - v0;
        const Vector edge2 = at(c) - v0;
        const Vector p = cross(ray, edge2);
        const double determinant = dot(edge1, p);
        // determinant = -ray . (edge1 x edge2): negative where the corners run clockwise as the
        // eye sees them, the side drawn with culling on.
        if (std::fabs(determinant) < kParallel ||
            (sides == PickSides::front && determinant > 0.0) ||
            (sides == PickSides::back && determinant < 0.0)) {
            return;
        }
        const double inverse = 1.0 / determinant;
        const Vector s = origin - v0;
        const double u = dot(s, p) * inverse;
        if (u < 0.0 || u > 1.0) {
            return;
        }
        const Vector q = cross(s, edge1);
        const double v = dot(ray, q) * inverse;
        if (v < 0.0 || u + v > 1.0) {
            return;
        }
        const double distance = dot(edge2, q) * inverse;
        if (distance > kMinDistance && distance < best) {
            best = distance;
            bestFace = face;
        }
    }

    FacePick result() const {
        if (bestFace < 0) {
            return {};
        }
        return {bestFace, static_cast<float>(best),
                Point(static_cast<float>(origin.x + ray.x * best),
                      static_cast<float>(origin.y + ray.y * best),
                      static_cast<float>(origin.z + ray.z * best))};
    }

private:
    Vector origin;
    Vector ray;
    double best = std::numeric_limits<double>::infinity();
    std::int32_t bestFace = -1;
};

// The face's own vertices as the view draws them, or an empty span when it draws them where the
// level stores them.
std::span<const Vertex> movedOwnVertices(const BSPMap& level, const Face& face,
                                         const PickVertices& moved) {
    const std::vector<Vertex>& vertices = level.getVertices();
    if (!moved || face.firstVertex < 0 || face.numVertices <= 0 ||
        std::size_t(face.firstVertex) + std::size_t(face.numVertices) > vertices.size()) {
        return {};
    }
    const std::span<const Vertex> stored(&vertices[std::size_t(face.firstVertex)],
                                         std::size_t(face.numVertices));
    const std::span<const Vertex> drawn = moved(face, stored);
    if (drawn.data() == stored.data() || drawn.size() != stored.size()) {
        return {};
    }
    const auto corners =
        std::span<const std::int32_t>(level.getMeshVertices())
            .subspan(std::size_t(face.firstMeshVertex), std::size_t(face.numMeshVertices));
    for (const std::int32_t offset : corners) {
        if (offset < 0 || offset >= face.numVertices) {
            return {};
        }
    }
    return drawn;
}

// The validator guarantees every mesh-vertex range and offset of a sound level.
void testPolygon(const BSPMap& level, const Face& face, PickSides sides, std::int32_t index,
                 const PickVertices& moved, RayTest& test) {
    const std::vector<Vertex>& vertices = level.getVertices();
    const std::vector<std::int32_t>& meshVertices = level.getMeshVertices();
    const std::span<const Vertex> drawn = movedOwnVertices(level, face, moved);
    auto corner = [&](std::int32_t k) -> const Vertex& {
        const std::int32_t offset = meshVertices[std::size_t(k)];
        return drawn.empty() ? vertices[std::size_t(face.firstVertex + offset)]
                             : drawn[std::size_t(offset)];
    };
    const std::int32_t end = face.firstMeshVertex + face.numMeshVertices - 2;
    for (std::int32_t k = face.firstMeshVertex; k < end; k += 3) {
        test.triangle(corner(k), corner(k + 1), corner(k + 2), sides, index);
    }
}

// Each strip's triangles as GL_TRIANGLE_STRIP makes them; a patch is seen from both sides, so
// the alternating winding does not matter.
void testPatch(const Face& face, PickSides sides, std::int32_t index, const PickVertices& moved,
               RayTest& test) {
    for (const BezierPatch& patch : face.patches) {
        std::span<const Vertex> grid = patch.getVertices();
        if (grid.empty()) {
            continue;
        }
        if (moved) {
            if (const std::span<const Vertex> drawn = moved(face, grid);
                drawn.size() == grid.size()) {
                grid = drawn;
            }
        }
        const std::uint32_t* strip = patch.getIndices().data();
        for (const std::int32_t count : patch.getStripCounts()) {
            for (std::int32_t i = 0; i + 2 < count; ++i) {
                test.triangle(grid[strip[i]], grid[strip[i + 1]], grid[strip[i + 2]], sides, index);
            }
            strip += count;
        }
    }
}

void testFace(const BSPMap& level, std::uint32_t index, const PickRule& rule,
              const PickVertices& moved, RayTest& test) {
    const Face& face = level.getFaces()[index];
    const PickSides sides = rule(face);
    if (sides == PickSides::none) {
        return;
    }
    const auto faceIndex = static_cast<std::int32_t>(index);
    if (face.type == kPolygonFace || face.type == kMeshFace) {
        testPolygon(level, face, sides, faceIndex, moved, test);
    } else if (face.type == kPatchFace) {
        testPatch(face, sides, faceIndex, moved, test);
    }
}

}  // namespace

PickSides drawnSidesOf(const Face& face) {
    switch (face.type) {
        case kPolygonFace:
        case kMeshFace:
            return PickSides::front;
        case kPatchFace:
            return PickSides::both;
        default:
            return PickSides::none;
    }
}

FacePick pickFace(const BSPMap& level, const Point& eye, const Vec3& direction,
                  const PickRule& rule) {
    if (direction.getLength() <= 0.0f) {
        return {};
    }
    RayTest test(eye, direction);
    const auto faceCount = static_cast<std::uint32_t>(level.getFaces().size());
    for (std::uint32_t index = 0; index < faceCount; ++index) {
        testFace(level, index, rule, {}, test);
    }
    return test.result();
}

FacePick pickFaceAmong(const BSPMap& level, std::span<const std::uint32_t> candidates,
                       const Point& eye, const Vec3& direction, const PickRule& rule,
                       const PickVertices& moved) {
    if (direction.getLength() <= 0.0f) {
        return {};
    }
    RayTest test(eye, direction);
    const std::size_t faceCount = level.getFaces().size();
    for (const std::uint32_t index : candidates) {
        if (index < faceCount) {
            testFace(level, index, rule, moved, test);
        }
    }
    return test.result();
}
