// The one check of a loaded level's indices, shared by the viewer and the level report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class BSPMap;
class Brush;
class BrushSide;
class Effect;
class Face;
class Leaf;
class Node;

// Appends one line per problem (the record, its number, the value found and the range allowed),
// every problem rather than only the first. Nothing is appended for a sound level.
void validateLevel(const BSPMap& level, std::vector<std::string>& problems);

// The arrays the per-frame path indexes, as the validator sees them. Planes and vertices are only
// counted: nothing in them is an index.
struct LevelIndexTables {
    std::size_t planeCount = 0;
    std::span<const Node> nodes;
    std::span<const Leaf> leaves;
    std::span<const std::int32_t> leafFaces;
    std::size_t vertexCount = 0;
    std::span<const std::int32_t> meshVertices;
    std::span<const Face> faces;
    std::size_t lightmapLumpBytes = 0;
    // The effects and the brushes that bound them; the lump's length as its directory entry gives
    // it.
    std::span<const Effect> effects;
    std::span<const Brush> brushes;
    std::span<const BrushSide> brushSides;
    std::int64_t effectLumpBytes = 0;
};

// The same check on the tables themselves; validateLevel hands it the level's arrays.
void validateLevelTables(const LevelIndexTables& tables, std::vector<std::string>& problems);

// "1 plane", "2 planes": the count with its noun, as the problem lines and the level report
// write it.
std::string countOf(std::int64_t count, const char* singular, const char* plural);

// The patches Face::buildPatches cuts from a face's control grid with levelVertexCount vertices:
// row by row, up to the first patch whose controls are not all in the vertex array.
std::int64_t buildablePatchCount(const Face& face, std::size_t levelVertexCount);

// Checked before any patch is built: a small file whose patch faces share one large control grid
// would otherwise need gigabytes of tessellated vertices. False, with a problem line, when the
// patch faces would build more than kMaxLevelPatches patches.
bool checkPatchBudget(std::span<const Face> faces, std::size_t levelVertexCount,
                      std::vector<std::string>& problems);

// Some fifty times the patches of the largest level we know; at level 20 they take under 1 GB.
inline constexpr std::int64_t kMaxLevelPatches = 32768;

// At most this many lines per kind of problem; the rest are counted in one closing line.
inline constexpr std::size_t kMaxProblemLinesPerKind = 20;
