// Cutting a patch face's control grid into 3 x 3 patches: counts, order, shared edges, and grids
// whose numbers would read outside the level's vertex array.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "level/Face.h"

namespace {

// Vertex k of the level carries k in position x, so every control names its source.
std::vector<Vertex> numberedVertices(int count) {
    std::vector<Vertex> vertices(count);
    for (int k = 0; k < count; ++k) {
        vertices[k].position[0] = static_cast<float>(k);
    }
    return vertices;
}

Face patchFace(std::int32_t firstVertex, std::int32_t width, std::int32_t height) {
    Face face;
    face.type = kPatchFace;
    face.firstVertex = firstVertex;
    face.patchSize[0] = width;
    face.patchSize[1] = height;
    return face;
}

int sourceOf(const BezierPatch& patch, int control) {
    return static_cast<int>(patch.getControl(control).position[0]);
}

// The nine level-vertex numbers a patch was built from.
std::vector<int> sources(const BezierPatch& patch) {
    std::vector<int> result;
    for (int k = 0; k < 9; ++k) {
        result.push_back(sourceOf(patch, k));
    }
    return result;
}

}  // namespace

TEST(FacePatchesTest, singlePatchTakesTheWholeThreeByThreeGrid) {
    const auto vertices = numberedVertices(20);
    Face face = patchFace(4, 3, 3);
    face.buildPatches(vertices);
    ASSERT_EQ(face.patches.size(), 1u);
    EXPECT_EQ(sources(face.patches[0]), (std::vector<int>{4, 5, 6, 7, 8, 9, 10, 11, 12}));
    EXPECT_EQ(face.patches[0].getTessLevel(), kInitialPatchLevel);
    EXPECT_EQ(face.patches[0].getVertices().size(), 121u);
}

TEST(FacePatchesTest, fiveByFiveGridGivesFourPatchesInRowMajorOrder) {
    const auto vertices = numberedVertices(25);
    Face face = patchFace(0, 5, 5);
    face.buildPatches(vertices);
    ASSERT_EQ(face.patches.size(), 4u);
    EXPECT_EQ(sources(face.patches[0]), (std::vector<int>{0, 1, 2, 5, 6, 7, 10, 11, 12}));
    EXPECT_EQ(sources(face.patches[1]), (std::vector<int>{2, 3, 4, 7, 8, 9, 12, 13, 14}));
    EXPECT_EQ(sources(face.patches[2]), (std::vector<int>{10, 11, 12, 15, 16, 17, 20, 21, 22}));
    EXPECT_EQ(sources(face.patches[3]), (std::vector<int>{12, 13, 14, 17, 18, 19, 22, 23, 24}));
    for (const BezierPatch& patch : face.patches) {
        EXPECT_EQ(patch.getTessLevel(), kInitialPatchLevel);
    }
}

TEST(FacePatchesTest, neighboursShareTheirCommonColumnOrRow) {
    const auto vertices = numberedVertices(15);
    Face wide = patchFace(0, 5, 3);
    wide.buildPatches(vertices);
    ASSERT_EQ(wide.patches.size(), 2u);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(sourceOf(wide.patches[0], 3 * r + 2), sourceOf(wide.patches[1], 3 * r));
    }
    // The shared column also meets in the tessellation: last vertex line of one, first of next.
    const auto& left = wide.patches[0].getVertices();
    const auto& right = wide.patches[1].getVertices();
    const int side = kInitialPatchLevel + 1;
    for (int j = 0; j < side; ++j) {
        EXPECT_EQ(left[kInitialPatchLevel * side + j].position[0], right[j].position[0]);
    }

    Face tall = patchFace(0, 3, 5);
    tall.buildPatches(vertices);
    ASSERT_EQ(tall.patches.size(), 2u);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(sourceOf(tall.patches[0], 6 + c), sourceOf(tall.patches[1], c));
    }
}

TEST(FacePatchesTest, evenWidthIgnoresLastColumnAndNarrowGridsGetNoPatches) {
    const auto vertices = numberedVertices(30);
    Face even = patchFace(0, 4, 3);
    even.buildPatches(vertices);
    ASSERT_EQ(even.patches.size(), 1u);
    EXPECT_EQ(sources(even.patches[0]), (std::vector<int>{0, 1, 2, 4, 5, 6, 8, 9, 10}));

    for (auto [width, height] :
         {std::pair{2, 5}, std::pair{5, 2}, std::pair{0, 0}, std::pair{-3, 5}, std::pair{5, -7}}) {
        Face narrow = patchFace(0, width, height);
        narrow.buildPatches(vertices);
        EXPECT_TRUE(narrow.patches.empty()) << width << " x " << height;
    }
}

TEST(FacePatchesTest, gridRunningPastVerticesKeepsOnlyPatchesBeforeIt) {
    // 5 x 5 grid: patch 0 reaches vertex 12, patch 1 vertex 14, patch 2 vertex 22.
    Face face = patchFace(0, 5, 5);
    face.buildPatches(numberedVertices(20));
    EXPECT_EQ(face.patches.size(), 2u);

    Face cutEarlier = patchFace(0, 5, 5);
    cutEarlier.buildPatches(numberedVertices(14));
    EXPECT_EQ(cutEarlier.patches.size(), 1u);

    Face shifted = patchFace(20, 3, 3);
    shifted.buildPatches(numberedVertices(28));
    EXPECT_TRUE(shifted.patches.empty());
}

TEST(FacePatchesTest, hostileGridNumbersReadNothingOutside) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const auto vertices = numberedVertices(9);
    struct Grid {
        std::int32_t first, width, height;
        std::size_t patches;
    };
    for (const Grid& g :
         {Grid{-1, 3, 3, 0}, Grid{std::numeric_limits<std::int32_t>::min(), 3, 3, 0},
          Grid{kMax, 3, 3, 0}, Grid{kMax, kMax, kMax, 0}, Grid{0, kMax, 3, 0}, Grid{0, 3, kMax, 1},
          Grid{-9, 3, 5, 0}}) {
        Face face = patchFace(g.first, g.width, g.height);
        face.buildPatches(vertices);
        EXPECT_EQ(face.patches.size(), g.patches)
            << g.first << " / " << g.width << " x " << g.height;
    }
}

TEST(FacePatchesTest, tessellatePatchesReachesEveryPatch) {
    Face face = patchFace(0, 5, 5);
    face.buildPatches(numberedVertices(25));
    face.tessellatePatches(3);
    for (const BezierPatch& patch : face.patches) {
        EXPECT_EQ(patch.getTessLevel(), 3);
        EXPECT_EQ(patch.getVertices().size(), 16u);
    }
}
