// Face: one face record of the level and, for patch faces, the bezier patches cut from its grid.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "level/Vertex.h"
#include "patch/BezierPatch.h"

class ByteReader;
class TextureManager;

enum FaceType : std::int32_t {
    kPolygonFace = 1,
    kPatchFace = 2,
    kMeshFace = 3,
    kBillboardFace = 4,
};

// "polygon", "patch", "mesh", "billboard", or "unknown type" for any other number.
const char* faceTypeName(std::int32_t type);

// A face's effect index when it lies in no effect's volume.
inline constexpr std::int32_t kNoEffect = -1;

// The level at which the loader first tessellates every patch.
inline constexpr int kInitialPatchLevel = 10;

// The 3 x 3 patches a control grid of width x height vertices describes, neighbours sharing their
// edge controls: columns x rows of them, numbered row by row, none for a grid narrower than 3
// either way. The one home of that rule for the patch builder and the level validator. The
// arithmetic is 64-bit because the grid numbers come straight from the file and may be negative
// or huge.
struct PatchGrid {
    std::int64_t width = 0;
    std::int64_t columns = 0;
    std::int64_t rows = 0;

    static PatchGrid of(std::int64_t width, std::int64_t height) {
        if (width < 3 || height < 3) {
            return {};
        }
        return {width, (width - 1) / 2, (height - 1) / 2};
    }
    std::int64_t count() const { return columns * rows; }
    // How far control (row r, column c), that is control 3r + c, of patch number patch lies past
    // the grid's first vertex.
    std::int64_t controlOffset(std::int64_t patch, int control) const {
        const std::int64_t py = patch / columns;
        const std::int64_t px = patch % columns;
        return 2 * py * width + 2 * px + control / 3 * width + control % 3;
    }
    // The patches, from the first, whose nine controls all lie in an array of vertexCount vertices
    // when the grid starts at firstVertex; the patch after the last of them does not.
    std::int64_t buildableCount(std::int64_t firstVertex, std::size_t vertexCount) const;
};

class Face {
public:
    Face() = default;
    // Reads one 104-byte face record; the normal changes axes, the lightmap vectors do not.
    explicit Face(ByteReader& reader);
    virtual ~Face() = default;
    Face(const Face&) = default;
    Face& operator=(const Face&) = default;
    Face(Face&&) = default;
    Face& operator=(Face&&) = default;

    // t becomes 1 - t on vertices firstVertex .. firstVertex + numVertices - 1 that exist.
    void flipTextureT(std::vector<Vertex>& levelVertices) const;

    // Cuts the control grid into 3 x 3 patches, tessellating each at the initial level as it is
    // appended; stops at the first patch whose controls run past levelVertices.
    void buildPatches(const std::vector<Vertex>& levelVertices);
    // The same cut, leaving the patches untessellated for a caller that tessellates them all.
    void cutPatches(const std::vector<Vertex>& levelVertices);
    void tessellatePatches(int level);
    void drawPatches(std::int32_t textureIndex, TextureManager& textureManager,
                     bool texturesEnabled) const;

    std::int32_t texture = 0;
    std::int32_t effect = kNoEffect;  // an index into the level's effects
    std::int32_t type = 0;
    std::int32_t firstVertex = 0;
    std::int32_t numVertices = 0;
    std::int32_t firstMeshVertex = 0;
    std::int32_t numMeshVertices = 0;
    std::int32_t lightmap = -1;  // a page index; -1 names none, -3 means lit by vertex colours
    std::int32_t lightmapStart[2] = {0, 0};
    std::int32_t lightmapSize[2] = {0, 0};
    float lightmapOrigin[3] = {0.0f, 0.0f, 0.0f};
    float lightmapVectors[2][3] = {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    float normal[3] = {0.0f, 0.0f, 0.0f};
    // Control-grid width, then height; meaningful for patch faces.
    std::int32_t patchSize[2] = {0, 0};

    std::vector<BezierPatch> patches;
};
