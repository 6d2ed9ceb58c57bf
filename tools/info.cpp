// velmora-info: a level report for people who make maps. Loads a level with the viewer's own
// loader and validator, opens no window, and prints the lump table, the faces by type, the
// visibility figures, the entities by class and every problem found; with --assets, where every
// texture the level names comes from instead; with --heavy, the places that see the most.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iomanip>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/LevelOpening.h"
#include "app/SurfaceReport.h"
#include "level/BSPMap.h"
#include "level/BrushModels.h"
#include "level/Face.h"
#include "level/LevelValidator.h"
#include "level/LightGrid.h"
#include "level/Records.h"
#include "level/VisibilityScan.h"
#include "render/PlaceMap.h"
#include "assets/AssetStore.h"
#include "texture/TextureCache.h"
#include "texture/FaceTextures.h"
#include "texture/ImageLibrary.h"
#include "material/MaterialScripts.h"
#include "tools/BrushTable.h"
#include "tools/EntityTable.h"

namespace {

constexpr int kSoundStatus = 0;
constexpr int kUnsoundStatus = 1;
constexpr int kBadArgumentStatus = 2;
// A standing player's origin is this far over the floor (half the player's box); the viewer's eye
// stands kPlayerEyeHeight over that.
constexpr float kOriginAboveFloor = 24.0f;
constexpr float kEyeAboveFloor = kOriginAboveFloor + kPlayerEyeHeight;

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
        case kEffectsLump:
            return static_cast<std::int64_t>(level.getEffects().size());
        case kLightVolumesLump:
            return static_cast<std::int64_t>(level.getLightVolumeBytes().size() /
                                             LightGrid::kCellBytes);
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

std::string copyPlace(const AssetStore::Copy& copy) {
    return copy.archive.empty() ? "folder" : copy.archive;
}

// Each image file the level's textures use, found in more than one place: every place, and the
// one read. The copies of one folder are listed once however many of its files are asked about.
void printImageDuplicates(const AssetStore& assets, const std::set<std::string>& files,
                          std::vector<std::string>& lines) {
    std::map<std::pair<std::string, std::string>, std::vector<AssetStore::Copy>> byFolder;
    for (const std::string& file : files) {
        const std::filesystem::path path(file);
        const auto key = std::make_pair(path.parent_path().string(), path.extension().string());
        auto [at, added] = byFolder.try_emplace(key);
        if (added) {
            at->second = assets.copies(key.first, key.second);
        }
        std::string places;
        int count = 0;
        for (const AssetStore::Copy& copy : at->second) {
            if (lowerCase(copy.relativePath) == lowerCase(file)) {
                places += (count++ == 0 ? "" : ", ") + copyPlace(copy);
            }
        }
        if (count > 1) {
            lines.push_back(file + ": " + places + "; used " + assets.describe(file));
        }
    }
}

// Each shader the level's textures name that more than one script defines.
void printShaderDuplicates(const MaterialScripts& scripts, const std::set<std::string>& shaders,
                           std::vector<std::string>& lines) {
    for (const std::string& name : shaders) {
        const std::vector<std::string>* places = scripts.definitionsOf(name);
        const Material* used = scripts.find(name);
        if (places == nullptr || used == nullptr) {
            continue;
        }
        std::string line = "shader " + name + ":";
        for (std::size_t i = 0; i < places->size(); ++i) {
            line += (i == 0 ? " " : ", ") + (*places)[i];
        }
        lines.push_back(
            line + "; used " +
            (used->archive.empty() ? used->script : used->archive + ":" + used->script));
    }
}

void printAssets(const BSPMap& level, const AssetStore& assets, const MaterialScripts& scripts,
                 std::ostream& out) {
    std::unordered_map<std::string, bool> decoded;  // each image read and decoded once
    const ImageCheck usable = [&](const std::string& file) {
        const auto [at, added] = decoded.try_emplace(file, false);
        if (added) {
            at->second = ImageLibrary::usable(assets, file, std::cerr);
        }
        return at->second;
    };
    const auto& names = level.getTextureNames();
    std::set<std::string> files;
    std::set<std::string> shaders;
    out << "textures: " << names.size() << '\n';
    for (std::size_t i = 0; i < names.size(); ++i) {
        const TextureOrigin origin = textureOriginOf(names[i], scripts, assets, usable);
        out << "  " << i << " '" << names[i] << "'; "
            << flagsText(level.getTextureFlags()[i], level.getTextureContents()[i]) << "; "
            << originText(origin) << '\n';
        for (const ImageOrigin& image : origin.images) {
            if (!image.file.empty()) {
                files.insert(image.file);
            }
        }
        shaders.insert(FaceTextures::withoutExtension(names[i]));
    }
    std::vector<std::string> duplicates;
    printShaderDuplicates(scripts, shaders, duplicates);
    printImageDuplicates(assets, files, duplicates);
    out << "found in more than one place: " << duplicates.size() << '\n';
    for (const std::string& line : duplicates) {
        out << "  " << line << '\n';
    }
    const auto unknown = scripts.unknownKeywords();
    out << "shader keywords not understood: " << unknown.size() << '\n';
    for (const auto& [keyword, script] : unknown) {
        out << "  " << keyword << " in " << script << '\n';
    }
}

// The level as the viewer takes it: by name in the data folders, else by path, where any file
// that is not a name is read as a level.
ViewerConfig levelConfigOf(const std::string& level, std::vector<std::string> dataFolders) {
    LaunchRequest request;
    request.form =
        formOf(level) == LaunchForm::kLevelName ? LaunchForm::kLevelName : LaunchForm::kLevelPath;
    request.argument = level;
    request.givenDataFolders = std::move(dataFolders);
    return levelConfigForUser(request);
}

// "" when path's folder exists (or path names none), otherwise the line that says it does not.
std::string missingFolderOf(const std::string& path) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code error;
    if (folder.empty() || std::filesystem::is_directory(folder, error)) {
        return "";
    }
    return "velmora-info: cannot write " + path + ": the folder " + folder.string() +
           " does not exist";
}

