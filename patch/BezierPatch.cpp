// BezierPatch: tessellation of one quadratic 3 x 3 patch into a vertex grid and triangle strips,
// and drawing those strips from GL client arrays.
#include "patch/BezierPatch.h"

#include <epoxy/gl.h>

#include <array>
#include <cstring>

#include "texture/TextureManager.h"

namespace {

// position (3), texCoord (2), lightmapCoord (2), normal (3): every float the patch interpolates.
constexpr int kInterpolatedFloats = 10;
using VertexFloats = std::array<float, kInterpolatedFloats>;

void gatherFloats(const Vertex& vertex, VertexFloats& out) {
    std::memcpy(&out[0], vertex.position, sizeof vertex.position);
    std::memcpy(&out[3], vertex.texCoord, sizeof vertex.texCoord);
    std::memcpy(&out[5], vertex.lightmapCoord, sizeof vertex.lightmapCoord);
    std::memcpy(&out[7], vertex.normal, sizeof vertex.normal);
}

void scatterFloats(const VertexFloats& values, Vertex& vertex) {
    std::memcpy(vertex.position, &values[0], sizeof vertex.position);
    std::memcpy(vertex.texCoord, &values[3], sizeof vertex.texCoord);
    std::memcpy(vertex.lightmapCoord, &values[5], sizeof vertex.lightmapCoord);
    std::memcpy(vertex.normal, &values[7], sizeof vertex.normal);
}

// The same rounding steps as a.scaled(wa) + b.scaled(wb) + c.scaled(wc) with the Vertex
// operations: each product rounded to float, then float sums from the left. Kept exactly so, the
// fast path yields the very bits of the plain formula.
inline void blendThree(const VertexFloats& a, const VertexFloats& b, const VertexFloats& c,
                       const std::array<double, 3>& weights, VertexFloats& out) {
    for (int f = 0; f < kInterpolatedFloats; ++f) {
        const float first = static_cast<float>(a[f] * weights[0]);
        const float second = static_cast<float>(b[f] * weights[1]);
        const float third = static_cast<float>(c[f] * weights[2]);
        out[f] = (first + second) + third;
    }
}

// B0, B1, B2 at x = k / L for k = 0 .. L. Every patch of a level change shares one level, so the
// table is built once per level rather than once per vertex.
const std::vector<std::array<double, 3>>& bernsteinWeights(int level) {
    static thread_local int tableLevel = 0;
    static thread_local std::vector<std::array<double, 3>> table;
    if (tableLevel != level) {
        table.resize(static_cast<std::size_t>(level) + 1);
        for (int k = 0; k <= level; ++k) {
            const double x = static_cast<double>(k) / level;
            table[k] = {(1.0 - x) * (1.0 - x), 2.0 * x * (1.0 - x), x * x};
        }
        tableLevel = level;
    }
    return table;
}

}  // namespace

BezierPatch::BezierPatch(const Vertex (&controlVertices)[9]) {
    for (int i = 0; i < 9; ++i) {
        controls[i] = controlVertices[i];
    }
}

void BezierPatch::tessellate(int level) {
    tessLevel = level;
    const int side = level + 1;
    const auto& weights = bernsteinWeights(level);

    std::array<VertexFloats, 9> control;
    for (int i = 0; i < 9; ++i) {
        gatherFloats(controls[i], control[i]);
    }

    // resize keeps the storage when the size is unchanged or shrinks; every element is rewritten.
    vertices.resize(static_cast<std::size_t>(side) * side);
    std::array<VertexFloats, 3> rows;
    VertexFloats blended;
    for (int i = 0; i < side; ++i) {
        // The three control rows evaluated at u depend on i only.
        for (int r = 0; r < 3; ++r) {
            blendThree(control[3 * r], control[3 * r + 1], control[3 * r + 2], weights[i], rows[r]);
        }
        Vertex* out = &vertices[static_cast<std::size_t>(i) * side];
        for (int j = 0; j < side; ++j) {
            blendThree(rows[0], rows[1], rows[2], weights[j], blended);
            scatterFloats(blended, out[j]);
            std::memcpy(out[j].color, controls[0].color, sizeof out[j].color);
        }
    }

    const int stripLength = 2 * side;
    indices.resize(static_cast<std::size_t>(level) * stripLength);
    for (int k = 0; k < level; ++k) {
        std::uint32_t* strip = &indices[static_cast<std::size_t>(k) * stripLength];
        for (int j = 0; j < side; ++j) {
            strip[2 * j] = static_cast<std::uint32_t>(k * side + j);
            strip[2 * j + 1] = static_cast<std::uint32_t>((k + 1) * side + j);
        }
    }
    stripCounts.assign(static_cast<std::size_t>(level), stripLength);
}

void BezierPatch::draw(std::int32_t textureIndex, TextureManager& textureManager,
                       bool texturesEnabled) const {
    glFrontFace(GL_CCW);
    if (vertices.empty()) {
        return;
    }
    glVertexPointer(3, GL_FLOAT, kVertexStrideBytes, vertices[0].position);
    glNormalPointer(GL_FLOAT, kVertexStrideBytes, vertices[0].normal);
    if (texturesEnabled) {
        textureManager.setTexCoordPointer(textureIndex, kVertexStrideBytes, vertices[0].texCoord);
    }
    const std::uint32_t* strip = indices.data();
    for (const std::int32_t count : stripCounts) {
        glDrawElements(GL_TRIANGLE_STRIP, count, GL_UNSIGNED_INT, strip);
        strip += count;
    }
}
