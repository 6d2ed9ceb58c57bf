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
    EXPECT_EQ(list.problems, std::vector<std::string>{});
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
        EXPECT_EQ(list.problems, std::vector<std::string>{problem}) << tail.substr(0, 40);
        ASSERT_EQ(list.entities.size(), 1u);
        EXPECT_EQ(list.entities[0].className(), "light");
    }
    // A bad origin is named, and the reading goes on.
    const EntityList twoNumbers =
        readEntities("{\"origin\" \"1 2\"}\n{\"classname\" \"light\" \"origin\" \"1 2 3 4\"}");
    EXPECT_EQ(twoNumbers.problems,
              (std::vector<std::string>{
                  "entity 0 (line 1): origin \"1 2\" is not three numbers",
                  "entity 1 (light, line 2): origin \"1 2 3 4\" is not three numbers"}));
    ASSERT_EQ(twoNumbers.entities.size(), 2u);
    EXPECT_FALSE(twoNumbers.entities[1].origin());
    // The NUL the compilers write after the last entity ends the text.
    EXPECT_EQ(readEntities(good + std::string(1, '\0') + "garbage").problems,
              std::vector<std::string>{});
}

TEST(EntitiesTest, aFaultSaysHowManyEntitiesAfterItAreDropped) {
    const std::string good = "{\"classname\" \"light\" \"origin\" \"1 2 3\"}\n";
    const struct {
        std::string tail;
        std::string problem;
    } cases[] = {
        // A key's quote that never closes; the blocks after it are bare words, which still count.
        {"{\"classname\n{ classname light }\n{ classname light }",
         "entity 1 (line 2): a key whose quote is never closed; 2 entities after it were dropped"},
        // An entity that misses its '}': the fault is the next one's '{', and one more follows.
        {"{\"classname\" \"light\"\n{\"classname\" \"a\"}\n{\"message\" \"{ } {\"}",
         "entity 1 (line 3): a '{' inside an entity; 1 entity after it was dropped"},
        {"} {\"classname\" \"light\"} {\"a\" \"b\"} {}",
         "entity 1 (line 2): text outside an entity's braces; 3 entities after it were dropped"},
    };
    for (const auto& [tail, problem] : cases) {
        const EntityList list = readEntities(good + tail);
        EXPECT_EQ(list.problems, std::vector<std::string>{problem}) << tail;
        EXPECT_EQ(list.entities.size(), 1u);
    }
}

TEST(EntitiesTest, numbersThatAreNotFiniteOrBeyondAnyLevelAreNamedAndNotPlaced) {
    const EntityList list = readEntities(
        "{\"classname\" \"worldspawn\"}\n"
        "{\"classname\" \"weapon_rocketlauncher\" \"origin\" \"nan nan nan\"}\n"
        "{\"classname\" \"target_speaker\" \"origin\" \"nan 0 0\"}\n"
        "{\"classname\" \"weapon_railgun\" \"origin\" \"0 -inf 0\"}\n"
        "{\"classname\" \"item_quad\" \"origin\" \"1e9 0 0\"}\n"
        "{\"classname\" \"info_player_start\" \"origin\" \"0 0 1e39\"}\n"
        "{\"classname\" \"info_player_deathmatch\" \"origin\" \"1 2 3\" \"angle\" \"inf\"}\n"
        "{\"classname\" \"info_player_deathmatch\" \"origin\" \"4 5 6\" \"angle\" \"-2e6\"}\n"
        "{\"classname\" \"info_player_deathmatch\" \"origin\" \"-1e6 1e6 0\" \"angle\" \"90\"}");
    EXPECT_EQ(list.problems,
              (std::vector<std::string>{
                  "entity 1 (weapon_rocketlauncher, line 2): origin \"nan nan nan\" holds a "
                  "number that is not finite",
                  "entity 2 (target_speaker, line 3): origin \"nan 0 0\" holds a number that is "
                  "not finite",
                  "entity 3 (weapon_railgun, line 4): origin \"0 -inf 0\" holds a number that is "
                  "not finite",
                  "entity 4 (item_quad, line 5): origin \"1e9 0 0\" is outside -1000000..1000000",
                  "entity 5 (info_player_start, line 6): origin \"0 0 1e39\" is outside "
                  "-1000000..1000000",
                  "entity 6 (info_player_deathmatch, line 7): angle \"inf\" is not a finite number",
                  "entity 7 (info_player_deathmatch, line 8): angle \"-2e6\" is outside "
                  "-1000000..1000000"}));
    // Every entity is kept, but only the last one, at the edge of the range, is placed.
    ASSERT_EQ(list.entities.size(), 9u);
    for (std::size_t i = 1; i < 8; ++i) {
        EXPECT_FALSE(list.entities[i].placedAt()) << i;
    }
    const std::vector<PlayerSpawn> spawns = playerSpawns(list);
    ASSERT_EQ(spawns.size(), 1u);
    expectPoint(spawns[0].origin, -1e6f, 0, -1e6f);
    EXPECT_EQ(spawns[0].angleDegrees, 90.0f);

    // A hostile file of many is a bounded number of lines.
    std::string many;
    for (int i = 0; i < 1000; ++i) {
        many += "{\"origin\" \"nan 0 0\"}";
    }
    const std::vector<std::string> manyProblems = readEntities(many).problems;
    ASSERT_EQ(manyProblems.size(), kMaxEntityProblemLines + 1);
    EXPECT_EQ(manyProblems.back(), "... and 980 more entities with bad numbers, not placed");
}
