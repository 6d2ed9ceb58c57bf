// A writer-made level with brush entities in front of a wall, for pictures and picks: a door, a
// platform, a bobbing piece, a trigger that must not be drawn and entities whose model keys are
// bad. File axes: the camera at the origin looks along +y.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "WallLevel.h"

namespace brush_level {

constexpr float kWallY = 200.0f;
constexpr float kPieceY = 100.0f;
// The door's lit colour (page 1), the wall's (page 0), the plat's (full bright) and the bobbing
// piece's (vertex colours 30, 40, 50 brightened).
constexpr std::array<int, 3> kDoorColour = {255, 128, 64};
constexpr std::array<int, 3> kWallColour = {160, 80, 40};
constexpr std::array<int, 3> kPlatColour = {255, 255, 255};
constexpr std::array<int, 3> kBobbingColour = {120, 160, 200};
constexpr float kPlatHeight = 15.0f;
constexpr float kBobbingHeight = 10.0f;

inline RawModel modelOf(std::int32_t face, const QuadSpec& quad) {
    return {{quad.left, quad.y, quad.bottom}, {quad.right, quad.y, quad.top}, face, 1, 0, 0};
}

// withEntities false leaves the entity text empty: the same faces, no brush entities.
inline LevelDescription brushLevel(bool withEntities = true) {
    LevelDescription level;
    level.textures = {{"textures/test/wall", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 1, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    const QuadSpec wall = {-100, 100, -30, 30, kWallY, 0, 0, white};
    const QuadSpec door = {-10, 10, -10, 10, kPieceY, 1, 0, white};
    const QuadSpec plat = {20, 30, -5, 5, kPieceY, kNoLightmap, 0, white};
    const QuadSpec bobbing = {-30, -20, -5, 5, kPieceY, kVertexLitLightmap, 0, {30, 40, 50, 255}};
    const QuadSpec trigger = {-5, 5, 12, 16, kPieceY, kNoLightmap, 0, white};
    for (const QuadSpec& quad : {wall, door, plat, bobbing, trigger}) {
        addQuad(level, quad);
    }
    level.models = {{{-100, 0, -30}, {100, 200, 30}, 0, 1, 0, 0},
                    modelOf(1, door),
                    modelOf(2, plat),
                    modelOf(3, bobbing),
                    {{0, 0, 0}, {1, 1, 1}, 4, 9, 0, 0},
                    modelOf(4, trigger)};
    level.visibility = {1, 1, {0x01}};
    level.lightmaps = uniformPage(40, 20, 10);
    const std::vector<std::uint8_t> second = uniformPage(100, 50, 25);
    level.lightmaps.insert(level.lightmaps.end(), second.begin(), second.end());
    if (withEntities) {
        level.entityText =
            "{ \"classname\" \"worldspawn\" }\n"
            "{ \"classname\" \"func_door\" \"model\" \"*1\" \"targetname\" \"gate\" }\n"
            "{ \"classname\" \"func_plat\" \"model\" \"*2\" \"height\" \"15\" }\n"
            "{ \"classname\" \"func_bobbing\" \"model\" \"*3\" \"height\" \"10\" }\n"
            "{ \"classname\" \"func_door\" \"model\" \"*9\" }\n"
            "{ \"classname\" \"func_door\" \"model\" \"*-1\" }\n"
            "{ \"classname\" \"func_door\" \"model\" \"*abc\" }\n"
            "{ \"classname\" \"func_door\" \"model\" \"*4\" }\n"
            "{ \"classname\" \"trigger_multiple\" \"model\" \"*5\" }\n";
    }
    return level;
}

// The window pixel (column, row from the bottom) where a file-axes point appears to the camera
// at the origin looking along +y, 45 degree vertical field of view, 640 x 480.
struct WindowPixel {
    int column;
    int row;
};
inline WindowPixel pixelOf(float x, float y, float z) {
    const float scale = 240.0f / 0.41421356f;
    return {static_cast<int>(320.0f + x / y * scale), static_cast<int>(240.0f + z / y * scale)};
}

}  // namespace brush_level
