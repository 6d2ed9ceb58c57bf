// Frustum planes taken from the viewer's real projection and a camera transform, and the box test
// on boxes inside, behind, beyond, on, across and around the planes.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "GlTestState.h"
#include "geometry/Camera.h"
#include "level/Records.h"
#include "render/Frustum.h"

namespace {

using Box = std::array<int, 6>;  // x0, y0, z0, x1, y1, z1

Leaf leafWithBox(const Box& box) {
    Leaf leaf;
    for (int axis = 0; axis < 3; ++axis) {
        leaf.mins[axis] = box[axis];
        leaf.maxs[axis] = box[axis + 3];
    }
    return leaf;
}

// The verdict must not depend on which corner holds the smaller value on any axis.
void expectVerdictForEveryCornerOrder(const Frustum& frustum, const Box& box, int expected) {
    for (int swaps = 0; swaps < 8; ++swaps) {
        Leaf leaf = leafWithBox(box);
        for (int axis = 0; axis < 3; ++axis) {
            if (swaps & (1 << axis)) {
                std::swap(leaf.mins[axis], leaf.maxs[axis]);
            }
        }
        EXPECT_EQ(frustum.leafInFrustum(leaf), expected) << "corner swaps " << swaps;
    }
}

// The viewer's projection, then the camera's own update at the given pose.
Frustum frustumFromCamera(const Point& eye, int yaw) {
    useViewerPerspective();
    Frustum frustum;
    Camera camera(eye, &frustum);
    camera.setYaw(yaw);
    camera.update(0.0f);
    glLoadIdentity();
    return frustum;
}

// Identity matrices: the planes are the faces of the cube -1..1.
Frustum unitCubeFrustum() {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Frustum frustum;
    frustum.updateFromMatrices(identity, identity);
    return frustum;
}

}  // namespace

TEST(FrustumTest, planesAreUnitLengthAndFaceInwards) {
    const Frustum frustum = frustumFromCamera(Point(100, 50, 200), 30);
    for (int index = 0; index < Frustum::kPlaneCount; ++index) {
        const double* p = frustum.plane(index);
        EXPECT_NEAR(p[0] * p[0] + p[1] * p[1] + p[2] * p[2], 1.0, 1e-9) << index;
    }
    // A point 100 units ahead of the eye is inside every plane; the near plane faces away from it.
    const double yaw = 30 * kDegreesToRadians;
    const double ahead[3] = {100 + 100 * std::sin(yaw), 50, 200 - 100 * std::cos(yaw)};
    for (int index = 0; index < Frustum::kPlaneCount; ++index) {
        const double* p = frustum.plane(index);
        EXPECT_GT(p[0] * ahead[0] + p[1] * ahead[1] + p[2] * ahead[2] + p[3], 0.0) << index;
    }
    const double* nearPlane = frustum.plane(Frustum::kNear);
    EXPECT_NEAR(nearPlane[0] * 100 + nearPlane[1] * 50 + nearPlane[2] * 200 + nearPlane[3], -1.25,
                1e-3);
}

TEST(FrustumTest, boxesAroundBehindAndBeyondTheEye) {
    // Yaw 0: the eye at (100, 50, 200) looks along -z; the far plane lies at z = -4800.
    const Frustum frustum = frustumFromCamera(Point(100, 50, 200), 0);
    expectVerdictForEveryCornerOrder(frustum, {90, 40, 190, 110, 60, 210}, 1);
    expectVerdictForEveryCornerOrder(frustum, {90, 40, 250, 110, 60, 300}, 0);
    expectVerdictForEveryCornerOrder(frustum, {90, 40, -5000, 110, 60, -4810}, 0);
    expectVerdictForEveryCornerOrder(frustum, {90, 40, -5000, 110, 60, -4790}, 1);
    // Straddling the right plane 90 to 110 units ahead, where it lies at x = 149.7 to 160.8.
    expectVerdictForEveryCornerOrder(frustum, {150, 40, 90, 170, 60, 110}, 1);
    expectVerdictForEveryCornerOrder(frustum, {170, 40, 90, 190, 60, 110}, 0);
}

TEST(FrustumTest, boxOutsideNearTheFarRightEdgeStillPasses) {
    // At the far distance the right plane lies at x = 5000 * 0.5523 = 2761; at 5100 at 2817.
    // This box has a corner inside the right plane (beyond far) and one inside the far plane
    // (outside right), but no point inside both: the conservative test lets it through.
    const Frustum frustum = frustumFromCamera(Point(0, 0, 0), 0);
    expectVerdictForEveryCornerOrder(frustum, {2780, -10, -5100, 2900, 10, -4990}, 1);
    expectVerdictForEveryCornerOrder(frustum, {2830, -10, -5100, 2900, 10, -4990}, 0);
}

TEST(FrustumTest, cornersExactlyOnAPlaneAreOutside) {
    const Frustum cube = unitCubeFrustum();
    // All eight corners on x = 1 (right) give exactly 0 there: rejected.
    expectVerdictForEveryCornerOrder(cube, {1, 0, 0, 1, 1, 0}, 0);
    // All on z = -1 (near, w + z = 0).
    expectVerdictForEveryCornerOrder(cube, {0, 0, -1, 0, 0, -1}, 0);
    // Reaching one unit inside the plane is enough.
    expectVerdictForEveryCornerOrder(cube, {0, 0, 0, 1, 0, 0}, 1);
    expectVerdictForEveryCornerOrder(cube, {0, 0, 0, 2, 0, 0}, 1);
}

TEST(FrustumTest, planesThatAreNotNumbersRejectEveryBox) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float broken[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    broken[0] = std::numeric_limits<float>::quiet_NaN();
    Frustum frustum;
    frustum.updateFromMatrices(identity, broken);
    expectVerdictForEveryCornerOrder(frustum, {-1, -1, -1, 1, 1, 1}, 0);
}
