// The loaded level against a plain reference: every vertex as the file describes it, and every
// patch vertex, at load and after each change of patch level, as the textbook formula computes it
// with the Vertex operations, bit for bit. And what level changes cost in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>

#include "support/LevelFixtures.h"
#include "support/ReferenceTessellation.h"
#include "support/AllocationCounter.h"

namespace {

struct GridFace {
    int width;
    int height;
};

// Odd and even grids, one and several patches, square and long; the last one gives 512 patches,
// so the level's store holds hundreds of slots side by side.
constexpr GridFace kGridFaces[] = {{3, 3}, {5, 3}, {3, 5}, {7, 5}, {4, 3}, {9, 9}, {65, 33}};

// The tiny level with random control grids appended as patch faces; every float awkward enough
// that a change in rounding order shows.
LevelDescription levelWithPatchGrids() {
    LevelDescription description = tinyLevel();
    std::mt19937 random(46);
    std::uniform_real_distribution<float> wide(-4096.0f, 4096.0f);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> byte(0, 255);
    for (const GridFace& grid : kGridFaces) {
        RawFace face;
        face.type = 2;
        face.firstVertex = static_cast<std::int32_t>(description.vertices.size());
        face.numVertices = grid.width * grid.height;
        face.patchSize = {grid.width, grid.height};
        for (int i = 0; i < face.numVertices; ++i) {
            RawVertex vertex;
            for (float& f : vertex.position) {
                f = wide(random);
            }
            for (float& f : vertex.texCoord) {
                f = unit(random) * 8.0f;
            }
            for (float& f : vertex.lightmapCoord) {
                f = unit(random);
            }
            for (float& f : vertex.normal) {
                f = unit(random);
            }
            for (std::uint8_t& channel : vertex.color) {
                channel = static_cast<std::uint8_t>(byte(random));
            }
            description.vertices.push_back(vertex);
        }
        description.faces.push_back(face);
    }
    return description;
}

// A file vertex turned into a viewer vertex by hand: (x, y, z) becomes (x, z, -y).
Vertex referenceVertex(const RawVertex& raw) {
    Vertex vertex;
    vertex.position[0] = raw.position[0];
    vertex.position[1] = raw.position[2];
    vertex.position[2] = -raw.position[1];
    std::memcpy(vertex.texCoord, raw.texCoord.data(), sizeof vertex.texCoord);
    std::memcpy(vertex.lightmapCoord, raw.lightmapCoord.data(), sizeof vertex.lightmapCoord);
    vertex.normal[0] = raw.normal[0];
    vertex.normal[1] = raw.normal[2];
    vertex.normal[2] = -raw.normal[1];
    std::memcpy(vertex.color, raw.color.data(), sizeof vertex.color);
    return vertex;
}

// Checks one patch against the reference: its controls cut from the file's grid, its vertices,
// its strips.
void expectReferencePatch(const BezierPatch& patch, const std::vector<Vertex>& fileVertices,
                          int base, int width, int level) {
    Vertex controls[9];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            controls[3 * r + c] = fileVertices[base + r * width + c];
        }
    }
    const int side = level + 1;
    ASSERT_EQ(patch.getTessLevel(), level);
    ASSERT_EQ(patch.getVertices().size(), static_cast<std::size_t>(side * side));
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            ASSERT_TRUE(sameBits(patch.getVertices()[i * side + j],
                                 referencePatchVertex(controls, level, i, j)))
                << "base " << base << " level " << level << " vertex (" << i << ", " << j << ")";
        }
    }
    const std::vector<std::uint32_t>& indices = patch.getIndices();
    ASSERT_EQ(indices.size(), static_cast<std::size_t>(2 * level * side));
    for (int k = 0; k < level; ++k) {
        for (int j = 0; j < side; ++j) {
            ASSERT_EQ(indices[k * 2 * side + 2 * j], static_cast<std::uint32_t>(k * side + j));
            ASSERT_EQ(indices[k * 2 * side + 2 * j + 1],
                      static_cast<std::uint32_t>((k + 1) * side + j));
        }
    }
    ASSERT_EQ(patch.getStripCounts(), std::vector<std::int32_t>(level, 2 * side));
}

