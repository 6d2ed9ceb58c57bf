// LevelWriter: little-endian serialisation of a level description into the IBSP layout.
#include "generators/LevelWriter.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>

namespace {

class ByteSink {
public:
    explicit ByteSink(std::vector<std::uint8_t>& destination) : out(destination) {}

    void int32(std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) {
            out.push_back(static_cast<std::uint8_t>(bits >> shift));
        }
    }
    void float32(float value) { int32(std::bit_cast<std::int32_t>(value)); }
    template <std::size_t N>
    void int32s(const std::array<std::int32_t, N>& values) {
        for (std::int32_t value : values) {
            int32(value);
        }
    }
    template <std::size_t N>
    void float32s(const std::array<float, N>& values) {
        for (float value : values) {
            float32(value);
        }
    }
    void raw(const void* data, std::size_t count) {
        const auto* first = static_cast<const std::uint8_t*>(data);
        out.insert(out.end(), first, first + count);
    }
    void padTo4() {
        while (out.size() % 4 != 0) {
            out.push_back(0);
        }
    }
    std::size_t size() const { return out.size(); }

private:
    std::vector<std::uint8_t>& out;
};

// A 64-byte name field, NUL-padded.
void writeName(ByteSink& sink, const std::string& text) {
    char name[kTextureNameBytes] = {};
    std::memcpy(name, text.data(), std::min(text.size(), sizeof name));
    sink.raw(name, sizeof name);
}

void writeRecord(ByteSink& sink, const RawTexture& texture) {
    writeName(sink, texture.name);
    sink.int32(texture.flags);
    sink.int32(texture.contents);
}

void writeRecord(ByteSink& sink, const RawPlane& plane) {
    sink.float32s(plane.normal);
    sink.float32(plane.distance);
}

void writeRecord(ByteSink& sink, const RawNode& node) {
    sink.int32(node.plane);
    sink.int32(node.front);
    sink.int32(node.back);
    sink.int32s(node.mins);
    sink.int32s(node.maxs);
}

void writeRecord(ByteSink& sink, const RawLeaf& leaf) {
    sink.int32(leaf.cluster);
    sink.int32(leaf.area);
    sink.int32s(leaf.mins);
    sink.int32s(leaf.maxs);
    sink.int32(leaf.firstLeafFace);
    sink.int32(leaf.numLeafFaces);
    sink.int32(leaf.firstLeafBrush);
    sink.int32(leaf.numLeafBrushes);
}

void writeRecord(ByteSink& sink, std::int32_t index) {
    sink.int32(index);
}

void writeRecord(ByteSink& sink, const RawModel& model) {
    sink.float32s(model.mins);
    sink.float32s(model.maxs);
    sink.int32(model.firstFace);
    sink.int32(model.numFaces);
    sink.int32(model.firstBrush);
    sink.int32(model.numBrushes);
}

void writeRecord(ByteSink& sink, const RawBrush& brush) {
    sink.int32(brush.firstSide);
    sink.int32(brush.numSides);
    sink.int32(brush.texture);
}

void writeRecord(ByteSink& sink, const RawBrushSide& side) {
    sink.int32(side.plane);
    sink.int32(side.texture);
}

void writeRecord(ByteSink& sink, const RawEffect& effect) {
    writeName(sink, effect.shader);
    sink.int32(effect.brush);
    sink.int32(effect.visibleSide);
}

void writeRecord(ByteSink& sink, const RawVertex& vertex) {
    sink.float32s(vertex.position);
    sink.float32s(vertex.texCoord);
    sink.float32s(vertex.lightmapCoord);
    sink.float32s(vertex.normal);
    sink.raw(vertex.color.data(), vertex.color.size());
}

void writeRecord(ByteSink& sink, const RawFace& face) {
    sink.int32(face.texture);
    sink.int32(face.effect);
    sink.int32(face.type);
    sink.int32(face.firstVertex);
    sink.int32(face.numVertices);
    sink.int32(face.firstMeshVertex);
    sink.int32(face.numMeshVertices);
    sink.int32(face.lightmap);
    sink.int32s(face.lightmapStart);
    sink.int32s(face.lightmapSize);
    sink.float32s(face.lightmapOrigin);
    sink.float32s(face.lightmapVectors[0]);
    sink.float32s(face.lightmapVectors[1]);
    sink.float32s(face.normal);
    sink.int32s(face.patchSize);
}

// Writes the records and checks that they came out at the size the loader reads them at.
template <typename Record>
void writeRecords(ByteSink& sink, int lump, const std::vector<Record>& records) {
    const std::size_t start = sink.size();
    for (const Record& record : records) {
        writeRecord(sink, record);
    }
    const auto recordBytes = static_cast<std::size_t>(kLumpLayouts[lump].recordBytes);
    if (sink.size() - start != records.size() * recordBytes) {
        throw std::logic_error(std::string("the level writer's ") + lumpName(lump) +
                               " records are not " + std::to_string(recordBytes) + " bytes each");
    }
}

void writeVisibility(ByteSink& sink, const RawVisibility& visibility) {
    sink.int32(visibility.numClusters);
    sink.int32(visibility.bytesPerCluster);
    sink.raw(visibility.bits.data(), visibility.bits.size());
}

