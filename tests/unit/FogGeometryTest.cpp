// The geometry behind fog and sprites: how much of a segment lies in a convex volume, the eye of a
// modelview matrix, and sprite quads turned toward the eye.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "geometry/ConvexClip.h"
#include "render/SpriteCorners.h"

namespace {

// The box 0..100 on every axis, its normals pointing out.
const std::vector<BoundingPlane> kBox = {
    {{1, 0, 0}, 100}, {{-1, 0, 0}, 0},  {{0, 1, 0}, 100},
    {{0, -1, 0}, 0},  {{0, 0, 1}, 100}, {{0, 0, -1}, 0},
};

void expectPointNear(const Point3& actual, const Point3& expected, const char* what) {
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(actual[i], expected[i], 1e-3) << what << ", axis " << i;
    }
}

}  // namespace

TEST(SegmentInVolumeTest, aSegmentInsideCountsWhole) {
    EXPECT_NEAR(lengthInside({10, 10, 10}, {20, 50, 30}, kBox), std::sqrt(100 + 1600 + 400), 1e-6);
    EXPECT_DOUBLE_EQ(lengthInside({10, 10, 10}, {10, 10, 10}, kBox), 0.0);
    EXPECT_NEAR(lengthInside({-5, 0, 0}, {5, 0, 0}, {}), 10.0, 1e-9) << "no planes bound nothing";
}

TEST(SegmentInVolumeTest, aSegmentOutsideCountsNothing) {
    EXPECT_DOUBLE_EQ(lengthInside({200, 0, 0}, {300, 50, 50}, kBox), 0.0);
    // Beside the box: within its x and y but above it.
    EXPECT_DOUBLE_EQ(lengthInside({-10, 50, 150}, {110, 50, 150}, kBox), 0.0);
    // Across the x slab and the y slab, but never in both at once.
    EXPECT_DOUBLE_EQ(lengthInside({-50, 60, 50}, {60, 170, 50}, kBox), 0.0);
}

TEST(SegmentInVolumeTest, aSegmentThroughCountsThePartInside) {
    EXPECT_NEAR(lengthInside({-50, 50, 50}, {150, 50, 50}, kBox), 100.0, 1e-9);
    EXPECT_NEAR(lengthInside({-100, -100, -100}, {200, 200, 200}, kBox), 100.0 * std::sqrt(3.0),
                1e-4);
    // From an eye outside to a point inside, and the other way.
    EXPECT_NEAR(lengthInside({-100, 50, 50}, {50, 50, 50}, kBox), 50.0, 1e-9);
    EXPECT_NEAR(lengthInside({50, 50, 50}, {50, 50, 400}, kBox), 50.0, 1e-9);
    // A slanted plane: inside where y <= x.
    const std::vector<BoundingPlane> halfSpace = {
        {{float(-1 / std::sqrt(2.0)), float(1 / std::sqrt(2.0)), 0}, 0}};
    EXPECT_NEAR(lengthInside({0, -10, 0}, {0, 10, 0}, halfSpace), 10.0, 1e-5);
}

TEST(SegmentInVolumeTest, aSegmentGrazingTheSurface) {
    // Touching an edge at one point.
    EXPECT_NEAR(lengthInside({-50, 50, 50}, {50, -50, 50}, kBox), 0.0, 1e-9);
    // Touching a corner from outside.
    EXPECT_NEAR(lengthInside({-10, -10, -10}, {0, 0, 0}, kBox), 0.0, 1e-9);
    // Running along a side: the surface belongs to the volume.
    EXPECT_NEAR(lengthInside({0, 10, 10}, {0, 90, 10}, kBox), 80.0, 1e-9);
    // Along a side's plane but past the box's end.
    EXPECT_NEAR(lengthInside({0, 50, 50}, {0, 150, 50}, kBox), 50.0, 1e-9);
}

TEST(SpriteCornersTest, theEyeOfAModelviewMatrix) {
    // Looking along +x: right is +z, up is +y, back is -x; the eye stands at (5, 6, 7).
    const std::array<float, 16> modelview = {0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, -7, -6, 5, 1};
    const EyeFrame eye = eyeOfModelview(modelview);
    expectPointNear(eye.right, {0, 0, 1}, "right");
    expectPointNear(eye.up, {0, 1, 0}, "up");
    expectPointNear(eye.back, {-1, 0, 0}, "back");
    expectPointNear(eye.position, {5, 6, 7}, "position");
}

