// BezierPatch: one quadratic 3 x 3 patch, its tessellated vertex grid and its triangle strips.
#pragma once

#include <cstdint>
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
    BezierPatch(const BezierPatch&) = default;
    BezierPatch& operator=(const BezierPatch&) = default;
    BezierPatch(BezierPatch&&) = default;
    BezierPatch& operator=(BezierPatch&&) = default;

    // level is 1 to kTopPatchLevel (a level outside is clamped). Resizes the vertex array in place
    // and fills it anew; it allocates only when level is above every level this patch had before.
    void tessellate(int level);
    // Needs the vertex and normal client arrays enabled by the caller; leaves the front face CCW.
    void draw(std::int32_t textureIndex, TextureManager& textureManager,
              bool texturesEnabled) const;

    // Points the vertex and normal arrays at the grid and draws the strips; the caller sets any
    // texture coordinate and colour arrays. Leaves the front face CCW.
    void drawStrips() const;

    int getTessLevel() const { return tessLevel; }
    const std::vector<Vertex>& getVertices() const { return vertices; }
    // Shared by every patch at the same level.
    const std::vector<std::uint32_t>& getIndices() const { return strips->indices; }
    const std::vector<std::int32_t>& getStripCounts() const { return strips->counts; }
    const Vertex& getControl(int index) const { return controls[index]; }

private:
    std::int32_t tessLevel = 0;
    // (L+1)^2 vertices; vertex (i, j) sits at i * (L+1) + j.
    std::vector<Vertex> vertices;
    // Those of level 0 (none) until the first tessellation.
    const StripTable* strips;
    Vertex controls[9];
};
