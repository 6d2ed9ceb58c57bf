// PatchTessellator: one vertex store for every patch of a level, refilled on each level change.
#include "patch/PatchTessellator.h"

#include <algorithm>
#include <utility>

void PatchTessellator::attach(std::vector<BezierPatch*> levelPatches) {
    patches = std::move(levelPatches);
    // Room for the top level up front: a rise then never moves the store, and the pages beyond
    // the levels used so far stay untouched, so they cost no memory until a rise writes them.
    store.reserve(patches.size() * BezierPatch::gridVertexCount(kTopPatchLevel));
}

void PatchTessellator::tessellate(int level) {
    level = std::clamp(level, 1, kTopPatchLevel);
    const std::size_t slot = BezierPatch::gridVertexCount(level);
    if (store.size() < patches.size() * slot) {
        store.resize(patches.size() * slot);
    }
    for (std::size_t p = 0; p < patches.size(); ++p) {
        patches[p]->tessellateInto(level, store.data() + p * slot);
    }
    gridLevel = level;
}

std::span<const Vertex> PatchTessellator::grids() const {
    if (gridLevel == 0) {
        return {};
    }
    return std::span<const Vertex>(store).first(patches.size() *
                                                BezierPatch::gridVertexCount(gridLevel));
}
