// The level validator: every index the per-frame path follows is checked once, after loading, so
// the leaf descent, the face gathering and the face drawing can run without checks of their own.
#include "level/LevelValidator.h"

#include <sstream>
#include <utility>

#include "level/BSPMap.h"
#include "level/Face.h"
#include "level/Records.h"
#include "texture/LightmapPages.h"

namespace {

// Keeps the first lines of one kind of problem and counts the rest, so a file with thousands of
// bad entries still gives a report a person can read.
class ProblemKind {
public:
    ProblemKind(std::vector<std::string>& problemLines, const char* kindName)
        : lines(problemLines), name(kindName) {}

    void add(const std::string& problem) {
        if (count < kMaxProblemLinesPerKind) {
            lines.push_back(problem);
        }
        ++count;
    }

    // Appends the closing "... and N more" line when lines were left out.
    void finish() {
        if (count > kMaxProblemLinesPerKind) {
            lines.push_back("... and " + std::to_string(count - kMaxProblemLinesPerKind) +
                            " more problems with " + name);
        }
    }

private:
    std::vector<std::string>& lines;
    const char* name;
    std::size_t count = 0;
};

// Builds one problem line from its pieces.
template <typename... Pieces>
std::string line(const Pieces&... pieces) {
    std::ostringstream text;
    (text << ... << pieces);
    return text.str();
}

// "first..last" of a slice of count entries; 64-bit so that no int32 sum overflows.
std::string rangeText(std::int64_t first, std::int64_t count) {
    return line(first, "..", first + count - 1);
}

bool sliceFits(std::int64_t first, std::int64_t count, std::size_t size) {
    return first >= 0 && count >= 0 && first + count <= static_cast<std::int64_t>(size);
}

bool indexFits(std::int64_t index, std::size_t size) {
    return index >= 0 && index < static_cast<std::int64_t>(size);
}

void checkCameraPlacement(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    const char* const kCannotPlace = ": the camera cannot be placed";
    if (tables.nodes.empty()) {
        problems.push_back(line("the level has no nodes", kCannotPlace));
    }
    if (tables.leaves.empty()) {
        problems.push_back(line("the level has no leaves", kCannotPlace));
    }
    if (tables.planeCount == 0) {
        problems.push_back(line("the level has no planes", kCannotPlace));
    }
}

// A child c >= 0 is node c; a negative c is leaf -(c + 1), computed in 64 bits because
// -(INT32_MIN + 1) still fits but its neighbours in the arithmetic might not.
std::string childProblem(const LevelIndexTables& tables, std::size_t nodeNumber, const char* side,
                         std::int32_t child) {
    if (child >= 0) {
        if (indexFits(child, tables.nodes.size())) {
            return {};
        }
        return line("node ", nodeNumber, " has ", side, " child node ", child,
                    " but the level has ", countOf(tables.nodes.size(), "node", "nodes"));
    }
    const std::int64_t leafNumber = -(static_cast<std::int64_t>(child) + 1);
    if (indexFits(leafNumber, tables.leaves.size())) {
        return {};
    }
    return line("node ", nodeNumber, " has ", side, " child leaf ", leafNumber, " (value ", child,
                ") but the level has ", countOf(tables.leaves.size(), "leaf", "leaves"));
}

void checkNodeIndices(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    ProblemKind planeProblems(problems, "node planes");
    ProblemKind childProblems(problems, "node children");
    for (std::size_t n = 0; n < tables.nodes.size(); ++n) {
        const Node& node = tables.nodes[n];
        if (!indexFits(node.plane, tables.planeCount)) {
            planeProblems.add(line("node ", n, " uses plane ", node.plane, " but the level has ",
                                   countOf(tables.planeCount, "plane", "planes")));
        }
        for (const auto& [side, child] : {std::pair{"front", node.front}, {"back", node.back}}) {
            if (std::string problem = childProblem(tables, n, side, child); !problem.empty()) {
                childProblems.add(problem);
            }
        }
    }
    planeProblems.finish();
    childProblems.finish();
}

// Walks the node graph from the root with an explicit stack. Each node is expanded once, so the
// walk ends on any file; a node reached a second time means a loop or a shared child, either of
// which would hang or mislead the per-frame descent.
void checkNodeGraph(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    if (tables.nodes.empty()) {
        return;
    }
    constexpr std::int64_t kNotReached = -1;
    constexpr std::int64_t kRoot = -2;
    std::vector<std::int64_t> firstParent(tables.nodes.size(), kNotReached);
    std::vector<std::size_t> pending{0};
    firstParent[0] = kRoot;
    ProblemKind graphProblems(problems, "the node graph");
    while (!pending.empty()) {
        const std::size_t n = pending.back();
        pending.pop_back();
        const Node& node = tables.nodes[n];
        for (const auto& [side, child] : {std::pair{"front", node.front}, {"back", node.back}}) {
            if (!indexFits(child, tables.nodes.size())) {
                continue;  // a leaf, or a bad child already reported
            }
            const std::int64_t earlier = firstParent[child];
            if (earlier == kNotReached) {
                firstParent[child] = static_cast<std::int64_t>(n);
                pending.push_back(static_cast<std::size_t>(child));
                continue;
            }
            const std::string firstWay = earlier == kRoot
                                             ? std::string("it is the root")
                                             : line("it was first reached from node ", earlier);
            graphProblems.add(line("node ", n, " has ", side, " child node ", child, " but ",
                                   firstWay, ": the node tree has a loop or a shared child"));
        }
    }
    graphProblems.finish();
}

void checkLeafRanges(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    ProblemKind rangeProblems(problems, "leaf face ranges");
    for (std::size_t n = 0; n < tables.leaves.size(); ++n) {
        const Leaf& leaf = tables.leaves[n];
        // A count of 0 or less contributes no faces, wherever it starts.
        if (leaf.numLeafFaces <= 0 ||
            sliceFits(leaf.firstLeafFace, leaf.numLeafFaces, tables.leafFaces.size())) {
            continue;
        }
        rangeProblems.add(line("leaf ", n, " lists leaf faces ",
                               rangeText(leaf.firstLeafFace, leaf.numLeafFaces),
                               " but the level has ", tables.leafFaces.size()));
    }
    rangeProblems.finish();
}

void checkLeafFaceEntries(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    ProblemKind entryProblems(problems, "leaf-face entries");
    for (std::size_t k = 0; k < tables.leafFaces.size(); ++k) {
        const std::int32_t face = tables.leafFaces[k];
        if (!indexFits(face, tables.faces.size())) {
            entryProblems.add(line("leaf face ", k, " names face ", face, " but the level has ",
                                   countOf(tables.faces.size(), "face", "faces")));
        }
    }
    entryProblems.finish();
}

// "face n (type)", written straight into a problem line.
struct FaceName {
    std::size_t index;
    std::int32_t type;
};

std::ostream& operator<<(std::ostream& out, const FaceName& name) {
    return out << "face " << name.index << " (" << faceTypeName(name.type) << ")";
}

// The problems of the faces drawn with glDrawElements from vertices[firstVertex]: GL reads every
// vertex that a mesh-vertex offset reaches, so each one must lie inside the vertex array.
class DrawnFaceChecks {
public:
    DrawnFaceChecks(const LevelIndexTables& levelTables, std::vector<std::string>& problems)
        : tables(levelTables),
          vertexProblems(problems, "face vertex ranges"),
          meshProblems(problems, "face mesh-vertex ranges"),
          offsetProblems(problems, "mesh-vertex offsets") {}

