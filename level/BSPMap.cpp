// BSPMap construction and destruction: every lump the viewer uses is read from the whole file held
// in memory, in a fixed order, with one transcript line per step on the log.
#include "level/BSPMap.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <sstream>

#include "level/ByteReader.h"
#include "level/LevelFile.h"
#include "level/LevelValidator.h"
#include "assets/AssetStore.h"
#include "texture/Skybox.h"
#include "texture/TextureManager.h"

namespace {

// Where a lump lies in the file, once checked, and the whole records it holds; a rejected lump
// is empty.
struct LumpBytes {
    std::int64_t offset = 0;
    std::int64_t length = 0;
    std::int64_t recordCount = 0;
};

void endLine(std::ostream& log) {
    log << '\n' << std::flush;
}

// The directory entry of a lump when it lies within the file; otherwise a problem line and no
// bytes, so that the lump yields no records.
LumpBytes checkedLump(const std::vector<DirectoryEntry>& directory, int lump, std::size_t fileSize,
                      std::vector<std::string>& problems) {
    const DirectoryEntry& entry = directory[static_cast<std::size_t>(lump)];
    std::ostringstream problem;
    problem << "lump " << lump << " (" << lumpName(lump) << ") ";
    if (entry.offset < 0) {
        problem << "has a negative offset " << entry.offset;
    } else if (entry.length < 0) {
        problem << "has a negative length " << entry.length;
    } else if (std::int64_t(entry.offset) + entry.length > std::int64_t(fileSize)) {
        problem << "at offset " << entry.offset << " with length " << entry.length
                << " runs past the end of the file (" << fileSize << " bytes)";
    } else {
        const int recordBytes = kLumpLayouts[lump].recordBytes;
        return {entry.offset, entry.length, recordBytes > 0 ? entry.length / recordBytes : 0};
    }
    problems.push_back(problem.str());
    return {};
}

// The problem line for a file of another kind, or "" for an IBSP version 46 level. Bytes that are
// not printable show as \xNN, so the line stays one readable line whatever the file holds.
std::string kindProblem(const char (&magic)[4], std::int32_t version) {
    if (std::equal(magic, magic + 4, kLevelMagic) && version == kLevelVersion) {
        return {};
    }
    std::string shown;
    for (const char byte : magic) {
        const auto code = static_cast<unsigned char>(byte);
        if (code >= 0x20 && code < 0x7f && byte != '\\' && byte != '\'') {
            shown += byte;
        } else {
            constexpr char kHexDigits[] = "0123456789abcdef";
            shown += "\\x";
            shown += kHexDigits[code >> 4];
            shown += kHexDigits[code & 0xf];
        }
    }
    return "not an IBSP version 46 level: magic '" + shown + "', version " +
           std::to_string(version);
}

// The magic and the version, echoed on the log; the problem line when they name another kind.
std::string readKind(ByteReader& reader, std::ostream& log) {
    char magic[4];
    reader.readBytes(magic, sizeof magic);
    const std::int32_t version = reader.readInt32();
    log << "magic: " << std::string(magic, strnlen(magic, sizeof magic));
    endLine(log);
    log << "version: " << version;
    endLine(log);
    return kindProblem(magic, version);
}

// The 17 directory entries, each echoed on the log.
void readDirectory(ByteReader& reader, std::vector<DirectoryEntry>& directory, std::ostream& log) {
    directory.reserve(kLumpCount);
    for (unsigned i = 0; i < kLumpCount; ++i) {
        const std::int32_t offset = reader.readInt32();
        const std::int32_t length = reader.readInt32();
        directory.emplace_back(offset, length);
        log << "dir_entry #" << i << ":  offset=" << offset << " length=" << length;
        endLine(log);
    }
}

struct TextureTables {
    std::vector<std::string>& names;
    std::vector<std::int32_t>& flags;
    std::vector<std::int32_t>& contents;
};

// Hands every texture name to the manager, keeps each name and its flags, and returns the record
// count.
std::size_t readTextures(ByteReader& reader, const LumpBytes& lump, const std::string& dataPath,
                         TextureManager& textureManager, const TextureTables& tables,
                         std::ostream& log) {
    const auto count = static_cast<std::size_t>(lump.recordCount);
    log << "this level contains " << count << " distinct textures";
    endLine(log);
    reader.seek(lump.offset);
    tables.names.reserve(count);
    tables.flags.reserve(count);
    tables.contents.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const TextureRecord record(reader);
        textureManager.loadTexture(dataPath, record.name);
        tables.names.push_back(record.nameText());
        tables.flags.push_back(record.flags);
        tables.contents.push_back(record.contents);
    }
    return count;
}

