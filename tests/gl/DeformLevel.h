// A small level of two walls and a flat patch a camera at the origin looks at along +y (file
// axes): a wall and the patch rippled by a wave deform along normals that point up, a wall moved
// sideways by a move deform, for pictures and frame checks.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "GlPixels.h"
#include "SampleSession.h"
#include "WallLevel.h"
#include "app/ViewerSession.h"
#include "generators/AssetFiles.h"

namespace deform_level {

// Square waves: +1 for the first half of each second, -1 for the second half. The wave wall goes
// 10 units up, then down; the move wall 20 units toward +x, then toward -x.
inline constexpr char kScript[] = R"(
textures/test/wave
{
    deformVertexes wave 0 square 0 10 0 1
    { map textures/test/red.tga }
}
textures/test/move
{
    deformVertexes move 1 0 0 square 0 20 0 1
    { map textures/test/green.tga }
}
textures/test/patchwave
{
    deformVertexes wave 0 square 0 10 0 1
    { map textures/test/blue.tga }
}
)";

inline constexpr Rgb kWaveColour = {200, 0, 0};
inline constexpr Rgb kMoveColour = {0, 200, 0};
inline constexpr Rgb kPatchColour = {0, 0, 200};
inline constexpr float kWallY = 200.0f;

// Appends a flat 3 x 3 patch across x -10..10 and z 30..50 at kWallY, its normals up.
inline void addUpFacingPatch(LevelDescription& level, std::int32_t texture) {
    RawFace face;
    face.type = 2;
    face.texture = texture;
    face.firstVertex = static_cast<std::int32_t>(level.vertices.size());
    face.numVertices = 9;
    face.patchSize = {3, 3};
    face.lightmap = kNoLightmap;
    face.normal = {0, -1, 0};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            RawVertex vertex;
            vertex.position = {-10.0f + 10.0f * float(column), kWallY, 30.0f + 10.0f * float(row)};
            vertex.normal = {0, 0, 1};
            vertex.texCoord = {0.5f * float(column), 0.5f * float(row)};
            vertex.color = {255, 255, 255, 255};
            level.vertices.push_back(vertex);
        }
    }
    level.faces.push_back(face);
}

// The wave wall spans x -60..-20 and z -20..20, the move wall x 20..60 and z -20..20, the patch x
// -10..10 and z 30..50.
inline LevelDescription deformLevel() {
    LevelDescription level;
    level.textures = {{"textures/test/wave", 0, 1},
                      {"textures/test/move", 0, 1},
                      {"textures/test/patchwave", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 3, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0, 1, 2};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-60, -20, -20, 20, kWallY, kNoLightmap, 0, white});
    // The wave wall's normals point up, so that its ripple shows as a move up and down.
    for (std::size_t i = 0; i < 4; ++i) {
        level.vertices[i].normal = {0, 0, 1};
    }
    addQuad(level, {20, 60, -20, 20, kWallY, kNoLightmap, 1, white});
    addUpFacingPatch(level, 2);
    level.models = {{{-100, 0, -30}, {100, 200, 60}, 0, 3, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    level.lightmaps = uniformPage(40, 20, 10);
    return level;
}

inline constexpr float kPlatY = 150.0f;
inline constexpr float kPlatHeight = 20.0f;

// The deform level with a platform of the wave material, its normals up, across x -10..10 at
// kPlatY: stored at z 20..40, it stands kPlatHeight lower (0..20), in front of the patch.
inline LevelDescription deformPlatLevel() {
    LevelDescription level = deformLevel();
    const auto face = static_cast<std::int32_t>(level.faces.size());
    const auto first = level.vertices.size();
    addQuad(level, {-10, 10, 20, 40, kPlatY, kNoLightmap, 0, {255, 255, 255, 255}});
    for (std::size_t i = first; i < level.vertices.size(); ++i) {
        level.vertices[i].normal = {0, 0, 1};
    }
    level.models.push_back({{-10, kPlatY, 20}, {10, kPlatY, 40}, face, 1, 0, 0});
    level.entityText =
        "{ \"classname\" \"worldspawn\" }\n"
        "{ \"classname\" \"func_plat\" \"model\" \"*1\" \"height\" \"20\" }\n";
    return level;
}

inline std::unique_ptr<ViewerSession> startSession(const std::filesystem::path& folder,
                                                   const LevelDescription& level = deformLevel()) {
    writeBytes(folder / "maps/deform.bsp", writeLevel(level));
    writeBytes(folder / "scripts/test.shader",
               std::vector<std::uint8_t>(kScript, kScript + sizeof kScript - 1));
    writeBytes(folder / "textures/test/red.tga",
               solidTga(8, 8, {std::uint8_t(kWaveColour[0]), 0, 0}));
    writeBytes(folder / "textures/test/green.tga",
               solidTga(8, 8, {0, std::uint8_t(kMoveColour[1]), 0}));
    writeBytes(folder / "textures/test/blue.tga",
               solidTga(8, 8, {0, 0, std::uint8_t(kPatchColour[2])}));
    std::string loadLog;
    auto session =
        startLevelSession(materialViewConfig(folder.string() + "/", "maps/deform.bsp"), loadLog);
    EXPECT_NE(session, nullptr) << loadLog;
    return session;
}

}  // namespace deform_level
