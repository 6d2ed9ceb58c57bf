// Reading a model file: the header, then each surface's frame-0 vertices, texture coordinates,
// triangles and first shader, every count and offset checked against the bytes first.
#include "model/Md3Model.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "geometry/PackedDirection.h"
#include "level/AxisChange.h"
#include "level/ByteReader.h"

namespace {

// Record sizes in bytes, as the format lays them out.
constexpr std::int64_t kHeaderBytes = 108;
constexpr std::int64_t kFrameBytes = 56;
constexpr std::int64_t kTagBytes = 112;
constexpr std::int64_t kSurfaceHeaderBytes = 108;
constexpr std::int64_t kShaderBytes = 68;
constexpr std::int64_t kTriangleBytes = 12;
constexpr std::int64_t kTexCoordBytes = 8;
constexpr std::int64_t kVertexBytes = 8;
constexpr std::int32_t kVersion = 15;
constexpr std::size_t kNameBytes = 64;
// No image repeats this often across a model: a coordinate beyond it (or not a number) is broken.
constexpr float kMaxTexCoord = 1.0e6f;

std::string readName(ByteReader& reader) {
    char name[kNameBytes];
    reader.readBytes(name, kNameBytes);
    return std::string(name, strnlen(name, kNameBytes));
}

std::int16_t readInt16(ByteReader& reader) {
    const std::uint16_t low = reader.readUint8();
    const std::uint16_t high = reader.readUint8();
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(low | (high << 8)));
}

// Checks a count against the format's limit and its records, starting at offset from base,
// against the end of the region they must lie in. Counts and offsets are at most 2^31, so the
// products and sums fit 64 bits.
struct Region {
    std::int64_t base;
    std::int64_t end;
};

std::string checkRecords(const char* what, std::int32_t count, std::int32_t limit,
                         std::int32_t offset, std::int64_t recordBytes, const Region& region) {
    if (count < 0 || count > limit) {
        return std::string(what) + " count " + std::to_string(count) + " is outside 0.." +
               std::to_string(limit);
    }
    const std::int64_t start = region.base + offset;
    const std::int64_t finish = start + std::int64_t(count) * recordBytes;
    if (offset < 0 || start > region.end || finish > region.end) {
        return std::string(what) + " at offset " + std::to_string(offset) + " (" +
               std::to_string(count) + " of " + std::to_string(recordBytes) +
               " bytes) run past the end at " + std::to_string(region.end - region.base);
    }
    return {};
}

struct SurfaceHeader {
    char ident[4] = {};
    std::string name;
    std::int32_t frameCount = 0;
    std::int32_t shaderCount = 0;
    std::int32_t vertexCount = 0;
    std::int32_t triangleCount = 0;
    std::int32_t trianglesOffset = 0;
    std::int32_t shadersOffset = 0;
    std::int32_t texCoordsOffset = 0;
    std::int32_t verticesOffset = 0;
    std::int32_t endOffset = 0;
};

SurfaceHeader readSurfaceHeader(ByteReader& reader) {
    SurfaceHeader header;
    reader.readBytes(header.ident, 4);
    header.name = readName(reader);
    reader.readInt32();  // flags
    header.frameCount = reader.readInt32();
    header.shaderCount = reader.readInt32();
    header.vertexCount = reader.readInt32();
    header.triangleCount = reader.readInt32();
    header.trianglesOffset = reader.readInt32();
    header.shadersOffset = reader.readInt32();
    header.texCoordsOffset = reader.readInt32();
    header.verticesOffset = reader.readInt32();
    header.endOffset = reader.readInt32();
    return header;
}

