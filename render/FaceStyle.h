// FaceStyle: one way of drawing a face (which textures on which unit, which colour, which state),
// and drawFaces, the one loop that draws the gathered faces of a frame in any such way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class BSPMap;
class BezierPatch;
class Face;
class Vertex;

class FaceStyle {
public:
    virtual ~FaceStyle() = default;

    // Before the first face: the state this way of drawing needs.
    virtual void begin() {}
    // False: the face is counted but not drawn this frame. Binds what the face needs.
    virtual bool beginFace(const Face& face, std::uint32_t faceIndex) = 0;
    // How many times the face's geometry is drawn, and the state of each draw, first to last.
    virtual std::size_t passCount(const Face& face) const {
        (void)face;
        return 1;
    }
    virtual void beginPass(const Face& face, std::size_t pass) {
        (void)face;
        (void)pass;
    }
    // The arrays beyond position and normal, which the loop points at first, for the pass begun
    // last: for a polygon or mesh face from its first vertex (levelVertices[firstVertexIndex]),
    // for a patch from its grid.
    virtual void pointAtFaceVertices(const Face& face, const Vertex& first,
                                     std::size_t firstVertexIndex) {
        (void)face;
        (void)first;
        (void)firstVertexIndex;
    }
    virtual void pointAtPatch(const Face& face, const BezierPatch& patch) {
        (void)face;
        (void)patch;
    }
    // After a face that beginFace accepted.
    virtual void endFace(const Face& face) { (void)face; }
    // After the last face.
    virtual void end() {}

    // Polygon and mesh faces that follow one another in the order with the same key (other than
    // kDrawAlone) are drawn as one run: beginFace, beginPass and pointAtFaceVertices are called
    // for the run's first face only, pointAtFaceVertices with the level's first vertex (index 0),
    // and each pass is one call over every face's triangles. A style gives equal keys only to
    // faces it draws exactly alike from the level's own arrays.
    static constexpr std::uint64_t kDrawAlone = ~std::uint64_t{0};
    virtual std::uint64_t runKey(const Face& face) const {
        (void)face;
        return kDrawAlone;
    }
};

// The run key of a style whose faces are drawn alike when they share their texture record and
// lightmap page.
std::uint64_t textureAndPageKey(const Face& face);

// Draws the faces of order, first to last, in style, each pass of a face after the other:
// polygon and mesh faces as indexed triangles read in place from the level's arrays (clockwise
// fronts, culled backs), patch faces as the strips of their tessellated patches with culling off,
// billboards and other types not at all.
// Needs the camera's view in the modelview matrix and GL_CULL_FACE on; leaves the vertex and
// normal arrays enabled. runCorners holds a run's joined triangle corners; it only grows. Returns
// the number of draw calls made.
std::size_t drawFaces(const BSPMap& level, std::span<const std::uint32_t> order, FaceStyle& style,
                      std::vector<std::uint32_t>& runCorners);
