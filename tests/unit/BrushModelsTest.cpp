// The brush entities read from a level: the clusters the box walk finds, the train's travel along
// its corners, numbers that are not finite, and velmora-info's table of them.
#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>

#include "gl/BrushLevel.h"
#include "level/BSPMap.h"
#include "level/BrushModels.h"
#include "tools/BrushTable.h"
#include "support/LevelFixtures.h"

namespace {

using namespace brush_level;

std::unique_ptr<BSPMap> openLevel(const LevelDescription& description) {
    std::ostringstream transcript;
    auto level = std::make_unique<TestLevel>("no-data/", "brush.bsp", writeLevel(description),
                                             nullptr, nullptr, transcript);
    EXPECT_TRUE(level->isSound()) << (level->isSound() ? "" : level->getProblems().front());
    return level;
}

// The brush level with the given entity text after its worldspawn.
LevelDescription withEntities(const std::string& text) {
    LevelDescription level = brushLevel(false);
    level.entityText = "{ \"classname\" \"worldspawn\" }\n" + text;
    return level;
}

const BrushEntity& only(const BrushModels& models) {
    EXPECT_EQ(models.entities().size(), 1u);
    return models.entities().front();
}

Point placeOf(const BrushEntity& brush, double seconds) {
    const BrushTransform m = BrushModels::transformAt(brush, seconds);
    return Point(m[12], m[13], m[14]);
}

void expectPoint(const Point& actual, float x, float y, float z) {
    EXPECT_NEAR(actual.getX(), x, 1e-3f);
    EXPECT_NEAR(actual.getY(), y, 1e-3f);
    EXPECT_NEAR(actual.getZ(), z, 1e-3f);
}

}  // namespace

TEST(BrushModelsTest, boxWalkFindsTheClustersOnBothSidesOfAPlane) {
    LevelDescription description = brushLevel(true);
    // x >= 0 is leaf 0 (cluster 0), x < 0 leaf 1 (cluster 1).
    description.planes = {{{1, 0, 0}, 0}};
    description.leaves[1].cluster = 1;
    description.visibility = {2, 1, {0x03, 0x03}};
    const auto level = openLevel(description);
    std::ostringstream log;
    const BrushModels models(*level, log);
    ASSERT_EQ(models.entities().size(), 3u);
    EXPECT_EQ(models.entities()[0].clusters, (std::vector<std::int32_t>{0, 1}));  // the door
    EXPECT_EQ(models.entities()[1].clusters, (std::vector<std::int32_t>{0}));     // the plat
    EXPECT_EQ(models.entities()[2].clusters, (std::vector<std::int32_t>{1}));     // bobbing
    EXPECT_EQ(models.faceCount(), 3u);
    EXPECT_EQ(models.ownerOfFace(1), &models.entities()[0]);
    EXPECT_EQ(models.ownerOfFace(0), nullptr);
}

TEST(BrushModelsTest, trainRunsAlongItsCornersAndGoesRoundALoop) {
    const std::string corners =
        "{ \"classname\" \"path_corner\" \"targetname\" \"a\" \"target\" \"b\" "
        "\"origin\" \"0 0 0\" }\n"
        "{ \"classname\" \"path_corner\" \"targetname\" \"b\" \"target\" \"c\" "
        "\"origin\" \"100 0 0\" }\n"
        "{ \"classname\" \"path_corner\" \"targetname\" \"c\" \"target\" \"TAIL\" "
        "\"origin\" \"100 0 50\" }\n";
    const auto openTrain = [&](const std::string& tail) {
        std::string text = corners;
        text.replace(text.find("TAIL"), 4, tail);
        return openLevel(withEntities(
            text + "{ \"classname\" \"func_train\" \"model\" \"*1\" \"target\" \"a\" }\n"));
    };
    std::ostringstream log;
    {
        // c names no corner: the train stops there.
        const auto level = openTrain("nowhere");
        const BrushModels models(*level, log);
        const BrushEntity& train = only(models);
        expectPoint(placeOf(train, 0.0), 0, 0, 0);
        expectPoint(placeOf(train, 0.5), 50, 0, 0);
        // File z is viewer y.
        expectPoint(placeOf(train, 1.25), 100, 25, 0);
        expectPoint(placeOf(train, 100.0), 100, 50, 0);
    }
    {
        // c leads back to a: 100 + 50 + 111.8 units round.
        const auto level = openTrain("a");
        const BrushModels models(*level, log);
        const BrushEntity& train = only(models);
        const double round = (150.0 + std::sqrt(100.0 * 100.0 + 50.0 * 50.0)) / 100.0;
        expectPoint(placeOf(train, round + 0.5), 50, 0, 0);
        expectPoint(placeOf(train, 10 * round), 0, 0, 0);
    }
    EXPECT_EQ(log.str(), "");
}

