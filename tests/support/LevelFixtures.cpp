// Small writer-made levels for the tests.
#include "support/LevelFixtures.h"

#include <sstream>

namespace {

RawVertex vertexAt(float x, float y, float z, float s = 0.0f, float t = 0.0f) {
    RawVertex vertex;
    vertex.position = {x, y, z};
    vertex.texCoord = {s, t};
    vertex.normal = {0.0f, 0.0f, 1.0f};
    return vertex;
}

}  // namespace

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
    RawFace floor;
    floor.type = 1;
    floor.numVertices = 4;
    floor.numMeshVertices = 6;
    floor.normal = {0, 0, 1};
    RawFace patch;
    patch.texture = 1;
    patch.type = 2;
    patch.firstVertex = 4;
    patch.numVertices = 9;
    patch.patchSize = {3, 3};
    RawFace billboard;
    billboard.type = 4;
    billboard.firstVertex = 13;
    billboard.numVertices = 1;
    level.faces = {floor, patch, billboard};
    level.visibility = {2, 1, {0x03, 0x03}};
    return level;
}

std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes, std::ostream& log) {
    return std::make_unique<BSPMap>("data/", "test.bsp", std::move(bytes), nullptr, nullptr, log);
}

std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes) {
    std::ostringstream discarded;
    return loadLevelBytes(std::move(bytes), discarded);
}
