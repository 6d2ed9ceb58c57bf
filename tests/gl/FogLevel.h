// A small level of fog volumes and a sprite, with its script and images, for pictures and frame
// checks: three lanes a camera at y = 0 looks down along +y, each with its own thing to see.
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

namespace fog_level {

inline constexpr char kScript[] = R"(
textures/test/bluefog
{
    surfaceparm fog
    surfaceparm trans
    surfaceparm nolightmap
    fogparms ( 0 0 1 ) 200
}
textures/test/greenfog
{
    surfaceparm fog
    fogparms ( 0 1 0 ) 50
}
textures/test/sprite
{
    deformVertexes autosprite
    {
        map textures/test/yellow.tga
    }
}
)";

enum Texture : std::int32_t { kRed, kBlueFog, kGreenFog, kSprite };
inline constexpr std::array<std::uint8_t, 4> kWhite = {255, 255, 255, 255};
inline constexpr Rgb kWallColour = {200, 0, 0};
inline constexpr Rgb kSpriteColour = {220, 220, 0};

// Three lanes a camera looks down along +y from y = 0: x = 0, x = 1000 and x = -1000.
inline constexpr float kFogLane = 0.0f;
inline constexpr float kThickFogLane = 1000.0f;
inline constexpr float kSpriteLane = -1000.0f;
inline constexpr float kWallY = 200.0f;
// The near side of the fog in the first lane, and its distance to opaque.
inline constexpr float kFogStartY = 100.0f;
inline constexpr float kBlueDistanceToOpaque = 200.0f;

// A box brush of six outward planes, in file axes.
inline std::int32_t addBox(LevelDescription& level, std::array<float, 3> mins,
                           std::array<float, 3> maxs) {
    const auto firstSide = static_cast<std::int32_t>(level.brushSides.size());
    for (int axis = 0; axis < 3; ++axis) {
        std::array<float, 3> normal{};
        normal[axis] = 1.0f;
        level.planes.push_back({normal, maxs[axis]});
        normal[axis] = -1.0f;
        level.planes.push_back({normal, -mins[axis]});
        for (int side = 2; side > 0; --side) {
            level.brushSides.push_back({static_cast<std::int32_t>(level.planes.size()) - side, 0});
        }
    }
    level.brushes.push_back({firstSide, 6, 0});
    return static_cast<std::int32_t>(level.brushes.size()) - 1;
}

// A quad in the plane x = lane, facing along -x: edge-on to a camera in that lane.
inline void addEdgeOnQuad(LevelDescription& level, float lane, std::int32_t texture) {
    addQuad(level, {-15, 15, -30, 30, 0, kNoLightmap, texture, kWhite});
    const std::size_t first = level.vertices.size() - 4;
    for (std::size_t i = first; i < level.vertices.size(); ++i) {
        auto& position = level.vertices[i].position;
        // (x, 0, z) becomes (lane, 200 + 2x, z / 2): 60 deep and 30 high.
        position = {lane, kWallY + 2.0f * position[0], position[2] / 2.0f};
        level.vertices[i].normal = {-1, 0, 0};
    }
    level.faces.back().normal = {-1, 0, 0};
}

inline std::int32_t lastFace(const LevelDescription& level) {
    return static_cast<std::int32_t>(level.faces.size()) - 1;
}

inline LevelDescription fogLevel() {
    LevelDescription level;
    level.textures = {{"textures/test/red", 0, 1},
                      {"textures/test/bluefog", 0, 1},
                      {"textures/test/greenfog", 0, 1},
                      {"textures/test/sprite", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -2000, -2000}, {2000, 2000, 2000}}};
    const std::int32_t blue = addBox(level, {-30, kFogStartY, -30}, {30, kWallY, 30});
    const std::int32_t green = addBox(level, {950, -10, -50}, {1050, kWallY, 50});
    level.effects = {{"textures/test/bluefog", blue, 0}, {"textures/test/greenfog", green, -1}};
    // In the first lane a wall on the far side of the fog, the fog's near side, and a wall beside
    // the fog; in the second a wall with the eye and the wall in thick fog; in the third a sprite.
    addQuad(level, {-20, 20, -20, 20, kWallY, kNoLightmap, kRed, kWhite});
    level.faces.back().effect = 0;
    addQuad(level, {-30, 30, -30, 30, kFogStartY, kNoLightmap, kBlueFog, kWhite});
    level.faces.back().effect = 0;
    addQuad(level, {-100, -70, -20, 20, kWallY, kNoLightmap, kRed, kWhite});
    addQuad(level,
            {kThickFogLane - 20, kThickFogLane + 20, -20, 20, kWallY, kNoLightmap, kRed, kWhite});
    level.faces.back().effect = 1;
    addEdgeOnQuad(level, kSpriteLane, kSprite);
    const std::int32_t faceCount = lastFace(level) + 1;
    level.leaves = {{0, 0, {-10000, -2000, -2000}, {2000, 2000, 2000}, 0, faceCount, 0, 0},
                    {0, 0, {-10001, -2000, -2000}, {-10000, 2000, 2000}, 0, 0, 0, 0}};
    for (std::int32_t face = 0; face < faceCount; ++face) {
        level.leafFaces.push_back(face);
    }
    level.models = {{{-2000, -2000, -2000}, {2000, 2000, 2000}, 0, faceCount, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    return level;
}

// Writes the level as maps/fog.bsp under folder, with its script (kScript unless another is
// given) and images, and opens it in a session with lightmaps and textures on (the lit view with
// face images) in the current window.
inline std::unique_ptr<ViewerSession> startSession(const std::filesystem::path& folder,
                                                   const std::string& script = kScript) {
    writeBytes(folder / "maps/fog.bsp", writeLevel(fogLevel()));
    writeBytes(folder / "scripts/test.shader",
               std::vector<std::uint8_t>(script.begin(), script.end()));
    writeBytes(folder / "textures/test/red.tga",
               solidTga(8, 8, {std::uint8_t(kWallColour[0]), 0, 0}));
    writeBytes(folder / "textures/test/yellow.tga",
               solidTga(8, 8, {std::uint8_t(kSpriteColour[0]), std::uint8_t(kSpriteColour[1]), 0}));
    std::string loadLog;
    auto session =
        startLevelSession(materialViewConfig(folder.string() + "/", "maps/fog.bsp"), loadLog);
    EXPECT_NE(session, nullptr) << loadLog;
    return session;
}

}  // namespace fog_level
