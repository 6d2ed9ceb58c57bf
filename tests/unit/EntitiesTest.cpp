// Spawn points from entity text: which entities count, the axis change, and malformed text.
#include <gtest/gtest.h>

#include "level/Entities.h"

namespace {

void expectPoint(const Point& point, float x, float y, float z) {
    EXPECT_EQ(point.getX(), x);
    EXPECT_EQ(point.getY(), y);
    EXPECT_EQ(point.getZ(), z);
}

}  // namespace

TEST(EntitiesTest, findsDeathmatchAndStartOriginsInViewerAxes) {
    const char* text =
        "{\n\"classname\" \"worldspawn\"\n\"origin\" \"1 1 1\"\n}\n"
        "{\n\"origin\" \"64 -128 24.5\"\n\"classname\" \"info_player_deathmatch\"\n}\n"
        "{\"classname\" \"light\" \"origin\" \"5 5 5\"}"
        "{\n\"classname\" \"info_player_start\"\n\"origin\" \"-8 16 0\"\n}\n";
    const std::vector<Point> spawns = findSpawnPoints(text);
    ASSERT_EQ(spawns.size(), 2u);
    expectPoint(spawns[0], 64, 24.5f, 128);
    expectPoint(spawns[1], -8, 0, -16);
}

TEST(EntitiesTest, skipsUnreadableOriginsAndStopsAtBrokenText) {
    EXPECT_TRUE(findSpawnPoints("").empty());
    EXPECT_TRUE(findSpawnPoints("{\"classname\" \"info_player_start\"}").empty());
    EXPECT_TRUE(
        findSpawnPoints("{\"classname\" \"info_player_start\" \"origin\" \"1 2\"}").empty());
    EXPECT_TRUE(
        findSpawnPoints("{\"classname\" \"info_player_start\" \"origin\" \"x 2 3\"}").empty());
    // A brace inside quotes is text, not the end of the entity.
    EXPECT_EQ(findSpawnPoints("{\"message\" \"}{\" \"classname\" \"info_player_start\" "
                              "\"origin\" \"1 2 3\"}")
                  .size(),
              1u);
    // An unterminated quote or an entity that never closes keeps what came before.
    const char* broken =
        "{\"classname\" \"info_player_start\" \"origin\" \"1 2 3\"}"
        "{\"classname\" \"info_player_start\" \"origin\" \"4 5 6";
    EXPECT_EQ(findSpawnPoints(broken).size(), 1u);
    EXPECT_EQ(findSpawnPoints("{\"classname\" \"info_player_start\" \"origin\" \"1 2 3\"").size(),
              0u);
    EXPECT_EQ(findSpawnPoints("\"origin\" \"1 2 3\" } } {").size(), 0u);
}
