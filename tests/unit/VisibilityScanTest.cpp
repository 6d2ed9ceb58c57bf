// The visibility scan and its picture on a level whose clusters and visibility the test sets: two
// rooms and a corridor, one room seeing everything and the other only the corridor.
#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "level/BSPMap.h"
#include "level/BrushModels.h"
#include "level/VisibilityScan.h"
#include "render/HeatRamp.h"
#include "render/PlaceMap.h"
#include "support/LevelFixtures.h"

namespace {

constexpr float kEye = 50.0f;

struct ScannedLevel {
    std::unique_ptr<BSPMap> level;
    BrushModels brushes;
    std::unique_ptr<VisibilityScan> scan;
};

ScannedLevel scanLevel(const LevelDescription& description) {
    ScannedLevel scanned;
    std::ostringstream log;
    scanned.level = loadLevelBytes(writeLevel(description), log);
    EXPECT_TRUE(scanned.level->isSound()) << log.str();
    scanned.brushes = BrushModels(*scanned.level, log);
    scanned.scan = std::make_unique<VisibilityScan>(*scanned.level, scanned.brushes, kEye);
    return scanned;
}

// The place standing at file (x, y), viewer (x, -y); null when there is none.
const ScanPlace* placeAt(const VisibilityScan& scan, float fileX, float fileY) {
    for (const ScanPlace& place : scan.places()) {
        if (place.eye.getX() == fileX && place.eye.getZ() == -fileY) {
            return &place;
        }
    }
    return nullptr;
}

std::vector<std::uint8_t> readPng(const std::string& path, int& width, int& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    std::vector<std::uint8_t> pixels;
    if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
        return pixels;
    }
    image.format = PNG_FORMAT_RGB;
    pixels.resize(PNG_IMAGE_SIZE(image));
    if (png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) == 0) {
        pixels.clear();
    }
    width = int(image.width);
    height = int(image.height);
    return pixels;
}

}  // namespace

TEST(VisibilityScanTest, eachClusterCountsTheFacesAndTrianglesOfWhatItSeesWithBrushEntities) {
    const ScannedLevel scanned = scanLevel(twoRoomsAndCorridor());
    const VisibilityScan& scan = *scanned.scan;
    ASSERT_TRUE(scan.hasVisibility());
    ASSERT_EQ(scan.clusterCount(), 3);
    // Room A sees all three floors, the patch (200 triangles at level 10) and the entity's quad;
    // the corridor its own floor, the quad and room A's floor; room B the rest but room A.
    const auto& loads = scan.clusters();
    EXPECT_EQ(loads[0].faces, 5);
    EXPECT_EQ(loads[0].triangles, 208);
    EXPECT_EQ(loads[0].clustersSeen, 3);
    EXPECT_EQ(loads[1].faces, 3);
    EXPECT_EQ(loads[1].triangles, 6);
    EXPECT_EQ(loads[1].clustersSeen, 2);
    EXPECT_EQ(loads[2].faces, 4);
    EXPECT_EQ(loads[2].triangles, 206);
    EXPECT_EQ(loads[2].clustersSeen, 2);
}

TEST(VisibilityScanTest, placesStandAtEyeHeightOnEveryFloorOfTheGridAndTakeTheirClusters) {
    const ScannedLevel scanned = scanLevel(twoRoomsAndCorridor());
    const VisibilityScan& scan = *scanned.scan;
    // 4 x 4 in each room, 2 x 2 in the corridor; none in the solid beside the corridor.
    ASSERT_EQ(scan.places().size(), 36u);
    for (const ScanPlace& place : scan.places()) {
        EXPECT_EQ(place.eye.getY(), kEye);
    }
    ASSERT_NE(placeAt(scan, 32, 32), nullptr);
    EXPECT_EQ(placeAt(scan, 32, 32)->cluster, 0);
    ASSERT_NE(placeAt(scan, 288, 96), nullptr);
    EXPECT_EQ(placeAt(scan, 288, 96)->cluster, 1);
    ASSERT_NE(placeAt(scan, 608, 224), nullptr);
    EXPECT_EQ(placeAt(scan, 608, 224)->cluster, 2);
    EXPECT_EQ(placeAt(scan, 288, 32), nullptr);
    EXPECT_EQ(scan.medianTriangles(), 206);
    EXPECT_EQ(scan.worstTriangles(), 208);
}

TEST(VisibilityScanTest, theHeaviestPlaceIsInTheRoomThatSeesTheOtherAndLooksTowardIt) {
    const ScannedLevel scanned = scanLevel(twoRoomsAndCorridor());
    const VisibilityScan& scan = *scanned.scan;
    const std::vector<std::size_t> heaviest = scan.heaviestPlaces(16);
    ASSERT_EQ(heaviest.size(), 16u);
    for (const std::size_t index : heaviest) {
        EXPECT_EQ(scan.places()[index].cluster, 0);
        EXPECT_LT(scan.places()[index].eye.getX(), 256.0f);
    }
    // Everything room A sees lies east of its west side: yaw 90 looks along file +x.
    EXPECT_EQ(scan.heaviestYaw(*placeAt(scan, 32, 128 + 32)), 90);
    // From room B's south-east corner the patch lies north and the corridor north-west: the
    // north-west view holds both.
    EXPECT_EQ(scan.heaviestYaw(*placeAt(scan, 608, 32)), 315);
}

