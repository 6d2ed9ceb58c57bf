// velmora-biglevel OUTDIR: writes OUTDIR/maps/biglevel.bsp, a large level made with the level
// writer for measuring loads and patch-level changes: 2,048 patches in a file of about 11 MB.
//
// Layout, in FILE axes (z up): a field of 16 x 16 square cells, 512 units a side, from (0, 0). Each
// cell is one leaf with its own cluster and holds three faces: a rolling floor (a mesh of 16 x 16
// vertices) and two domes (patch faces of 5 x 5 controls, 2 x 2 patches each). A cell's cluster
// sees the cells up to two steps away in x and y. The BSP halves the field along its longer side
// until one cell is left. Lightmap bytes fill the file to its size, as they fill real levels; the
// viewer reads none of them. Eight spawn points lie on the field's diagonal.
#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>

#include "generators/LevelWriter.h"

namespace {

constexpr int kCellsPerSide = 16;
constexpr int kCellUnits = 512;
constexpr int kFloorSide = 16;  // floor vertices per cell side
constexpr int kDomeSide = 5;    // dome control vertices per side
constexpr int kVisibleSteps = 2;
constexpr int kSpawnPoints = 8;
constexpr std::size_t kLightmapBytes = 128 * 128 * 3;
constexpr std::size_t kTargetFileBytes = 11'000'000;
constexpr std::int32_t kCeiling = 512;
constexpr std::int32_t kFloorDepth = -64;

RawVertex vertexAt(float x, float y, float z) {
    RawVertex vertex;
    vertex.position = {x, y, z};
    vertex.texCoord = {x / 128.0f, y / 128.0f};
    vertex.lightmapCoord = {x / 8192.0f, y / 8192.0f};
    vertex.normal = {0.0f, 0.0f, 1.0f};
    return vertex;
}

class BigLevelBuilder {
public:
    LevelDescription level;

    LevelDescription build() {
        level.textures = {{"textures/big/floor", 0, 1}, {"textures/big/dome", 0, 1}};
        for (int cy = 0; cy < kCellsPerSide; ++cy) {
            for (int cx = 0; cx < kCellsPerSide; ++cx) {
                addCell(cx, cy);
            }
        }
        buildTree(0, kCellsPerSide, 0, kCellsPerSide);
        const std::int32_t span = kCellsPerSide * kCellUnits;
        level.models = {{{0, 0, kFloorDepth},
                         {static_cast<float>(span), static_cast<float>(span), kCeiling},
                         0,
                         static_cast<std::int32_t>(level.faces.size()),
                         0,
                         0}};
        addVisibility();
        addEntities();
        fillWithLightmaps();
        return level;
    }

private:
    void addCell(int cx, int cy) {
        const auto cellIndex = static_cast<std::int32_t>(cy * kCellsPerSide + cx);
        const float x0 = static_cast<float>(cx * kCellUnits);
        const float y0 = static_cast<float>(cy * kCellUnits);
        const auto firstLeafFace = static_cast<std::int32_t>(level.leafFaces.size());
        level.leafFaces.push_back(addFloor(x0, y0));
        level.leafFaces.push_back(addDome(x0 + 32.0f, y0 + 64.0f));
        level.leafFaces.push_back(addDome(x0 + 272.0f, y0 + 256.0f));
        RawLeaf leaf;
        leaf.cluster = cellIndex;
        leaf.mins = {static_cast<std::int32_t>(x0), static_cast<std::int32_t>(y0), kFloorDepth};
        leaf.maxs = {static_cast<std::int32_t>(x0) + kCellUnits,
                     static_cast<std::int32_t>(y0) + kCellUnits, kCeiling};
        leaf.firstLeafFace = firstLeafFace;
        leaf.numLeafFaces = 3;
        level.leaves.push_back(leaf);
    }

    // A mesh over the whole cell, its height rolling gently; wound clockwise seen from above.
    std::int32_t addFloor(float x0, float y0) {
        RawFace face;
        face.type = 3;
        face.firstVertex = static_cast<std::int32_t>(level.vertices.size());
        face.firstMeshVertex = static_cast<std::int32_t>(level.meshVertices.size());
        face.normal = {0.0f, 0.0f, 1.0f};
        const float step = static_cast<float>(kCellUnits) / (kFloorSide - 1);
        for (int j = 0; j < kFloorSide; ++j) {
            for (int i = 0; i < kFloorSide; ++i) {
                const float x = x0 + step * static_cast<float>(i);
                const float y = y0 + step * static_cast<float>(j);
                level.vertices.push_back(
                    vertexAt(x, y, 8.0f * std::sin(x / 97.0f) * std::cos(y / 113.0f)));
            }
        }
        for (int j = 0; j + 1 < kFloorSide; ++j) {
            for (int i = 0; i + 1 < kFloorSide; ++i) {
                const std::int32_t a = j * kFloorSide + i;
                const std::int32_t b = a + 1;
                const std::int32_t d = a + kFloorSide;
                const std::int32_t c = d + 1;
                level.meshVertices.insert(level.meshVertices.end(), {a, c, b, a, d, c});
            }
        }
        face.numVertices = kFloorSide * kFloorSide;
        face.numMeshVertices =
            static_cast<std::int32_t>(level.meshVertices.size()) - face.firstMeshVertex;
        return addFace(face);
    }

