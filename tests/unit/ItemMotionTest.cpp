// An item's pose by the clock: level and unturned at 0, one turn in six seconds, a bob of four
// units each way whose period depends on the origin, so that items apart do not move together.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/ItemMotion.h"

namespace {

const Point kOrigins[] = {Point(0, 0, 0), Point(-40, 0, -200), Point(1234.5f, -64, 77),
                          Point(-3000, 400, 1200)};

}  // namespace

TEST(ItemMotionTest, everyItemStandsAtItsOriginUnturnedAtClockZero) {
    for (const Point& origin : kOrigins) {
        const ItemPose pose = ItemMotion::at(origin, 0.0);
        EXPECT_EQ(pose.turnRadians, 0.0f);
        EXPECT_EQ(pose.lift, 0.0f);
    }
}

TEST(ItemMotionTest, oneTurnTakesSixSecondsForEveryItem) {
    for (const Point& origin : kOrigins) {
        EXPECT_NEAR(ItemMotion::at(origin, 1.5).turnRadians, std::numbers::pi / 2, 1e-5);
        EXPECT_NEAR(ItemMotion::at(origin, 7.5).turnRadians, std::numbers::pi / 2, 1e-5);
    }
}

TEST(ItemMotionTest, bobReachesFourUnitsEachWayAtTheQuartersOfItsPeriod) {
    for (const Point& origin : kOrigins) {
        const double period = ItemMotion::bobSeconds(origin);
        EXPECT_GE(period, ItemMotion::kShortestBobSeconds);
        EXPECT_LT(period, ItemMotion::kLongestBobSeconds);
        EXPECT_NEAR(ItemMotion::at(origin, period / 4).lift, 4.0f, 1e-4);
        EXPECT_NEAR(ItemMotion::at(origin, 3 * period / 4).lift, -4.0f, 1e-4);
        EXPECT_NEAR(ItemMotion::at(origin, 1000 * period).lift, 0.0f, 1e-3);
    }
}

TEST(ItemMotionTest, itemsAtDifferentOriginsDoNotBobTogether) {
    // 32 units apart along x, as items in a row stand.
    const Point first(0, 0, 0);
    const Point second(32, 0, 0);
    EXPECT_NE(ItemMotion::bobSeconds(first), ItemMotion::bobSeconds(second));
    float largestGap = 0.0f;
    for (double clock = 0.0; clock < 10.0; clock += 0.25) {
        largestGap = std::max(largestGap, std::fabs(ItemMotion::at(first, clock).lift -
                                                    ItemMotion::at(second, clock).lift));
    }
    EXPECT_GT(largestGap, 2.0f);
}
