// The patch operations of a face: cutting its control grid into 3 x 3 patches, re-tessellating
// and drawing them.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "level/Face.h"

std::int64_t PatchGrid::buildableCount(std::int64_t firstVertex, std::size_t vertexCount) const {
    if (count() == 0 || firstVertex < 0) {
        return 0;
    }
    // Every patch's first control is its smallest index and its last, 2 * width + 2 further on,
    // its largest; the first control grows with the patch number, so the patches that fit are
    // exactly those whose first control lies within room.
    const std::int64_t room =
        static_cast<std::int64_t>(vertexCount) - 1 - (2 * width + 2) - firstVertex;
    if (room < 0) {
        return 0;
    }
    const std::int64_t rowStride = 2 * width;
    const std::int64_t lastRow = std::min(rows, room / rowStride + 1) - 1;
    const std::int64_t lastRowPatches = std::min(columns, (room - lastRow * rowStride) / 2 + 1);
    return lastRow * columns + lastRowPatches;
}

void Face::buildPatches(const std::vector<Vertex>& levelVertices) {
    const std::size_t first = patches.size();
    cutPatches(levelVertices);
    for (std::size_t p = first; p < patches.size(); ++p) {
        patches[p].tessellate(kInitialPatchLevel);
    }
}

void Face::cutPatches(const std::vector<Vertex>& levelVertices) {
    const PatchGrid grid = PatchGrid::of(patchSize[0], patchSize[1]);
    const std::int64_t count = grid.buildableCount(firstVertex, levelVertices.size());
    Vertex controls[9];
    for (std::int64_t patch = 0; patch < count; ++patch) {
        for (int control = 0; control < 9; ++control) {
            controls[control] = levelVertices[static_cast<std::size_t>(
                firstVertex + grid.controlOffset(patch, control))];
        }
        patches.emplace_back(controls);
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