// The lump's bytes as they are; the validator judges the length.
std::vector<std::uint8_t> readLumpBytes(ByteReader& reader, const LumpBytes& lump) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(lump.length));
    reader.seek(lump.offset);
    reader.readBytes(bytes.data(), bytes.size());
    return bytes;
}

// Reads the lump's records from its offset, appending them in file order. The count is bounded
// by the checked lump, so reserving it allocates no more than the file holds.
template <typename Record, typename ReadRecord>
void readRecords(ByteReader& reader, const LumpBytes& lump, std::vector<Record>& records,
                 ReadRecord readRecord) {
    reader.seek(lump.offset);
    const auto count = static_cast<std::size_t>(lump.recordCount);
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        records.push_back(readRecord(reader));
    }
}

template <typename Record>
Record readRecord(ByteReader& reader) {
    return Record(reader);
}

std::int32_t readIndex(ByteReader& reader) {
    return reader.readInt32();
}

// Reads the faces, asking the texture manager after each whether its t coordinates are flipped.
void readFaces(ByteReader& reader, const LumpBytes& lump, std::vector<Face>& faces,
               std::vector<Vertex>& vertices, const TextureManager& textureManager) {
    reader.seek(lump.offset);
    const auto count = static_cast<std::size_t>(lump.recordCount);
    faces.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        faces.emplace_back(reader);
        if (textureManager.textureKind(faces.back().texture) ==
            TextureManager::kFlippedTextureKind) {
            faces.back().flipTextureT(vertices);
        }
    }
}

// A lump too short for its 8-byte header holds no matrix and says nothing (one real level has
// a length-0 lump at the entity text's offset, whose bytes would claim an absurd matrix). A
// header whose matrix does not fit the lump is a problem; either way no row is kept.
VisData* readVisibility(ByteReader& reader, const LumpBytes& lump,
                        std::vector<std::string>& problems) {
    constexpr std::int64_t kVisHeaderBytes = 8;
    if (lump.length < kVisHeaderBytes) {
        return new VisData();
    }
    reader.seek(lump.offset);
    const std::int64_t matrixRoom = lump.length - kVisHeaderBytes;
    auto* visData = new VisData(reader, matrixRoom);
    if (visData->hasRows()) {
        return visData;
    }
    const std::int64_t claimed = std::int64_t(visData->numClusters) * visData->bytesPerCluster;
    if (claimed != 0 || visData->numClusters < 0 || visData->bytesPerCluster < 0) {
        std::ostringstream problem;
        problem << "visibility data claims " << visData->numClusters << " clusters of "
                << visData->bytesPerCluster << " bytes (" << claimed
                << " bytes) but its lump holds " << matrixRoom << " bytes after the header";
        problems.push_back(problem.str());
    }
    // Without rows every leaf counts as visible; sizes that describe no matrix are not kept.
    visData->numClusters = 0;
    visData->bytesPerCluster = 0;
    return visData;
}

// The entity text: the lump's bytes as they are, then a NUL.
std::vector<char> readEntityText(ByteReader& reader, const LumpBytes& lump) {
    std::vector<char> text(static_cast<std::size_t>(lump.length) + 1, '\0');
    reader.seek(lump.offset);
    reader.readBytes(text.data(), static_cast<std::size_t>(lump.length));
    return text;
}

}  // namespace

BSPMap::BSPMap(const std::string& dataPathValue, const std::string& levelFileValue,
               LevelStores storesValue, OnScreenDisplay* displayValue,
               LightingModule* lightingValue)
    : display(displayValue),
      lighting(lightingValue),
      dataPath(dataPathValue),
      levelFile(levelFileValue),
      stores(storesValue) {
    std::vector<std::uint8_t> bytes;
    const std::string readProblem = readLevelBytes(levelStream, levelFile, bytes, stores.assets);
    if (!readProblem.empty()) {
        // Nothing could be read, so there is no transcript to print either.
        problems.push_back(readProblem);
        return;
    }
    load(std::move(bytes), std::cerr);
}

BSPMap::BSPMap(const std::string& dataPathValue, const std::string& levelFileValue,
               std::vector<std::uint8_t> levelBytes, LevelStores storesValue,
               OnScreenDisplay* displayValue, LightingModule* lightingValue, std::ostream& log)
    : display(displayValue),
      lighting(lightingValue),
      dataPath(dataPathValue),
      levelFile(levelFileValue),
      stores(storesValue) {
    load(std::move(levelBytes), log);
}

