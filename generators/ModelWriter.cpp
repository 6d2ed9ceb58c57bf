// Writing model files field by field in the layout the reader expects.
#include "generators/ModelWriter.h"

#include <cmath>
#include <cstring>

namespace {

constexpr std::int32_t kHeaderBytes = 108;
constexpr std::int32_t kFrameBytes = 56;
constexpr std::int32_t kTagBytes = 112;
constexpr std::int32_t kSurfaceHeaderBytes = 108;
constexpr std::int32_t kShaderBytes = 68;

class Bytes {
public:
    void int32(std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) {
            data.push_back(static_cast<std::uint8_t>(bits >> shift));
        }
    }
    void int16(std::int16_t value) {
        const auto bits = static_cast<std::uint16_t>(value);
        data.push_back(static_cast<std::uint8_t>(bits));
        data.push_back(static_cast<std::uint8_t>(bits >> 8));
    }
    void float32(float value) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        int32(static_cast<std::int32_t>(bits));
    }
    void name(const std::string& text, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            data.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
        }
    }
    void byte(std::uint8_t value) { data.push_back(value); }
    std::int32_t size() const { return static_cast<std::int32_t>(data.size()); }

    std::vector<std::uint8_t> data;
};

std::int16_t fixedPoint(float units) {
    return static_cast<std::int16_t>(std::lround(units * 64.0f));
}

std::vector<std::uint8_t> surfaceBytes(const RawModelSurface& surface, std::int32_t frames) {
    const std::int32_t shaders = surface.shader.empty() ? 0 : 1;
    const auto vertices = static_cast<std::int32_t>(surface.vertices.size());
    const auto triangles = static_cast<std::int32_t>(surface.indices.size() / 3);
    const std::int32_t shadersAt = kSurfaceHeaderBytes;
    const std::int32_t trianglesAt = shadersAt + shaders * kShaderBytes;
    const std::int32_t texCoordsAt = trianglesAt + triangles * 12;
    const std::int32_t verticesAt = texCoordsAt + vertices * 8;
    const std::int32_t end = verticesAt + vertices * frames * 8;
    Bytes out;
    out.name("IDP3", 4);
    out.name(surface.name, 64);
    out.int32(0);  // flags
    for (const std::int32_t field : {frames, shaders, vertices, triangles, trianglesAt, shadersAt,
                                     texCoordsAt, verticesAt, end}) {
        out.int32(field);
    }
    if (shaders == 1) {
        out.name(surface.shader, 64);
        out.int32(0);
    }
    for (std::size_t i = 0; i + 2 < surface.indices.size(); i += 3) {
        out.int32(surface.indices[i]);
        out.int32(surface.indices[i + 1]);
        out.int32(surface.indices[i + 2]);
    }
    for (const RawModelVertex& vertex : surface.vertices) {
        out.float32(vertex.texCoord[0]);
        out.float32(vertex.texCoord[1]);
    }
    for (std::int32_t frame = 0; frame < frames; ++frame) {
        for (const RawModelVertex& vertex : surface.vertices) {
            for (const float coordinate : vertex.position) {
                out.int16(fixedPoint(coordinate));
            }
            out.byte(vertex.polar);
            out.byte(vertex.azimuth);
        }
    }
    return out.data;
}

}  // namespace

void patchInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::int32_t value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
}

std::vector<std::uint8_t> writeModel(const ModelDescription& description) {
    const std::int32_t frames = description.frameCount;
    const std::int32_t framesAt = kHeaderBytes;
    const std::int32_t tagsAt = framesAt + frames * kFrameBytes;
    const std::int32_t surfacesAt = tagsAt + frames * description.tagCount * kTagBytes;
    std::vector<std::uint8_t> surfaces;
    for (const RawModelSurface& surface : description.surfaces) {
        const std::vector<std::uint8_t> bytes = surfaceBytes(surface, frames);
        surfaces.insert(surfaces.end(), bytes.begin(), bytes.end());
    }
    Bytes out;
    out.name("IDP3", 4);
    out.int32(15);
    out.name("models/test/model.md3", 64);
    out.int32(0);  // flags
    for (const std::int32_t field :
         {frames, description.tagCount, static_cast<std::int32_t>(description.surfaces.size()), 0,
          framesAt, tagsAt, surfacesAt, surfacesAt + static_cast<std::int32_t>(surfaces.size())}) {
        out.int32(field);
    }
    for (std::int32_t frame = 0; frame < frames; ++frame) {
        for (int i = 0; i < 10; ++i) {
            out.float32(0.0f);  // bounds, local origin, radius
        }
        out.name("frame", 16);
    }
    for (std::int32_t tag = 0; tag < frames * description.tagCount; ++tag) {
        out.name("tag", 64);
        for (int i = 0; i < 12; ++i) {
            out.float32(i == 3 || i == 7 || i == 11 ? 1.0f : 0.0f);
        }
    }
    out.data.insert(out.data.end(), surfaces.begin(), surfaces.end());
    return out.data;
}

ModelDescription oneTriangleModel(const std::string& shader, float size) {
    RawModelSurface surface;
    surface.shader = shader;
    // Polar 64 (a quarter turn from +z) and azimuth 0: the normal is +x.
    surface.vertices = {{{0, -size, -size}, 64, 0, {0, 0}},
                        {{0, size, -size}, 64, 0, {1, 0}},
                        {{0, 0, size}, 64, 0, {0.5f, 1}}};
    surface.indices = {0, 1, 2};
    ModelDescription model;
    model.surfaces = {surface};
    return model;
}
