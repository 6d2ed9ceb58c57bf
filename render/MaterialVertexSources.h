// The vertex sources of the material view: a sprite quad turned toward the eye for the faces of
// autosprite and autosprite2 materials, the level's arrays for the rest.
#pragma once

#include <array>
#include <span>

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

private:
    // Turns the face's corners into the quad; false when it cannot be turned.
    bool turn(const Face& face);

    const LevelMaterials& materials;
    LevelVertexSource& level;
    std::span<const Vertex> vertices;
    std::span<const std::int32_t> meshVertices;
    EyeFrame eye;
    std::array<Vertex, 4>& quad;
};

class MaterialVertexSources : public VertexSources {
public:
    MaterialVertexSources(const LevelMaterials& materials, std::span<const Vertex> vertices,
                          std::span<const std::int32_t> meshVertices, const EyeFrame& eye,
                          std::array<Vertex, 4>& spriteQuad);

    MaterialVertexSources(const MaterialVertexSources&) = delete;
    MaterialVertexSources& operator=(const MaterialVertexSources&) = delete;

    VertexSource& of(const Face& face) override;
    bool inPlace(const Face& face) const override { return !sprite.takes(face); }

private:
    LevelVertexSource level;
    SpriteVertexSource sprite;
};