    void check(std::size_t n, const Face& face) {
        // The name only ever goes into a problem line, so it is written only then: building it
        // for every face would cost the load more than all the checks together.
        const FaceName name{n, face.type};
        checkVertexRange(name, face);
        if (checkMeshRange(name, face)) {
            checkOffsets(name, face);
        }
    }

    void finish() {
        vertexProblems.finish();
        meshProblems.finish();
        offsetProblems.finish();
    }

private:
    void checkVertexRange(const FaceName& name, const Face& face) {
        if (face.numVertices < 0) {
            vertexProblems.add(
                line(name, " has ", face.numVertices, " vertices but the count must be 0 or more"));
        } else if (face.numVertices == 0 && !indexFits(face.firstVertex, tables.vertexCount + 1)) {
            vertexProblems.add(line(name, " starts at vertex ", face.firstVertex,
                                    " but the level has ", vertexCountText()));
        } else if (!sliceFits(face.firstVertex, face.numVertices, tables.vertexCount)) {
            vertexProblems.add(line(name, " uses vertices ",
                                    rangeText(face.firstVertex, face.numVertices),
                                    " but the level has ", tables.vertexCount));
        }
    }

    bool checkMeshRange(const FaceName& name, const Face& face) {
        if (face.numMeshVertices < 0) {
            meshProblems.add(line(name, " has ", face.numMeshVertices,
                                  " mesh vertices but the count must be 0 or more"));
            return false;
        }
        if (face.numMeshVertices == 0 ||
            sliceFits(face.firstMeshVertex, face.numMeshVertices, tables.meshVertices.size())) {
            return true;
        }
        meshProblems.add(line(name, " lists mesh vertices ",
                              rangeText(face.firstMeshVertex, face.numMeshVertices),
                              " but the level has ", tables.meshVertices.size()));
        return false;
    }

