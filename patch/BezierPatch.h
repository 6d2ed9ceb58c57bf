// BezierPatch: one quadratic 3 x 3 patch, its tessellated vertex grid and its triangle strips.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "level/Vertex.h"

class TextureManager;

// The triangle strips of a level-L vertex grid: L strips of 2 * (L+1) indices laid end to end,
// strip k zigzagging between vertex lines k and k + 1; and the same triangles, corners in the
// order the strips give them, as one list.
struct StripTable {
    std::vector<std::uint32_t> indices;
    std::vector<std::int32_t> counts;
    std::vector<std::uint32_t> triangles;
};

// The highest level the keys reach.
inline constexpr int kTopPatchLevel = 20;

class BezierPatch {
public:
    // controls are row-major: controls[3r + c] is control row r, column c.
    explicit BezierPatch(const Vertex (&controlVertices)[9]);
    virtual ~BezierPatch() = default;
    BezierPatch(const BezierPatch& other);
    BezierPatch& operator=(const BezierPatch& other);
    // The moved-from patch is left with no vertices, as if never tessellated.
    BezierPatch(BezierPatch&& other) noexcept;
    BezierPatch& operator=(BezierPatch&& other) noexcept;

    // level is 1 to kTopPatchLevel (a level outside is clamped). Fills the patch's own vertex
    // array anew in place; it allocates only when level is above every level this patch had
    // before, or when the vertices lived in a caller's storage until now.
    void tessellate(int level);
    // The same grid, written into storage the caller owns: room for (level + 1)^2 vertices,
    // alive and unmoved while the patch is drawn from it. The patch's own array, if any, is
    // released.
    void tessellateInto(int level, Vertex* storage);
    // (level + 1)^2, the vertices of a level's grid (level clamped as above).
    static std::size_t gridVertexCount(int level);
    // Needs the vertex and normal client arrays enabled by the caller; leaves the front face CCW.
    void draw(std::int32_t textureIndex, TextureManager& textureManager,
              bool texturesEnabled) const;

    // Points the vertex and normal arrays at the grid and draws the strips; the caller sets any
    // texture coordinate and colour arrays. Leaves the front face CCW.
    void drawStrips() const;

    int getTessLevel() const { return tessLevel; }
    std::span<const Vertex> getVertices() const { return {vertices, vertexCount}; }
    // Shared by every patch at the same level.
    const std::vector<std::uint32_t>& getIndices() const { return strips->indices; }
    const std::vector<std::int32_t>& getStripCounts() const { return strips->counts; }
    // The strips' triangles as one list, so that a grid is one draw; shared like the strips.
    const std::vector<std::uint32_t>& getTriangles() const { return strips->triangles; }
    const Vertex& getControl(int index) const { return controls[index]; }

private:
    // Computes the level's grid into storage and points the patch at it.
    void fill(int level, Vertex* storage);

    std::int32_t tessLevel = 0;
    struct ReleaseStorage {
        void operator()(Vertex* storage) const { ::operator delete(storage); }
    };
    // Raw storage rather than a vector: a vector would zero every new vertex before the
    // tessellation writes it. Empty while the vertices live in a caller's storage.
    std::unique_ptr<Vertex[], ReleaseStorage> ownVertices;
    std::size_t ownCapacity = 0;
    // (L+1)^2 vertices, in ownVertices or the caller's storage; vertex (i, j) sits at
    // i * (L+1) + j.
    Vertex* vertices = nullptr;
    std::size_t vertexCount = 0;
    // Those of level 0 (none) until the first tessellation.
    const StripTable* strips;
    Vertex controls[9];
};