namespace {

// A quad edge-on to an eye that looks down -z: in the plane x = 0, 60 deep and 40 high, centred
// 200 in front.
const QuadCorners kEdgeOn = {Point3{0, -20, -230}, Point3{0, 20, -230}, Point3{0, 20, -170},
                             Point3{0, -20, -170}};
const EyeFrame kLookingDownZ;

}  // namespace

TEST(SpriteCornersTest, anAutospriteTurnsAcrossTheViewKeepingItsSizeAndItsUp) {
    const std::optional<Point3> front = clockwiseFront(kEdgeOn[0], kEdgeOn[1], kEdgeOn[2]);
    ASSERT_TRUE(front);
    expectPointNear(*front, {-1, 0, 0}, "the quad's own front");
    const std::optional<QuadCorners> turned = facingTheEye(kEdgeOn, *front, kLookingDownZ);
    ASSERT_TRUE(turned);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR((*turned)[i][2], -200.0f, 1e-3) << "across the view, about the centre";
        EXPECT_NEAR((*turned)[i][1], kEdgeOn[i][1], 1e-3) << "up stays up";
        EXPECT_NEAR(std::abs((*turned)[i][0]), 30.0f, 1e-3) << "its depth became its width";
    }
    const std::optional<Point3> turnedFront =
        clockwiseFront((*turned)[0], (*turned)[1], (*turned)[2]);
    ASSERT_TRUE(turnedFront);
    expectPointNear(*turnedFront, {0, 0, 1}, "its front faces the eye");
}

TEST(SpriteCornersTest, anAutospriteLyingFlatStillTurns) {
    const QuadCorners flat = {Point3{-10, 0, -190}, Point3{-10, 0, -210}, Point3{10, 0, -210},
                              Point3{10, 0, -190}};
    const std::optional<Point3> front = clockwiseFront(flat[0], flat[1], flat[2]);
    ASSERT_TRUE(front);
    const std::optional<QuadCorners> turned = facingTheEye(flat, *front, kLookingDownZ);
    ASSERT_TRUE(turned);
    const std::optional<Point3> turnedFront =
        clockwiseFront((*turned)[0], (*turned)[1], (*turned)[2]);
    ASSERT_TRUE(turnedFront);
    expectPointNear(*turnedFront, {0, 0, 1}, "its front faces the eye");
    EXPECT_NEAR(length((*turned)[2] - (*turned)[0]), length(flat[2] - flat[0]), 1e-3);
}

TEST(SpriteCornersTest, anAutosprite2TurnsAboutItsLongAxisOnly) {
    // A beam along y, 200 long and 20 wide, edge-on to the eye.
    const QuadCorners beam = {Point3{0, -100, -210}, Point3{0, 100, -210}, Point3{0, 100, -190},
                              Point3{0, -100, -190}};
    const std::optional<Point3> front = clockwiseFront(beam[0], beam[1], beam[2]);
    ASSERT_TRUE(front);
    const std::optional<QuadCorners> turned = turnedAboutLongAxis(beam, *front, kLookingDownZ);
    ASSERT_TRUE(turned);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR((*turned)[i][1], beam[i][1], 1e-3) << "along the axis nothing moves";
        EXPECT_NEAR((*turned)[i][2], -200.0f, 1e-3);
        EXPECT_NEAR(std::abs((*turned)[i][0]), 10.0f, 1e-3);
    }
    const std::optional<Point3> turnedFront =
        clockwiseFront((*turned)[0], (*turned)[1], (*turned)[2]);
    ASSERT_TRUE(turnedFront);
    expectPointNear(*turnedFront, {0, 0, 1}, "its front faces the eye");

    // Seen straight along its axis there is no way to turn it.
    EyeFrame alongTheAxis;
    alongTheAxis.right = {1, 0, 0};
    alongTheAxis.up = {0, 0, -1};
    alongTheAxis.back = {0, 1, 0};
    EXPECT_FALSE(turnedAboutLongAxis(beam, *front, alongTheAxis));
}

TEST(SpriteCornersTest, aDegenerateQuadIsNotTurned) {
    const QuadCorners point = {Point3{1, 2, 3}, Point3{1, 2, 3}, Point3{1, 2, 3}, Point3{1, 2, 3}};
    // Without a front the drawing never asks to turn it; turned about an axis it has none.
    EXPECT_FALSE(clockwiseFront(point[0], point[1], point[2]));
    EXPECT_FALSE(turnedAboutLongAxis(point, {1, 0, 0}, kLookingDownZ));
}
