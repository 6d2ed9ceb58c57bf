// Tessellation of one bezier patch: array sizes and strip layout, the geometry the quadratic
// basis must produce, and bit-for-bit agreement with the plain formula.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <random>

#include "patch/BezierPatch.h"
#include "support/ReferenceTessellation.h"

namespace {

using Controls = Vertex[9];

void expectReference(const BezierPatch& patch, const Controls& controls, int level) {
    ASSERT_EQ(patch.getVertices().size(), static_cast<std::size_t>((level + 1) * (level + 1)));
    for (int i = 0; i <= level; ++i) {
        for (int j = 0; j <= level; ++j) {
            const Vertex expected = referencePatchVertex(controls, level, i, j);
            ASSERT_TRUE(sameBits(patch.getVertices()[i * (level + 1) + j], expected))
                << "level " << level << " vertex (" << i << ", " << j << ")";
        }
    }
}

void fillRandom(Controls& controls, std::mt19937& random) {
    std::uniform_real_distribution<float> wide(-4096.0f, 4096.0f);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> byte(0, 255);
    for (Vertex& v : controls) {
        for (float& f : v.position)
            f = wide(random);
        for (float& f : v.texCoord)
            f = unit(random) * 8.0f;
        for (float& f : v.lightmapCoord)
            f = unit(random);
        for (float& f : v.normal)
            f = unit(random);
        for (std::uint8_t& c : v.color)
            c = static_cast<std::uint8_t>(byte(random));
    }
}

// Control (r, c) at (c, 0, r): a flat, evenly spaced grid.
void fillFlatGrid(Controls& controls) {
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            Vertex& v = controls[3 * r + c];
            v.position[0] = static_cast<float>(c);
            v.position[1] = 0.0f;
            v.position[2] = static_cast<float>(r);
        }
    }
}

const Vertex& vertexAt(const BezierPatch& patch, int i, int j) {
    const int side = patch.getTessLevel() + 1;
    return patch.getVertices()[i * side + j];
}

bool sameFloats(const Vertex& a, const Vertex& b) {
    Vertex left = a;
    Vertex right = b;
    std::memset(left.color, 0, sizeof left.color);
    std::memset(right.color, 0, sizeof right.color);
    return sameBits(left, right);
}

}  // namespace

TEST(BezierPatchTest, arraySizesAndStripLayoutFollowTheLevel) {
    Controls controls;
    fillFlatGrid(controls);
    BezierPatch patch(controls);
    struct Expected {
        int level;
        std::size_t vertices, indices, strips;
        std::int32_t stripLength;
    };
    for (const Expected& e : {Expected{2, 9, 12, 2, 6}, Expected{10, 121, 220, 10, 22},
                              Expected{20, 441, 840, 20, 42}}) {
        patch.tessellate(e.level);
        EXPECT_EQ(patch.getTessLevel(), e.level);
        EXPECT_EQ(patch.getVertices().size(), e.vertices);
        EXPECT_EQ(patch.getIndices().size(), e.indices);
        ASSERT_EQ(patch.getStripCounts().size(), e.strips);
        for (std::int32_t count : patch.getStripCounts()) {
            EXPECT_EQ(count, e.stripLength);
        }
        // Strip k zigzags between vertex lines k and k + 1: (k, 0), (k+1, 0), (k, 1), ...
        const int side = e.level + 1;
        for (int k = 0; k < e.level; ++k) {
            for (int j = 0; j < side; ++j) {
                const auto* strip = &patch.getIndices()[k * e.stripLength];
                EXPECT_EQ(strip[2 * j], static_cast<std::uint32_t>(k * side + j));
                EXPECT_EQ(strip[2 * j + 1], static_cast<std::uint32_t>((k + 1) * side + j));
            }
        }
    }
}

TEST(BezierPatchTest, cornersReproduceCornerControls) {
    std::mt19937 random(7);
    Controls controls;
    fillRandom(controls, random);
    BezierPatch patch(controls);
    for (int level : {1, 2, 7, 10, 20}) {
        patch.tessellate(level);
        const auto& vertices = patch.getVertices();
        EXPECT_TRUE(sameFloats(vertices[0], controls[0])) << level;
        EXPECT_TRUE(sameFloats(vertices[level], controls[6])) << level;
        EXPECT_TRUE(sameFloats(vertices[level * (level + 1)], controls[2])) << level;
        EXPECT_TRUE(sameFloats(vertices.back(), controls[8])) << level;
    }
}

TEST(BezierPatchTest, centreWeighsControlsBySixteenthsAtEvenLevels) {
    const float expectedWeights[9] = {1 / 16.f, 1 / 8.f,  1 / 16.f, 1 / 8.f, 1 / 4.f,
                                      1 / 8.f,  1 / 16.f, 1 / 8.f,  1 / 16.f};
    for (int level : {2, 10, 20}) {
        for (int k = 0; k < 9; ++k) {
            Controls controls;
            controls[k].position[0] = 1.0f;
            controls[k].normal[2] = 3.0f;
            BezierPatch patch(controls);
            patch.tessellate(level);
            const Vertex& centre = vertexAt(patch, level / 2, level / 2);
            EXPECT_EQ(centre.position[0], expectedWeights[k]) << "control " << k;
            EXPECT_EQ(centre.normal[2], 3.0f * expectedWeights[k]) << "control " << k;
        }
    }
}

