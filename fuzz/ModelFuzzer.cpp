// libFuzzer target: arbitrary bytes as one model file through the viewer's reader; what it
// accepts must be what the drawing trusts (arrays of matching sizes, indices below the vertex
// count, unit normals, texture coordinates that are finite numbers).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/Md3Model.h"

namespace {

void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Md3ReadResult result = readMd3(std::span<const std::uint8_t>(data, size));
    require(result.problem.empty() || result.model.surfaces.empty());
    require(result.model.surfaces.size() <= std::size_t(kMd3MaxSurfaces));
    for (const Md3Surface& surface : result.model.surfaces) {
        const std::size_t vertices = surface.vertexCount();
        require(vertices <= std::size_t(kMd3MaxVertices));
        require(surface.positions.size() == 3 * vertices);
        require(surface.normals.size() == 3 * vertices);
        require(surface.texCoords.size() == 2 * vertices);
        require(surface.indices.size() % 3 == 0);
        for (const std::uint32_t index : surface.indices) {
            require(index < vertices);
        }
        for (const float coordinate : surface.texCoords) {
            require(std::isfinite(coordinate));
        }
        for (std::size_t v = 0; v < vertices; ++v) {
            const float* n = &surface.normals[3 * v];
            require(std::abs(n[0] * n[0] + n[1] * n[1] + n[2] * n[2] - 1.0f) < 1e-4f);
        }
    }
    return 0;
}
