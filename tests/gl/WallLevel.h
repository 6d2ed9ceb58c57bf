// Small walls for GL pictures: quads across the view of a camera at the origin, and uniform
// lightmap pages.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "generators/LevelWriter.h"
#include "texture/LightmapPages.h"

struct QuadSpec {
    float left, right, bottom, top, y;
    std::int32_t lightmap;
    std::int32_t texture;
    std::array<std::uint8_t, 4> colour;
};

// Appends a quad facing a camera at the origin that looks along +y (file axes), wound clockwise as
// the camera sees it, image and lightmap coordinates spanning the image and the page.
inline void addQuad(LevelDescription& level, const QuadSpec& quad) {
    const auto first = static_cast<std::int32_t>(level.vertices.size());
    const float corners[4][2] = {{quad.left, quad.bottom},
                                 {quad.left, quad.top},
                                 {quad.right, quad.top},
                                 {quad.right, quad.bottom}};
    // s runs left to right and t bottom to top, over the face image and the lightmap page.
    const float pageCorners[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
        RawVertex vertex;
        vertex.position = {corners[i][0], quad.y, corners[i][1]};
        vertex.normal = {0, -1, 0};
        vertex.texCoord = {pageCorners[i][0], 1.0f - pageCorners[i][1]};
        vertex.lightmapCoord = {pageCorners[i][0], pageCorners[i][1]};
        vertex.color = quad.colour;
        level.vertices.push_back(vertex);
    }
    RawFace face;
    face.type = 1;
    face.texture = quad.texture;
    face.firstVertex = first;
    face.numVertices = 4;
    face.firstMeshVertex = static_cast<std::int32_t>(level.meshVertices.size());
    face.numMeshVertices = 6;
    face.lightmap = quad.lightmap;
    face.normal = {0, -1, 0};
    level.faces.push_back(face);
    for (const std::int32_t offset : {0, 1, 2, 0, 2, 3}) {
        level.meshVertices.push_back(offset);
    }
}

inline std::vector<std::uint8_t> uniformPage(std::uint8_t red, std::uint8_t green,
                                             std::uint8_t blue) {
    std::vector<std::uint8_t> page;
    for (std::size_t texel = 0; texel < kLightmapPageBytes / 3; ++texel) {
        page.insert(page.end(), {red, green, blue});
    }
    return page;
}
