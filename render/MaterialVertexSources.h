// The vertex sources of the material view: a sprite quad turned toward the eye for the faces of
// autosprite and autosprite2 materials, a deformed copy for the faces of materials with other
// deforms, the level's arrays for the rest.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "level/FacePick.h"
#include "level/Vertex.h"
#include "render/SpriteCorners.h"
#include "render/VertexSource.h"

class LevelMaterials;

// The eye of the modelview matrix GL holds now. Needs GL.
EyeFrame eyeOfCurrentModelview();

// A four-cornered face of an autosprite or autosprite2 material drawn from a copy of its
// vertices turned toward the eye; a quad that cannot be turned is drawn as the level has it.
class SpriteVertexSource : public VertexSource {
public:
    // quad: where the turned copy is made; it lives with the level, so that frames allocate
    // nothing.
    SpriteVertexSource(const LevelMaterials& materials, LevelVertexSource& level,
                       std::span<const Vertex> vertices, std::span<const std::int32_t> meshVertices,
                       const EyeFrame& eye, std::array<Vertex, 4>& quad);

    // A four-cornered polygon or mesh face of an autosprite or autosprite2 material whose
    // corners are its own four vertices.
    bool takes(const Face& face) const;
    FaceVertices ofFace(const Face& face) override;
    FaceVertices ofPatch(const Face& face, const BezierPatch& patch) override {
        return level.ofPatch(face, patch);
    }
    // The modelview changed: the eye is read from GL again before the next quad is turned.
    void readEyeAgain() { eyeStale = true; }

private:
    // Turns the face's corners into the quad; false when it cannot be turned.
    bool turn(const Face& face);

    const LevelMaterials& materials;
    LevelVertexSource& level;
    std::span<const Vertex> vertices;
    std::span<const std::int32_t> meshVertices;
    EyeFrame eye;
    bool eyeStale = false;
    std::array<Vertex, 4>& quad;
};

// A face of a material whose deforms move its vertices (deformsVertices) drawn from a copy of
// them deformed at the clock. A face whose copy would not fit (or a polygon whose corners reach
// beyond its own vertices) is drawn as the level has it.
class DeformVertexSource : public VertexSource {
public:
    // copy: where the deformed vertices are made; it lives with the level and is sized at load
    // (sizeDeformScratch), so that frames allocate nothing.
    DeformVertexSource(const LevelMaterials& materials, LevelVertexSource& level,
                       std::span<const Vertex> vertices, std::span<const std::int32_t> meshVertices,
                       double seconds, std::vector<Vertex>& copy);

    bool takes(const Face& face) const;
    FaceVertices ofFace(const Face& face) override;
    FaceVertices ofPatch(const Face& face, const BezierPatch& patch) override;

private:
    // Copies from into the scratch and deforms it; false when it does not fit.
    bool deformCopy(const Face& face, std::span<const Vertex> from);

    const LevelMaterials& materials;
    LevelVertexSource& level;
    std::span<const Vertex> vertices;
    std::span<const std::int32_t> meshVertices;
    double seconds;
    std::vector<Vertex>& copy;
};

// Where the material view draws a face's vertices at seconds, for a pick: the faces of materials
// that deform them (deformsVertices) as a copy deformed in copy, the rest as stored. The copy
// must outlive the function's use.
PickVertices deformedForPick(const LevelMaterials& materials, double seconds,
                             std::vector<Vertex>& copy);

// The vertices the deform copy must hold for the level's faces: the most of one polygon or mesh
// face, or of a patch grid at the top level, among the faces of materials that deform them.
std::size_t deformScratchSize(const LevelMaterials& materials, std::span<const Face> faces);

class MaterialVertexSources : public VertexSources {
public:
    // seconds: the animation clock; deformCopy: see DeformVertexSource; buffers: where the
    // level's records are held on the GL side (may be null).
    MaterialVertexSources(const LevelMaterials& materials, std::span<const Vertex> vertices,
                          std::span<const std::int32_t> meshVertices, const EyeFrame& eye,
                          std::array<Vertex, 4>& spriteQuad, double seconds,
                          std::vector<Vertex>& deformCopy, const VertexBuffers* buffers);

    MaterialVertexSources(const MaterialVertexSources&) = delete;
    MaterialVertexSources& operator=(const MaterialVertexSources&) = delete;

    VertexSource& of(const Face& face) override;
    // A sprite turns the face; its other deforms are not drawn.
    bool inPlace(const Face& face) const override {
        return !sprite.takes(face) && !deform.takes(face);
    }
    void modelviewChanged() override { sprite.readEyeAgain(); }
    const LevelVertexSource& levelArrays() const override { return level; }

private:
    LevelVertexSource level;
    SpriteVertexSource sprite;
    DeformVertexSource deform;
};
