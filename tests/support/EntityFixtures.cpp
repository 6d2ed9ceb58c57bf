// The entity level and its models, written with the level and model writers.
#include "support/EntityFixtures.h"

#include "generators/LevelWriter.h"
#include "generators/ModelWriter.h"
#include "level/Records.h"
#include "texture/LightmapPages.h"

namespace {

constexpr char kEntityText[] =
    "{\n\"classname\" \"worldspawn\"\n}\n"
    "{\n\"classname\" \"weapon_rocketlauncher\"\n\"origin\" \"-40 200 0\"\n}\n"
    "{\n\"classname\" \"weapon_railgun\"\n\"origin\" \"40 200 0\"\n}\n"
    "{\n\"classname\" \"info_player_deathmatch\"\n\"origin\" \"0 200 30\"\n\"angle\" \"90\"\n}\n"
    "{\n\"classname\" \"item_quad\"\n\"origin\" \"0 200 -30\"\n}\n";

// A quad across x and z at depth y, facing the camera and wound clockwise as it sees it.
void addFacingQuad(LevelDescription& level, float y, std::array<float, 4> leftRightBottomTop,
                   std::int32_t texture) {
    const auto [left, right, bottom, top] = leftRightBottomTop;
    const auto first = static_cast<std::int32_t>(level.vertices.size());
    const float corners[4][2] = {{left, bottom}, {left, top}, {right, top}, {right, bottom}};
    for (const auto& corner : corners) {
        RawVertex vertex;
        vertex.position = {corner[0], y, corner[1]};
        vertex.normal = {0, -1, 0};
        vertex.lightmapCoord = {0.5f, 0.5f};
        vertex.color = {255, 255, 255, 255};
        level.vertices.push_back(vertex);
    }
    RawFace face;
    face.type = 1;
    face.texture = texture;
    face.firstVertex = first;
    face.numVertices = 4;
    face.firstMeshVertex = static_cast<std::int32_t>(level.meshVertices.size());
    face.numMeshVertices = 6;
    face.lightmap = 0;
    face.normal = {0, -1, 0};
    level.faces.push_back(face);
    level.meshVertices.insert(level.meshVertices.end(), {0, 1, 2, 0, 2, 3});
}

LevelDescription wallLevel(bool glowPane, std::string entityText = kEntityText) {
    LevelDescription level;
    level.entityText = std::move(entityText);
    level.textures = {{"textures/test/wall", 0, 1}};
    // One wall across the whole view.
    addFacingQuad(level, 400, {-400, 400, -300, 300}, 0);
    if (glowPane) {
        level.textures.push_back({"textures/test/glow", 0, 1});
        addFacingQuad(level, kGlowPaneY, {-40, 0, -20, 20}, 1);
    }
    const auto faceCount = static_cast<std::int32_t>(level.faces.size());
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, faceCount, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    for (std::int32_t face = 0; face < faceCount; ++face) {
        level.leafFaces.push_back(face);
    }
    level.models = {{{-100, 0, -50}, {100, 400, 50}, 0, faceCount, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    level.lightmaps.assign(kLightmapPageBytes, 10);
    return level;
}

std::vector<std::uint8_t> levelBytesWithGrid(const LevelDescription& level, std::size_t gridCells) {
    LevelWriter writer(level);
    if (gridCells > 0) {
        std::vector<std::uint8_t> grid;
        for (std::size_t cell = 0; cell < gridCells; ++cell) {
            grid.insert(grid.end(), kGridCell.begin(), kGridCell.end());
        }
        const auto offset = static_cast<std::int32_t>(writer.bytes().size());
        writer.appendBytes(grid);
        writer.setEntry(kLightVolumesLump, offset, static_cast<std::int32_t>(grid.size()));
    }
    return writer.bytes();
}

}  // namespace

std::vector<std::uint8_t> entityLevelBytes(std::size_t gridCells, bool glowPane) {
    return levelBytesWithGrid(wallLevel(glowPane), gridCells);
}

std::vector<std::uint8_t> entityLevelBytesWithText(std::string entityText) {
    return levelBytesWithGrid(wallLevel(false, std::move(entityText)), kGridCells);
}

void writeEntityModels(const ScratchFolder& data) {
    // A triangle across the model's x and z, facing -y (polar a quarter turn, azimuth three).
    RawModelSurface surface;
    surface.shader = "models/weapons2/rocketl/rocketl.tga";
    surface.vertices = {{{-12, 0, -12}, 64, 192, {0, 0}},
                        {{12, 0, -12}, 64, 192, {1, 0}},
                        {{0, 0, 12}, 64, 192, {0.5f, 1}}};
    surface.indices = {0, 1, 2};
    ModelDescription launcher;
    launcher.surfaces = {surface};
    writeBytes(data.path() / "models/weapons2/rocketl/rocketl.md3", writeModel(launcher));

    std::vector<std::uint8_t> broken = writeModel(launcher);
    patchInt32(broken, ModelFieldOffsets::kFrameCount, 2000000000);
    writeBytes(data.path() / "bad.pk3", makeZip({{"models/weapons2/railgun/railgun.md3", broken}}));
}
