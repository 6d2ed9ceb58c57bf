// The patch operations of a face: cutting its control grid into 3 x 3 patches, re-tessellating
// and drawing them.
#include <cstddef>
#include <cstdint>

#include "level/Face.h"

namespace {

// Fills the nine controls of the patch whose top-left control sits at base; false (and nothing
// read) when any of them lies outside levelVertices. The arithmetic is 64-bit because the grid
// numbers come straight from the file and may be negative or huge.
bool gatherControls(const std::vector<Vertex>& levelVertices, std::int64_t base, std::int64_t width,
                    Vertex (&controls)[9]) {
    const auto vertexCount = static_cast<std::int64_t>(levelVertices.size());
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            const std::int64_t index = base + row * width + column;
            if (index < 0 || index >= vertexCount) {
                return false;
            }
            controls[3 * row + column] = levelVertices[static_cast<std::size_t>(index)];
        }
    }
    return true;
}

}  // namespace

void Face::buildPatches(const std::vector<Vertex>& levelVertices) {
    const std::size_t first = patches.size();
    cutPatches(levelVertices);
    for (std::size_t p = first; p < patches.size(); ++p) {
        patches[p].tessellate(kInitialPatchLevel);
    }
}

void Face::cutPatches(const std::vector<Vertex>& levelVertices) {
    const std::int64_t width = patchSize[0];
    const std::int64_t height = patchSize[1];
    const PatchGrid grid = PatchGrid::of(width, height);
    Vertex controls[9];
    // A bad patch ends the loops at once, so huge grid numbers never make them run long.
    for (std::int64_t py = 0; py < grid.rows; ++py) {
        for (std::int64_t px = 0; px < grid.columns; ++px) {
            const std::int64_t base = firstVertex + 2 * py * width + 2 * px;
            if (!gatherControls(levelVertices, base, width, controls)) {
                return;
            }
            patches.emplace_back(controls);
        }
    }
}

void Face::tessellatePatches(int level) {
    for (BezierPatch& patch : patches) {
        patch.tessellate(level);
    }
}

void Face::drawPatches(std::int32_t textureIndex, TextureManager& textureManager,
                       bool texturesEnabled) const {
    for (const BezierPatch& patch : patches) {
        patch.draw(textureIndex, textureManager, texturesEnabled);
    }
}