// Corners a (0 0 0), b (100 0 0) and c (100 0 50) with the given extra keys, c's target last,
// and a train of speed 100 from a.
std::string trainPath(const std::string& a, const std::string& b, const std::string& c,
                      const std::string& tail, const std::string& train = "") {
    return "{ \"classname\" \"path_corner\" \"targetname\" \"a\" \"target\" \"b\" "
           "\"origin\" \"0 0 0\" " +
           a +
           " }\n"
           "{ \"classname\" \"path_corner\" \"targetname\" \"b\" \"target\" \"c\" "
           "\"origin\" \"100 0 0\" " +
           b +
           " }\n"
           "{ \"classname\" \"path_corner\" \"targetname\" \"c\" \"target\" \"" +
           tail + "\" \"origin\" \"100 0 50\" " + c +
           " }\n"
           "{ \"classname\" \"func_train\" \"model\" \"*1\" \"target\" \"a\" " +
           train + " }\n";
}

TEST(BrushModelsTest, trainWaitsAtCornersAndTakesEachLegAtItsCornersSpeed) {
    std::ostringstream log;
    {
        // Two seconds at a, a at the train's 100 to b, b's 50 to c, and c's -1 holds it there
        // for good although its target leads back to a.
        const auto level = openLevel(
            withEntities(trainPath("\"wait\" \"2\"", "\"speed\" \"50\"", "\"wait\" \"-1\"", "a")));
        const BrushModels models(*level, log);
        const BrushEntity& train = only(models);
        EXPECT_EQ(train.loopStart, -1);
        expectPoint(placeOf(train, 1.9), 0, 0, 0);
        expectPoint(placeOf(train, 2.5), 50, 0, 0);
        expectPoint(placeOf(train, 3.5), 100, 25, 0);
        expectPoint(placeOf(train, 4.5), 100, 50, 0);
        expectPoint(placeOf(train, 1.0e6), 100, 50, 0);
    }
    {
        // Round the loop: 1 s at a, half a second at b, 261.8 units at 100.
        const auto level =
            openLevel(withEntities(trainPath("\"wait\" \"1\"", "\"wait\" \"0.5\"", "", "a")));
        const BrushModels models(*level, log);
        const BrushEntity& train = only(models);
        const double round = 1.5 + (150.0 + std::sqrt(100.0 * 100.0 + 50.0 * 50.0)) / 100.0;
        expectPoint(placeOf(train, 3 * round + 0.5), 0, 0, 0);
        expectPoint(placeOf(train, 3 * round + 1.5), 50, 0, 0);
        expectPoint(placeOf(train, 3 * round + 2.25), 100, 0, 0);
        expectPoint(placeOf(train, 3 * round + 2.75), 100, 25, 0);
    }
    EXPECT_EQ(log.str(), "");
}

TEST(BrushModelsTest, badCornerAndTrainValuesAreOneLineAndTheTrainsOwn) {
    const auto level = openLevel(withEntities(
        trainPath("\"wait\" \"nan\" \"speed\" \"-10\"", "\"wait\" \"-5\" \"speed\" \"1e999\"",
                  "\"speed\" \"1e-60\"", "a", "\"speed\" \"-3\"")));
    std::ostringstream log;
    const BrushModels models(*level, log);
    const BrushEntity& train = only(models);
    ASSERT_EQ(train.path.size(), 3u);
    for (const TrainCorner& corner : train.path) {
        EXPECT_EQ(corner.waitSeconds, 0.0f);
        EXPECT_EQ(corner.unitsPerSecond, 100.0f);
    }
    expectPoint(placeOf(train, 0.5), 50, 0, 0);
    const std::string prefix = "brush.bsp: entity 4 func_train: ";
    EXPECT_EQ(log.str(),
              prefix + "speed \"-3\" is not a positive number; 100 used\n" + prefix +
                  "path_corner \"a\" wait \"nan\" is neither -1 nor a usable number of "
                  "seconds; 0 used\n" +
                  prefix +
                  "path_corner \"a\" speed \"-10\" is not a usable positive number; the "
                  "train's 100 used\n" +
                  prefix +
                  "path_corner \"b\" wait \"-5\" is neither -1 nor a usable number of "
                  "seconds; 0 used\n" +
                  prefix +
                  "path_corner \"b\" speed \"1e999\" is not a usable positive number; the "
                  "train's 100 used\n" +
                  prefix +
                  "path_corner \"c\" speed \"1e-60\" is not a usable positive number; the "
                  "train's 100 used\n");
}

