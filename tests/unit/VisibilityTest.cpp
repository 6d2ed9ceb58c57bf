// The camera leaf descent and the gathering of visible faces, on levels made by the level writer.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "generators/LevelWriter.h"
#include "render/Frustum.h"
#include "support/LevelFixtures.h"

namespace {

// Leaves hang off nodes as the complement of their index.
constexpr std::int32_t leafChild(std::int32_t leaf) {
    return -(leaf + 1);
}

// A level with one texture and `count` billboard faces (counted, never drawn) and no tree yet.
LevelDescription levelWithFaces(int count) {
    LevelDescription level;
    level.textures = {{"textures/test/plain", 0, 1}};
    RawVertex corner;
    corner.normal = {0.0f, 0.0f, 1.0f};
    level.vertices = {corner};
    for (int i = 0; i < count; ++i) {
        RawFace face;
        face.type = 4;
        face.numVertices = 1;
        level.faces.push_back(face);
    }
    return level;
}

// A leaf of the given cluster whose box, in file axes, spans -100..100 around x0 on every axis.
RawLeaf leafAt(std::int32_t cluster, std::int32_t firstLeafFace, std::int32_t numLeafFaces,
               int x0 = 0) {
    return {cluster, 0, {x0 - 100, -100, -100}, {x0 + 100, 100, 100}, firstLeafFace, numLeafFaces,
            0,       0};
}

std::unique_ptr<BSPMap> load(const LevelDescription& level) {
    std::ostringstream log;
    return std::make_unique<TestLevel>("data/", "test.bsp", writeLevel(level), nullptr, nullptr,
                                       log);
}

// The frustum of identity matrices scaled down so it spans -10000..10000 on every axis.
Frustum wideFrustum() {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float shrink[16] = {1e-4f, 0, 0, 0, 0, 1e-4f, 0, 0, 0, 0, 1e-4f, 0, 0, 0, 0, 1};
    Frustum frustum;
    frustum.updateFromMatrices(identity, shrink);
    return frustum;
}

// A level, a camera and a frustum kept alive together.
struct Scene {
    explicit Scene(const LevelDescription& level)
        : map(load(level)), frustum(wideFrustum()), camera(Point(0, 0, 0), &frustum) {
        map->attachCamera(&camera);
    }
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    std::vector<std::uint32_t> gather(std::int32_t cameraCluster) {
        map->collectVisibleFaces(cameraCluster);
        return map->getFaceDrawList();
    }
    std::unique_ptr<BSPMap> map;
    Frustum frustum;
    Camera camera;
};

// Root plane x = 5 (the same in both axes); its back child splits on viewer y = 10 (file z).
LevelDescription twoPlaneTree() {
    LevelDescription level = levelWithFaces(1);
    level.planes = {{{1.0f, 0.0f, 0.0f}, 5.0f}, {{0.0f, 0.0f, 1.0f}, 10.0f}};
    level.nodes = {{0, leafChild(0), 1, {}, {}}, {1, leafChild(1), leafChild(2), {}, {}}};
    level.leaves = {leafAt(0, 0, 0), leafAt(1, 0, 0), leafAt(2, 0, 0)};
    return level;
}

}  // namespace

TEST(LeafSearchTest, descendsByTheSignOfEachPlane) {
    const auto map = load(twoPlaneTree());
    ASSERT_TRUE(map->isSound()) << map->getProblems().front();
    EXPECT_EQ(map->findLeaf(Point(6, 0, 0)), 0);
    EXPECT_EQ(map->findLeaf(Point(4, 11, 0)), 1);
    EXPECT_EQ(map->findLeaf(Point(4, 9, 0)), 2);
    // File z = 10 became viewer y = 10: file y plays no part.
    EXPECT_EQ(map->findLeaf(Point(4, 9, -50)), 2);
}

TEST(LeafSearchTest, cameraOnAPlaneGoesToTheFront) {
    const auto map = load(twoPlaneTree());
    EXPECT_EQ(map->findLeaf(Point(5, 0, 0)), 0);
    EXPECT_EQ(map->findLeaf(Point(4.9999f, 11, 0)), 1);
    EXPECT_EQ(map->findLeaf(Point(4, 10, 0)), 1);

    Frustum frustum;
    Camera camera(Point(5, 0, 0), &frustum);
    map->attachCamera(&camera);
    EXPECT_EQ(map->findCameraLeaf(), 0);
}

TEST(LeafSearchTest, dotProductIsRoundedToSinglePrecisionBeforeTheDistance) {
    // Viewer normal (0.75, 0.75, 0) is file (0.75, 0, 0.75). At x = 1 + 2^-23, y = 1 the exact dot
    // product is 1.5 + 0.75 * 2^-23, which lies below the distance 1.5 + 2^-23 but rounds up to it
    // in single precision: the rounded value ties and goes to the front.
    LevelDescription level = levelWithFaces(1);
    const float distance = std::nextafter(1.5f, 2.0f);
    level.planes = {{{0.75f, 0.0f, 0.75f}, distance}};
    level.nodes = {{0, leafChild(0), leafChild(1), {}, {}}};
    level.leaves = {leafAt(0, 0, 0), leafAt(1, 0, 0)};
    const auto map = load(level);
    const float x = std::nextafter(1.0f, 2.0f);
    EXPECT_EQ(map->findLeaf(Point(x, 1.0f, 0.0f)), 0);
    EXPECT_EQ(map->findLeaf(Point(1.0f, 1.0f, 0.0f)), 1);
}

