// PatchTessellator: tessellates every patch of a level into one vertex store, a slot of
// (level + 1)^2 vertices per patch.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "level/Vertex.h"
#include "patch/BezierPatch.h"

class PatchTessellator {
public:
    PatchTessellator() = default;
    PatchTessellator(const PatchTessellator&) = delete;
    PatchTessellator& operator=(const PatchTessellator&) = delete;

    // The patches to tessellate from now on; they must stay where they are (a loaded level's
    // faces never change).
    void attach(std::vector<BezierPatch*> levelPatches);

    // Every attached patch at level (clamped to 1..kTopPatchLevel), bit for bit what
    // BezierPatch::tessellate gives, each patch pointed at its slot in the store.
    void tessellate(int level);

    // The bytes the store holds: the grids of every patch at the highest level so far.
    std::size_t storeBytes() const { return store.size() * sizeof(Vertex); }
    // The level of the last tessellate (0 before the first) and the grids it made, patch after
    // patch in the attached order.
    int level() const { return gridLevel; }
    std::span<const Vertex> grids() const;

private:
    std::vector<BezierPatch*> patches;
    // Room for the top level is reserved by attach, so no level change allocates; the size only
    // grows, to the highest level so far.
    std::vector<Vertex> store;
    int gridLevel = 0;
};