TEST(BrushModelsTest, numbersThatAreNotFiniteAreOneLineAndTheDefault) {
    const auto level = openLevel(
        withEntities("{ \"classname\" \"func_bobbing\" \"model\" \"*3\" \"height\" \"nan\" "
                     "\"speed\" \"1e999\" \"origin\" \"nan 0 0\" }\n"
                     "{ \"classname\" \"func_rotating\" \"model\" \"*1\" \"speed\" \"inf\" }\n"
                     "{ \"classname\" \"func_train\" \"model\" \"*2\" \"target\" \"missing\" }\n"));
    std::ostringstream log;
    const BrushModels models(*level, log);
    ASSERT_EQ(models.entities().size(), 3u);
    const BrushEntity& bobbing = models.entities()[0];
    EXPECT_EQ(bobbing.height, 32.0f);
    EXPECT_EQ(bobbing.periodSeconds, 4.0f);
    EXPECT_EQ(models.entities()[1].degrees, 100.0f);
    EXPECT_EQ(models.entities()[2].motion, BrushMotion::fixed);
    for (const BrushEntity& brush : models.entities()) {
        for (const double seconds : {0.0, 1.0, 1.0e9}) {
            for (const float value : BrushModels::transformAt(brush, seconds)) {
                EXPECT_TRUE(std::isfinite(value)) << brush.className;
            }
        }
    }
    EXPECT_EQ(log.str(),
              "brush.bsp: entity 1 func_bobbing: origin \"nan 0 0\" is not three usable numbers; "
              "drawn where compiled\n"
              "brush.bsp: entity 1 func_bobbing: height \"nan\" is not a usable number; 32 used\n"
              "brush.bsp: entity 1 func_bobbing: speed \"1e999\" is not a usable number; 4 used\n"
              "brush.bsp: entity 2 func_rotating: speed \"inf\" is not a usable number; 100 used\n"
              "brush.bsp: entity 3 func_train: no path_corner at its target; drawn where "
              "compiled\n");
    EXPECT_EQ(submodelNumber("*12"), 12);
    for (const char* bad : {"*", "*-1", "*+1", "*abc", "*1x", "1", "*99999999999"}) {
        EXPECT_EQ(submodelNumber(bad), -1) << bad;
    }
}

TEST(BrushModelsTest, infoTableListsClassSubmodelFacesAndBox) {
    const auto level = openLevel(brushLevel(true));
    std::ostringstream log;
    std::ostringstream table;
    printBrushTable(BrushModels(*level, log), table);
    EXPECT_EQ(table.str(),
              "brush entities 3, 3 faces\n"
              "  entity 1 func_door *1 1 faces, box -10 100 -10 .. 10 100 10\n"
              "  entity 2 func_plat *2 1 faces, box 20 100 -5 .. 30 100 5\n"
              "  entity 3 func_bobbing *3 1 faces, box -30 100 -5 .. -20 100 5\n");
    std::ostringstream none;
    printBrushTable(BrushModels(), none);
    EXPECT_EQ(none.str(), "");
}

TEST(BrushModelsTest, rotatingAndPendulumTurnAboutTheirOriginInTheFilesSense) {
    const auto level = openLevel(
        withEntities("{ \"classname\" \"func_rotating\" \"model\" \"*1\" \"speed\" \"90\" "
                     "\"origin\" \"10 20 30\" }\n"
                     "{ \"classname\" \"func_pendulum\" \"model\" \"*2\" \"speed\" \"45\" }\n"));
    std::ostringstream log;
    const BrushModels models(*level, log);
    ASSERT_EQ(models.entities().size(), 2u);
    // After a second a quarter turn about file z, counterclockwise seen from above: file +x goes
    // to file +y, which is viewer -z; the origin stays put.
    const BrushTransform turned = BrushModels::transformAt(models.entities()[0], 1.0);
    EXPECT_NEAR(turned[0], 0.0f, 1e-6f);
    EXPECT_NEAR(turned[2], -1.0f, 1e-6f);
    EXPECT_NEAR(turned[5], 1.0f, 1e-6f);
    expectPoint(placeOf(models.entities()[0], 1.0), 10, 30, -20);
    // The pendulum swings about file x, at most its 45 degrees, through the middle at 0 s.
    const BrushEntity& pendulum = models.entities()[1];
    EXPECT_NEAR(BrushModels::transformAt(pendulum, 0.0)[5], 1.0f, 1e-6f);
    const BrushTransform swung = BrushModels::transformAt(pendulum, pendulum.periodSeconds / 4);
    EXPECT_NEAR(swung[0], 1.0f, 1e-6f);
    EXPECT_NEAR(swung[5], std::cos(45.0 * 3.14159265358979 / 180.0), 1e-5);
}