// The viewer's command line that opens the level as it was given here, at the place.
std::string viewerCommand(const std::string& levelArgument, const std::vector<std::string>& folders,
                          const ScanPlace& place, int yaw) {
    std::ostringstream line;
    line << "velmora " << levelArgument;
    for (const std::string& folder : folders) {
        line << " --data " << folder;
    }
    // Adding zero turns the axis change's -0 into 0.
    line << " --at " << place.eye.getX() + 0.0f << ',' << place.eye.getY() + 0.0f << ','
         << place.eye.getZ() + 0.0f << ',' << yaw << ",0";
    return line.str();
}

// The --heavy report: the summary, then the heaviest places with the line that opens each.
void printHeavyPlaces(const VisibilityScan& scan, std::size_t top, const std::string& levelArgument,
                      const std::vector<std::string>& folders, std::ostream& out) {
    out << "clusters: " << scan.clusterCount() << ", places: " << scan.places().size() << " ("
        << VisibilityScan::kPlaceSpacing << " units apart, the eye " << kEyeAboveFloor
        << " over the floor)\n";
    out << "triangles in view: median " << scan.medianTriangles() << ", worst "
        << scan.worstTriangles() << '\n';
    out << "heaviest places:\n";
    for (const std::size_t index : scan.heaviestPlaces(top)) {
        const ScanPlace& place = scan.places()[index];
        const ClusterLoad& load = scan.loadAt(place);
        out << "  " << place.eye.getX() + 0.0f << ' ' << place.eye.getY() + 0.0f << ' '
            << place.eye.getZ() + 0.0f << ": " << load.triangles << " triangles, " << load.faces
            << " faces, sees " << load.clustersSeen << " of " << scan.clusterCount()
            << " clusters\n";
        out << "    " << viewerCommand(levelArgument, folders, place, scan.heaviestYaw(place))
            << '\n';
    }
}

