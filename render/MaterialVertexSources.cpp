// Choosing each face's vertex source in the material view, turning sprite quads and deforming
// copies.
#include "render/MaterialVertexSources.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <optional>

#include "level/Face.h"
#include "patch/BezierPatch.h"
#include "render/LevelMaterials.h"
#include "render/VertexDeforms.h"

namespace {

// The material's autosprite or autosprite2 deform, or null.
const Deform* spriteDeform(const Material* material) {
    if (material == nullptr) {
        return nullptr;
    }
    const auto found =
        std::find_if(material->deforms.begin(), material->deforms.end(), [](const Deform& deform) {
            return deform.kind == DeformKind::autosprite || deform.kind == DeformKind::autosprite2;
        });
    return found == material->deforms.end() ? nullptr : &*found;
}

Point3 pointOf(const float (&position)[3]) {
    return {position[0], position[1], position[2]};
}

}  // namespace

EyeFrame eyeOfCurrentModelview() {
    std::array<float, 16> modelview{};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    return eyeOfModelview(modelview);
}

SpriteVertexSource::SpriteVertexSource(const LevelMaterials& levelMaterials,
                                       LevelVertexSource& levelSource,
                                       std::span<const Vertex> levelVertices,
                                       std::span<const std::int32_t> levelMeshVertices,
                                       const EyeFrame& eyeFrame, std::array<Vertex, 4>& quadScratch)
    : materials(levelMaterials),
      level(levelSource),
      vertices(levelVertices),
      meshVertices(levelMeshVertices),
      eye(eyeFrame),
      quad(quadScratch) {}

bool SpriteVertexSource::takes(const Face& face) const {
    if ((face.type != kPolygonFace && face.type != kMeshFace) || face.numVertices != 4 ||
        face.firstVertex < 0 || std::size_t(face.firstVertex) + 4 > vertices.size() ||
        face.numMeshVertices < 3 || face.firstMeshVertex < 0 ||
        std::size_t(face.firstMeshVertex) + std::size_t(face.numMeshVertices) >
            meshVertices.size() ||
        spriteDeform(materials.of(face.texture).material) == nullptr) {
        return false;
    }
    // The quad is drawn from a copy of its four vertices, so every corner must be one of them.
    const auto corners =
        meshVertices.subspan(std::size_t(face.firstMeshVertex), std::size_t(face.numMeshVertices));
    return std::all_of(corners.begin(), corners.end(),
                       [](std::int32_t offset) { return offset >= 0 && offset < 4; });
}

FaceVertices SpriteVertexSource::ofFace(const Face& face) {
    FaceVertices faceVertices = level.ofFace(face);
    if (turn(face)) {
        // The copy stands for the face's own four vertices, in their order.
        faceVertices.first = quad.data();
        faceVertices.place = {};
    }
    return faceVertices;
}

bool SpriteVertexSource::turn(const Face& face) {
    if (eyeStale) {
        eye = eyeOfCurrentModelview();
        eyeStale = false;
    }
    const Vertex* corners = &vertices[std::size_t(face.firstVertex)];
    QuadCorners turnedFrom;
    for (std::size_t i = 0; i < turnedFrom.size(); ++i) {
        turnedFrom[i] = pointOf(corners[i].position);
    }
    const std::int32_t* triangle = &meshVertices[std::size_t(face.firstMeshVertex)];
    const std::optional<Point3> front =
        clockwiseFront(turnedFrom[std::size_t(triangle[0])], turnedFrom[std::size_t(triangle[1])],
                       turnedFrom[std::size_t(triangle[2])]);
    if (!front) {
        return false;
    }
    const bool wholeTurn =
        spriteDeform(materials.of(face.texture).material)->kind == DeformKind::autosprite;
    const std::optional<QuadCorners> turned = wholeTurn
                                                  ? facingTheEye(turnedFrom, *front, eye)
                                                  : turnedAboutLongAxis(turnedFrom, *front, eye);
    if (!turned) {
        return false;
    }
    for (std::size_t i = 0; i < quad.size(); ++i) {
        quad[i] = corners[i];
        std::copy((*turned)[i].begin(), (*turned)[i].end(), quad[i].position);
    }
    return true;
}

