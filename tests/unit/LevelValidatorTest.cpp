// The validator on hand-made index tables: one message per kind of bad index, nothing for the
// cases the drawing code tolerates, and a capped report for floods of bad entries.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "level/Face.h"
#include "level/LevelValidator.h"
#include "level/Records.h"
#include "support/LevelFixtures.h"

namespace {

Node makeNode(std::int32_t plane, std::int32_t front, std::int32_t back) {
    Node node;
    node.plane = plane;
    node.front = front;
    node.back = back;
    return node;
}

Leaf makeLeaf(std::int32_t firstLeafFace, std::int32_t numLeafFaces) {
    Leaf leaf;
    leaf.firstLeafFace = firstLeafFace;
    leaf.numLeafFaces = numLeafFaces;
    return leaf;
}

// A small sound level: three nodes over three leaves, a quad polygon, a triangle mesh, a patch
// whose grid lies past the vertices (the patch builder copes) and a billboard with junk indices.
class LevelValidatorTest : public testing::Test {
protected:
    LevelValidatorTest() {
        nodes = {makeNode(0, 1, -1), makeNode(1, -2, 2), makeNode(0, -3, -1)};
        leaves = {makeLeaf(0, 2), makeLeaf(2, 2), makeLeaf(7, 0)};
        leafFaces = {0, 1, 2, 3};
        meshVertices = {0, 1, 2, 0, 2, 3, 0, 1, 2};
        faces = {faceOf<Face>(kPolygonFace, 0, 4, 0, 6), faceOf<Face>(kMeshFace, 4, 3, 6, 3),
                 patchFaceOf<Face>(100, 3, 3), faceOf<Face>(kBillboardFace, -5, -1, 9999, -7)};
    }

    std::vector<std::string> validate() const {
        LevelIndexTables tables;
        tables.planeCount = planeCount;
        tables.nodes = nodes;
        tables.leaves = leaves;
        tables.leafFaces = leafFaces;
        tables.vertexCount = vertexCount;
        tables.meshVertices = meshVertices;
        tables.faces = faces;
        tables.effects = effects;
        tables.brushes = brushes;
        tables.brushSides = brushSides;
        tables.effectLumpBytes = effectLumpBytes;
        std::vector<std::string> problems;
        validateLevelTables(tables, problems);
        return problems;
    }

    // Exactly one problem, and it is this line.
    void expectOnly(const std::string& expected) const {
        const std::vector<std::string> problems = validate();
        ASSERT_EQ(problems.size(), 1u) << (problems.empty() ? "" : problems.front());
        EXPECT_EQ(problems.front(), expected);
    }

    std::size_t planeCount = 2;
    std::vector<Node> nodes;
    std::vector<Leaf> leaves;
    std::vector<std::int32_t> leafFaces;
    std::size_t vertexCount = 7;
    std::vector<std::int32_t> meshVertices;
    std::vector<Face> faces;
    std::vector<Effect> effects;
    std::vector<Brush> brushes;
    std::vector<BrushSide> brushSides;
    std::int64_t effectLumpBytes = 0;
};

// One fog effect over a two-sided brush, named by the quad.
void addFogEffect(std::vector<Effect>& effects, std::vector<Brush>& brushes,
                  std::vector<BrushSide>& brushSides, std::vector<Face>& faces) {
    Effect fog;
    fog.shader = "textures/fog/grey";
    fog.brush = 0;
    effects = {fog};
    Brush brush;
    brush.firstSide = 0;
    brush.numSides = 2;
    brushes = {brush};
    BrushSide near;
    BrushSide far;
    far.plane = 1;
    brushSides = {near, far};
    faces[0].effect = 0;
}

TEST_F(LevelValidatorTest, soundTablesGiveNoProblem) {
    EXPECT_TRUE(validate().empty());
}

TEST_F(LevelValidatorTest, emptyLevelCannotPlaceTheCamera) {
    nodes.clear();
    leaves.clear();
    planeCount = 0;
    leafFaces.clear();
    faces.clear();
    const std::vector<std::string> expected = {
        "the level has no nodes: the camera cannot be placed",
        "the level has no leaves: the camera cannot be placed",
        "the level has no planes: the camera cannot be placed"};
    EXPECT_EQ(validate(), expected);
}

TEST_F(LevelValidatorTest, namesEachBadNodeIndex) {
    nodes[1].plane = 2;
    expectOnly("node 1 uses plane 2 but the level has 2 planes");
    nodes[1].plane = -1;
    expectOnly("node 1 uses plane -1 but the level has 2 planes");
    nodes[1].plane = 1;

    nodes[2].front = 3;
    expectOnly("node 2 has front child node 3 but the level has 3 nodes");
    nodes[2].front = -4;
    expectOnly("node 2 has front child leaf 3 (value -4) but the level has 3 leaves");
    nodes[2].front = INT_MIN;
    expectOnly(
        "node 2 has front child leaf 2147483647 (value -2147483648) but the level has 3 "
        "leaves");
}

TEST_F(LevelValidatorTest, findsLoopsAndSharedChildrenWithoutRecursing) {
    nodes[2].back = 0;
    expectOnly(
        "node 2 has back child node 0 but it is the root: the node tree has a loop or a "
        "shared child");
    nodes[2].back = 1;
    expectOnly(
        "node 2 has back child node 1 but it was first reached from node 0: the node tree "
        "has a loop or a shared child");
    nodes[2].back = -1;
    nodes[0].front = 0;
    nodes[0].back = 0;
    const std::vector<std::string> problems = validate();
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0].rfind("node 0 has front child node 0 but it is the root", 0), 0u);

    // A chain of a million nodes whose last node points back at the first: found, and the walk
    // does not exhaust the call stack.
    constexpr std::int32_t kChain = 1'000'000;
    nodes.assign(kChain, makeNode(0, 0, -1));
    for (std::int32_t n = 0; n + 1 < kChain; ++n) {
        nodes[n].front = n + 1;
    }
    expectOnly(
        "node 999999 has front child node 0 but it is the root: the node tree has a loop or "
        "a shared child");
}

