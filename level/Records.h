// The layout of a level file (its header, and each lump's name and record size) and its small
// fixed-size records: texture records, directory entries, nodes, leaves, models, brushes, brush
// sides and effects, each read field by field with the axis change applied to its boxes.
#pragma once

#include <cstdint>
#include <string>

class ByteReader;
class Plane;

// Lump indices, in directory order.
enum LumpIndex : int {
    kEntitiesLump = 0,
    kTexturesLump = 1,
    kPlanesLump = 2,
    kNodesLump = 3,
    kLeavesLump = 4,
    kLeafFacesLump = 5,
    kLeafBrushesLump = 6,
    kModelsLump = 7,
    kBrushesLump = 8,
    kBrushSidesLump = 9,
    kVerticesLump = 10,
    kMeshVerticesLump = 11,
    kEffectsLump = 12,
    kFacesLump = 13,
    kLightmapsLump = 14,
    kLightVolumesLump = 15,
    kVisibilityLump = 16,
    kLumpCount = 17
};

// The only kind of file the viewer reads: these four bytes, then this version number, then one
// directory entry (offset, length) per lump in lump-index order.
inline constexpr char kLevelMagic[4] = {'I', 'B', 'S', 'P'};
inline constexpr std::int32_t kLevelVersion = 46;
inline constexpr int kKindBytes = 8;
inline constexpr int kDirectoryEntryBytes = 8;
inline constexpr int kHeaderBytes = kKindBytes + kLumpCount * kDirectoryEntryBytes;
inline constexpr int kTextureRecordBytes = 72;
inline constexpr int kTextureNameBytes = 64;
inline constexpr int kPlaneRecordBytes = 16;
inline constexpr int kNodeRecordBytes = 36;
inline constexpr int kLeafRecordBytes = 48;
inline constexpr int kIndexRecordBytes = 4;
inline constexpr int kModelRecordBytes = 40;
inline constexpr int kBrushRecordBytes = 12;
inline constexpr int kBrushSideRecordBytes = 8;
inline constexpr int kEffectRecordBytes = 72;
inline constexpr int kEffectNameBytes = 64;
inline constexpr int kVertexRecordBytes = 44;
inline constexpr int kFaceRecordBytes = 104;
inline constexpr int kLightmapRecordBytes = 128 * 128 * 3;

// Where a lump's directory entry lies in the header.
constexpr int directoryEntryOffset(int lumpIndex) {
    return kKindBytes + lumpIndex * kDirectoryEntryBytes;
}

// What every reader and writer of level files knows about a lump besides where it lies.
struct LumpLayout {
    // As problem reports and level summaries print it ("leaf faces").
    const char* name;
    // 0 where the lump is not a list of fixed-size records the viewer knows: the entity text, the
    // visibility matrix, and the light volumes it never reads.
    int recordBytes;
};

inline constexpr LumpLayout kLumpLayouts[kLumpCount] = {
    {"entities", 0},
    {"textures", kTextureRecordBytes},
    {"planes", kPlaneRecordBytes},
    {"nodes", kNodeRecordBytes},
    {"leaves", kLeafRecordBytes},
    {"leaf faces", kIndexRecordBytes},
    {"leaf brushes", kIndexRecordBytes},
    {"models", kModelRecordBytes},
    {"brushes", kBrushRecordBytes},
    {"brush sides", kBrushSideRecordBytes},
    {"vertices", kVertexRecordBytes},
    {"mesh vertices", kIndexRecordBytes},
    {"effects", kEffectRecordBytes},
    {"faces", kFaceRecordBytes},
    {"lightmaps", kLightmapRecordBytes},
    {"light volumes", 0},
    {"visibility", 0},
};

// kLumpLayouts[lumpIndex].name; "unknown" outside 0..16.
const char* lumpName(int lumpIndex);

// Reads one plane record: the normal changes axes, the distance does not. The plane itself is a
// geometry value and knows nothing of the file.
Plane readPlane(ByteReader& reader);

