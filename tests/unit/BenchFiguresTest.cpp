// The benchmark's order statistics and the route it flies.
#include <gtest/gtest.h>

#include "support/LevelFixtures.h"
#include "tools/BenchRoute.h"
#include "tools/BenchStatistics.h"

namespace {

void expectPoint(const Point& point, float x, float y, float z) {
    EXPECT_EQ(point.getX(), x);
    EXPECT_EQ(point.getY(), y);
    EXPECT_EQ(point.getZ(), z);
}

std::string deathmatchSpawn(int x, int y, int z) {
    return "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"" + std::to_string(x) + " " +
           std::to_string(y) + " " + std::to_string(z) + "\"\n}\n";
}

}  // namespace

TEST(BenchFiguresTest, medianTakesTheMiddleOrTheMeanOfTheTwoMiddles) {
    EXPECT_EQ(median(std::vector<double>{}), 0.0);
    EXPECT_EQ(median(std::vector<double>{7.5}), 7.5);
    EXPECT_EQ(median(std::vector<double>{9.0, 1.0, 5.0}), 5.0);
    EXPECT_EQ(median(std::vector<double>{4.0, 1.0, 3.0, 2.0}), 2.5);
    EXPECT_EQ(median(std::vector<std::size_t>{3, 4}), 3.5);
}

TEST(BenchFiguresTest, percentileIsTheNearestRankOfTheSortedSamples) {
    std::vector<double> twenty;
    for (int i = 20; i >= 1; --i) {
        twenty.push_back(i);
    }
    // 95 % of 20 is exactly rank 19: no rounding up to the maximum.
    EXPECT_EQ(percentile(twenty, 95), 19.0);
    EXPECT_EQ(percentile(twenty, 50), 10.0);
    EXPECT_EQ(percentile(twenty, 100), 20.0);
    EXPECT_EQ(percentile(twenty, 1), 1.0);
    std::vector<std::size_t> hundred;
    for (std::size_t i = 1; i <= 100; ++i) {
        hundred.push_back(i);
    }
    EXPECT_EQ(percentile(hundred, 95), 95.0);
    // A rank between samples goes up to the next one.
    EXPECT_EQ(percentile(std::vector<double>{1.0, 2.0, 3.0}, 95), 3.0);
    EXPECT_EQ(percentile(std::vector<double>{}, 95), 0.0);
    EXPECT_EQ(percentile(std::vector<double>{4.0, 8.0}, 0), 4.0);
}

TEST(BenchFiguresTest, routeTakesAtMostTheFirstSpawnPointsInViewerAxes) {
    LevelDescription description = tinyLevel();
    description.entityText += deathmatchSpawn(10, 20, 30) + deathmatchSpawn(-8, 0, 16);
    const auto level = loadLevelBytes(writeLevel(description));
    const Point unused(1, 2, 3);

    const std::vector<Point> all = benchRoute(*level, 8, unused);
    ASSERT_EQ(all.size(), 3u);
    expectPoint(all[0], 64, 24, -64);
    expectPoint(all[1], 10, 30, -20);
    expectPoint(all[2], -8, 16, 0);

    const std::vector<Point> two = benchRoute(*level, 2, unused);
    ASSERT_EQ(two.size(), 2u);
    expectPoint(two[1], 10, 30, -20);
}

TEST(BenchFiguresTest, routeWithoutSpawnsVisitsTheWorldBoxCentreOrTheFallback) {
    LevelDescription description = tinyLevel();
    description.entityText = "{\n\"classname\" \"worldspawn\"\n}\n";
    // File box (0, 0, 0)..(256, 192, 128): the centre (128, 96, 64) in viewer axes.
    description.models[0].maxs = {256, 192, 128};
    const auto level = loadLevelBytes(writeLevel(description));
    const std::vector<Point> centre = benchRoute(*level, 8, Point(1, 2, 3));
    ASSERT_EQ(centre.size(), 1u);
    expectPoint(centre[0], 128, 64, -96);

    description.models.clear();
    const auto modelless = loadLevelBytes(writeLevel(description));
    const std::vector<Point> fallback = benchRoute(*modelless, 8, Point(1, 2, 3));
    ASSERT_EQ(fallback.size(), 1u);
    expectPoint(fallback[0], 1, 2, 3);
}
