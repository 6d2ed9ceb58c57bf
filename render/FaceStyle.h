// FaceStyle: one way of drawing a face (which textures on which unit, which colour, which state),
// and drawFaces, the one loop that draws the gathered faces of a frame in any such way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "render/VertexSource.h"

class BSPMap;
class Face;

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
    // last: the fields of the vertices the face's source gives (see VertexSource), for a patch
    // face once for each of its patches.
    virtual void pointAt(const Face& face, const FaceVertices& vertices) {
        (void)face;
        (void)vertices;
    }
    // After a face that beginFace accepted.
    virtual void endFace(const Face& face) { (void)face; }
    // After the last face.
    virtual void end() {}

    // Polygon and mesh faces drawn from the level's arrays in place that follow one another in
    // the order with the same key (other than kDrawAlone) are drawn as one run: beginFace,
    // beginPass and pointAt are called for the run's first face only, pointAt with the level's
    // first vertex (index 0), and each pass is one call over every face's triangles. A style
    // gives equal keys only to faces it draws exactly alike.
    static constexpr std::uint64_t kDrawAlone = ~std::uint64_t{0};
    virtual std::uint64_t runKey(const Face& face) const {
        (void)face;
        return kDrawAlone;
    }
};

// The run key of a style whose faces are drawn alike when they share their texture record and
// lightmap page.
std::uint64_t textureAndPageKey(const Face& face);

// Draws the faces of order, first to last, in style, each pass of a face after the other, each
// face from the vertices its source gives: polygon and mesh faces as indexed triangles (clockwise
// fronts, culled backs), patch faces one call per patch grid with culling off, billboards
// and other types not at all.
// Needs the camera's view in the modelview matrix and GL_CULL_FACE on; leaves the vertex and
// normal arrays enabled. runCorners holds a run's joined triangle corners; it only grows. Returns
// the number of draw calls made.
std::size_t drawFaces(const BSPMap& level, std::span<const std::uint32_t> order, FaceStyle& style,
                      VertexSources& sources, std::vector<std::uint32_t>& runCorners);
// Every face from the level's own arrays, read from buffers where they hold them (buffers may be
// null).
std::size_t drawFaces(const BSPMap& level, std::span<const std::uint32_t> order, FaceStyle& style,
                      const VertexBuffers* buffers, std::vector<std::uint32_t>& runCorners);
