// The sample level as the loader sees it: what it contains, where the BSP puts points, which
// side each triangle is drawn from, what each room can see, and the sky picture it ships with.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "level/Entities.h"
#include "generators/SampleLevel.h"
#include "generators/JpegWriter.h"
#include "generators/SampleSky.h"
#include "support/LevelFixtures.h"

namespace {

using Vec = std::array<double, 3>;

Vec minus(const Vec& a, const Vec& b) {
    return {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
}

Vec cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vec& a, const Vec& b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vec positionOf(const Vertex& vertex) {
    return {vertex.position[0], vertex.position[1], vertex.position[2]};
}

Vec normalOf(const Vertex& vertex) {
    return {vertex.normal[0], vertex.normal[1], vertex.normal[2]};
}

Vec centreOf(const Leaf& leaf) {
    return {(leaf.mins[0] + leaf.maxs[0]) / 2.0, (leaf.mins[1] + leaf.maxs[1]) / 2.0,
            (leaf.mins[2] + leaf.maxs[2]) / 2.0};
}

bool insideBox(const Leaf& leaf, const Point& p) {
    const float coordinates[3] = {p.getX(), p.getY(), p.getZ()};
    for (int axis = 0; axis < 3; ++axis) {
        const auto [lo, hi] = std::minmax(leaf.mins[axis], leaf.maxs[axis]);
        if (coordinates[axis] < lo || coordinates[axis] > hi) {
            return false;
        }
    }
    return true;
}

// The plain BSP descent: front on or before the plane.
std::int32_t leafAt(const BSPMap& map, const Point& p) {
    std::int32_t index = 0;
    for (int depth = 0; index >= 0 && depth < 64; ++depth) {
        const Node& node = map.getNodes()[static_cast<std::size_t>(index)];
        const bool front = map.getPlanes()[static_cast<std::size_t>(node.plane)].isInFront(p);
        index = front ? node.front : node.back;
    }
    return -(index + 1);
}

bool clusterSees(const VisData& vis, int from, int to) {
    return vis.bits[std::size_t(from * vis.bytesPerCluster + to / 8)] & (1 << (to % 8));
}

int facesSeenFrom(const BSPMap& map, int cluster) {
    int count = 0;
    for (const Leaf& leaf : map.getLeaves()) {
        if (leaf.cluster >= 0 && clusterSees(map.getVisData(), cluster, leaf.cluster)) {
            count += leaf.numLeafFaces;
        }
    }
    return count;
}

class SampleLevelTest : public testing::Test {
protected:
    static void SetUpTestSuite() { map = loadLevelBytes(writeLevel(sampleLevel())).release(); }
    static void TearDownTestSuite() {
        delete map;
        map = nullptr;
    }
    static BSPMap* map;
};

BSPMap* SampleLevelTest::map = nullptr;

}  // namespace

TEST_F(SampleLevelTest, loadsSoundWithEveryKindOfFace) {
    EXPECT_TRUE(map->isSound());
    std::map<int, int> facesByType;
    for (const Face& face : map->getFaces()) {
        ++facesByType[face.type];
        if (face.type == kPatchFace) {
            EXPECT_EQ(face.patchSize[0], 5);
            EXPECT_EQ(face.patchSize[1], 5);
        }
    }
    EXPECT_EQ(facesByType[kPolygonFace], 26);
    EXPECT_EQ(facesByType[kPatchFace], 1);
    EXPECT_EQ(facesByType[kMeshFace], 2);
    EXPECT_EQ(facesByType[kBillboardFace], 1);
    EXPECT_EQ(map->getVisData().numClusters, 3);
    EXPECT_TRUE(map->getVisData().hasRows());
}

TEST_F(SampleLevelTest, bspPutsEachPointInTheLeafWhoseBoxHoldsIt) {
    const std::pair<Point, std::int32_t> probes[] = {
        {{256, 64, -128}, kSampleRoomALeaf},  {{500, 250, -10}, kSampleRoomALeaf},
        {{256, 64, -700}, kSampleArchLeaf},   {{256, 180, -890}, kSampleArchLeaf},
        {{600, 64, -960}, kSampleBendLeaf},   {{200, 64, -1020}, kSampleBendLeaf},
        {{1280, 64, -960}, kSampleRoomBLeaf}, {{1530, 250, -1210}, kSampleRoomBLeaf}};
    for (const auto& [point, leaf] : probes) {
        const std::int32_t found = leafAt(*map, point);
        EXPECT_EQ(found, leaf) << point.getX() << " " << point.getY() << " " << point.getZ();
        EXPECT_TRUE(insideBox(map->getLeaves()[std::size_t(found)], point));
    }
    // Beside the corridor lies solid space, outside every cluster.
    const std::int32_t solid = leafAt(*map, Point(700, 64, -700));
    EXPECT_EQ(map->getLeaves()[std::size_t(solid)].cluster, -1);
    EXPECT_EQ(map->getLeaves()[std::size_t(solid)].numLeafFaces, 0);
}

TEST_F(SampleLevelTest, wallsAreClockwiseFromInsideAndObjectsFromOutside) {
    const auto& vertices = map->getVertices();
    const auto& meshVertices = map->getMeshVertices();
    for (const Leaf& leaf : map->getLeaves()) {
        for (int k = 0; k < leaf.numLeafFaces; ++k) {
            const Face& face = map->getFaces()[std::size_t(
                map->getLeafFaces()[std::size_t(leaf.firstLeafFace + k)])];
            if (face.type != kPolygonFace && face.type != kMeshFace) {
                continue;
            }
            Vec objectCentre{0, 0, 0};
            for (int v = 0; v < face.numVertices; ++v) {
                const Vec p = positionOf(vertices[std::size_t(face.firstVertex + v)]);
                for (int axis = 0; axis < 3; ++axis) {
                    objectCentre[axis] += p[axis] / face.numVertices;
                }
            }
            for (int m = 0; m < face.numMeshVertices; m += 3) {
                const Vertex* corner[3];
                for (int c = 0; c < 3; ++c) {
                    corner[c] = &vertices[std::size_t(
                        face.firstVertex +
                        meshVertices[std::size_t(face.firstMeshVertex + m + c)])];
                }
                const Vec a = positionOf(*corner[0]);
                const Vec winding =
                    cross(minus(positionOf(*corner[1]), a), minus(positionOf(*corner[2]), a));
                // Walls are seen from their room's centre, objects from outside themselves.
                const Vec eye = face.type == kPolygonFace ? centreOf(leaf) : objectCentre;
                const double awayFromEye = dot(winding, minus(a, eye));
                if (face.type == kPolygonFace) {
                    EXPECT_GT(awayFromEye, 0) << "wall triangle would be culled from inside";
                } else {
                    EXPECT_LT(awayFromEye, 0) << "object triangle would be culled from outside";
                }
                EXPECT_LT(dot(winding, normalOf(*corner[0])), 0) << "normal on the culled side";
            }
        }
    }
}

TEST_F(SampleLevelTest, roomsCannotSeeEachOtherButTheCorridorSeesBoth) {
    const VisData& vis = map->getVisData();
    EXPECT_FALSE(clusterSees(vis, kSampleRoomACluster, kSampleRoomBCluster));
    EXPECT_FALSE(clusterSees(vis, kSampleRoomBCluster, kSampleRoomACluster));
    for (int cluster = 0; cluster < 3; ++cluster) {
        EXPECT_TRUE(clusterSees(vis, cluster, cluster));
        EXPECT_TRUE(clusterSees(vis, kSampleCorridorCluster, cluster));
        EXPECT_TRUE(clusterSees(vis, cluster, kSampleCorridorCluster));
    }
    // The counts the layout notes promise before frustum culling.
    EXPECT_EQ(facesSeenFrom(*map, kSampleRoomACluster), 20);
    EXPECT_EQ(facesSeenFrom(*map, kSampleCorridorCluster), 30);
    EXPECT_EQ(facesSeenFrom(*map, kSampleRoomBCluster), 21);
}

TEST_F(SampleLevelTest, spawnAndShippedConfigurationStartInRoomA) {
    const std::vector<Point> spawns = findSpawnPoints(map->getEntityText());
    ASSERT_FALSE(spawns.empty());
    EXPECT_EQ(spawns[0].getX(), kSampleStartViewer[0]);
    EXPECT_EQ(spawns[0].getY(), kSampleStartViewer[1]);
    EXPECT_EQ(spawns[0].getZ(), kSampleStartViewer[2]);
    EXPECT_EQ(leafAt(*map, spawns[0]), kSampleRoomALeaf);

    std::ifstream config(VELMORA_SOURCE_DIR "/config/sample.cfg");
    ASSERT_TRUE(config) << "config/sample.cfg is missing";
    std::map<std::string, std::vector<std::string>> values;
    std::string key;
    std::string separator;
    while (config >> key >> separator) {
        const int count = key == "start_vec" ? 3 : 1;
        for (int i = 0; i < count; ++i) {
            std::string value;
            config >> value;
            values[key].push_back(value);
        }
    }
    EXPECT_EQ(values["start_vec"],
              (std::vector<std::string>{std::to_string(kSampleStartViewer[0]),
                                        std::to_string(kSampleStartViewer[1]),
                                        std::to_string(kSampleStartViewer[2])}));
    EXPECT_EQ(values["level"], std::vector<std::string>{"build/sample/maps/sample.bsp"});
    EXPECT_EQ(values["datapath"], std::vector<std::string>{"build/sample/"});
}

TEST(SampleSkyTest, writtenPictureIsSkyAboveAndGroundBelow) {
    const std::string path = testing::TempDir() + "velmora-sky-test.jpg";
    std::string error;
    ASSERT_TRUE(writeJpeg(path, kSampleSkySize, kSampleSkySize, 3, sampleSkyPixels(kSampleSkySize),
                          kSampleSkyJpegQuality, error))
        << error;

    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    jpeg_decompress_struct decoder;
    jpeg_error_mgr errorManager;
    decoder.err = jpeg_std_error(&errorManager);
    jpeg_create_decompress(&decoder);
    jpeg_stdio_src(&decoder, file);
    jpeg_read_header(&decoder, TRUE);
    jpeg_start_decompress(&decoder);
    ASSERT_EQ(decoder.output_components, 3);
    std::vector<std::uint8_t> row(decoder.output_width * 3);
    std::vector<std::array<int, 3>> middleColumn;
    while (decoder.output_scanline < decoder.output_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&decoder, rows, 1);
        const std::size_t x = decoder.output_width / 4 * 3;
        middleColumn.push_back({row[x], row[x + 1], row[x + 2]});
    }
    jpeg_finish_decompress(&decoder);
    jpeg_destroy_decompress(&decoder);
    std::fclose(file);
    std::remove(path.c_str());

    ASSERT_EQ(middleColumn.size(), std::size_t(kSampleSkySize));
    for (int y : {5, 60, 120}) {
        const auto [r, g, b] = middleColumn[std::size_t(y)];
        EXPECT_GT(b, r + 30) << "row " << y << " should be sky blue";
    }
    for (int y : {140, 200, 250}) {
        const auto [r, g, b] = middleColumn[std::size_t(y)];
        EXPECT_GT(std::max(r, g), b + 30) << "row " << y << " should be ground";
    }
}
