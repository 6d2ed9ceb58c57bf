// Small writer-made levels shared by the tests and the fuzzer's seed corpus.
#include "generators/FixtureLevels.h"

RawVertex vertexAt(float x, float y, float z, float s, float t) {
    RawVertex vertex;
    vertex.position = {x, y, z};
    vertex.texCoord = {s, t};
    vertex.normal = {0.0f, 0.0f, 1.0f};
    return vertex;
}

RawFace addPatchGrid(LevelDescription& level, std::int32_t width, std::int32_t height) {
    const auto first = static_cast<std::int32_t>(level.vertices.size());
    for (std::int32_t row = 0; row < height; ++row) {
        for (std::int32_t column = 0; column < width; ++column) {
            level.vertices.push_back(vertexAt(16.0f * column, 8.0f * row, 4.0f * (column % 2)));
        }
    }
    return patchFaceOf(first, width, height);
}

LevelDescription tinyLevel() {
    LevelDescription level;
    level.entityText =
        "{\n\"classname\" \"worldspawn\"\n}\n"
        "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"64 64 24\"\n}\n";
    level.textures = {{"textures/base/floor", 0, 1}, {"textures/base/pipe", 0, 1}};
    level.planes = {{{1.0f, 0.0f, 0.0f}, 128.0f}};
    level.nodes = {{0, -1, -2, {0, 0, 0}, {256, 256, 128}}};
    level.leaves = {{0, 0, {128, 0, 0}, {256, 256, 128}, 0, 2, 0, 0},
                    {1, 0, {0, 0, 0}, {128, 256, 128}, 2, 2, 0, 0}};
    level.leafFaces = {0, 1, 0, 2};
    level.models = {{{0, 0, 0}, {256, 256, 128}, 0, 3, 0, 0}};
    // Floor quad, then the 3 x 3 patch's control grid, then the billboard's corner.
    level.vertices = {vertexAt(0, 0, 0, 0, 0), vertexAt(256, 0, 0, 1, 0),
                      vertexAt(256, 256, 0, 1, 1), vertexAt(0, 256, 0, 0, 1)};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            level.vertices.push_back(
                vertexAt(160.0f + 16 * column, 64.0f, 16.0f + 16 * row + (column == 1 ? 8 : 0)));
        }
    }
    level.vertices.push_back(vertexAt(64, 192, 64));
    level.meshVertices = {0, 1, 2, 0, 2, 3};
    RawFace floor = faceOf(kPolygonFace, 0, 4, 0, 6);
    floor.normal = {0, 0, 1};
    RawFace patch = patchFaceOf(4, 3, 3);
    patch.texture = 1;
    level.faces = {floor, patch, faceOf(kBillboardFace, 13, 1)};
    level.visibility = {2, 1, {0x03, 0x03}};
    return level;
}

LevelDescription threeRoomLevel() {
    LevelDescription level;
    level.entityText =
        "{\n\"classname\" \"worldspawn\"\n}\n"
        "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"32 32 24\"\n}\n";
    level.textures = {{"textures/base/wall", 0, 1}, {"textures/base/arch", 0, 1}};
    level.planes = {{{1.0f, 0.0f, 0.0f}, 128.0f}, {{1.0f, 0.0f, 0.0f}, 256.0f}};
    level.nodes = {{0, 1, -1, {0, 0, 0}, {384, 128, 128}},
                   {1, -3, -2, {128, 0, 0}, {384, 128, 128}}};
    level.leaves = {{0, 0, {0, 0, 0}, {128, 128, 128}, 0, 2, 0, 0},
                    {1, 0, {128, 0, 0}, {256, 128, 128}, 2, 2, 0, 0},
                    {2, 0, {256, 0, 0}, {384, 128, 128}, 4, 3, 0, 0}};
    level.leafFaces = {0, 1, 1, 2, 3, 4, 5};
    level.models = {{{0, 0, 0}, {384, 128, 128}, 0, 6, 0, 0}};
    level.vertices = {vertexAt(0, 0, 0), vertexAt(128, 0, 0), vertexAt(128, 128, 0),
                      vertexAt(0, 128, 0)};
    level.meshVertices = {0, 1, 2, 0, 2, 3, 0, 2, 1};
    level.faces = {faceOf(kPolygonFace, 0, 4, 0, 6), faceOf(kMeshFace, 0, 4, 6, 3)};
    level.faces.push_back(addPatchGrid(level, 3, 3));
    level.faces.push_back(addPatchGrid(level, 5, 3));
    level.faces.push_back(addPatchGrid(level, 4, 7));
    level.faces.push_back(faceOf(kBillboardFace, 0, 1));
    level.visibility = {3, 1, {0x03, 0x07, 0x06}};
    return level;
}

LevelDescription oneLeafLevel() {
    LevelDescription level;
    level.planes = {{{0.0f, 0.0f, 1.0f}, 0.0f}};
    level.nodes = {{0, -1, -1, {0, 0, 0}, {0, 0, 0}}};
    level.leaves = {{-1, 0, {0, 0, 0}, {0, 0, 0}, 0, 0, 0, 0}};
    return level;
}