TEST(VisibilityScanTest, aShelfFaceOverTheFloorIsAFloorTooWithPlacesOnItAndUnderIt) {
    LevelDescription description = twoRoomsAndCorridor();
    // A mesh quad facing up at z = 64 over room A's south-west quarter (file x, y 0..128).
    const auto first = static_cast<std::int32_t>(description.vertices.size());
    const auto firstMesh = static_cast<std::int32_t>(description.meshVertices.size());
    for (const auto& [x, y] : {std::pair{0, 0}, {128, 0}, {128, 128}, {0, 128}}) {
        description.vertices.push_back(vertexAt(float(x), float(y), 64));
    }
    description.meshVertices.insert(description.meshVertices.end(), {0, 1, 2, 0, 2, 3});
    description.faces.insert(description.faces.begin() + 4,
                             faceOf(kMeshFace, first, 4, firstMesh, 6));
    // Room A's leaf lists its floor and the shelf.
    description.leafFaces.insert(description.leafFaces.end(), {0, 4});
    description.leaves[2].firstLeafFace = 4;
    description.leaves[2].numLeafFaces = 2;
    description.models[0].numFaces = 5;
    description.models[1].firstFace = 5;
    const ScannedLevel scanned = scanLevel(description);
    const VisibilityScan& scan = *scanned.scan;
    // Four more places, 50 over the shelf; the four under it stay.
    EXPECT_EQ(scan.places().size(), 40u);
    std::size_t onShelf = 0;
    for (const ScanPlace& place : scan.places()) {
        onShelf += place.eye.getY() == 64.0f + kEye ? 1 : 0;
    }
    EXPECT_EQ(onShelf, 4u);
    ASSERT_NE(placeAt(scan, 96, 96), nullptr);
}

TEST(VisibilityScanTest, withoutVisibilityDataEveryClusterSeesTheWholeLevel) {
    LevelDescription description = twoRoomsAndCorridor();
    description.visibility = {};
    const ScannedLevel scanned = scanLevel(description);
    EXPECT_FALSE(scanned.scan->hasVisibility());
    ASSERT_EQ(scanned.scan->clusterCount(), 3);
    for (const ClusterLoad& load : scanned.scan->clusters()) {
        EXPECT_EQ(load.faces, 5);
        EXPECT_EQ(load.triangles, 208);
        EXPECT_EQ(load.clustersSeen, 3);
    }
}

TEST(VisibilityScanTest, aLevelWithoutAnEmptyLeafHasNoPlaces) {
    const ScannedLevel scanned = scanLevel(oneLeafLevel());
    EXPECT_TRUE(scanned.scan->places().empty());
    EXPECT_EQ(scanned.scan->worstTriangles(), 0);
}

TEST(VisibilityScanTest, theRampRunsFromDarkBlueToWhiteAndThePictureColoursEachPlaceByIt) {
    EXPECT_EQ(heatBytes(0.0f), (HeatColour{0, 0, 128}));
    EXPECT_EQ(heatBytes(1.0f), (HeatColour{255, 255, 255}));
    EXPECT_EQ(heatBytes(2.0f), heatBytes(1.0f));
    EXPECT_EQ(heatBytes(-1.0f), heatBytes(0.0f));

    const ScannedLevel scanned = scanLevel(twoRoomsAndCorridor());
    const PlaceMap map(*scanned.scan);
    const std::string path = testing::TempDir() + "velmora-scan-map.png";
    ASSERT_EQ(map.writePng(path), "");
    int width = 0;
    int height = 0;
    const std::vector<std::uint8_t> pixels = readPng(path, width, height);
    std::filesystem::remove(path);
    ASSERT_EQ(width, map.width());
    ASSERT_EQ(height, map.height());
    const auto pixelAt = [&](int column, int row) {
        const std::size_t at = (std::size_t(row) * std::size_t(width) + std::size_t(column)) * 3;
        return HeatColour{pixels[at], pixels[at + 1], pixels[at + 2]};
    };
    // A corridor place sees 6 of the worst place's 208 triangles; room B's 206.
    const auto [corridorColumn, corridorRow] = map.pixelOf(placeAt(*scanned.scan, 352, 160)->eye);
    ASSERT_GE(corridorColumn, 0);
    EXPECT_EQ(pixelAt(corridorColumn, corridorRow), heatBytes(5.0f / 207.0f));
    const auto [roomColumn, roomRow] = map.pixelOf(placeAt(*scanned.scan, 480, 96)->eye);
    EXPECT_EQ(pixelAt(roomColumn, roomRow), heatBytes(205.0f / 207.0f));
    EXPECT_NE(pixelAt(corridorColumn, corridorRow), pixelAt(roomColumn, roomRow));
}