// velmora-info --heavy: exit status 0, or 1 when the level is not sound, has no place to stand
// or the picture cannot be written.
int reportHeavyPlaces(const BSPMap& level, const std::string& shownName,
                      const std::string& levelArgument, const std::vector<std::string>& folders,
                      std::size_t top, const std::string& pngPath) {
    if (!level.isSound()) {
        printValidation(level, shownName, std::cout);
        return kUnsoundStatus;
    }
    const BrushModels brushes(level, std::cerr);
    const VisibilityScan scan(level, brushes, kEyeAboveFloor);
    if (scan.places().empty()) {
        std::cout << shownName << ": no empty leaf over a floor, so no place to stand"
                  << (pngPath.empty() ? "" : " and no picture") << '\n';
        return kUnsoundStatus;
    }
    if (!scan.hasVisibility()) {
        std::cout << shownName
                  << ": no visibility data (no records in lump 16): every cluster is taken to "
                     "see every other\n";
    }
    printHeavyPlaces(scan, top, levelArgument, folders, std::cout);
    if (!pngPath.empty()) {
        const std::string problem = PlaceMap(scan).writePng(pngPath);
        if (!problem.empty()) {
            std::cout << "velmora-info: cannot write " << pngPath << ": " << problem << '\n';
            return kUnsoundStatus;
        }
        std::cout << "picture: " << pngPath << '\n';
    }
    return kSoundStatus;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Reports on a level file: its lumps, faces, visibility and every problem found.",
                 "velmora-info"};
    std::string levelArgument;
    app.add_option("LEVEL", levelArgument,
                   "level file (IBSP, version 46) by path, or NAME for maps/NAME.bsp in the data "
                   "folders")
        ->required();
    bool assetsReport = false;
    app.add_flag("--assets", assetsReport,
                 "where every texture the level names comes from: material, images, archives");
    bool heavyReport = false;
    app.add_flag("--heavy", heavyReport,
                 "the places that see the most triangles, each with the viewer's line that opens "
                 "it there looking the heaviest way");
    std::string pngPath;
    app.add_option("--png", pngPath,
                   "with --heavy: a top-down picture of every place coloured by what it sees");
    std::size_t topCount = 10;
    app.add_option("--top", topCount, "with --heavy: how many of the heaviest places (default 10)")
        ->check(CLI::Range(std::size_t{1}, std::size_t{1000000}));
    std::vector<std::string> givenFolders;
    app.add_option("--data", givenFolders,
                   "data folder, repeatable, later ones winning (default: the first install "
                   "place that exists); the folder above the level's maps/ wins over all")
        ->allow_extra_args(false);
    try {
        app.parse(argc, argv);
    } catch (const CLI::Success&) {
        std::cout << app.help();
        return kSoundStatus;
    } catch (const CLI::ParseError& error) {
        std::cerr << error.what() << '\n' << app.help();
        return kBadArgumentStatus;
    }

    if (!heavyReport && (!pngPath.empty() || app.count("--top") > 0)) {
        std::cerr << "--png and --top go with --heavy\n" << app.help();
        return kBadArgumentStatus;
    }
    if (const std::string missing = missingFolderOf(pngPath); !missing.empty()) {
        std::cout << missing << '\n';
        return kUnsoundStatus;
    }

    // The loading transcript goes to the standard error stream; the report, and a level that
    // cannot be found or read, to standard output.
    const ViewerConfig config = levelConfigOf(levelArgument, givenFolders);
    const std::unique_ptr<LazyAssetStore> assets = storeFor(config, std::cerr);
    const std::optional<LevelSource> source =
        findLevel(config, config.levelFile, *assets, std::cout);
    if (!source) {
        return kUnsoundStatus;
    }
    std::vector<std::uint8_t> bytes;
    if (const std::string problem = readLevelSource(*source, *assets, bytes); !problem.empty()) {
        std::cout << source->shownName << ": " << problem << '\n';
        return kUnsoundStatus;
    }
    TextureCache textures;
    const BSPMap level(config.dataPath, source->path, std::move(bytes), {*assets, textures},
                       nullptr, nullptr, std::cerr);
    if (heavyReport) {
        return reportHeavyPlaces(level, source->shownName, levelArgument, givenFolders, topCount,
                                 pngPath);
    }
    if (assetsReport) {
        if (!level.isSound()) {
            printValidation(level, source->shownName, std::cout);
            return kUnsoundStatus;
        }
        const MaterialScripts scripts(assets->get(), std::cerr);
        printAssets(level, assets->get(), scripts, std::cout);
        return kSoundStatus;
    }
    printLumpTable(level, std::cout);
    printFaces(level, std::cout);
    printVisibility(level, std::cout);
    printLevelEntityTable(source->shownName, level.getEntityText(), std::cout, std::cerr);
    if (level.isSound()) {
        printBrushTable(BrushModels(level, std::cerr), std::cout);
    }
    printValidation(level, source->shownName, std::cout);
    return level.isSound() ? kSoundStatus : kUnsoundStatus;
}
