// ModelWriter: small model files in the IDP3 version 15 layout, for tests, fuzzer seeds and
// demonstrations.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct RawModelVertex {
    // File axes (z up), in units; stored in 1/64 units.
    std::array<float, 3> position{};
    // The packed normal: angle from +z, angle about it, in 256ths of a turn.
    std::uint8_t polar = 0;
    std::uint8_t azimuth = 0;
    std::array<float, 2> texCoord{};
};

struct RawModelSurface {
    std::string name = "surface";
    std::string shader;  // none written when empty
    std::vector<RawModelVertex> vertices;
    std::vector<std::int32_t> indices;  // three a triangle
};

struct ModelDescription {
    std::vector<RawModelSurface> surfaces;
    std::int32_t frameCount = 1;  // each surface repeats its vertices for every frame
    std::int32_t tagCount = 0;
};

// Where each count and offset of a written file lies, for tests that break one.
struct ModelFieldOffsets {
    static constexpr std::size_t kFrameCount = 76;
    static constexpr std::size_t kTagCount = 80;
    static constexpr std::size_t kSurfaceCount = 84;
    static constexpr std::size_t kSurfacesOffset = 100;
    static constexpr std::size_t kEndOffset = 104;
    // From the start of a surface.
    static constexpr std::size_t kSurfaceVertexCount = 80;
    static constexpr std::size_t kSurfaceTriangleCount = 84;
    static constexpr std::size_t kSurfaceTexCoordsOffset = 96;
    static constexpr std::size_t kSurfaceVerticesOffset = 100;
    static constexpr std::size_t kSurfaceEnd = 104;
};

// Header, frames, tags, then the surfaces, each laid out as its header, shader, triangles, texture
// coordinates and vertices.
std::vector<std::uint8_t> writeModel(const ModelDescription& description);

// Overwrites the little-endian int32 at offset.
void patchInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t value);

// One triangle facing +x (file axes) at x = 0 across y and z from -size to size, its normals along
// +x, using shader.
ModelDescription oneTriangleModel(const std::string& shader, float size);
