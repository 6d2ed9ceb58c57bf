// The one loop that draws a frame's gathered faces; where each face's vertices come from is a
// VertexSource, the way of drawing them is a FaceStyle.
#include <epoxy/gl.h>

#include "level/BSPMap.h"
#include "render/FaceStyle.h"
#include "render/VertexBuffers.h"

namespace {

void pointAtPositions(const FaceVertices& vertices) {
    pointAtRecords(vertices, vertices.first->position, [](const void* address) {
        glVertexPointer(3, GL_FLOAT, kVertexStrideBytes, address);
    });
    pointAtRecords(vertices, vertices.first->normal, [](const void* address) {
        glNormalPointer(GL_FLOAT, kVertexStrideBytes, address);
    });
}

// Each returns the number of draw calls it made.
std::size_t drawPolygonFace(const Face& face, std::uint32_t faceIndex, FaceStyle& style,
                            VertexSource& source) {
    glFrontFace(GL_CW);
    if (!style.beginFace(face, faceIndex)) {
        return 0;
    }
    const FaceVertices vertices = source.ofFace(face);
    pointAtPositions(vertices);
    const std::size_t passes = style.passCount(face);
    for (std::size_t pass = 0; pass < passes; ++pass) {
        style.beginPass(face, pass);
        style.pointAt(face, vertices);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(vertices.corners.size()), GL_UNSIGNED_INT,
                       vertices.corners.data());
    }
    style.endFace(face);
    return passes;
}

// The triangles of a patch grid, from wherever its vertices are, in one call.
std::size_t drawGrid(const BezierPatch& patch, const FaceVertices& vertices) {
    glFrontFace(GL_CCW);
    pointAtPositions(vertices);
    const std::vector<std::uint32_t>& triangles = patch.getTriangles();
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(triangles.size()), GL_UNSIGNED_INT,
                   triangles.data());
    return 1;
}

std::size_t drawPatchFace(const Face& face, std::uint32_t faceIndex, FaceStyle& style,
                          VertexSource& source) {
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
                const FaceVertices vertices = source.ofPatch(face, patch);
                style.pointAt(face, vertices);
                draws += drawGrid(patch, vertices);
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

// Draws the faces of run, which share one key and are drawn in place, as one call per pass.
std::size_t drawRun(const BSPMap& level, std::span<const std::uint32_t> run, FaceStyle& style,
                    const LevelVertexSource& source, std::vector<std::uint32_t>& corners) {
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
    const FaceVertices whole = source.wholeLevel();
    pointAtPositions(whole);
    const std::size_t passes = style.passCount(first);
    for (std::size_t pass = 0; pass < passes; ++pass) {
        style.beginPass(first, pass);
        style.pointAt(first, whole);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(corners.size()), GL_UNSIGNED_INT,
                       corners.data());
    }
    style.endFace(first);
    return passes;
}

bool joinsRuns(const Face& face, const VertexSources& sources) {
    return isPolygonOrMesh(face) && sources.inPlace(face);
}

// The length of the run of faces from order[begin] on that the style draws as one.
std::size_t runLength(const std::vector<Face>& faces, std::span<const std::uint32_t> order,
                      std::size_t begin, const FaceStyle& style, const VertexSources& sources) {
    const Face& first = faces[order[begin]];
    const std::uint64_t key = style.runKey(first);
    std::size_t end = begin + 1;
    if (key == FaceStyle::kDrawAlone || !joinsRuns(first, sources)) {
        return 1;
    }
    while (end < order.size() && style.runKey(faces[order[end]]) == key &&
           joinsRuns(faces[order[end]], sources)) {
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
                      VertexSources& sources, std::vector<std::uint32_t>& runCorners) {
    std::size_t draws = 0;
    style.begin();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    const std::vector<Face>& faces = level.getFaces();
    for (std::size_t at = 0; at < order.size();) {
        const std::uint32_t faceIndex = order[at];
        const Face& face = faces[faceIndex];
        const std::size_t length = runLength(faces, order, at, style, sources);
        if (length > 1) {
            draws +=
                drawRun(level, order.subspan(at, length), style, sources.levelArrays(), runCorners);
            at += length;
            continue;
        }
        ++at;
        switch (face.type) {
            case kPolygonFace:
            case kMeshFace:
                draws += drawPolygonFace(face, faceIndex, style, sources.of(face));
                break;
            case kPatchFace:
                draws += drawPatchFace(face, faceIndex, style, sources.of(face));
                break;
            default:
                // Billboards and unknown types are counted but not drawn.
                break;
        }
    }
    style.end();
    return draws;
}

std::size_t drawFaces(const BSPMap& level, std::span<const std::uint32_t> order, FaceStyle& style,
                      const VertexBuffers* buffers, std::vector<std::uint32_t>& runCorners) {
    LevelVertexSource levelArrays(level.getVertices(), level.getMeshVertices(), buffers);
    LevelVertexSources sources(levelArrays);
    return drawFaces(level, order, style, sources, runCorners);
}