    // A 240-unit dome whose control heights rise towards the middle of its grid.
    std::int32_t addDome(float x0, float y0) {
        RawFace face;
        face.texture = 1;
        face.type = 2;
        face.firstVertex = static_cast<std::int32_t>(level.vertices.size());
        face.numVertices = kDomeSide * kDomeSide;
        face.patchSize = {kDomeSide, kDomeSide};
        face.normal = {0.0f, 0.0f, 1.0f};
        const float step = 240.0f / (kDomeSide - 1);
        for (int row = 0; row < kDomeSide; ++row) {
            for (int column = 0; column < kDomeSide; ++column) {
                const int fromEdge = std::min(std::min(row, kDomeSide - 1 - row),
                                              std::min(column, kDomeSide - 1 - column));
                level.vertices.push_back(vertexAt(x0 + step * static_cast<float>(column),
                                                  y0 + step * static_cast<float>(row),
                                                  48.0f * static_cast<float>(fromEdge)));
            }
        }
        return addFace(face);
    }

    std::int32_t addFace(const RawFace& face) {
        level.faces.push_back(face);
        return static_cast<std::int32_t>(level.faces.size()) - 1;
    }

    // The child number for cells [x0, x1) x [y0, y1): a node halving the longer side, or the leaf
    // of a single cell (leaf n is cell n, as -(n + 1)).
    std::int32_t buildTree(int x0, int x1, int y0, int y1) {
        if (x1 - x0 == 1 && y1 - y0 == 1) {
            return -(y0 * kCellsPerSide + x0 + 1);
        }
        const bool splitX = x1 - x0 >= y1 - y0;
        const int middle = splitX ? (x0 + x1) / 2 : (y0 + y1) / 2;
        RawPlane plane;
        plane.normal = splitX ? std::array<float, 3>{1.0f, 0.0f, 0.0f}
                              : std::array<float, 3>{0.0f, 1.0f, 0.0f};
        plane.distance = static_cast<float>(middle * kCellUnits);
        level.planes.push_back(plane);
        const auto nodeIndex = static_cast<std::int32_t>(level.nodes.size());
        RawNode node;
        node.plane = static_cast<std::int32_t>(level.planes.size()) - 1;
        node.mins = {x0 * kCellUnits, y0 * kCellUnits, kFloorDepth};
        node.maxs = {x1 * kCellUnits, y1 * kCellUnits, kCeiling};
        level.nodes.push_back(node);
        // The front is the side the normal points to: the higher cells.
        const std::int32_t front =
            splitX ? buildTree(middle, x1, y0, y1) : buildTree(x0, x1, middle, y1);
        const std::int32_t back =
            splitX ? buildTree(x0, middle, y0, y1) : buildTree(x0, x1, y0, middle);
        level.nodes[static_cast<std::size_t>(nodeIndex)].front = front;
        level.nodes[static_cast<std::size_t>(nodeIndex)].back = back;
        return nodeIndex;
    }

    void addVisibility() {
        constexpr int kClusters = kCellsPerSide * kCellsPerSide;
        constexpr int kBytesPerCluster = kClusters / 8;
        RawVisibility& visibility = level.visibility;
        visibility.numClusters = kClusters;
        visibility.bytesPerCluster = kBytesPerCluster;
        visibility.bits.assign(static_cast<std::size_t>(kClusters * kBytesPerCluster), 0);
        for (int from = 0; from < kClusters; ++from) {
            for (int to = 0; to < kClusters; ++to) {
                const int dx = std::abs(from % kCellsPerSide - to % kCellsPerSide);
                const int dy = std::abs(from / kCellsPerSide - to / kCellsPerSide);
                if (dx <= kVisibleSteps && dy <= kVisibleSteps) {
                    visibility.bits[static_cast<std::size_t>(from * kBytesPerCluster + to / 8)] |=
                        static_cast<std::uint8_t>(1 << (to % 8));
                }
            }
        }
    }

    void addEntities() {
        level.entityText = "{\n\"classname\" \"worldspawn\"\n}\n";
        const int stride = kCellsPerSide / kSpawnPoints;
        for (int k = 0; k < kSpawnPoints; ++k) {
            const int centre = (k * stride) * kCellUnits + kCellUnits / 2;
            level.entityText += "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"" +
                                std::to_string(centre) + " " + std::to_string(centre) +
                                " 64\"\n}\n";
        }
    }

    // Whole 128 x 128 lightmaps of a soft gradient, until the file reaches its target size.
    void fillWithLightmaps() {
        const std::size_t withoutLightmaps = writeLevel(level).size();
        if (withoutLightmaps >= kTargetFileBytes) {
            return;
        }
        const std::size_t count =
            (kTargetFileBytes - withoutLightmaps + kLightmapBytes - 1) / kLightmapBytes;
        level.lightmaps.resize(count * kLightmapBytes);
        for (std::size_t i = 0; i < level.lightmaps.size(); ++i) {
            level.lightmaps[i] = static_cast<std::uint8_t>(96 + (i / 3) % 128 / 2);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Writes a large level for measuring loads and patch-level changes.");
    std::string outDir;
    app.add_option("outdir", outDir, "data directory to write maps/biglevel.bsp into")->required();
    CLI11_PARSE(app, argc, argv);

    const std::filesystem::path maps = std::filesystem::path(outDir) / "maps";
    std::error_code directoryError;
    std::filesystem::create_directories(maps, directoryError);
    if (directoryError) {
        std::cerr << "velmora-biglevel: cannot create " << maps.string() << ": "
                  << directoryError.message() << "\n";
        return 1;
    }
    std::string error;
    const LevelWriter writer(BigLevelBuilder().build());
    if (!writer.writeFile((maps / "biglevel.bsp").string(), error)) {
        std::cerr << "velmora-biglevel: " << error << "\n";
        return 1;
    }
    return 0;
}