TEST_F(LevelValidatorTest, namesBadLeafFaceRangesAndEntries) {
    leaves[1].numLeafFaces = 3;
    expectOnly("leaf 1 lists leaf faces 2..4 but the level has 4");
    leaves[1].firstLeafFace = -1;
    leaves[1].numLeafFaces = 2;
    expectOnly("leaf 1 lists leaf faces -1..0 but the level has 4");
    leaves[1].firstLeafFace = INT_MAX;
    leaves[1].numLeafFaces = INT_MAX;
    expectOnly("leaf 1 lists leaf faces 2147483647..4294967293 but the level has 4");
    // No faces listed: wherever the slice starts, nothing is read.
    leaves[1].firstLeafFace = -50;
    leaves[1].numLeafFaces = -3;
    EXPECT_TRUE(validate().empty());

    leafFaces[3] = 4;
    expectOnly("leaf face 3 names face 4 but the level has 4 faces");
    leafFaces[3] = -1;
    expectOnly("leaf face 3 names face -1 but the level has 4 faces");
}

TEST_F(LevelValidatorTest, namesBadRangesOfDrawnFaces) {
    faces[0].numVertices = 8;
    expectOnly("face 0 (polygon) uses vertices 0..7 but the level has 7");
    faces[0].numVertices = -1;
    expectOnly("face 0 (polygon) has -1 vertices but the count must be 0 or more");
    faces[0].numVertices = 4;

    faces[1].numMeshVertices = 4;
    expectOnly("face 1 (mesh) lists mesh vertices 6..9 but the level has 9");
    faces[1].firstMeshVertex = INT_MIN;
    expectOnly("face 1 (mesh) lists mesh vertices -2147483648..-2147483645 but the level has 9");
    faces[1].numMeshVertices = -3;
    expectOnly("face 1 (mesh) has -3 mesh vertices but the count must be 0 or more");
}

TEST_F(LevelValidatorTest, namesMeshOffsetsThatLeaveTheVertexArray) {
    meshVertices[8] = 3;  // face 1 starts at vertex 4: 4 + 3 is vertex 7 of 7
    expectOnly(
        "face 1 (mesh) mesh vertex 8 holds offset 3, which reaches vertex 7 but the level "
        "has 7 vertices");
    meshVertices[8] = INT_MAX;
    faces[1].firstVertex = INT_MAX - 10;
    faces[1].numVertices = 0;
    const std::vector<std::string> problems = validate();
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0],
              "face 1 (mesh) starts at vertex 2147483637 but the level has 7 vertices");
    EXPECT_EQ(problems[3],
              "face 1 (mesh) mesh vertex 8 holds offset 2147483647, which reaches vertex "
              "4294967284 but the level has 7 vertices");
}

TEST_F(LevelValidatorTest, leavesPatchesAndUndrawnFacesAlone) {
    faces[2].patchSize[0] = 1;
    faces[2].numMeshVertices = -4;
    faces.push_back(faceOf<Face>(17, -1, -1, -1, 1000));
    EXPECT_TRUE(validate().empty());
}

