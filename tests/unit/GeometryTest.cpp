// Vec3's kept length, the cross product, Point arithmetic and the plane's front-side tie.
#include <gtest/gtest.h>

#include "geometry/Plane.h"
#include "geometry/Point.h"
#include "geometry/Vec3.h"

TEST(Vec3Test, lengthFollowsEverySetter) {
    Vec3 v(3, 4, 0);
    EXPECT_FLOAT_EQ(v.getLength(), 5.0f);
    v.setZ(12);
    EXPECT_FLOAT_EQ(v.getLength(), 13.0f);
    Vec3 copy = v;
    EXPECT_FLOAT_EQ(copy.getLength(), 13.0f);
    v.setX(0);
    v.setY(0);
    EXPECT_FLOAT_EQ(v.getLength(), 12.0f);
}

TEST(Vec3Test, scalingZeroStaysZero) {
    Vec3 zero(0, 0, 0);
    Vec3 scaled = zero.scaled(123.5);
    EXPECT_EQ(scaled.getX(), 0.0f);
    EXPECT_EQ(scaled.getLength(), 0.0f);
    Vec3 v = Vec3(1, 2, 2).scaled(-2.0);
    EXPECT_FLOAT_EQ(v.getY(), -4.0f);
    EXPECT_FLOAT_EQ(v.getLength(), 6.0f);
}

TEST(Vec3Test, crossIsRightHanded) {
    Vec3 a = Vec3(0, 0, 5).cross(Vec3(0, 1, 0));
    EXPECT_FLOAT_EQ(a.getX(), -5.0f);
    EXPECT_FLOAT_EQ(a.getY(), 0.0f);
    EXPECT_FLOAT_EQ(a.getZ(), 0.0f);
    EXPECT_FLOAT_EQ(a.getLength(), 5.0f);
    Vec3 b = Vec3(5, 0, 0).cross(Vec3(0, 1, 0));
    EXPECT_FLOAT_EQ(b.getZ(), 5.0f);
}

TEST(PointTest, addYAndSubtract) {
    Point p(1, 2, 3);
    p.addY(7);
    EXPECT_EQ(p.getY(), 9.0f);
    p.subtract(Vec3(1, 1, 1));
    EXPECT_EQ(p.getX(), 0.0f);
    EXPECT_EQ(p.getY(), 8.0f);
    EXPECT_EQ(p.getZ(), 2.0f);
}

TEST(PlaneTest, pointOnPlaneIsInFront) {
    Plane floor(Vec3(0, 1, 0), 64.0f);
    EXPECT_TRUE(floor.isInFront(Point(10, 64, -3)));
    EXPECT_TRUE(floor.isInFront(Point(0, 65, 0)));
    EXPECT_FALSE(floor.isInFront(Point(0, 63.99f, 0)));
}