// Every region of the surface inside [start, start + endOffset], that end inside the file.
std::string checkSurface(const SurfaceHeader& header, std::int64_t start, std::int64_t fileEnd,
                         std::int32_t modelFrames) {
    if (std::memcmp(header.ident, "IDP3", 4) != 0) {
        return "its ident is not IDP3";
    }
    if (header.endOffset < kSurfaceHeaderBytes || start + header.endOffset > fileEnd) {
        return "its end offset " + std::to_string(header.endOffset) + " runs past the file (" +
               std::to_string(fileEnd - start) + " bytes left)";
    }
    if (header.frameCount != modelFrames) {
        return "it has " + std::to_string(header.frameCount) + " frames but the model has " +
               std::to_string(modelFrames);
    }
    const Region region{start, start + header.endOffset};
    std::string problem = checkRecords("shaders", header.shaderCount, kMd3MaxShaders,
                                       header.shadersOffset, kShaderBytes, region);
    if (problem.empty()) {
        problem = checkRecords("triangles", header.triangleCount, kMd3MaxTriangles,
                               header.trianglesOffset, kTriangleBytes, region);
    }
    if (problem.empty()) {
        problem = checkRecords("texture coordinates", header.vertexCount, kMd3MaxVertices,
                               header.texCoordsOffset, kTexCoordBytes, region);
    }
    if (problem.empty()) {
        // One set of vertices per frame; the count limits keep the product within 32 bits.
        problem = checkRecords("vertices", header.vertexCount * header.frameCount,
                               kMd3MaxVertices * kMd3MaxFrames, header.verticesOffset, kVertexBytes,
                               region);
    }
    return problem;
}

// The first texture coordinate that is not a finite number within kMaxTexCoord, or "".
std::string checkTexCoords(const std::vector<float>& texCoords) {
    for (std::size_t i = 0; i < texCoords.size(); ++i) {
        if (!(std::abs(texCoords[i]) <= kMaxTexCoord)) {
            char shown[32];
            const auto printed = std::to_chars(shown, shown + sizeof shown, texCoords[i]);
            return "vertex " + std::to_string(i / 2) + "'s texture coordinate " +
                   std::string(shown, printed.ptr) +
                   " is not a finite number within -1000000..1000000";
        }
    }
    return {};
}

std::string readSurface(ByteReader& reader, const SurfaceHeader& header, std::int64_t start,
                        Md3Surface& surface) {
    surface.name = header.name;
    if (header.shaderCount > 0) {
        reader.seek(start + header.shadersOffset);
        surface.shader = readName(reader);
    }
    const auto vertices = static_cast<std::size_t>(header.vertexCount);
    reader.seek(start + header.texCoordsOffset);
    surface.texCoords.resize(2 * vertices);
    for (float& coordinate : surface.texCoords) {
        coordinate = reader.readFloat32();
    }
    if (std::string problem = checkTexCoords(surface.texCoords); !problem.empty()) {
        return problem;
    }
    reader.seek(start + header.verticesOffset);
    surface.positions.resize(3 * vertices);
    surface.normals.resize(3 * vertices);
    for (std::size_t v = 0; v < vertices; ++v) {
        const float x = readInt16(reader) * kMd3PositionScale;
        const float y = readInt16(reader) * kMd3PositionScale;
        const float z = readInt16(reader) * kMd3PositionScale;
        // The first byte is the angle from the file's up axis, the second the angle about it.
        const std::uint8_t zenith = reader.readUint8();
        const std::uint8_t azimuth = reader.readUint8();
        const Point position = toViewerAxes(x, y, z);
        const std::array<float, 3> n = unpackDirection(zenith, azimuth);
        const Point normal = toViewerAxes(n[0], n[1], n[2]);
        surface.positions[3 * v] = position.getX();
        surface.positions[3 * v + 1] = position.getY();
        surface.positions[3 * v + 2] = position.getZ();
        surface.normals[3 * v] = normal.getX();
        surface.normals[3 * v + 1] = normal.getY();
        surface.normals[3 * v + 2] = normal.getZ();
    }
    reader.seek(start + header.trianglesOffset);
    surface.indices.resize(3 * static_cast<std::size_t>(header.triangleCount));
    for (std::size_t i = 0; i < surface.indices.size(); ++i) {
        const std::int32_t index = reader.readInt32();
        if (index < 0 || index >= header.vertexCount) {
            return "triangle " + std::to_string(i / 3) + " names vertex " + std::to_string(index) +
                   " of " + std::to_string(header.vertexCount);
        }
        surface.indices[i] = static_cast<std::uint32_t>(index);
    }
    return reader.failed() ? "it is cut short" : "";
}

