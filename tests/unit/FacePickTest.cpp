// The ray pick against small writer-made levels: the nearer of two walls, the side culling hides,
// a patch at two tessellation levels, and rays that meet nothing.
#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "gl/WallLevel.h"
#include "level/BSPMap.h"
#include "level/Face.h"
#include "level/FacePick.h"
#include "support/LevelFixtures.h"

namespace {

constexpr std::int32_t kFarWall = 0;
constexpr std::int32_t kNearWall = 1;
constexpr std::int32_t kCurve = 2;

// Two walls across the view of an eye at the origin looking along the file's +y (the viewer's
// -z): the far one at y = 200, listed first, and a narrower near one at y = 100. Beside them, at
// x = 300..400, a patch bent toward the eye: y = 200 - 200u + 200u^2 across, straight up and down.
LevelDescription pickLevel() {
    LevelDescription level;
    level.textures = {{"textures/test/wall", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 3, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0, 1, 2};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-50, 50, -50, 50, 200, kNoLightmap, 0, white});
    addQuad(level, {-20, 20, -50, 50, 100, kNoLightmap, 0, white});
    const auto first = static_cast<std::int32_t>(level.vertices.size());
    for (const float z : {-50.0f, 0.0f, 50.0f}) {
        level.vertices.push_back(vertexAt(300, 200, z));
        level.vertices.push_back(vertexAt(350, 100, z));
        level.vertices.push_back(vertexAt(400, 200, z));
    }
    level.faces.push_back(patchFaceOf(first, 3, 3));
    level.models = {{{-50, 0, -50}, {400, 200, 50}, 0, 3, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    return level;
}

// Viewer axes: the file's +y is the viewer's -z.
const Vec3 kAhead(0.0f, 0.0f, -1.0f);
const Vec3 kBehind(0.0f, 0.0f, 1.0f);

class FacePickTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(level->isSound()); }
    std::unique_ptr<BSPMap> level = loadLevelBytes(writeLevel(pickLevel()));
};

}  // namespace

TEST_F(FacePickTest, theNearerOfTwoWallsIsPickedWhateverTheirOrder) {
    const FacePick pick = pickFace(*level, Point(0, 0, 0), kAhead);
    ASSERT_TRUE(pick.hit());
    EXPECT_EQ(pick.face, kNearWall);
    EXPECT_FLOAT_EQ(pick.distance, 100.0f);
    EXPECT_FLOAT_EQ(pick.point.getZ(), -100.0f);
    // Past the near wall's side edge only the far one is in the way.
    const FacePick beside = pickFace(*level, Point(35, 10, 0), kAhead);
    EXPECT_EQ(beside.face, kFarWall);
    EXPECT_FLOAT_EQ(beside.distance, 200.0f);
    // A direction of any length gives distances in level units.
    EXPECT_FLOAT_EQ(pickFace(*level, Point(0, 0, 0), kAhead.scaled(5.0)).distance, 100.0f);
    // Among the faces of a draw list without the near wall, the far wall.
    const std::uint32_t farOnly[] = {std::uint32_t(kFarWall), 99};
    EXPECT_EQ(pickFaceAmong(*level, farOnly, Point(0, 0, 0), kAhead).face, kFarWall);
}

TEST_F(FacePickTest, wallsSeenFromBehindAreCulledAsDrawn) {
    // From y = 300 looking back toward the eye's side: the walls' backs.
    EXPECT_FALSE(pickFace(*level, Point(0, 0, -300), kBehind).hit());
    const PickRule bothSides = [](const Face&) { return PickSides::both; };
    const FacePick pick = pickFace(*level, Point(0, 0, -300), kBehind, bothSides);
    EXPECT_EQ(pick.face, kFarWall);
    EXPECT_FLOAT_EQ(pick.distance, 100.0f);
    const PickRule backs = [](const Face&) { return PickSides::back; };
    EXPECT_EQ(pickFace(*level, Point(0, 0, -300), kBehind, backs).face, kFarWall);
    EXPECT_FALSE(pickFace(*level, Point(0, 0, 0), kAhead, backs).hit());
}

TEST_F(FacePickTest, aPatchIsMetOnItsGridAtTheCurrentLevel) {
    // A quarter of the way across (x = 325), the curve itself lies at y = 162.5.
    const Point eye(325, 10, 0);
    level->setPatchLevel(2);
    // Level 2 has vertices at u = 0 (y 200) and u = 0.5 (y 150): the chord meets x = 325 at 175.
    FacePick pick = pickFace(*level, eye, kAhead);
    EXPECT_EQ(pick.face, kCurve);
    EXPECT_NEAR(pick.distance, 175.0f, 1e-3f);
    // Level 10 has them at u = 0.2 (x 320, y 168) and u = 0.3 (x 330, y 158).
    level->setPatchLevel(10);
    pick = pickFace(*level, eye, kAhead);
    EXPECT_EQ(pick.face, kCurve);
    EXPECT_NEAR(pick.distance, 163.0f, 1e-3f);
    // A curved surface is seen from both sides.
    EXPECT_EQ(pickFace(*level, Point(325, 10, -300), kBehind).face, kCurve);
}

TEST_F(FacePickTest, raysThatMeetNothingPickNoFace) {
    EXPECT_FALSE(pickFace(*level, Point(0, 0, 0), Vec3(0, 1, 0)).hit());
    EXPECT_FALSE(pickFace(*level, Point(0, 0, 0), Vec3(0, 0, 0)).hit());
    // Past the end of the far wall.
    EXPECT_FALSE(pickFace(*level, Point(0, 0, -250), kAhead).hit());
    const PickRule nothing = [](const Face&) { return PickSides::none; };
    EXPECT_FALSE(pickFace(*level, Point(0, 0, 0), kAhead, nothing).hit());
}
