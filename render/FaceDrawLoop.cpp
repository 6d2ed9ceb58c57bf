// The one loop that draws a frame's gathered faces; the way of drawing them is a FaceStyle.
#include <epoxy/gl.h>

#include "level/BSPMap.h"
#include "render/FaceStyle.h"

namespace {

// Each returns the number of draw calls it made.
std::size_t drawPolygonFace(const BSPMap& level, const Face& face, std::uint32_t faceIndex,
                            FaceStyle& style) {
    glFrontFace(GL_CW);
    if (!style.beginFace(face, faceIndex)) {
        return 0;
    }
    // GL reads the level's own arrays in place; the mesh vertices are offsets from the first
    // vertex. The validator guarantees both ranges.
    const auto firstIndex = static_cast<std::size_t>(face.firstVertex);
    const Vertex& first = level.getVertices()[firstIndex];
    glVertexPointer(3, GL_FLOAT, kVertexStrideBytes, first.position);
    glNormalPointer(GL_FLOAT, kVertexStrideBytes, first.normal);
    const std::int32_t* corners = level.getMeshVertices().data() + face.firstMeshVertex;
    const std::size_t passes = style.passCount(face);
    for (std::size_t pass = 0; pass < passes; ++pass) {
        style.beginPass(face, pass);
        style.pointAtFaceVertices(face, first, firstIndex);
        glDrawElements(GL_TRIANGLES, face.numMeshVertices, GL_UNSIGNED_INT, corners);
    }
    style.endFace(face);
    return passes;
}

std::size_t drawPatchFace(const Face& face, std::uint32_t faceIndex, FaceStyle& style) {
    // A curved surface is seen from both sides.
    glDisable(GL_CULL_FACE);
    std::size_t draws = 0;
    if (style.beginFace(face, faceIndex)) {
        const std::size_t passes = style.passCount(face);
        for (std::size_t pass = 0; pass < passes; ++pass) {
            style.beginPass(face, pass);
            for (const BezierPatch& patch : face.patches) {
                if (patch.getVertices().empty()) {
                    continue;
                }
                style.pointAtPatch(face, patch);
                patch.drawStrips();
                draws += patch.getStripCounts().size();
            }
        }
        style.endFace(face);
    }
    glEnable(GL_CULL_FACE);
    return draws;
}

bool isPolygonOrMesh(const Face& face) {
    return face.type == kPolygonFace || face.type == kMeshFace;
}

// Draws the faces of run, which share one key, as one call per pass.
std::size_t drawRun(const BSPMap& level, std::span<const std::uint32_t> run, FaceStyle& style,
                    std::vector<std::uint32_t>& corners) {
    const std::vector<Face>& faces = level.getFaces();
    const std::vector<std::int32_t>& meshVertices = level.getMeshVertices();
    corners.clear();
    for (const std::uint32_t faceIndex : run) {
        const Face& face = faces[faceIndex];
        // The validator guarantees both ranges; the corners become indices into the level's
        // vertices.
        for (std::int32_t k = 0; k < face.numMeshVertices; ++k) {
            corners.push_back(static_cast<std::uint32_t>(
                face.firstVertex + meshVertices[std::size_t(face.firstMeshVertex + k)]));
        }
    }
    const Face& first = faces[run.front()];
    glFrontFace(GL_CW);
    if (!style.beginFace(first, run.front())) {
        return 0;
    }
    const Vertex& origin = level.getVertices().front();
    glVertexPointer(3, GL_FLOAT, kVertexStrideBytes, origin.position);
    glNormalPointer(GL_FLOAT, kVertexStrideBytes, origin.normal);
    const std::size_t passes = style.passCount(first);
    for (std::size_t pass = 0; pass < passes; ++pass) {
        style.beginPass(first, pass);
        style.pointAtFaceVertices(first, origin, 0);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(corners.size()), GL_UNSIGNED_INT,
                       corners.data());
    }
    style.endFace(first);
    return passes;
}

// The length of the run of faces from order[begin] on that the style draws as one.
std::size_t runLength(const std::vector<Face>& faces, std::span<const std::uint32_t> order,
                      std::size_t begin, const FaceStyle& style) {
    const Face& first = faces[order[begin]];
    const std::uint64_t key = style.runKey(first);
    std::size_t end = begin + 1;
    if (key == FaceStyle::kDrawAlone || !isPolygonOrMesh(first)) {
        return 1;
    }
    while (end < order.size() && isPolygonOrMesh(faces[order[end]]) &&
           style.runKey(faces[order[end]]) == key) {
        ++end;
    }
    return end - begin;
}

}  // namespace

std::uint64_t textureAndPageKey(const Face& face) {
    return std::uint64_t(static_cast<std::uint32_t>(face.texture)) << 32 |
           static_cast<std::uint32_t>(face.lightmap);
}

std::size_t drawFaces(const BSPMap& level, std::span<const std::uint32_t> order, FaceStyle& style,
                      std::vector<std::uint32_t>& runCorners) {
    std::size_t draws = 0;
    style.begin();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    const std::vector<Face>& faces = level.getFaces();
    for (std::size_t at = 0; at < order.size();) {
        const std::uint32_t faceIndex = order[at];
        const Face& face = faces[faceIndex];
        const std::size_t length = runLength(faces, order, at, style);
        if (length > 1) {
            draws += drawRun(level, order.subspan(at, length), style, runCorners);
            at += length;
            continue;
        }
        ++at;
        switch (face.type) {
            case kPolygonFace:
            case kMeshFace:
                draws += drawPolygonFace(level, face, faceIndex, style);
                break;
            case kPatchFace:
                draws += drawPatchFace(face, faceIndex, style);
                break;
            default:
                // Billboards and unknown types are counted but not drawn.
                break;
        }
    }
    style.end();
    return draws;
}
