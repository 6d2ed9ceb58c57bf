// Deformed copies of vertices: each deform against the arithmetic worked out by hand, and bad
// vertices that keep their place rather than reach GL as non-finite numbers.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>

#include "render/VertexDeforms.h"

namespace {

Vertex vertexAt(float x, float y, float z) {
    Vertex vertex;
    vertex.position[0] = x;
    vertex.position[1] = y;
    vertex.position[2] = z;
    // Viewer axes: up.
    vertex.normal[1] = 1.0f;
    return vertex;
}

Material withDeform(const Deform& deform) {
    Material material;
    material.deforms.push_back(deform);
    return material;
}

}  // namespace

TEST(VertexDeformsTest, aWaveMovesEachVertexAlongItsNormalWithItsPlaceInThePhase) {
    // A sine of amplitude 2 at one period a second; a divisor of 100 puts a vertex 25 units on
    // (file x + y + z) a quarter of a period later.
    Deform deform;
    deform.spread = 100.0f;
    deform.wave = {WaveForm::sine, 0.0f, 2.0f, 0.0f, 1.0f};
    std::array<Vertex, 2> vertices = {vertexAt(0, 0, 0), vertexAt(25, 0, 0)};
    deformVertices(withDeform(deform), 0.0, vertices);
    EXPECT_NEAR(vertices[0].position[1], 0.0f, 1e-5f);
    EXPECT_NEAR(vertices[1].position[1], 2.0f, 1e-5f);
    EXPECT_EQ(vertices[1].position[0], 25.0f);
    // File y is the viewer's -z: 25 units toward the viewer's -z is the same quarter period.
    std::array<Vertex, 1> back = {vertexAt(0, 0, -25)};
    deformVertices(withDeform(deform), 0.0, back);
    EXPECT_NEAR(back[0].position[1], 2.0f, 1e-5f);
    // A divisor of 0: every vertex at the wave's own phase.
    deform.spread = 0.0f;
    std::array<Vertex, 1> still = {vertexAt(25, 0, 0)};
    deformVertices(withDeform(deform), 0.25, still);
    EXPECT_NEAR(still[0].position[1], 2.0f, 1e-5f);
}

TEST(VertexDeformsTest, moveShiftsEveryVertexAlongTheFileAxesVector) {
    // File +z is the viewer's +y; file +y the viewer's -z.
    Deform deform;
    deform.kind = DeformKind::move;
    deform.vector = {0.0f, 3.0f, 1.0f};
    deform.wave = {WaveForm::square, 0.0f, 2.0f, 0.0f, 1.0f};
    std::array<Vertex, 2> vertices = {vertexAt(0, 0, 0), vertexAt(10, 20, 30)};
    deformVertices(withDeform(deform), 0.0, vertices);
    EXPECT_FLOAT_EQ(vertices[0].position[1], 2.0f);
    EXPECT_FLOAT_EQ(vertices[0].position[2], -6.0f);
    EXPECT_FLOAT_EQ(vertices[1].position[0], 10.0f);
    EXPECT_FLOAT_EQ(vertices[1].position[1], 22.0f);
    EXPECT_FLOAT_EQ(vertices[1].position[2], 24.0f);
}

TEST(VertexDeformsTest, aBulgeFollowsASineOfTheImageS) {
    Deform deform;
    deform.kind = DeformKind::bulge;
    deform.bulge = {3.14159265f, 4.0f, 0.0f};
    std::array<Vertex, 2> vertices = {vertexAt(0, 0, 0), vertexAt(0, 0, 0)};
    vertices[1].texCoord[0] = 0.5f;
    deformVertices(withDeform(deform), 7.0, vertices);
    EXPECT_NEAR(vertices[0].position[1], 0.0f, 1e-5f);
    EXPECT_NEAR(vertices[1].position[1], 4.0f, 1e-5f);
}

TEST(VertexDeformsTest, normalSwaysOnlyNormalsAndIsDrawnOnlyUnderAnEnvironmentStage) {
    Deform deform;
    deform.kind = DeformKind::normal;
    deform.wave.amplitude = 0.5f;
    deform.wave.frequency = 1.0f;
    Material material = withDeform(deform);
    EXPECT_FALSE(deformsVertices(&material));
    material.stages.emplace_back().texCoordGen = TexCoordGen::environment;
    EXPECT_TRUE(deformsVertices(&material));
    std::array<Vertex, 1> vertices = {vertexAt(5, 6, 7)};
    deformVertices(material, 0.3, vertices);
    EXPECT_EQ(vertices[0].position[0], 5.0f);
    EXPECT_EQ(vertices[0].position[1], 6.0f);
    const float* n = vertices[0].normal;
    EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5f);
    EXPECT_NE(n[1], 1.0f);
}

TEST(VertexDeformsTest, autospritesAreNoCopyAndNoMaterialIsNone) {
    Deform deform;
    deform.kind = DeformKind::autosprite2;
    const Material material = withDeform(deform);
    EXPECT_FALSE(deformsVertices(&material));
    EXPECT_FALSE(deformsVertices(nullptr));
}

TEST(VertexDeformsTest, aVertexWhoseMoveWouldNotBeFiniteKeepsItsPlace) {
    Deform deform;
    deform.spread = 100.0f;
    deform.wave = {WaveForm::sine, 1.0f, 0.0f, 0.0f, 0.0f};
    std::array<Vertex, 2> vertices = {vertexAt(3.0e38f, 0, 0), vertexAt(0, 0, 0)};
    vertices[0].normal[0] = 3.0e38f;
    vertices[1].normal[1] = std::numeric_limits<float>::quiet_NaN();
    deformVertices(withDeform(deform), 0.0, vertices);
    EXPECT_EQ(vertices[0].position[0], 3.0e38f);
    EXPECT_EQ(vertices[1].position[1], 0.0f);
}