// Every patch of every patch face of the level against the reference at level.
void expectReferencePatches(const BSPMap& level, const std::vector<Vertex>& fileVertices,
                            int patchLevel) {
    std::size_t patchFaces = 0;
    for (const Face& face : level.getFaces()) {
        if (face.type != kPatchFace) {
            continue;
        }
        ++patchFaces;
        const int width = face.patchSize[0];
        const int columns = (width - 1) / 2;
        const int rows = (face.patchSize[1] - 1) / 2;
        ASSERT_EQ(face.patches.size(), static_cast<std::size_t>(columns * rows));
        for (int py = 0; py < rows; ++py) {
            for (int px = 0; px < columns; ++px) {
                const int base = face.firstVertex + 2 * py * width + 2 * px;
                expectReferencePatch(face.patches[py * columns + px], fileVertices, base, width,
                                     patchLevel);
            }
        }
    }
    // The tiny level's own patch and the appended grids.
    EXPECT_EQ(patchFaces, std::size(kGridFaces) + 1);
}

}  // namespace

TEST(LevelTessellationTest, loadedVerticesAreTheFileVerticesInViewerAxesBitForBit) {
    const LevelDescription description = levelWithPatchGrids();
    const auto level = loadLevelBytes(writeLevel(description));
    ASSERT_TRUE(level->isSound());
    ASSERT_EQ(level->getVertices().size(), description.vertices.size());
    for (std::size_t i = 0; i < description.vertices.size(); ++i) {
        ASSERT_TRUE(sameBits(level->getVertices()[i], referenceVertex(description.vertices[i])))
            << "vertex " << i;
    }
}

TEST(LevelTessellationTest, loadAndEveryPatchLevelChangeMatchThePlainFormulaBitForBit) {
    const LevelDescription description = levelWithPatchGrids();
    std::vector<Vertex> fileVertices;
    for (const RawVertex& raw : description.vertices) {
        fileVertices.push_back(referenceVertex(raw));
    }
    const auto level = loadLevelBytes(writeLevel(description));
    ASSERT_TRUE(level->isSound());
    expectReferencePatches(*level, fileVertices, kInitialPatchLevel);
    // Up to the top, down to the bottom, odd levels between and back to the start.
    for (const int patchLevel : {20, 2, 3, 11, 19, 10}) {
        level->setPatchLevel(patchLevel);
        expectReferencePatches(*level, fileVertices, patchLevel);
    }
}

TEST(LevelTessellationTest, theStoreHoldsTheHighestLevelSoFarAndNoChangeAllocates) {
    const auto level = loadLevelBytes(writeLevel(levelWithPatchGrids()));
    ASSERT_TRUE(level->isSound());
    std::size_t patches = 0;
    for (const Face& face : level->getFaces()) {
        patches += face.patches.size();
    }
    const auto bytesAt = [patches](int patchLevel) {
        return patches * BezierPatch::gridVertexCount(patchLevel) * sizeof(Vertex);
    };
    // The load holds the start level only, so the memory of a fresh level stays small.
    EXPECT_EQ(level->getPatchStoreBytes(), bytesAt(kInitialPatchLevel));
    int highest = kInitialPatchLevel;
    for (const int patchLevel : {2, 11, 20, 2, 19, 3, 20, 10}) {
        const AllocationCount allocations;
        level->setPatchLevel(patchLevel);
        if (kAllocationsCounted) {
            EXPECT_EQ(allocations.count(), 0u) << "level " << patchLevel;
        }
        highest = std::max(highest, patchLevel);
        EXPECT_EQ(level->getPatchStoreBytes(), bytesAt(highest)) << "level " << patchLevel;
    }
}

TEST(LevelTessellationTest, copiedFacesKeepTheirPatchesAfterTheLevelIsGone) {
    const LevelDescription description = levelWithPatchGrids();
    std::vector<Vertex> fileVertices;
    for (const RawVertex& raw : description.vertices) {
        fileVertices.push_back(referenceVertex(raw));
    }
    std::vector<Face> copies;
    {
        const auto level = loadLevelBytes(writeLevel(description));
        ASSERT_TRUE(level->isSound());
        level->setPatchLevel(3);
        copies = level->getFaces();
    }
    std::size_t patchFaces = 0;
    for (const Face& face : copies) {
        if (face.type == kPatchFace) {
            ++patchFaces;
            const int width = face.patchSize[0];
            const int columns = (width - 1) / 2;
            for (std::size_t p = 0; p < face.patches.size(); ++p) {
                const int base = face.firstVertex + 2 * static_cast<int>(p / columns) * width +
                                 2 * static_cast<int>(p % columns);
                expectReferencePatch(face.patches[p], fileVertices, base, width, 3);
            }
        }
    }
    EXPECT_EQ(patchFaces, std::size(kGridFaces) + 1);
}