// The descent checks nothing itself: what keeps it from looping is that the loader refuses a tree
// with a loop before any frame can run.
TEST(LeafSearchTest, cyclicTreeIsRefusedBeforeAnyDescent) {
    LevelDescription level = levelWithFaces(1);
    level.planes = {{{1.0f, 0.0f, 0.0f}, 0.0f}};
    level.nodes = {{0, 1, leafChild(0), {}, {}}, {0, 0, leafChild(0), {}, {}}};
    level.leaves = {leafAt(0, 0, 0)};
    const auto map = load(level);
    EXPECT_FALSE(map->isSound());
    ASSERT_FALSE(map->getProblems().empty());
    EXPECT_NE(map->getProblems().front().find("the node tree has a loop or a shared child"),
              std::string::npos)
        << map->getProblems().front();
}

TEST(PvsTest, readsTheCameraRowByteAndBitOfTheLeafCluster) {
    LevelDescription level = levelWithFaces(1);
    // Camera cluster 2, 4 bytes per cluster, target 13: byte 2 * 4 + 13 / 8 = 9, mask 1 << 5.
    level.visibility = {3, 4, std::vector<std::uint8_t>(12, 0)};
    level.visibility.bits[9] = 32;
    const auto map = load(level);
    EXPECT_TRUE(map->isClusterVisible(2, 13));
    for (std::int32_t neighbour : {12, 14, 5, 21, 29}) {
        EXPECT_FALSE(map->isClusterVisible(2, neighbour)) << neighbour;
    }
    // Row 1's byte 9 - 4 = 5 and row 0 hold nothing.
    EXPECT_FALSE(map->isClusterVisible(1, 13));
    EXPECT_FALSE(map->isClusterVisible(0, 13));
    // Leaf clusters without a bit are not visible; they never read past the row.
    EXPECT_FALSE(map->isClusterVisible(2, -1));
    EXPECT_FALSE(map->isClusterVisible(2, 32));
    EXPECT_FALSE(map->isClusterVisible(2, 1 << 30));
    // A camera cluster without a row lets everything through.
    EXPECT_TRUE(map->isClusterVisible(-1, 7));
    EXPECT_TRUE(map->isClusterVisible(3, 7));
    EXPECT_TRUE(map->isClusterVisible(-1, -1));
}

TEST(PvsTest, emptyVisibilityLetsEveryClusterPass) {
    LevelDescription level = levelWithFaces(1);
    level.visibility = {};
    const auto map = load(level);
    EXPECT_TRUE(map->isClusterVisible(0, 0));
    EXPECT_TRUE(map->isClusterVisible(2, 13));
    EXPECT_TRUE(map->isClusterVisible(5, -1));
}

namespace {

// Leaf 0 (cluster 0) lists faces 3, 1; leaf 1 (cluster 1) lists 1, 2, 3; leaf 2 (cluster 0) none;
// leaf 3 (cluster 0) a negative count; leaf 4 (cluster 0) lies outside the frustum with face 4;
// leaf 5 (cluster 2) lists 0. Cluster 0 sees 0 and 2 only; cluster 1 sees all three.
LevelDescription gatheringLevel() {
    LevelDescription level = levelWithFaces(5);
    level.planes = {{{1.0f, 0.0f, 0.0f}, 0.0f}};
    level.nodes = {{0, leafChild(0), leafChild(1), {}, {}}};
    level.leafFaces = {3, 1, 1, 2, 3, 4, 0};
    level.leaves = {leafAt(0, 0, 2),  leafAt(1, 2, 3),        leafAt(0, 5, 0),
                    leafAt(0, 0, -2), leafAt(0, 5, 1, 20000), leafAt(2, 6, 1)};
    level.visibility = {3, 1, {0b101, 0b111, 0b111}};
    return level;
}

}  // namespace

TEST(GatheringTest, sharedFacesCountOnceInFirstAppearanceOrder) {
    Scene scene(gatheringLevel());
    EXPECT_EQ(scene.gather(1), (std::vector<std::uint32_t>{3, 1, 2, 0}));
    EXPECT_EQ(scene.map->getVisibleFaceSet(), (std::set<std::int32_t>{0, 1, 2, 3}));
}

TEST(GatheringTest, leavesOutsideThePvsOrTheFrustumContributeNothing) {
    Scene scene(gatheringLevel());
    // Cluster 0 does not see leaf 1's cluster; leaf 4's box lies beyond x = 10000.
    EXPECT_EQ(scene.gather(0), (std::vector<std::uint32_t>{3, 1, 0}));
}

TEST(GatheringTest, cameraOutsideEveryClusterSeesAllLeavesInTheFrustum) {
    Scene outside(gatheringLevel());
    EXPECT_EQ(outside.gather(-1), (std::vector<std::uint32_t>{3, 1, 2, 0}));
    Scene beyondRows(gatheringLevel());
    EXPECT_EQ(beyondRows.gather(3), (std::vector<std::uint32_t>{3, 1, 2, 0}));
}

TEST(GatheringTest, leafClustersWithoutABitAreSkipped) {
    LevelDescription level = gatheringLevel();
    level.leaves[0].cluster = -1;
    level.leaves[1].cluster = 8;
    Scene scene(level);
    EXPECT_EQ(scene.gather(1), (std::vector<std::uint32_t>{0}));
}

// The gathering reads leaf-face slices unchecked: a slice running past the list must never reach
// it, because the loader refuses the level.
TEST(GatheringTest, leafFaceSliceRunningPastTheListIsRefusedByTheLoader) {
    LevelDescription level = gatheringLevel();
    level.leaves[5].numLeafFaces = 2;
    const auto map = load(level);
    EXPECT_FALSE(map->isSound());
    ASSERT_FALSE(map->getProblems().empty());
    EXPECT_NE(map->getProblems().front().find("leaf 5 lists leaf faces"), std::string::npos)
        << map->getProblems().front();
}
