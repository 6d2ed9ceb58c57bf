// Level records as the loader holds them: the change of axes, truncated record counts, texture
// names without a NUL, the visibility matrix and the clipped t flip.
#include <gtest/gtest.h>

#include <cstring>

#include "level/ByteReader.h"
#include "level/Face.h"
#include "level/Records.h"
#include "level/VisData.h"
#include "support/LevelFixtures.h"

namespace {

std::vector<std::uint8_t> littleEndian(std::initializer_list<std::int32_t> values) {
    std::vector<std::uint8_t> bytes;
    for (std::int32_t value : values) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> shift));
        }
    }
    return bytes;
}

}  // namespace

TEST(LevelRecordsTest, convertsPositionsNormalsPlanesAndBoxesOnly) {
    LevelDescription level = tinyLevel();
    level.vertices[0].position = {1, 2, 3};
    level.vertices[0].normal = {0, 0, 1};
    level.vertices[0].texCoord = {0.25f, 0.75f};
    level.vertices[0].color = {10, 20, 30, 40};
    level.leaves[0].mins = {0, 0, 0};
    level.leaves[0].maxs = {10, 20, 30};
    level.planes[0] = {{0, 0, 1}, 64};
    level.nodes[0].mins = {-5, 7, -9};
    level.models[0].maxs = {1.5f, 2.5f, 3.5f};
    auto map = loadLevelBytes(writeLevel(level));

    const Vertex& vertex = map->getVertices()[0];
    EXPECT_EQ(vertex.position[0], 1.0f);
    EXPECT_EQ(vertex.position[1], 3.0f);
    EXPECT_EQ(vertex.position[2], -2.0f);
    EXPECT_EQ(vertex.normal[1], 1.0f);
    EXPECT_EQ(vertex.normal[2], -0.0f);
    EXPECT_EQ(vertex.texCoord[0], 0.25f);
    EXPECT_EQ(vertex.texCoord[1], 0.75f);
    EXPECT_EQ(vertex.color[3], 40);

    const Leaf& leaf = map->getLeaves()[0];
    EXPECT_EQ(leaf.maxs[0], 10);
    EXPECT_EQ(leaf.maxs[1], 30);
    EXPECT_EQ(leaf.maxs[2], -20);
    EXPECT_EQ(leaf.mins[2], 0);
    EXPECT_EQ(map->getNodes()[0].mins[1], -9);
    EXPECT_EQ(map->getNodes()[0].mins[2], -7);
    EXPECT_EQ(map->getModels()[0].maxs[2], -2.5f);

    const Plane& plane = map->getPlanes()[0];
    EXPECT_EQ(plane.getNormal().getY(), 1.0f);
    EXPECT_EQ(plane.getNormal().getZ(), -0.0f);
    EXPECT_EQ(plane.getDistance(), 64.0f);
}

TEST(LevelRecordsTest, nodeChildrenAndFaceFieldsKeepTheirFileValues) {
    LevelDescription level = tinyLevel();
    level.faces[1].lightmapOrigin = {1, 2, 3};
    level.faces[1].lightmapVectors = {{{4, 5, 6}, {7, 8, 9}}};
    level.faces[1].normal = {0, 1, 0};
    level.faces[1].lightmapStart = {11, 12};
    auto map = loadLevelBytes(writeLevel(level));

    EXPECT_EQ(map->getNodes()[0].front, -1);  // leaf 0
    EXPECT_EQ(map->getNodes()[0].back, -2);   // leaf 1
    const Face& face = map->getFaces()[1];
    EXPECT_EQ(face.type, kPatchFace);
    EXPECT_EQ(face.firstVertex, 4);
    EXPECT_EQ(face.patchSize[0], 3);
    EXPECT_EQ(face.lightmapStart[1], 12);
    EXPECT_EQ(face.lightmapOrigin[1], 2.0f);
    EXPECT_EQ(face.lightmapVectors[1][2], 9.0f);
    EXPECT_EQ(face.normal[1], 0.0f);
    EXPECT_EQ(face.normal[2], -1.0f);
}