TEST(BezierPatchTest, flatGridGivesEvenlySpacedVertices) {
    Controls controls;
    fillFlatGrid(controls);
    BezierPatch patch(controls);
    for (int level : {2, 5, 10, 20}) {
        patch.tessellate(level);
        for (int i = 0; i <= level; ++i) {
            for (int j = 0; j <= level; ++j) {
                const Vertex& v = vertexAt(patch, i, j);
                EXPECT_NEAR(v.position[0], 2.0 * i / level, 1e-6);
                EXPECT_EQ(v.position[1], 0.0f);
                EXPECT_NEAR(v.position[2], 2.0 * j / level, 1e-6);
            }
        }
    }
}

TEST(BezierPatchTest, raisedCentreControlGivesBumpOfQuarterHeight) {
    Controls controls;
    controls[4].position[1] = 1.0f;
    BezierPatch patch(controls);
    for (int level : {4, 10, 20}) {
        patch.tessellate(level);
        for (int i = 0; i <= level; ++i) {
            for (int j = 0; j <= level; ++j) {
                const double u = static_cast<double>(i) / level;
                const double v = static_cast<double>(j) / level;
                EXPECT_NEAR(vertexAt(patch, i, j).position[1], 4 * u * (1 - u) * v * (1 - v), 1e-6);
            }
        }
        EXPECT_EQ(vertexAt(patch, level / 2, level / 2).position[1], 0.25f);
    }
}

TEST(BezierPatchTest, everyVertexTakesFirstControlsColour) {
    std::mt19937 random(11);
    Controls controls;
    fillRandom(controls, random);
    controls[0].color[0] = 10;
    controls[0].color[3] = 200;
    controls[8].color[0] = 99;
    BezierPatch patch(controls);
    patch.tessellate(6);
    for (const Vertex& v : patch.getVertices()) {
        ASSERT_EQ(std::memcmp(v.color, controls[0].color, sizeof v.color), 0);
    }
}

TEST(BezierPatchTest, normalsBetweenAngledUnitNormalsAreShorterThanOne) {
    // Column 0 faces +x, the other columns +y: the blend across u is not renormalised.
    Controls controls;
    for (int r = 0; r < 3; ++r) {
        controls[3 * r].normal[0] = 1.0f;
        controls[3 * r + 1].normal[1] = 1.0f;
        controls[3 * r + 2].normal[1] = 1.0f;
    }
    BezierPatch patch(controls);
    const int level = 10;
    patch.tessellate(level);
    for (int i = 0; i <= level; ++i) {
        for (int j = 0; j <= level; ++j) {
            const float* n = vertexAt(patch, i, j).normal;
            const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (i == 0 || i == level) {
                EXPECT_NEAR(length, 1.0, 1e-6);
            } else {
                EXPECT_LT(length, 0.9999) << i << ", " << j;
            }
        }
    }
}

TEST(BezierPatchTest, arraysShrinkAndRegrowWithTheLevel) {
    std::mt19937 random(3);
    Controls controls;
    fillRandom(controls, random);
    BezierPatch patch(controls);
    patch.tessellate(20);
    patch.tessellate(2);
    EXPECT_EQ(patch.getVertices().size(), 9u);
    EXPECT_EQ(patch.getIndices().size(), 12u);
    EXPECT_EQ(patch.getStripCounts().size(), 2u);
    expectReference(patch, controls, 2);
    patch.tessellate(20);
    EXPECT_EQ(patch.getIndices().size(), 840u);
    expectReference(patch, controls, 20);
}

TEST(BezierPatchTest, tessellationMatchesReferenceBitForBit) {
    std::mt19937 random(2024);
    // Several patches per level, with the level changing between patches and back, so any
    // reuse of weights or arrays across calls is exercised.
    for (int round = 0; round < 3; ++round) {
        for (int level = 1; level <= 20; ++level) {
            Controls controls;
            fillRandom(controls, random);
            BezierPatch patch(controls);
            patch.tessellate(21 - level);
            patch.tessellate(level);
            expectReference(patch, controls, level);
        }
    }
}

TEST(BezierPatchTest, jumpsBetweenLevelsKeepTheFormulaAndTheGrownStorage) {
    std::mt19937 random(1020);
    Controls controls;
    fillRandom(controls, random);
    BezierPatch patch(controls);
    patch.tessellate(10);
    patch.tessellate(20);
    expectReference(patch, controls, 20);
    const Vertex* grownVertices = patch.getVertices().data();
    const std::uint32_t* grownIndices = patch.getIndices().data();
    patch.tessellate(10);
    expectReference(patch, controls, 10);
    patch.tessellate(20);
    expectReference(patch, controls, 20);
    // The second rise to 20 finds the arrays of the first.
    EXPECT_EQ(patch.getVertices().data(), grownVertices);
    EXPECT_EQ(patch.getIndices().data(), grownIndices);
    EXPECT_EQ(patch.getIndices().size(), 840u);
}