// The bytes of one lump; the description holds nothing for the light volumes.
void writeLump(ByteSink& sink, const LevelDescription& level, int lump) {
    switch (lump) {
        case kEntitiesLump:
            sink.raw(level.entityText.data(), level.entityText.size());
            break;
        case kTexturesLump:
            writeRecords(sink, lump, level.textures);
            break;
        case kPlanesLump:
            writeRecords(sink, lump, level.planes);
            break;
        case kNodesLump:
            writeRecords(sink, lump, level.nodes);
            break;
        case kLeavesLump:
            writeRecords(sink, lump, level.leaves);
            break;
        case kLeafFacesLump:
            writeRecords(sink, lump, level.leafFaces);
            break;
        case kLeafBrushesLump:
            writeRecords(sink, lump, level.leafBrushes);
            break;
        case kModelsLump:
            writeRecords(sink, lump, level.models);
            break;
        case kBrushesLump:
            writeRecords(sink, lump, level.brushes);
            break;
        case kBrushSidesLump:
            writeRecords(sink, lump, level.brushSides);
            break;
        case kVerticesLump:
            writeRecords(sink, lump, level.vertices);
            break;
        case kMeshVerticesLump:
            writeRecords(sink, lump, level.meshVertices);
            break;
        case kEffectsLump:
            writeRecords(sink, lump, level.effects);
            break;
        case kFacesLump:
            writeRecords(sink, lump, level.faces);
            break;
        case kLightmapsLump:
            // Given as raw bytes so that bad files can hold part of a page.
            sink.raw(level.lightmaps.data(), level.lightmaps.size());
            break;
        case kVisibilityLump:
            writeVisibility(sink, level.visibility);
            break;
        default:
            break;
    }
}

void writeDirectory(std::vector<std::uint8_t>& file, const std::vector<DirectoryEntry>& directory) {
    std::vector<std::uint8_t> header;
    ByteSink sink(header);
    for (const DirectoryEntry& entry : directory) {
        sink.int32(entry.offset);
        sink.int32(entry.length);
    }
    std::copy(header.begin(), header.end(), file.begin() + directoryEntryOffset(0));
}

}  // namespace

std::vector<std::uint8_t> writeLevel(const LevelDescription& level) {
    std::vector<std::uint8_t> file;
    ByteSink sink(file);
    sink.raw(level.magic.data(), level.magic.size());
    sink.int32(level.version);
    file.resize(kHeaderBytes, 0);

    std::vector<DirectoryEntry> directory(kLumpCount, DirectoryEntry(0, 0));
    for (int lump = 0; lump < kLumpCount; ++lump) {
        sink.padTo4();
        const std::size_t start = sink.size();
        writeLump(sink, level, lump);
        directory[static_cast<std::size_t>(lump)] = DirectoryEntry(
            static_cast<std::int32_t>(start), static_cast<std::int32_t>(sink.size() - start));
    }
    writeDirectory(file, directory);
    return file;
}

LevelWriter::LevelWriter(const LevelDescription& description)
    : fileBytes(writeLevel(description)) {}

// Where a lump's directory entry lies, or nothing for an index outside 0..16 or a file cut inside
// the entry.
static std::optional<std::size_t> entryPosition(int lumpIndex, std::size_t fileSize) {
    if (lumpIndex < 0 || lumpIndex >= kLumpCount) {
        return std::nullopt;
    }
    const auto at = static_cast<std::size_t>(directoryEntryOffset(lumpIndex));
    if (at + kDirectoryEntryBytes > fileSize) {
        return std::nullopt;
    }
    return at;
}

DirectoryEntry LevelWriter::entry(int lumpIndex) const {
    const std::optional<std::size_t> at = entryPosition(lumpIndex, fileBytes.size());
    if (!at) {
        return DirectoryEntry(0, 0);
    }
    auto readInt32 = [&](std::size_t position) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = value << 8 | fileBytes[position + static_cast<std::size_t>(i)];
        }
        return static_cast<std::int32_t>(value);
    };
    return DirectoryEntry(readInt32(*at), readInt32(*at + 4));
}

void LevelWriter::setEntry(int lumpIndex, std::int32_t offset, std::int32_t length) {
    const std::optional<std::size_t> at = entryPosition(lumpIndex, fileBytes.size());
    if (!at) {
        return;
    }
    std::vector<std::uint8_t> encoded;
    ByteSink sink(encoded);
    sink.int32(offset);
    sink.int32(length);
    std::copy(encoded.begin(), encoded.end(), fileBytes.begin() + static_cast<std::ptrdiff_t>(*at));
}

void LevelWriter::appendBytes(std::span<const std::uint8_t> extra) {
    fileBytes.insert(fileBytes.end(), extra.begin(), extra.end());
}

void LevelWriter::truncate(std::size_t byteCount) {
    fileBytes.resize(std::min(byteCount, fileBytes.size()));
}

bool LevelWriter::writeFile(const std::string& path, std::string& error) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    out.write(reinterpret_cast<const char*>(fileBytes.data()),
              static_cast<std::streamsize>(fileBytes.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
