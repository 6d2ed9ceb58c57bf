// Md3Model: a model file's first frame as plain arrays in viewer axes, and the reader that checks
// every count and offset of the file before it follows one.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// One triangle mesh of the model, frame 0 only.
struct Md3Surface {
    std::string name;
    // The first shader the surface names (its image or material); empty when it names none.
    std::string shader;
    // Three floats a vertex, in units, viewer axes.
    std::vector<float> positions;
    // Three floats a vertex, unit length, viewer axes.
    std::vector<float> normals;
    // Two floats a vertex.
    std::vector<float> texCoords;
    // Three a triangle, each below the surface's vertex count.
    std::vector<std::uint32_t> indices;

    std::size_t vertexCount() const { return positions.size() / 3; }
};

struct Md3Model {
    std::vector<Md3Surface> surfaces;
};

// The model, or what is wrong with the bytes (problem empty when they are sound).
struct Md3ReadResult {
    Md3Model model;
    std::string problem;
};

// The format's own limits: a file beyond them is refused before anything is sized by it.
inline constexpr std::int32_t kMd3MaxFrames = 1024;
inline constexpr std::int32_t kMd3MaxTags = 16;
inline constexpr std::int32_t kMd3MaxSurfaces = 32;
inline constexpr std::int32_t kMd3MaxShaders = 256;
inline constexpr std::int32_t kMd3MaxVertices = 4096;
inline constexpr std::int32_t kMd3MaxTriangles = 8192;
// Positions are stored as int16 in 1/64 units.
inline constexpr float kMd3PositionScale = 1.0f / 64.0f;

// Reads "IDP3" version 15 from bytes that hold the whole file.
Md3ReadResult readMd3(std::span<const std::uint8_t> bytes);