DeformVertexSource::DeformVertexSource(const LevelMaterials& levelMaterials,
                                       LevelVertexSource& levelSource,
                                       std::span<const Vertex> levelVertices,
                                       std::span<const std::int32_t> levelMeshVertices,
                                       double clockSeconds, std::vector<Vertex>& copyScratch)
    : materials(levelMaterials),
      level(levelSource),
      vertices(levelVertices),
      meshVertices(levelMeshVertices),
      seconds(clockSeconds),
      copy(copyScratch) {}

bool DeformVertexSource::takes(const Face& face) const {
    if (!deformsVertices(materials.of(face.texture).material)) {
        return false;
    }
    if (face.type == kPatchFace) {
        return true;
    }
    if ((face.type != kPolygonFace && face.type != kMeshFace) || face.numVertices < 0 ||
        std::size_t(face.numVertices) > copy.size()) {
        return false;
    }
    // The validator checked the ranges; the copy stands for the face's own vertices only.
    const auto corners =
        meshVertices.subspan(std::size_t(face.firstMeshVertex), std::size_t(face.numMeshVertices));
    return std::all_of(corners.begin(), corners.end(), [&face](std::int32_t offset) {
        return offset >= 0 && offset < face.numVertices;
    });
}

bool DeformVertexSource::deformCopy(const Face& face, std::span<const Vertex> from) {
    const Material* material = materials.of(face.texture).material;
    if (material == nullptr || from.size() > copy.size()) {
        return false;
    }
    std::copy(from.begin(), from.end(), copy.begin());
    deformVertices(*material, seconds, std::span<Vertex>(copy).first(from.size()));
    return true;
}

FaceVertices DeformVertexSource::ofFace(const Face& face) {
    FaceVertices faceVertices = level.ofFace(face);
    if (takes(face) &&
        deformCopy(face, std::span<const Vertex>(faceVertices.first, faceVertices.ownCount))) {
        // The copy stands for the face's own vertices, in their order.
        faceVertices.first = copy.data();
        faceVertices.place = {};
    }
    return faceVertices;
}

FaceVertices DeformVertexSource::ofPatch(const Face& face, const BezierPatch& patch) {
    FaceVertices faceVertices = level.ofPatch(face, patch);
    if (deformCopy(face, patch.getVertices())) {
        faceVertices.first = copy.data();
        faceVertices.place = {};
    }
    return faceVertices;
}

PickVertices deformedForPick(const LevelMaterials& materials, double seconds,
                             std::vector<Vertex>& copy) {
    return [&materials, seconds, &copy](const Face& face,
                                        std::span<const Vertex> stored) -> std::span<const Vertex> {
        const Material* material = materials.of(face.texture).material;
        if (!deformsVertices(material)) {
            return stored;
        }
        copy.assign(stored.begin(), stored.end());
        deformVertices(*material, seconds, copy);
        return copy;
    };
}

std::size_t deformScratchSize(const LevelMaterials& materials, std::span<const Face> faces) {
    std::size_t most = 0;
    for (const Face& face : faces) {
        if (!deformsVertices(materials.of(face.texture).material)) {
            continue;
        }
        if (face.type == kPatchFace) {
            most = std::max(most, BezierPatch::gridVertexCount(kTopPatchLevel));
        } else if ((face.type == kPolygonFace || face.type == kMeshFace) && face.numVertices > 0) {
            most = std::max(most, std::size_t(face.numVertices));
        }
    }
    return most;
}

MaterialVertexSources::MaterialVertexSources(const LevelMaterials& materials,
                                             std::span<const Vertex> vertices,
                                             std::span<const std::int32_t> meshVertices,
                                             const EyeFrame& eye, std::array<Vertex, 4>& spriteQuad,
                                             double seconds, std::vector<Vertex>& deformCopy,
                                             const VertexBuffers* buffers)
    : level(vertices, meshVertices, buffers),
      sprite(materials, level, vertices, meshVertices, eye, spriteQuad),
      deform(materials, level, vertices, meshVertices, seconds, deformCopy) {}

VertexSource& MaterialVertexSources::of(const Face& face) {
    if (sprite.takes(face)) {
        return sprite;
    }
    if (deform.takes(face)) {
        return deform;
    }
    return level;
}
