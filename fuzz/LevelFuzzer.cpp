// libFuzzer target: arbitrary bytes go to the level loader and validator. A level they call sound
// must then hold up under everything the per-frame path reads without checks of its own, under a
// change of patch level, under the entity view's light for each entity it places, and under its
// brush entities' faces, placements and picks at any clock time; none of it needs a GL context.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "assets/AssetStore.h"
#include "level/BSPMap.h"
#include "level/BrushModels.h"
#include "level/Entities.h"
#include "level/FacePick.h"
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

// What the brush-entity view reads: each entity's faces and clusters, which it follows without
// checks, and its placement at clock times from the start to far on, which must stay finite so
// that the pick's inverse and GL's matrix do. The pick runs against the placed faces.
void placeBrushEntities(const BSPMap& level) {
    std::ostream discardedLog(nullptr);
    const BrushModels models(level, discardedLog);
    const std::size_t faceCount = level.getFaces().size();
    std::vector<std::uint32_t> faces;
    for (const BrushEntity& brush : models.entities()) {
        require(brush.firstFace >= 0 && brush.numFaces >= 0 &&
                std::size_t(brush.firstFace) + std::size_t(brush.numFaces) <= faceCount);
        require(brush.motion != BrushMotion::train || !brush.path.empty());
        for (const std::int32_t cluster : brush.clusters) {
            level.isClusterVisible(cluster, cluster);
            level.isClusterVisible(-1, cluster);
        }
        require(models.ownerOfFace(brush.firstFace) != nullptr || brush.numFaces == 0);
        faces.clear();
        for (std::int32_t k = 0; k < brush.numFaces; ++k) {
            faces.push_back(std::uint32_t(brush.firstFace + k));
        }
        for (const double seconds : {-1.0, 0.0, 0.37, 2.5, 97.0, 1.0e5, 1.0e12}) {
            const BrushTransform placement = BrushModels::transformAt(brush, seconds);
            for (const float value : placement) {
                require(std::isfinite(value));
            }
            const Point eye(placement[12], placement[13] + 64.0f, placement[14]);
            pickFaceAmong(level, faces, eye, Vec3(0.1f, -1.0f, 0.2f));
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
        placeBrushEntities(level);
        // The keys' re-tessellation, shrinking the arrays built at the load level.
        level.setPatchLevel(3);
    }
    return 0;
}
