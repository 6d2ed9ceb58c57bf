// BezierPatch: one quadratic 3 x 3 patch, its tessellated vertex grid and its triangle strips.
#pragma once

#include <cstdint>
#include <vector>

#include "level/Vertex.h"

class TextureManager;

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

    // level is at least 1. Resizes the three arrays in place and fills them anew; they allocate
    // only when level is above every level this patch had before.
    void tessellate(int level);
    // Needs the vertex and normal client arrays enabled by the caller; leaves the front face CCW.
    void draw(std::int32_t textureIndex, TextureManager& textureManager,
              bool texturesEnabled) const;

    // Points the vertex and normal arrays at the grid and draws the strips; the caller sets any
    // texture coordinate and colour arrays. Leaves the front face CCW.
    void drawStrips() const;

    int getTessLevel() const { return tessLevel; }
    const std::vector<Vertex>& getVertices() const { return vertices; }
    const std::vector<std::uint32_t>& getIndices() const { return indices; }
    const std::vector<std::int32_t>& getStripCounts() const { return stripCounts; }
    const Vertex& getControl(int index) const { return controls[index]; }

private:
    std::int32_t tessLevel = 0;
    // (L+1)^2 vertices; vertex (i, j) sits at i * (L+1) + j.
    std::vector<Vertex> vertices;
    // L strips of 2 * (L+1) indices laid end to end.
    std::vector<std::uint32_t> indices;
    std::vector<std::int32_t> stripCounts;
    Vertex controls[9];
};
