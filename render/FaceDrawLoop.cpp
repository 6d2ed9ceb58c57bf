// The one loop that draws a frame's gathered faces; the way of drawing them is a FaceStyle.
#include <epoxy/gl.h>

#include "level/BSPMap.h"
#include "render/FaceStyle.h"

namespace {

void drawPolygonFace(const BSPMap& level, const Face& face, std::uint32_t faceIndex,
                     FaceStyle& style) {
    glFrontFace(GL_CW);
    if (!style.beginFace(face, faceIndex)) {
        return;
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
}

void drawPatchFace(const Face& face, std::uint32_t faceIndex, FaceStyle& style) {
    // A curved surface is seen from both sides.
    glDisable(GL_CULL_FACE);
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
            }
        }
        style.endFace(face);
    }
    glEnable(GL_CULL_FACE);
}

}  // namespace

void drawFaces(const BSPMap& level, std::span<const std::uint32_t> order, FaceStyle& style) {
    style.begin();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    const std::vector<Face>& faces = level.getFaces();
    for (const std::uint32_t faceIndex : order) {
        const Face& face = faces[faceIndex];
        switch (face.type) {
            case kPolygonFace:
            case kMeshFace:
                drawPolygonFace(level, face, faceIndex, style);
                break;
            case kPatchFace:
                drawPatchFace(face, faceIndex, style);
                break;
            default:
                // Billboards and unknown types are counted but not drawn.
                break;
        }
    }
    style.end();
}
