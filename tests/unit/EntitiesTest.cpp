// Entity text: every entity's keys, the spawn points among them, the axis change, and text
// that is not well formed.
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

TEST(EntitiesTest, readsEveryEntityWithItsKeysInTextOrder) {
    const EntityList list = readEntities(
        "{\n\"classname\" \"worldspawn\"\n\"message\" \"a } { b\"\n}\n"
        "{ \"origin\" \" 8 16 -24 \" \"classname\" \"weapon_shotgun\" \"angle\" \"90\" "
        "\"target\" \"t1\" \"target\" \"t2\" }\n");
    EXPECT_EQ(list.problem, "");
    ASSERT_EQ(list.entities.size(), 2u);
    EXPECT_EQ(list.entities[0].className(), "worldspawn");
    EXPECT_EQ(list.entities[0].value("message"), "a } { b");
    EXPECT_FALSE(list.entities[0].origin());
    const Entity& weapon = list.entities[1];
    EXPECT_EQ(weapon.keys.size(), 5u);
    EXPECT_EQ(weapon.value("target"), "t1");
    EXPECT_EQ(weapon.value("missing"), "");
    EXPECT_EQ(weapon.angle(), 90.0f);
    ASSERT_TRUE(weapon.origin());
    expectPoint(*weapon.origin(), 8, -24, -16);
    EXPECT_EQ(list.entities[0].angle(), 0.0f);
}

TEST(EntitiesTest, textThatIsNotWellFormedIsNamedAndWhatCameBeforeIsKept) {
    const std::string good = "{\"classname\" \"light\" \"origin\" \"1 2 3\"}\n";
    const struct {
        std::string tail;
        std::string problem;
    } cases[] = {
        {"{\"classname\" \"light", "entity 1 (line 2): a quote that is never closed"},
        {"{\"classname\" \"light\"", "entity 1 (line 2): a brace that is never closed"},
        {"{\"classname\" }", "entity 1 (line 2): key \"classname\" has no value"},
        {"{ { }", "entity 1 (line 2): a '{' inside an entity"},
        {"\"origin\" \"1 2 3\" }", "entity 1 (line 2): text outside an entity's braces"},
        {"{\"" + std::string(100000, 'k') + "\" \"v\"}",
         "entity 1 (line 2): a key of 100000 characters (at most 1024)"},
    };
    for (const auto& [tail, problem] : cases) {
        const EntityList list = readEntities(good + tail);
        EXPECT_EQ(list.problem, problem) << tail.substr(0, 40);
        ASSERT_EQ(list.entities.size(), 1u);
        EXPECT_EQ(list.entities[0].className(), "light");
    }
    // A bad origin is named, and the reading goes on.
    const EntityList twoNumbers =
        readEntities("{\"origin\" \"1 2\"}\n{\"classname\" \"light\" \"origin\" \"1 2 3 4\"}");
    EXPECT_EQ(twoNumbers.problem, "entity 0 (line 1): origin \"1 2\" is not three numbers");
    ASSERT_EQ(twoNumbers.entities.size(), 2u);
    EXPECT_FALSE(twoNumbers.entities[1].origin());
    // The NUL the compilers write after the last entity ends the text.
    EXPECT_EQ(readEntities(good + std::string(1, '\0') + "garbage").problem, "");
}