BSPMap::~BSPMap() {
    delete textureManager;
    delete skybox;
    delete visData;
}

void BSPMap::load(std::vector<std::uint8_t> levelBytes, std::ostream& log) {
    ByteReader reader(levelBytes);
    const std::size_t fileSize = levelBytes.size();
    const std::string otherKind = readKind(reader, log);
    if (!otherKind.empty() && fileSize >= static_cast<std::size_t>(kKindBytes)) {
        // The directory of a file of another kind means nothing: its lumps are not checked, and
        // this is the one problem reported.
        problems.push_back(otherKind);
        return;
    }
    if (fileSize < static_cast<std::size_t>(kHeaderBytes)) {
        // The header is still read (as zeros past the end), so the transcript keeps its shape
        // and every lump it names is checked like any other.
        problems.push_back("the file holds " + std::to_string(fileSize) +
                           " bytes, fewer than its " + std::to_string(kHeaderBytes) +
                           "-byte header");
    }

    readDirectory(reader, directory, log);
    auto lump = [&](int index) { return checkedLump(directory, index, fileSize, problems); };
    textureManager = new TextureManager();
    textureCount = readTextures(reader, lump(kTexturesLump), dataPath, *textureManager,
                                {textureNames, textureFlags, textureContents}, log);

    auto step = [&](const char* opening, const char* closing, auto readLump) {
        log << opening << std::flush;
        readLump();
        log << closing;
        endLine(log);
    };
    step("loading planes...", "done!",
         [&] { readRecords(reader, lump(kPlanesLump), planes, readPlane); });
    step("loading nodes ...", "done!",
         [&] { readRecords(reader, lump(kNodesLump), nodes, readRecord<Node>); });
    step("loading leaves ...", "done!",
         [&] { readRecords(reader, lump(kLeavesLump), leaves, readRecord<Leaf>); });
    step("loading leaf faces... ", "done ",
         [&] { readRecords(reader, lump(kLeafFacesLump), leafFaces, readIndex); });
    step("loading leaf brushes... ", "done ",
         [&] { readRecords(reader, lump(kLeafBrushesLump), leafBrushes, readIndex); });
    step("loading models...", "done!",
         [&] { readRecords(reader, lump(kModelsLump), models, readRecord<Model>); });
    step("loading brushes... ", "done ",
         [&] { readRecords(reader, lump(kBrushesLump), brushes, readRecord<Brush>); });
    step("loading brush sides... ", "done ",
         [&] { readRecords(reader, lump(kBrushSidesLump), brushSides, readRecord<BrushSide>); });
    step("loading vertices... ", "done ",
         [&] { readRecords(reader, lump(kVerticesLump), vertices, readRecord<Vertex>); });
    step("loading mesh_vertices... ", "done ",
         [&] { readRecords(reader, lump(kMeshVerticesLump), meshVertices, readIndex); });
    step("loading faces... ", "done ",
         [&] { readFaces(reader, lump(kFacesLump), faces, vertices, *textureManager); });
    step("loading visibility data... ", "done ", [&] {
        delete visData;
        visData = readVisibility(reader, lump(kVisibilityLump), problems);
    });

    entityText = readEntityText(reader, lump(kEntitiesLump));
    entityList = readEntities(entityText.data());
    // Read without a transcript line of its own, so the transcript keeps its shape.
    readRecords(reader, lump(kEffectsLump), effects, readRecord<Effect>);
    lightmapBytes = readLumpBytes(reader, lump(kLightmapsLump));
    lightVolumeBytes = readLumpBytes(reader, lump(kLightVolumesLump));
    // Every lump is read: the file's bytes go before the patch grids take their memory, so the
    // two never count together in the level's peak.
    std::vector<std::uint8_t>().swap(levelBytes);
    if (checkPatchBudget(faces, vertices.size(), problems)) {
        buildPatches();
    }
    skybox = new Skybox();
    validateLevel(*this, problems);
    assignFaceClusters();
}

void BSPMap::buildPatches() {
    std::vector<BezierPatch*> levelPatches;
    for (Face& face : faces) {
        if (face.type == kPatchFace) {
            face.cutPatches(vertices);
            for (BezierPatch& patch : face.patches) {
                levelPatches.push_back(&patch);
            }
        }
    }
    patchTessellator.attach(std::move(levelPatches));
    patchTessellator.tessellate(kInitialPatchLevel);
}