TEST(LevelRecordsTest, lumpLengthsThatAreNotWholeRecordsTruncate) {
    LevelWriter writer(tinyLevel());
    writer.setEntry(kVerticesLump, writer.entry(kVerticesLump).offset, 50);
    writer.setEntry(kMeshVerticesLump, writer.entry(kMeshVerticesLump).offset, 7);
    writer.setEntry(kFacesLump, writer.entry(kFacesLump).offset, 103);
    auto map = loadLevelBytes(writer.bytes());
    EXPECT_EQ(map->getVertices().size(), 1u);
    EXPECT_EQ(map->getMeshVertices().size(), 1u);
    EXPECT_TRUE(map->getFaces().empty());
    // Truncation itself is no problem; only the validator's notes on the leaf-face entries, which
    // now name faces that were cut off, are.
    for (const std::string& problem : map->getProblems()) {
        EXPECT_EQ(problem.rfind("leaf face ", 0), 0u) << problem;
    }
}

TEST(LevelRecordsTest, textureNameWithoutNulStopsAtSixtyFourBytes) {
    std::vector<std::uint8_t> bytes(kTextureNameBytes, 'a');
    const auto tail = littleEndian({7, 9, 0x62626262});
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    ByteReader reader(bytes);
    TextureRecord record(reader);
    EXPECT_EQ(record.nameText(), std::string(kTextureNameBytes, 'a'));
    EXPECT_EQ(record.flags, 7);
    EXPECT_EQ(record.contents, 9);
    EXPECT_EQ(reader.position(), static_cast<std::size_t>(kTextureRecordBytes));

    std::vector<std::uint8_t> shortName = {'s', 'k', 'y', 0, 'x', 'y'};
    shortName.resize(kTextureRecordBytes, 0);
    ByteReader shortReader(shortName);
    EXPECT_EQ(TextureRecord(shortReader).nameText(), "sky");
}

TEST(LevelRecordsTest, visibilityReadsExactlyTheStatedMatrix) {
    std::vector<std::uint8_t> bytes = littleEndian({3, 1});
    bytes.insert(bytes.end(), {0x01, 0x02, 0x04, 0xee, 0xee});
    ByteReader reader(bytes);
    VisData visData(reader, 5);
    EXPECT_EQ(visData.numClusters, 3);
    EXPECT_EQ(visData.bytesPerCluster, 1);
    EXPECT_EQ(visData.bits, (std::vector<std::uint8_t>{0x01, 0x02, 0x04}));
    EXPECT_EQ(reader.position(), 11u);
}

TEST(LevelRecordsTest, visibilityMatrixThatDoesNotFitHoldsNoRows) {
    struct Case {
        std::int32_t clusters;
        std::int32_t rowBytes;
        std::int64_t available;
    };
    // Too big for the lump, negative, a product beyond int32, and a lump that claims more than
    // the 3 bytes the file holds.
    const Case cases[] = {
        {3, 2, 5}, {-3, 1, 100}, {3, -1, 100}, {0x7fffffff, 0x7fffffff, 1 << 20}, {2, 2, 1 << 20}};
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bytes = littleEndian({c.clusters, c.rowBytes});
        bytes.insert(bytes.end(), {1, 2, 3});
        ByteReader reader(bytes);
        VisData visData(reader, c.available);
        EXPECT_FALSE(visData.hasRows()) << c.clusters << " x " << c.rowBytes;
        EXPECT_FALSE(reader.failed());
    }
}

TEST(LevelRecordsTest, flipTextureTTouchesOnlyExistingVerticesOfTheFace) {
    std::vector<Vertex> vertices(4);
    for (Vertex& vertex : vertices) {
        vertex.texCoord[1] = 0.25f;
    }
    Face face;
    face.firstVertex = 2;
    face.numVertices = 10;
    face.flipTextureT(vertices);
    EXPECT_EQ(vertices[1].texCoord[1], 0.25f);
    EXPECT_EQ(vertices[2].texCoord[1], 0.75f);
    EXPECT_EQ(vertices[3].texCoord[1], 0.75f);

    face.firstVertex = -3;
    face.numVertices = 4;  // reaches only vertex 0
    face.flipTextureT(vertices);
    EXPECT_EQ(vertices[0].texCoord[1], 0.75f);
    EXPECT_EQ(vertices[1].texCoord[1], 0.25f);

    face.firstVertex = 0x7fffffff;
    face.numVertices = 0x7fffffff;
    face.flipTextureT(vertices);
    EXPECT_EQ(vertices[3].texCoord[1], 0.75f);
}
