// Loading helpers for the tests.
#include "support/LevelFixtures.h"

#include <array>
#include <sstream>

std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes, std::ostream& log) {
    return std::make_unique<TestLevel>("data/", "test.bsp", std::move(bytes), nullptr, nullptr,
                                       log);
}

std::unique_ptr<BSPMap> loadLevelBytes(std::vector<std::uint8_t> bytes) {
    std::ostringstream discarded;
    return loadLevelBytes(std::move(bytes), discarded);
}

namespace {

// A quad over four vertices appended to the level, drawn as two triangles.
RawFace addQuad(LevelDescription& level, const std::array<RawVertex, 4>& corners,
                std::array<float, 3> normal) {
    const auto first = static_cast<std::int32_t>(level.vertices.size());
    const auto firstMesh = static_cast<std::int32_t>(level.meshVertices.size());
    level.vertices.insert(level.vertices.end(), corners.begin(), corners.end());
    level.meshVertices.insert(level.meshVertices.end(), {0, 1, 2, 0, 2, 3});
    RawFace face = faceOf(kPolygonFace, first, 4, firstMesh, 6);
    face.normal = normal;
    return face;
}

}  // namespace

LevelDescription twoRoomsAndCorridor() {
    LevelDescription level;
    level.entityText =
        "{\n\"classname\" \"worldspawn\"\n}\n"
        "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"64 64 24\"\n}\n"
        "{\n\"classname\" \"func_static\"\n\"model\" \"*1\"\n}\n";
    level.textures = {{"textures/base/floor", 0, 1}};
    level.planes = {{{0, 0, 1}, 0},   {{0, 0, 1}, 128}, {{1, 0, 0}, 256},
                    {{1, 0, 0}, 384}, {{0, 1, 0}, 80},  {{0, 1, 0}, 176}};
    level.nodes = {
        {0, 1, -1, {0, 0, -16}, {640, 256, 144}}, {1, -2, 2, {0, 0, 0}, {640, 256, 144}},
        {2, 3, -3, {0, 0, 0}, {640, 256, 128}},   {3, -4, 4, {256, 0, 0}, {640, 256, 128}},
        {4, 5, -5, {256, 0, 0}, {384, 256, 128}}, {5, -6, -7, {256, 80, 0}, {384, 256, 128}}};
    level.leaves = {{-1, 0, {0, 0, -16}, {640, 256, 0}, 0, 0, 0, 0},
                    {-1, 0, {0, 0, 128}, {640, 256, 144}, 0, 0, 0, 0},
                    {0, 0, {0, 0, 0}, {256, 256, 128}, 0, 1, 0, 0},
                    {2, 0, {384, 0, 0}, {640, 256, 128}, 1, 2, 0, 0},
                    {-1, 0, {256, 0, 0}, {384, 80, 128}, 0, 0, 0, 0},
                    {-1, 0, {256, 176, 0}, {384, 256, 128}, 0, 0, 0, 0},
                    {1, 0, {256, 80, 0}, {384, 176, 128}, 3, 1, 0, 0}};
    // Room A's floor, room B's floor and patch, the corridor's floor, then the entity's quad.
    level.leafFaces = {0, 1, 2, 3};
    level.faces.push_back(addQuad(
        level, {vertexAt(0, 0, 0), vertexAt(256, 0, 0), vertexAt(256, 256, 0), vertexAt(0, 256, 0)},
        {0, 0, 1}));
    level.faces.push_back(addQuad(
        level,
        {vertexAt(384, 0, 0), vertexAt(640, 0, 0), vertexAt(640, 256, 0), vertexAt(384, 256, 0)},
        {0, 0, 1}));
    const auto patchStart = static_cast<std::int32_t>(level.vertices.size());
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            level.vertices.push_back(vertexAt(600, 96.0f + 32 * column, 32.0f + 32 * row));
        }
    }
    level.faces.push_back(patchFaceOf(patchStart, 3, 3));
    level.faces.push_back(addQuad(
        level,
        {vertexAt(256, 80, 0), vertexAt(384, 80, 0), vertexAt(384, 176, 0), vertexAt(256, 176, 0)},
        {0, 0, 1}));
    level.faces.push_back(addQuad(level,
                                  {vertexAt(320, 100, 0), vertexAt(320, 156, 0),
                                   vertexAt(320, 156, 96), vertexAt(320, 100, 96)},
                                  {1, 0, 0}));
    level.models = {{{0, 0, -16}, {640, 256, 144}, 0, 4, 0, 0},
                    {{316, 100, 0}, {324, 156, 96}, 4, 1, 0, 0}};
    level.visibility = {3, 1, {0x07, 0x03, 0x06}};
    return level;
}