Md3ReadResult failure(std::string problem) {
    return {Md3Model{}, std::move(problem)};
}

}  // namespace

Md3ReadResult readMd3(std::span<const std::uint8_t> bytes) {
    ByteReader reader(bytes);
    const auto fileBytes = static_cast<std::int64_t>(bytes.size());
    if (fileBytes < kHeaderBytes) {
        return failure("the file holds " + std::to_string(fileBytes) +
                       " bytes, less than the 108-byte header");
    }
    char ident[4];
    reader.readBytes(ident, 4);
    const std::int32_t version = reader.readInt32();
    if (std::memcmp(ident, "IDP3", 4) != 0 || version != kVersion) {
        return failure("not an IDP3 version 15 model (version " + std::to_string(version) + ")");
    }
    readName(reader);
    reader.readInt32();  // flags
    const std::int32_t frameCount = reader.readInt32();
    const std::int32_t tagCount = reader.readInt32();
    const std::int32_t surfaceCount = reader.readInt32();
    reader.readInt32();  // skins: unused by the format's surfaces, which name their shaders
    const std::int32_t framesOffset = reader.readInt32();
    const std::int32_t tagsOffset = reader.readInt32();
    const std::int32_t surfacesOffset = reader.readInt32();
    const std::int32_t endOffset = reader.readInt32();
    if (endOffset < kHeaderBytes || endOffset > fileBytes) {
        return failure("its end offset " + std::to_string(endOffset) + " is outside the " +
                       std::to_string(fileBytes) + "-byte file");
    }
    const Region whole{0, endOffset};
    if (frameCount < 1) {
        return failure("it has " + std::to_string(frameCount) + " frames, none to draw");
    }
    std::string problem =
        checkRecords("frames", frameCount, kMd3MaxFrames, framesOffset, kFrameBytes, whole);
    if (problem.empty() && (tagCount < 0 || tagCount > kMd3MaxTags)) {
        problem = "tag count " + std::to_string(tagCount) + " is outside 0.." +
                  std::to_string(kMd3MaxTags);
    }
    if (problem.empty()) {
        // One set of tags per frame; both counts are within their limits by now.
        problem = checkRecords("tags", tagCount * frameCount, kMd3MaxTags * kMd3MaxFrames,
                               tagsOffset, kTagBytes, whole);
    }
    if (problem.empty() && (surfaceCount < 0 || surfaceCount > kMd3MaxSurfaces)) {
        problem = "surface count " + std::to_string(surfaceCount) + " is outside 0.." +
                  std::to_string(kMd3MaxSurfaces);
    }
    if (problem.empty() && (surfacesOffset < kHeaderBytes || surfacesOffset > endOffset)) {
        problem = "surfaces at offset " + std::to_string(surfacesOffset) + " lie outside the model";
    }
    if (!problem.empty()) {
        return failure(problem);
    }

    Md3ReadResult result;
    std::int64_t start = surfacesOffset;
    for (std::int32_t s = 0; s < surfaceCount; ++s) {
        if (start + kSurfaceHeaderBytes > endOffset) {
            return failure("surface " + std::to_string(s) + " starts past the end");
        }
        reader.seek(start);
        const SurfaceHeader header = readSurfaceHeader(reader);
        problem = checkSurface(header, start, endOffset, frameCount);
        Md3Surface surface;
        if (problem.empty()) {
            problem = readSurface(reader, header, start, surface);
        }
        if (!problem.empty()) {
            return failure("surface " + std::to_string(s) + ": " + problem);
        }
        result.model.surfaces.push_back(std::move(surface));
        start += header.endOffset;
    }
    return result;
}