    void checkOffsets(const FaceName& name, const Face& face) {
        const std::int64_t end =
            static_cast<std::int64_t>(face.firstMeshVertex) + face.numMeshVertices;
        for (std::int64_t m = face.firstMeshVertex; m < end; ++m) {
            const std::int32_t offset = tables.meshVertices[static_cast<std::size_t>(m)];
            const std::int64_t vertex = static_cast<std::int64_t>(face.firstVertex) + offset;
            if (!indexFits(vertex, tables.vertexCount)) {
                offsetProblems.add(line(name, " mesh vertex ", m, " holds offset ", offset,
                                        ", which reaches vertex ", vertex, " but the level has ",
                                        vertexCountText()));
            }
        }
    }

    std::string vertexCountText() const {
        return countOf(tables.vertexCount, "vertex", "vertices");
    }

    const LevelIndexTables& tables;
    ProblemKind vertexProblems;
    ProblemKind meshProblems;
    ProblemKind offsetProblems;
};

// Patch faces are left alone: the patch builder stops at a control grid that runs past the vertex
// array and gives a grid narrower than 3 no patches, and other types are never drawn.
void checkDrawnFaces(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    DrawnFaceChecks checks(tables, problems);
    for (std::size_t n = 0; n < tables.faces.size(); ++n) {
        const Face& face = tables.faces[n];
        if (face.type == kPolygonFace || face.type == kMeshFace) {
            checks.check(n, face);
        }
    }
    checks.finish();
}

// The lump is whole pages; every face names a page, -1 (none) or -3 (lit by its vertices). The
// lit view draws a face whose index names no page full-bright, but such a file is still wrong.
void checkLightmaps(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    const std::size_t pageCount = tables.lightmapLumpBytes / kLightmapPageBytes;
    if (tables.lightmapLumpBytes % kLightmapPageBytes != 0) {
        problems.push_back(line("lump ", int(kLightmapsLump), " (", lumpName(kLightmapsLump),
                                ") holds ", tables.lightmapLumpBytes,
                                " bytes, not a whole number of ", kLightmapPageBytes,
                                "-byte pages of 128 x 128 RGB texels"));
    }
    ProblemKind indexProblems(problems, "face lightmap indices");
    for (std::size_t n = 0; n < tables.faces.size(); ++n) {
        const Face& face = tables.faces[n];
        if (face.lightmap == kNoLightmap || face.lightmap == kVertexLitLightmap ||
            indexFits(face.lightmap, pageCount)) {
            continue;
        }
        indexProblems.add(
            line(FaceName{n, face.type}, " uses lightmap ", face.lightmap, " but the level has ",
                 countOf(pageCount, "lightmap page", "lightmap pages"), " (-1 and -3 name none)"));
    }
    indexProblems.finish();
}

// Every drawn face names an effect or none; fog drawing follows the index. Billboards and other
// types are never drawn, and real levels give billboards effect 0 whatever the lump holds.
void checkFaceEffects(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    ProblemKind indexProblems(problems, "face effect indices");
    for (std::size_t n = 0; n < tables.faces.size(); ++n) {
        const Face& face = tables.faces[n];
        const bool drawn =
            face.type == kPolygonFace || face.type == kMeshFace || face.type == kPatchFace;
        if (!drawn || face.effect == kNoEffect || indexFits(face.effect, tables.effects.size())) {
            continue;
        }
        indexProblems.add(
            line(FaceName{n, face.type}, " uses effect ", face.effect, " but the level has ",
                 countOf(tables.effects.size(), "effect", "effects"), " (-1 names none)"));
    }
    indexProblems.finish();
}

// The problem with an effect's brush, or "": the brush, its sides and their planes must all
// exist, since a fog volume is clipped against those planes.
std::string effectBrushProblem(const LevelIndexTables& tables, std::size_t n,
                               const Effect& effect) {
    if (!indexFits(effect.brush, tables.brushes.size())) {
        return line("effect ", n, " uses brush ", effect.brush, " but the level has ",
                    countOf(tables.brushes.size(), "brush", "brushes"));
    }
    const Brush& brush = tables.brushes[static_cast<std::size_t>(effect.brush)];
    if (!sliceFits(brush.firstSide, brush.numSides, tables.brushSides.size())) {
        return line("effect ", n, " uses brush ", effect.brush, ", which lists brush sides ",
                    rangeText(brush.firstSide, brush.numSides), " but the level has ",
                    tables.brushSides.size());
    }
    for (std::int64_t side = brush.firstSide; side < brush.firstSide + brush.numSides; ++side) {
        const std::int32_t plane = tables.brushSides[static_cast<std::size_t>(side)].plane;
        if (!indexFits(plane, tables.planeCount)) {
            return line("effect ", n, " uses brush ", effect.brush, ", whose side ", side,
                        " uses plane ", plane, " but the level has ",
                        countOf(tables.planeCount, "plane", "planes"));
        }
    }
    return {};
}

void checkEffects(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    if (tables.effectLumpBytes % kEffectRecordBytes != 0) {
        problems.push_back(line("lump ", int(kEffectsLump), " (", lumpName(kEffectsLump),
                                ") holds ", tables.effectLumpBytes,
                                " bytes, not a whole number of ", kEffectRecordBytes,
                                "-byte records"));
    }
    ProblemKind brushProblems(problems, "effect brushes");
    for (std::size_t n = 0; n < tables.effects.size(); ++n) {
        if (std::string problem = effectBrushProblem(tables, n, tables.effects[n]);
            !problem.empty()) {
            brushProblems.add(problem);
        }
    }
    brushProblems.finish();
    checkFaceEffects(tables, problems);
}

}  // namespace

