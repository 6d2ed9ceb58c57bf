// The light grid away from GL: its box from the world model, a lump too short for it, and the
// trilinear sample between cells of known light and clamped at the box's faces.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "level/LightGrid.h"

namespace {

// A world box of file x 0..64, y 0..0, z 0..128 (viewer corners (x, z, -y)): 2 x 1 x 2 cells.
const float kMins[3] = {0, 0, 0};
const float kMaxs[3] = {64, 128, 0};

// Cell i of 4 (x fastest, then z): ambient i * 40 in red, directed 100 in green; its direction
// straight up for the lower cells and along the file's +x for the upper ones.
std::vector<std::uint8_t> fourCells() {
    std::vector<std::uint8_t> lump;
    for (std::uint8_t i = 0; i < 4; ++i) {
        const std::uint8_t polar = i < 2 ? 0 : 64;
        lump.insert(lump.end(), {std::uint8_t(i * 40), 0, 0, 0, 100, 0, polar, 0});
    }
    return lump;
}

}  // namespace

TEST(LightGridTest, samplesBetweenCellsWithTrilinearWeights) {
    const LightGridResult built = LightGrid::build(fourCells(), kMins, kMaxs);
    ASSERT_EQ(built.problem, "");
    ASSERT_TRUE(built.grid.has_value());
    EXPECT_EQ(built.grid->cellCounts(), (std::array<std::int32_t, 3>{2, 1, 2}));

    // At cell 0 exactly, and at the middle of all four: ambient (0 + 40 + 80 + 120) / 4.
    const LightSample corner = built.grid->sample(Point(0, 0, 0));
    EXPECT_FLOAT_EQ(corner.ambient[0], 0.0f);
    EXPECT_FLOAT_EQ(corner.directed[1], 100.0f);
    EXPECT_NEAR(corner.direction[1], 1.0f, 1e-6f);
    const LightSample middle = built.grid->sample(Point(32, 64, 0));
    EXPECT_FLOAT_EQ(middle.ambient[0], 60.0f);
    // Halfway between up and +x: the mean of the two, made unit length.
    EXPECT_NEAR(middle.direction[0], 0.7071f, 1e-4f);
    EXPECT_NEAR(middle.direction[1], 0.7071f, 1e-4f);
    // A quarter of the way along x at the bottom: 0.75 * 0 + 0.25 * 40.
    EXPECT_FLOAT_EQ(built.grid->sample(Point(16, 0, 0)).ambient[0], 10.0f);
}

TEST(LightGridTest, pointsOutsideTheBoxTakeTheNearestCells) {
    const LightGridResult built = LightGrid::build(fourCells(), kMins, kMaxs);
    ASSERT_TRUE(built.grid.has_value());
    // Far past the upper x face and above the top: cell 3 alone.
    EXPECT_FLOAT_EQ(built.grid->sample(Point(1000, 1000, 500)).ambient[0], 120.0f);
    // Below the bottom, halfway along x: cells 0 and 1.
    EXPECT_FLOAT_EQ(built.grid->sample(Point(32, -500, -500)).ambient[0], 20.0f);
}

TEST(LightGridTest, aLumpShorterThanTheBoxIsOneProblemAndNoGrid) {
    std::vector<std::uint8_t> lump = fourCells();
    lump.pop_back();
    const LightGridResult built = LightGrid::build(lump, kMins, kMaxs);
    EXPECT_FALSE(built.grid.has_value());
    EXPECT_EQ(built.problem,
              "light grid: the world box needs 2 x 1 x 2 cells (32 bytes) but the lump holds 31");
    // Bounds no level has are refused before anything is sized by them.
    const float huge[3] = {1e30f, 1e30f, 1e30f};
    EXPECT_FALSE(LightGrid::build(fourCells(), kMins, huge).grid.has_value());
    // No lump: no grid, and nothing to report.
    const LightGridResult none = LightGrid::build({}, kMins, kMaxs);
    EXPECT_FALSE(none.grid.has_value());
    EXPECT_EQ(none.problem, "");
}
