// VertexSource: where the vertices of a face come from in a frame (the level's own arrays, or a
// copy a source fills for the face), and FaceVertices, what the face loop and the styles point GL
// at for one face or one patch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "level/Vertex.h"

class BezierPatch;
class Face;
class VertexBuffers;

// Where a face's records are held in a buffer object: buffer 0 when they are in client memory
// only; offset is the byte offset of the first record in the buffer.
struct BufferPlace {
    unsigned buffer = 0;
    std::size_t offset = 0;
};

// The vertices one face (or one patch of a patch face) is drawn from. Polygon and mesh corners
// count from first; a patch's strips index its grid from first.
struct FaceVertices {
    // Records kVertexStrideBytes apart; they live at least until the face is drawn.
    const Vertex* first = nullptr;
    // For a polygon or mesh face: first's place in the arrays kept beside the level's vertices
    // (their lit colours, the fog and turb scratch), which a copy shares with the records it
    // stands for. Unused for a patch.
    std::size_t levelIndex = 0;
    // A patch's tessellated grid, whose vertices have no entries beside the level's.
    bool patchGrid = false;
    // How many records from first the face owns; corners beyond them (the validator allows
    // them on the level's arrays) reach the level's neighbours.
    std::size_t ownCount = 0;
    // The corners, counted from first; empty for a patch.
    std::span<const std::int32_t> corners;
    // Where first is held on the GL side, if anywhere (see pointAtRecords).
    BufferPlace place;
};

// Calls visit(entry, vertex) for every vertex the face's corners (or its grid) reach: entry is
// the vertex's place in arrays beside the level's vertices, or in the grid for a patch.
template <typename Visit>
void forEachFaceVertex(const FaceVertices& vertices, Visit visit) {
    const auto own = static_cast<std::int64_t>(vertices.ownCount);
    for (std::int64_t offset = 0; offset < own; ++offset) {
        visit(vertices.levelIndex + std::size_t(offset), vertices.first[offset]);
    }
    for (const std::int32_t offset : vertices.corners) {
        if (offset < 0 || offset >= own) {
            visit(std::size_t(std::int64_t(vertices.levelIndex) + offset), vertices.first[offset]);
        }
    }
}

class VertexSource {
public:
    virtual ~VertexSource() = default;
    // The vertices of a polygon or mesh face this frame. Levels' vertices and mesh corners are
    // those the validator checked.
    virtual FaceVertices ofFace(const Face& face) = 0;
    // The vertices of one patch of a patch face this frame; the patch has vertices.
    virtual FaceVertices ofPatch(const Face& face, const BezierPatch& patch) = 0;
};

// The level's arrays in place: polygon and mesh faces from the level's vertices, patches from
// their tessellated grids; read from buffers where buffers (which may be null) hold them.
class LevelVertexSource : public VertexSource {
public:
    LevelVertexSource(std::span<const Vertex> levelVertices,
                      std::span<const std::int32_t> levelMeshVertices,
                      const VertexBuffers* heldIn = nullptr)
        : vertices(levelVertices), meshVertices(levelMeshVertices), buffers(heldIn) {}

    FaceVertices ofFace(const Face& face) override;
    FaceVertices ofPatch(const Face& face, const BezierPatch& patch) override;
    // The level's vertices from the first: what a run's joined corners index.
    FaceVertices wholeLevel() const;

private:
    BufferPlace placeOf(const Vertex* first) const;

    std::span<const Vertex> vertices;
    std::span<const std::int32_t> meshVertices;
    const VertexBuffers* buffers;
};

// Which source each face of a frame is drawn from.
class VertexSources {
public:
    virtual ~VertexSources() = default;
    virtual VertexSource& of(const Face& face) = 0;
    // The face is drawn from the level's arrays in place, so it may share a draw with others.
    virtual bool inPlace(const Face& face) const = 0;
    // The modelview matrix changed (a brush entity's placement pushed or popped): a source that
    // turns copies toward the eye reads it again.
    virtual void modelviewChanged() {}
    // The source of the faces drawn in place.
    virtual const LevelVertexSource& levelArrays() const = 0;
};

// Every face from the level's arrays.
class LevelVertexSources : public VertexSources {
public:
    explicit LevelVertexSources(LevelVertexSource& levelSource) : level(levelSource) {}
    VertexSource& of(const Face&) override { return level; }
    bool inPlace(const Face&) const override { return true; }
    const LevelVertexSource& levelArrays() const override { return level; }

private:
    LevelVertexSource& level;
};