// Surface flags of a texture record that keep its faces out of the drawing: the sky is drawn
// around the eye instead, and a no-draw surface (clip, hint, caulk) is never seen.
inline constexpr std::int32_t kSkySurfaceFlag = 0x4;
inline constexpr std::int32_t kNoDrawSurfaceFlag = 0x80;
inline bool isUndrawnSurface(std::int32_t surfaceFlags) {
    return (surfaceFlags & (kSkySurfaceFlag | kNoDrawSurfaceFlag)) != 0;
}

// One texture record: the name field (NUL-padded, but a full 64-byte name has no NUL), then the
// surface and content flags.
class TextureRecord {
public:
    explicit TextureRecord(ByteReader& reader);
    virtual ~TextureRecord() = default;

    // The name up to its first NUL, never more than its 64 bytes.
    std::string nameText() const;

    char name[kTextureNameBytes] = {};
    std::int32_t flags = 0;
    std::int32_t contents = 0;
};

class DirectoryEntry {
public:
    DirectoryEntry(std::int32_t offsetValue, std::int32_t lengthValue)
        : offset(offsetValue), length(lengthValue) {}
    virtual ~DirectoryEntry() = default;
    DirectoryEntry(const DirectoryEntry&) = default;
    DirectoryEntry& operator=(const DirectoryEntry&) = default;

    std::int32_t offset;
    std::int32_t length;
};

class Node {
public:
    Node() = default;
    explicit Node(ByteReader& reader);
    virtual ~Node() = default;
    Node(const Node&) = default;
    Node& operator=(const Node&) = default;

    std::int32_t plane = 0;
    // A child >= 0 is a node; a negative child c is leaf -(c + 1).
    std::int32_t front = 0;
    std::int32_t back = 0;
    std::int32_t mins[3] = {0, 0, 0};
    std::int32_t maxs[3] = {0, 0, 0};
};

class Leaf {
public:
    Leaf() = default;
    explicit Leaf(ByteReader& reader);
    virtual ~Leaf() = default;
    Leaf(const Leaf&) = default;
    Leaf& operator=(const Leaf&) = default;

    // Negative: the leaf lies outside the level.
    std::int32_t cluster = 0;
    std::int32_t area = 0;
    // Two opposite corners; after the axis change mins is not smaller than maxs on every axis.
    std::int32_t mins[3] = {0, 0, 0};
    std::int32_t maxs[3] = {0, 0, 0};
    std::int32_t firstLeafFace = 0;
    std::int32_t numLeafFaces = 0;
    std::int32_t firstLeafBrush = 0;
    std::int32_t numLeafBrushes = 0;
};

class Model {
public:
    Model() = default;
    explicit Model(ByteReader& reader);
    virtual ~Model() = default;
    Model(const Model&) = default;
    Model& operator=(const Model&) = default;

    float mins[3] = {0.0f, 0.0f, 0.0f};
    float maxs[3] = {0.0f, 0.0f, 0.0f};
    std::int32_t firstFace = 0;
    std::int32_t numFaces = 0;
    std::int32_t firstBrush = 0;
    std::int32_t numBrushes = 0;
};

class Brush {
public:
    Brush() = default;
    explicit Brush(ByteReader& reader);
    virtual ~Brush() = default;
    Brush(const Brush&) = default;
    Brush& operator=(const Brush&) = default;

    std::int32_t firstSide = 0;
    std::int32_t numSides = 0;
    std::int32_t texture = 0;
};

class BrushSide {
public:
    BrushSide() = default;
    explicit BrushSide(ByteReader& reader);
    virtual ~BrushSide() = default;
    BrushSide(const BrushSide&) = default;
    BrushSide& operator=(const BrushSide&) = default;

    std::int32_t plane = 0;
    std::int32_t texture = 0;
};

// One effect record: a volume of the level drawn with a shader of its own (a fog volume), given by
// the brush that bounds it. Faces name it by their effect index.
class Effect {
public:
    Effect() = default;
    explicit Effect(ByteReader& reader);

    // The shader name up to its first NUL, never more than its 64 bytes.
    std::string shader;
    std::int32_t brush = 0;
    // The brush side the compiler made a visible surface of; -1 for none.
    std::int32_t visibleSide = -1;
};
