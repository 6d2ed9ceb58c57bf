// velmora-info: a level report for people who make maps. Loads a level with the viewer's own
// loader and validator, opens no window, and prints the lump table, the faces by type, the
// visibility figures, the entities by class and every problem found.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <string>

#include "level/BSPMap.h"
#include "level/Face.h"
#include "level/LevelValidator.h"
#include "level/Records.h"
#include "tools/EntityTable.h"

namespace {

constexpr int kSoundStatus = 0;
constexpr int kUnsoundStatus = 1;
constexpr int kBadArgumentStatus = 2;

// The records the loader read from a lump (the lightmaps it skips are counted from the directory),
// or -1 where the lump is not a list of records the viewer knows (entities, effects, light
// volumes, visibility).
std::int64_t recordCount(const BSPMap& level, int lump) {
    switch (lump) {
        case kTexturesLump:
            return static_cast<std::int64_t>(level.getTextureCount());
        case kPlanesLump:
            return static_cast<std::int64_t>(level.getPlanes().size());
        case kNodesLump:
            return static_cast<std::int64_t>(level.getNodes().size());
        case kLeavesLump:
            return static_cast<std::int64_t>(level.getLeaves().size());
        case kLeafFacesLump:
            return static_cast<std::int64_t>(level.getLeafFaces().size());
        case kLeafBrushesLump:
            return static_cast<std::int64_t>(level.getLeafBrushes().size());
        case kModelsLump:
            return static_cast<std::int64_t>(level.getModels().size());
        case kBrushesLump:
            return static_cast<std::int64_t>(level.getBrushes().size());
        case kBrushSidesLump:
            return static_cast<std::int64_t>(level.getBrushSides().size());
        case kVerticesLump:
            return static_cast<std::int64_t>(level.getVertices().size());
        case kMeshVerticesLump:
            return static_cast<std::int64_t>(level.getMeshVertices().size());
        case kFacesLump:
            return static_cast<std::int64_t>(level.getFaces().size());
        case kLightmapsLump: {
            // Not read by the viewer, but whole records are what a map maker counts.
            const std::int32_t length = level.getDirectory()[kLightmapsLump].length;
            return length < 0 ? -1 : length / kLightmapRecordBytes;
        }
        default:
            return -1;
    }
}

void printLumpTable(const BSPMap& level, std::ostream& out) {
    out << "lumps:\n";
    out << std::setw(4) << "#"
        << "  " << std::left << std::setw(14) << "name" << std::right << std::setw(12) << "offset"
        << std::setw(12) << "length" << std::setw(10) << "records" << '\n';
    const auto& directory = level.getDirectory();
    for (std::size_t lump = 0; lump < directory.size() && lump < kLumpCount; ++lump) {
        const std::int64_t count = recordCount(level, static_cast<int>(lump));
        out << std::setw(4) << lump << "  " << std::left << std::setw(14)
            << lumpName(static_cast<int>(lump)) << std::right << std::setw(12)
            << directory[lump].offset << std::setw(12) << directory[lump].length << std::setw(10)
            << (count < 0 ? std::string("-") : std::to_string(count)) << '\n';
    }
}

void printFaces(const BSPMap& level, std::ostream& out) {
    std::int64_t byType[5] = {0, 0, 0, 0, 0};  // other, polygon, patch, mesh, billboard
    std::int64_t builtPatches = 0;
    std::int64_t describedPatches = 0;
    for (const Face& face : level.getFaces()) {
        const bool known = face.type >= kPolygonFace && face.type <= kBillboardFace;
        ++byType[known ? face.type : 0];
        if (face.type == kPatchFace) {
            builtPatches += static_cast<std::int64_t>(face.patches.size());
            describedPatches += PatchGrid::of(face.patchSize[0], face.patchSize[1]).count();
        }
    }
    out << "faces: " << level.getFaces().size() << '\n';
    out << "  polygon    " << byType[kPolygonFace] << '\n';
    out << "  patch      " << byType[kPatchFace] << ", giving "
        << countOf(builtPatches, "patch", "patches") << " at level " << kInitialPatchLevel;
    if (builtPatches != describedPatches) {
        out << " (their grids describe " << describedPatches
            << "; the rest run past the vertex array)";
    }
    out << '\n';
    out << "  mesh       " << byType[kMeshFace] << '\n';
    out << "  billboard  " << byType[kBillboardFace] << '\n';
    out << "  other      " << byType[0] << '\n';
}

// The clusters other than itself that one cluster's row marks visible. Only the clusters the row
// has bits for are counted, so the work is bounded by the bytes in the file.
std::int64_t otherClustersSeen(const VisData& vis, std::int64_t cluster) {
    const std::int64_t rowBits = std::min<std::int64_t>(vis.numClusters, 8 * vis.bytesPerCluster);
    const std::uint8_t* row = vis.bits.data() + cluster * vis.bytesPerCluster;
    std::int64_t seen = 0;
    for (std::int64_t byte = 0; byte * 8 < rowBits; ++byte) {
        const std::int64_t bitsHere = std::min<std::int64_t>(8, rowBits - byte * 8);
        const unsigned mask = (1u << bitsHere) - 1u;
        seen += std::popcount(static_cast<unsigned>(row[byte]) & mask);
    }
    const bool seesItself = cluster < rowBits && VisData::rowHasBit(row, cluster);
    return seen - (seesItself ? 1 : 0);
}

void printVisibility(const BSPMap& level, std::ostream& out) {
    const VisData& vis = level.getVisData();
    out << "visibility: " << countOf(vis.numClusters, "cluster", "clusters") << ", "
        << countOf(vis.bytesPerCluster, "byte", "bytes") << " per cluster";
    const std::int64_t matrixBytes = std::int64_t{vis.numClusters} * vis.bytesPerCluster;
    if (!vis.hasRows() || vis.numClusters <= 0 || vis.bytesPerCluster <= 0 ||
        static_cast<std::int64_t>(vis.bits.size()) < matrixBytes) {
        out << ", no bit rows: every leaf is potentially visible\n";
        return;
    }
    if (vis.numClusters < 2) {
        out << ", no other cluster to see\n";
        return;
    }
    double shareSum = 0.0;
    for (std::int64_t cluster = 0; cluster < vis.numClusters; ++cluster) {
        shareSum += double(otherClustersSeen(vis, cluster)) / double(vis.numClusters - 1);
    }
    out << ", each cluster sees " << std::fixed << std::setprecision(1)
        << 100.0 * shareSum / double(vis.numClusters) << "% of the other clusters on average\n";
}

void printValidation(const BSPMap& level, const std::string& levelPath, std::ostream& out) {
    if (level.isSound()) {
        out << "validation: ok\n";
        return;
    }
    const auto& problems = level.getProblems();
    out << "validation: " << countOf(std::int64_t(problems.size()), "problem", "problems") << '\n';
    for (const std::string& problem : problems) {
        out << levelPath << ": " << problem << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Reports on a level file: its lumps, faces, visibility and every problem found.",
                 "velmora-info"};
    std::string levelPath;
    app.add_option("LEVEL", levelPath, "level file (IBSP, version 46)")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success&) {
        std::cout << app.help();
        return kSoundStatus;
    } catch (const CLI::ParseError& error) {
        std::cerr << error.what() << '\n' << app.help();
        return kBadArgumentStatus;
    }

    // The loading transcript goes to the standard error stream; the report to standard output.
    const BSPMap level("", levelPath, nullptr, nullptr);
    printLumpTable(level, std::cout);
    printFaces(level, std::cout);
    printVisibility(level, std::cout);
    printLevelEntityTable(levelPath, level.getEntityText(), std::cout, std::cerr);
    printValidation(level, levelPath, std::cout);
    return level.isSound() ? kSoundStatus : kUnsoundStatus;
}
