// LevelWriter: writes an IBSP version 46 level file from a description held in memory, in file
// axes (z up, the values exactly as the file stores them). Tests and the sample tool use it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "level/Records.h"

struct RawTexture {
    std::string name;  // at most 64 bytes are written; exactly 64 leaves no NUL
    std::int32_t flags = 0;
    std::int32_t contents = 0;
};

struct RawPlane {
    std::array<float, 3> normal{};
    float distance = 0.0f;
};

struct RawNode {
    std::int32_t plane = 0;
    std::int32_t front = 0;  // >= 0 a node, negative c the leaf -(c + 1)
    std::int32_t back = 0;
    std::array<std::int32_t, 3> mins{};
    std::array<std::int32_t, 3> maxs{};
};

struct RawLeaf {
    std::int32_t cluster = 0;
    std::int32_t area = 0;
    std::array<std::int32_t, 3> mins{};
    std::array<std::int32_t, 3> maxs{};
    std::int32_t firstLeafFace = 0;
    std::int32_t numLeafFaces = 0;
    std::int32_t firstLeafBrush = 0;
    std::int32_t numLeafBrushes = 0;
};

struct RawModel {
    std::array<float, 3> mins{};
    std::array<float, 3> maxs{};
    std::int32_t firstFace = 0;
    std::int32_t numFaces = 0;
    std::int32_t firstBrush = 0;
    std::int32_t numBrushes = 0;
};

struct RawBrush {
    std::int32_t firstSide = 0;
    std::int32_t numSides = 0;
    std::int32_t texture = 0;
};

struct RawBrushSide {
    std::int32_t plane = 0;
    std::int32_t texture = 0;
};

struct RawEffect {
    std::string shader;  // at most 64 bytes are written; exactly 64 leaves no NUL
    std::int32_t brush = 0;
    std::int32_t visibleSide = -1;
};

struct RawVertex {
    std::array<float, 3> position{};
    std::array<float, 2> texCoord{};
    std::array<float, 2> lightmapCoord{};
    std::array<float, 3> normal{};
    std::array<std::uint8_t, 4> color{255, 255, 255, 255};
};

struct RawFace {
    std::int32_t texture = 0;
    std::int32_t effect = -1;
    std::int32_t type = 1;
    std::int32_t firstVertex = 0;
    std::int32_t numVertices = 0;
    std::int32_t firstMeshVertex = 0;
    std::int32_t numMeshVertices = 0;
    std::int32_t lightmap = -1;
    std::array<std::int32_t, 2> lightmapStart{};
    std::array<std::int32_t, 2> lightmapSize{};
    std::array<float, 3> lightmapOrigin{};
    std::array<std::array<float, 3>, 2> lightmapVectors{};
    std::array<float, 3> normal{};
    std::array<std::int32_t, 2> patchSize{};
};

struct RawVisibility {
    std::int32_t numClusters = 0;
    std::int32_t bytesPerCluster = 0;
    std::vector<std::uint8_t> bits;  // written as given, whatever the two counts say
};

struct LevelDescription {
    std::array<char, 4> magic = std::to_array(kLevelMagic);
    std::int32_t version = kLevelVersion;
    std::string entityText;  // written without a trailing NUL
    std::vector<RawTexture> textures;
    std::vector<RawPlane> planes;
    std::vector<RawNode> nodes;
    std::vector<RawLeaf> leaves;
    std::vector<std::int32_t> leafFaces;
    std::vector<std::int32_t> leafBrushes;
    std::vector<RawModel> models;
    std::vector<RawBrush> brushes;
    std::vector<RawBrushSide> brushSides;
    std::vector<RawVertex> vertices;
    std::vector<std::int32_t> meshVertices;
    std::vector<RawEffect> effects;
    std::vector<RawFace> faces;
    RawVisibility visibility;
    // The lightmap lump as given: whole 128 x 128 RGB pages, or any other length for bad files.
    std::vector<std::uint8_t> lightmaps;
};

// Lays the lumps out after the header in lump-index order, each at a 4-byte aligned offset; the
// lump the description has no field for (light volumes) is empty. The directory can be changed
// and bytes appended afterwards, to make deliberately malformed files.
class LevelWriter {
public:
    explicit LevelWriter(const LevelDescription& description);
    virtual ~LevelWriter() = default;

    DirectoryEntry entry(int lumpIndex) const;
    // Rewrites one directory entry in the header; the lump bytes stay where they are. Both do
    // nothing (entry answers 0, 0) for an index outside 0..16 or a file cut inside the header.
    void setEntry(int lumpIndex, std::int32_t offset, std::int32_t length);
    void appendBytes(std::span<const std::uint8_t> extra);
    // Cuts the file to its first byteCount bytes.
    void truncate(std::size_t byteCount);

    const std::vector<std::uint8_t>& bytes() const { return fileBytes; }
    // Returns false, with the reason in error, when the file cannot be written.
    bool writeFile(const std::string& path, std::string& error) const;

private:
    std::vector<std::uint8_t> fileBytes;
};

// The bytes of the description, laid out as above.
std::vector<std::uint8_t> writeLevel(const LevelDescription& description);
