// libFuzzer target: arbitrary bytes go to the level loader and validator. A level they call sound
// must then hold up under everything the per-frame path reads without checks of its own, under a
// change of patch level, and under the entity view's light for each entity it places; none of it
// needs a GL context.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "assets/AssetStore.h"
#include "level/BSPMap.h"
#include "level/Entities.h"
#include "level/Face.h"
#include "level/LightGrid.h"
#include "level/Records.h"
#include "texture/TextureCache.h"

namespace {

// Stops the run as a finding: the validator passed a level the per-frame path cannot use.
void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

// Reads what glDrawElements would read for every polygon and mesh face a leaf lists; at() turns a
// read outside an array into an uncaught exception, which the fuzzer reports.
void readDrawnFaces(const BSPMap& level) {
    const auto& leafFaces = level.getLeafFaces();
    const auto& faces = level.getFaces();
    const auto& meshVertices = level.getMeshVertices();
    const auto& vertices = level.getVertices();
    for (const Leaf& leaf : level.getLeaves()) {
        for (std::int64_t k = 0; k < leaf.numLeafFaces; ++k) {
            const Face& face = faces.at(leafFaces.at(std::size_t(leaf.firstLeafFace + k)));
            if (face.type != kPolygonFace && face.type != kMeshFace) {
                continue;
            }
            for (std::int64_t m = 0; m < face.numMeshVertices; ++m) {
                const std::int32_t offset = meshVertices.at(std::size_t(face.firstMeshVertex + m));
                [[maybe_unused]] const Vertex& read =
                    vertices.at(std::size_t(std::int64_t{face.firstVertex} + offset));
            }
        }
    }
}

// The per-frame leaf descent from a few positions, and the PVS test for every pair of leaves it
// could meet. A loop in the node graph would hang here and show up as a timeout.
void descendAndTestVisibility(const BSPMap& level) {
    const Point probes[] = {Point(0, 0, 0), Point(1e4f, -1e4f, 3e3f), Point(-7, 5e3f, -1e5f)};
    const auto& leaves = level.getLeaves();
    for (const Point& probe : probes) {
        const std::int32_t leafIndex = level.findLeaf(probe);
        require(leafIndex >= 0 && std::size_t(leafIndex) < leaves.size());
        const std::int32_t cluster = leaves[std::size_t(leafIndex)].cluster;
        for (const Leaf& leaf : leaves) {
            level.isClusterVisible(cluster, leaf.cluster);
        }
    }
}

// What the entity view does at load: the light grid sampled at every entity it places.
void lightPlacedEntities(const BSPMap& level) {
    const auto& models = level.getModels();
    if (models.empty()) {
        return;
    }
    const LightGridResult built =
        LightGrid::build(level.getLightVolumeBytes(), models[0].mins, models[0].maxs);
    for (const Entity& entity : readEntities(level.getEntityText()).entities) {
        if (const std::optional<Point> origin = entity.placedAt(); origin && built.grid) {
            [[maybe_unused]] const LightSample light = built.grid->sample(*origin);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostream discardedTranscript(nullptr);
    LazyAssetStore assets("", discardedTranscript);
    TextureCache textures;
    BSPMap level("", "fuzz.bsp", std::vector<std::uint8_t>(data, data + size), {assets, textures},
                 nullptr, nullptr, discardedTranscript);
    if (level.isSound()) {
        readDrawnFaces(level);
        descendAndTestVisibility(level);
        lightPlacedEntities(level);
        // The keys' re-tessellation, shrinking the arrays built at the load level.
        level.setPatchLevel(3);
    }
    return 0;
}