TEST_F(LevelValidatorTest, namesFaceEffectsThatNameNoEffect) {
    addFogEffect(effects, brushes, brushSides, faces);
    effectLumpBytes = kEffectRecordBytes;
    EXPECT_TRUE(validate().empty());
    faces[0].effect = 1;
    expectOnly("face 0 (polygon) uses effect 1 but the level has 1 effect (-1 names none)");
    faces[0].effect = -2;
    expectOnly("face 0 (polygon) uses effect -2 but the level has 1 effect (-1 names none)");
    // Whatever its type: a patch in fog is drawn through its effect too.
    faces[0].effect = kNoEffect;
    faces[2].effect = 7;
    expectOnly("face 2 (patch) uses effect 7 but the level has 1 effect (-1 names none)");
    // A billboard is never drawn, and real ones hold junk here.
    faces[2].effect = kNoEffect;
    faces[3].effect = 7;
    EXPECT_TRUE(validate().empty());
}

TEST_F(LevelValidatorTest, namesEffectBrushesSidesAndPlanesOutOfRange) {
    addFogEffect(effects, brushes, brushSides, faces);
    effectLumpBytes = kEffectRecordBytes;
    effects[0].brush = 3;
    expectOnly("effect 0 uses brush 3 but the level has 1 brush");
    effects[0].brush = -1;
    expectOnly("effect 0 uses brush -1 but the level has 1 brush");
    effects[0].brush = 0;
    brushes[0].numSides = 5;
    expectOnly("effect 0 uses brush 0, which lists brush sides 0..4 but the level has 2");
    brushes[0].numSides = 2;
    brushes[0].firstSide = INT_MAX;
    expectOnly(
        "effect 0 uses brush 0, which lists brush sides 2147483647..2147483648 but the level "
        "has 2");
    brushes[0].firstSide = 0;
    brushSides[1].plane = 9;
    expectOnly("effect 0 uses brush 0, whose side 1 uses plane 9 but the level has 2 planes");
}

TEST_F(LevelValidatorTest, namesAnEffectsLumpOfPartRecords) {
    effectLumpBytes = kEffectRecordBytes + 5;
    expectOnly("lump 12 (effects) holds 77 bytes, not a whole number of 72-byte records");
}

TEST_F(LevelValidatorTest, capsEachKindOfProblem) {
    leafFaces.assign(1000, 77);
    leaves = {makeLeaf(0, 1000)};
    nodes[0].back = -1;
    nodes[1].front = -1;
    nodes[2].front = -1;
    const std::vector<std::string> problems = validate();
    ASSERT_EQ(problems.size(), kMaxProblemLinesPerKind + 1);
    EXPECT_EQ(problems[0], "leaf face 0 names face 77 but the level has 4 faces");
    EXPECT_EQ(problems.back(), "... and 980 more problems with leaf-face entries");
}

}  // namespace

namespace {

// The patches of a grid walked one by one, row by row, up to the first with a control outside
// the vertex array: what the patch budget's count must equal without walking.
std::int64_t walkedPatchCount(std::int64_t firstVertex, std::int64_t width, std::int64_t height,
                              std::int64_t vertexCount) {
    std::int64_t built = 0;
    for (std::int64_t py = 0; py < (height - 1) / 2 && width >= 3 && height >= 3; ++py) {
        for (std::int64_t px = 0; px < (width - 1) / 2; ++px) {
            for (std::int64_t r = 0; r < 3; ++r) {
                for (std::int64_t c = 0; c < 3; ++c) {
                    const std::int64_t index =
                        firstVertex + 2 * py * width + 2 * px + r * width + c;
                    if (index < 0 || index >= vertexCount) {
                        return built;
                    }
                }
            }
            ++built;
        }
    }
    return built;
}

// Grids that start before the vertex array or run past its end part-way through a row, and the
// builder cutting exactly that many.
TEST(PatchBudgetTest, buildableCountIsThePatchesWhoseControlsAllExist) {
    for (std::int32_t firstVertex : {-1, 0, 5}) {
        for (std::int32_t width = 0; width < 8; ++width) {
            for (std::int32_t height = 0; height < 8; ++height) {
                for (std::size_t vertexCount = 0; vertexCount <= 40; ++vertexCount) {
                    Face face = patchFaceOf<Face>(firstVertex, width, height);
                    const std::int64_t expected = walkedPatchCount(
                        firstVertex, width, height, static_cast<std::int64_t>(vertexCount));
                    ASSERT_EQ(buildablePatchCount(face, vertexCount), expected)
                        << "first " << firstVertex << ", grid " << width << " x " << height << ", "
                        << vertexCount << " vertices";
                    const std::vector<Vertex> vertices(vertexCount);
                    face.buildPatches(vertices);
                    ASSERT_EQ(std::int64_t(face.patches.size()), expected);
                }
            }
        }
    }
    Face huge = faceOf<Face>(kPatchFace, 0, 0);
    huge.patchSize[0] = INT_MAX;
    huge.patchSize[1] = INT_MAX;
    EXPECT_EQ(buildablePatchCount(huge, 1'000'000), 0);
    huge.patchSize[0] = 3;
    EXPECT_EQ(buildablePatchCount(huge, 1'000'000), 166'666);  // rows of 6 vertices
}

}  // namespace
