// Writes the level fuzzer's seed corpus: the sample level and smaller sound levels made by the
// level writer, so the search starts from files that reach every loading step and every check.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "level/LevelWriter.h"
#include "level/SampleLevel.h"

namespace {

RawVertex vertexAt(float x, float y, float z) {
    RawVertex vertex;
    vertex.position = {x, y, z};
    vertex.normal = {0.0f, 0.0f, 1.0f};
    return vertex;
}

RawFace faceOf(std::int32_t type, std::int32_t firstVertex, std::int32_t numVertices,
               std::int32_t firstMeshVertex, std::int32_t numMeshVertices) {
    RawFace face;
    face.type = type;
    face.firstVertex = firstVertex;
    face.numVertices = numVertices;
    face.firstMeshVertex = firstMeshVertex;
    face.numMeshVertices = numMeshVertices;
    return face;
}

// A w x h control grid of patch vertices appended to the level; returns its face.
RawFace addPatchGrid(LevelDescription& level, std::int32_t width, std::int32_t height) {
    const auto first = static_cast<std::int32_t>(level.vertices.size());
    for (std::int32_t row = 0; row < height; ++row) {
        for (std::int32_t column = 0; column < width; ++column) {
            level.vertices.push_back(vertexAt(16.0f * column, 8.0f * row, 4.0f * (column % 2)));
        }
    }
    RawFace patch = faceOf(2, first, width * height, 0, 0);
    patch.patchSize = {width, height};
    return patch;
}

// Three leaves under two nodes, in three clusters where cluster 0 cannot see cluster 2; a quad,
// a mesh triangle pair, patches of several grid sizes and a billboard.
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
    level.faces = {faceOf(1, 0, 4, 0, 6), faceOf(3, 0, 4, 6, 3)};
    level.faces.push_back(addPatchGrid(level, 3, 3));
    level.faces.push_back(addPatchGrid(level, 5, 3));
    level.faces.push_back(addPatchGrid(level, 4, 7));
    level.faces.push_back(faceOf(4, 0, 1, 0, 0));
    level.visibility = {3, 1, {0x03, 0x07, 0x06}};
    return level;
}

bool writeSeed(const std::string& directory, const std::string& name,
               const std::vector<std::uint8_t>& bytes) {
    const std::string path = directory + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::cerr << path << ": cannot write the seed\n";
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: velmora_fuzz_seeds CORPUS_DIRECTORY\n";
        return 2;
    }
    const std::string directory = argv[1];
    LevelDescription rooms = threeRoomLevel();
    LevelDescription withoutVisibility = rooms;
    withoutVisibility.visibility = {};
    LevelDescription oneLeaf;
    oneLeaf.planes = {{{0.0f, 0.0f, 1.0f}, 0.0f}};
    oneLeaf.nodes = {{0, -1, -1, {0, 0, 0}, {0, 0, 0}}};
    oneLeaf.leaves = {{-1, 0, {0, 0, 0}, {0, 0, 0}, 0, 0, 0, 0}};

    bool ok = writeSeed(directory, "seed-sample.bsp", writeLevel(sampleLevel()));
    ok = writeSeed(directory, "seed-three-rooms.bsp", writeLevel(rooms)) && ok;
    ok = writeSeed(directory, "seed-no-visibility.bsp", writeLevel(withoutVisibility)) && ok;
    ok = writeSeed(directory, "seed-one-leaf.bsp", writeLevel(oneLeaf)) && ok;
    return ok ? 0 : 1;
}