std::int64_t buildablePatchCount(const Face& face, std::size_t levelVertexCount) {
    if (face.type != kPatchFace) {
        return 0;
    }
    return PatchGrid::of(face.patchSize[0], face.patchSize[1])
        .buildableCount(face.firstVertex, levelVertexCount);
}

bool checkPatchBudget(std::span<const Face> faces, std::size_t levelVertexCount,
                      std::vector<std::string>& problems) {
    std::int64_t total = 0;
    for (std::size_t n = 0; n < faces.size(); ++n) {
        total += buildablePatchCount(faces[n], levelVertexCount);
        if (total > kMaxLevelPatches) {
            problems.push_back(line("the patch faces up to face ", n, " would build ", total,
                                    " patches but a level may have at most ", kMaxLevelPatches,
                                    "; no patch is built"));
            return false;
        }
    }
    return true;
}

void validateLevelTables(const LevelIndexTables& tables, std::vector<std::string>& problems) {
    checkCameraPlacement(tables, problems);
    checkNodeIndices(tables, problems);
    checkNodeGraph(tables, problems);
    checkLeafRanges(tables, problems);
    checkLeafFaceEntries(tables, problems);
    checkDrawnFaces(tables, problems);
    checkLightmaps(tables, problems);
    checkEffects(tables, problems);
}

void validateLevel(const BSPMap& level, std::vector<std::string>& problems) {
    LevelIndexTables tables;
    tables.planeCount = level.getPlanes().size();
    tables.nodes = level.getNodes();
    tables.leaves = level.getLeaves();
    tables.leafFaces = level.getLeafFaces();
    tables.vertexCount = level.getVertices().size();
    tables.meshVertices = level.getMeshVertices();
    tables.faces = level.getFaces();
    tables.lightmapLumpBytes = level.getLightmapBytes().size();
    tables.effects = level.getEffects();
    tables.brushes = level.getBrushes();
    tables.brushSides = level.getBrushSides();
    const auto& directory = level.getDirectory();
    tables.effectLumpBytes =
        directory.size() > kEffectsLump ? std::max(0, directory[kEffectsLump].length) : 0;
    validateLevelTables(tables, problems);
}

std::string countOf(std::int64_t count, const char* singular, const char* plural) {
    return std::to_string(count) + ' ' + (count == 1 ? singular : plural);
}
