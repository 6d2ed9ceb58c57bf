// The box test against the plain eight-corner test it stands for: the same verdict for every box,
// whatever the frustum, the corner order and the size of the coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "level/Records.h"
#include "render/Frustum.h"

namespace {

// Every corner in turn, x fastest, until one lies strictly inside each plane.
int everyCornerVerdict(const Frustum& frustum, const Leaf& leaf) {
    for (int index = 0; index < Frustum::kPlaneCount; ++index) {
        const double* plane = frustum.plane(index);
        bool passed = false;
        for (int corner = 0; corner < 8 && !passed; ++corner) {
            const double x = static_cast<float>((corner & 1) ? leaf.maxs[0] : leaf.mins[0]);
            const double y = static_cast<float>((corner & 2) ? leaf.maxs[1] : leaf.mins[1]);
            const double z = static_cast<float>((corner & 4) ? leaf.maxs[2] : leaf.mins[2]);
            passed = (plane[1] * y + plane[0] * x) + plane[2] * z + plane[3] > 0.0;
        }
        if (!passed) {
            return 0;
        }
    }
    return 1;
}

// A perspective projection and a turned, tilted and moved eye, both column-major.
void randomViewMatrices(std::mt19937& random, float projection[16], float modelview[16]) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double fieldOfView = 0.3 + 2.0 * unit(random);
    const double aspect = 0.5 + 1.5 * unit(random);
    const double nearDistance = 0.5 + 4.0 * unit(random);
    const double farDistance = nearDistance + 10.0 + 5000.0 * unit(random);
    const double f = 1.0 / std::tan(fieldOfView / 2.0);
    const float perspective[16] = {
        static_cast<float>(f / aspect),
        0,
        0,
        0,
        0,
        static_cast<float>(f),
        0,
        0,
        0,
        0,
        static_cast<float>((farDistance + nearDistance) / (nearDistance - farDistance)),
        -1,
        0,
        0,
        static_cast<float>(2.0 * farDistance * nearDistance / (nearDistance - farDistance)),
        0};
    std::copy(perspective, perspective + 16, projection);

    const double yaw = 6.3 * unit(random);
    const double pitch = 3.0 * unit(random) - 1.5;
    const double cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    // Rotation about y, then about x, then a move of up to 600 units.
    const double rotation[9] = {cy, sp * sy, -cp * sy, 0, cp, sp, sy, -sp * cy, cp * cy};
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            modelview[4 * column + row] = static_cast<float>(rotation[3 * column + row]);
        }
        modelview[4 * column + 3] = 0.0f;
    }
    for (int row = 0; row < 3; ++row) {
        modelview[12 + row] = static_cast<float>(1200.0 * unit(random) - 600.0);
    }
    modelview[15] = 1.0f;
}

Leaf randomLeaf(std::mt19937& random, int extent) {
    std::uniform_int_distribution<int> coordinate(-extent, extent);
    Leaf leaf;
    for (int axis = 0; axis < 3; ++axis) {
        leaf.mins[axis] = coordinate(random);
        leaf.maxs[axis] = coordinate(random);
    }
    return leaf;
}

void expectSameVerdicts(const Frustum& frustum, std::mt19937& random, int extent, int boxes) {
    for (int i = 0; i < boxes; ++i) {
        const Leaf leaf = randomLeaf(random, extent);
        ASSERT_EQ(frustum.leafInFrustum(leaf), everyCornerVerdict(frustum, leaf))
            << "box (" << leaf.mins[0] << ", " << leaf.mins[1] << ", " << leaf.mins[2] << ") ("
            << leaf.maxs[0] << ", " << leaf.maxs[1] << ", " << leaf.maxs[2] << ")";
    }
}

}  // namespace

TEST(FrustumBoxTest, agreesWithTheEveryCornerTestForRandomViewsAndBoxes) {
    std::mt19937 random(4242);
    for (int view = 0; view < 200; ++view) {
        float projection[16];
        float modelview[16];
        randomViewMatrices(random, projection, modelview);
        Frustum frustum;
        frustum.updateFromMatrices(projection, modelview);
        expectSameVerdicts(frustum, random, 800, 500);
        expectSameVerdicts(frustum, random, 40, 200);
        // Beyond 2^24 the corners round on their way to float.
        expectSameVerdicts(frustum, random, 2000000000, 100);
    }
}

TEST(FrustumBoxTest, agreesWhereCornersLieExactlyOnThePlanes) {
    // Identity matrices put the planes on the faces of the cube -1..1, through integer corners.
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Frustum cube;
    cube.updateFromMatrices(identity, identity);
    std::mt19937 random(7);
    expectSameVerdicts(cube, random, 3, 5000);
}

TEST(FrustumBoxTest, agreesForPlanesThatAreNotNumbers) {
    const float zero[16] = {};
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Frustum degenerate;
    degenerate.updateFromMatrices(zero, identity);
    std::mt19937 random(11);
    expectSameVerdicts(degenerate, random, 100, 200);
}
