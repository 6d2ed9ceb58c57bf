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
// strip k zigzagging between vertex lines k and k + 1.
struct StripTable {
    std::vector<std::uint32_t> indices;
    std::vector<std::int32_t> counts;
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

    // level is 1 to kTopPatchLevel (a level outside is clamped). Fills the vertex array anew in
    // place; it allocates only when level is above every level this patch had before.
    void tessellate(int level);
    // Needs the vertex and normal client arrays enabled by the caller; leaves the front face CCW.
    void draw(std::int32_t textureIndex, TextureManager& textureManager,
              bool texturesEnabled) const;

    // Points the vertex and normal arrays at the grid and draws the strips; the caller sets any
    // texture coordinate and colour arrays. Leaves the front face CCW.
    void drawStrips() const;

    int getTessLevel() const { return tessLevel; }
    std::span<const Vertex> getVertices() const { return {vertices.get(), vertexCount}; }
    // Shared by every patch at the same level.
    const std::vector<std::uint32_t>& getIndices() const { return strips->indices; }
    const std::vector<std::int32_t>& getStripCounts() const { return strips->counts; }
    const Vertex& getControl(int index) const { return controls[index]; }

private:
    std::int32_t tessLevel = 0;
    struct ReleaseStorage {
        void operator()(Vertex* storage) const { ::operator delete(storage); }
    };
    // (L+1)^2 vertices; vertex (i, j) sits at i * (L+1) + j. Raw storage rather than a vector:
    // a vector would zero every new vertex before the tessellation writes it.
    std::unique_ptr<Vertex[], ReleaseStorage> vertices;
    std::size_t vertexCount = 0;
    std::size_t vertexCapacity = 0;
    // Those of level 0 (none) until the first tessellation.
    const StripTable* strips;
    Vertex controls[9];
};
