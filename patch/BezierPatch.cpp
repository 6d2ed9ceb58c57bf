// BezierPatch: tessellation of one quadratic 3 x 3 patch into a vertex grid and triangle strips,
// and drawing those strips from GL client arrays.
#include "patch/BezierPatch.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <utility>

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

// Three sets of interpolated floats, widened to double (which is exact) once, so that blending
// them for many weights does not convert them again: the three controls of a control row, or the
// three control rows evaluated at one u.
struct WideTriple {
    double values[3][kInterpolatedFloats];
};

void widen(const VertexFloats& first, const VertexFloats& second, const VertexFloats& third,
           WideTriple& wide) {
    for (int f = 0; f < kInterpolatedFloats; ++f) {
        wide.values[0][f] = first[f];
        wide.values[1][f] = second[f];
        wide.values[2][f] = third[f];
    }
}

// The same rounding steps as a.scaled(w0) + b.scaled(w1) + c.scaled(w2) with the Vertex
// operations: each float times its double weight rounded back to float, then float sums from the
// left.
void blend(const WideTriple& triple, const std::array<double, 3>& weights, VertexFloats& out) {
    // Left rolled, the loop's own counting and branching make a level change at 20 take about 40 %
    // longer.
#pragma GCC unroll 10
    for (int f = 0; f < kInterpolatedFloats; ++f) {
        const float first = static_cast<float>(triple.values[0][f] * weights[0]);
        const float second = static_cast<float>(triple.values[1][f] * weights[1]);
        const float third = static_cast<float>(triple.values[2][f] * weights[2]);
        out[f] = (first + second) + third;
    }
}

// B0, B1, B2 at x = k / L for k = 0 .. L, for every level the keys reach: every patch of a level
// change shares one level.
using WeightTable = std::array<std::array<double, 3>, kTopPatchLevel + 1>;

const WeightTable& bernsteinWeights(int level) {
    static const std::array<WeightTable, kTopPatchLevel + 1> tables = [] {
        std::array<WeightTable, kTopPatchLevel + 1> built{};
        for (int l = 1; l <= kTopPatchLevel; ++l) {
            for (int k = 0; k <= l; ++k) {
                const double x = static_cast<double>(k) / l;
                built[static_cast<std::size_t>(l)][static_cast<std::size_t>(k)] = {
                    (1.0 - x) * (1.0 - x), 2.0 * x * (1.0 - x), x * x};
            }
        }
        return built;
    }();
    return tables[static_cast<std::size_t>(level)];
}

// Strip triangle i has corners i, i + 1, i + 2, the first two swapped when i is odd, so that
// every triangle keeps the strip's winding.
std::vector<std::uint32_t> trianglesOfStrips(const StripTable& table) {
    std::vector<std::uint32_t> triangles;
    const std::uint32_t* strip = table.indices.data();
    for (const std::int32_t count : table.counts) {
        for (std::int32_t i = 0; i + 2 < count; ++i) {
            const bool odd = i % 2 == 1;
            triangles.insert(triangles.end(),
                             {strip[odd ? i + 1 : i], strip[odd ? i : i + 1], strip[i + 2]});
        }
        strip += count;
    }
    return triangles;
}

// The strips of a level-L grid are the same for every patch, so each level has one copy, built
// once for every level the keys reach; a level change then writes vertices only.
const std::array<StripTable, kTopPatchLevel + 1>& stripTables() {
    static const std::array<StripTable, kTopPatchLevel + 1> tables = [] {
        std::array<StripTable, kTopPatchLevel + 1> built;
        for (int level = 1; level <= kTopPatchLevel; ++level) {
            const int side = level + 1;
            const int stripLength = 2 * side;
            StripTable& table = built[static_cast<std::size_t>(level)];
            table.indices.resize(static_cast<std::size_t>(level) * stripLength);
            for (int k = 0; k < level; ++k) {
                std::uint32_t* strip = &table.indices[static_cast<std::size_t>(k) * stripLength];
                for (int j = 0; j < side; ++j) {
                    strip[2 * j] = static_cast<std::uint32_t>(k * side + j);
                    strip[2 * j + 1] = static_cast<std::uint32_t>((k + 1) * side + j);
                }
            }
            table.counts.assign(static_cast<std::size_t>(level), stripLength);
            table.triangles = trianglesOfStrips(table);
        }
        return built;
    }();
    return tables;
}

const StripTable& stripsOfLevel(int level) {
    return stripTables()[static_cast<std::size_t>(level)];
}

}  // namespace

BezierPatch::BezierPatch(const Vertex (&controlVertices)[9]) : strips(&stripsOfLevel(0)) {
    for (int i = 0; i < 9; ++i) {
        controls[i] = controlVertices[i];
    }
}

BezierPatch::BezierPatch(const BezierPatch& other)
    : tessLevel(other.tessLevel), vertexCount(other.vertexCount), strips(other.strips) {
    if (vertexCount > 0) {
        ownVertices.reset(static_cast<Vertex*>(::operator new(vertexCount * sizeof(Vertex))));
        ownCapacity = vertexCount;
        vertices = ownVertices.get();
        std::memcpy(vertices, other.vertices, vertexCount * sizeof(Vertex));
    }
    std::copy(std::begin(other.controls), std::end(other.controls), std::begin(controls));
}

BezierPatch& BezierPatch::operator=(const BezierPatch& other) {
    if (this != &other) {
        *this = BezierPatch(other);
    }
    return *this;
}

BezierPatch::BezierPatch(BezierPatch&& other) noexcept : strips(&stripsOfLevel(0)) {
    *this = std::move(other);
}

BezierPatch& BezierPatch::operator=(BezierPatch&& other) noexcept {
    tessLevel = std::exchange(other.tessLevel, 0);
    ownVertices = std::move(other.ownVertices);
    ownCapacity = std::exchange(other.ownCapacity, 0);
    vertices = std::exchange(other.vertices, nullptr);
    vertexCount = std::exchange(other.vertexCount, 0);
    strips = std::exchange(other.strips, &stripsOfLevel(0));
    std::copy(std::begin(other.controls), std::end(other.controls), std::begin(controls));
    return *this;
}

std::size_t BezierPatch::gridVertexCount(int level) {
    const auto side = static_cast<std::size_t>(std::clamp(level, 1, kTopPatchLevel)) + 1;
    return side * side;
}

void BezierPatch::tessellate(int level) {
    level = std::clamp(level, 1, kTopPatchLevel);
    // The storage stays when the size is unchanged or shrinks, so only the first tessellation at
    // a new highest level allocates.
    const std::size_t count = gridVertexCount(level);
    if (ownCapacity < count) {
        ownVertices.reset(static_cast<Vertex*>(::operator new(count * sizeof(Vertex))));
        ownCapacity = count;
    }
    fill(level, ownVertices.get());
}

void BezierPatch::tessellateInto(int level, Vertex* storage) {
    ownVertices.reset();
    ownCapacity = 0;
    fill(std::clamp(level, 1, kTopPatchLevel), storage);
}

void BezierPatch::fill(int level, Vertex* storage) {
    const int side = level + 1;
    const auto& weights = bernsteinWeights(level);

    WideTriple controlRows[3];
    for (int r = 0; r < 3; ++r) {
        VertexFloats row[3];
        for (int c = 0; c < 3; ++c) {
            gatherFloats(controls[3 * r + c], row[c]);
        }
        widen(row[0], row[1], row[2], controlRows[r]);
    }

    VertexFloats rows[3];
    WideTriple rowsAtU;
    VertexFloats blended;
    for (int i = 0; i < side; ++i) {
        // R0, R1, R2 at u depend on i only: evaluated once per vertex line.
        for (int r = 0; r < 3; ++r) {
            blend(controlRows[r], weights[static_cast<std::size_t>(i)], rows[r]);
        }
        widen(rows[0], rows[1], rows[2], rowsAtU);
        Vertex* line = storage + static_cast<std::size_t>(i) * side;
        for (int j = 0; j < side; ++j) {
            blend(rowsAtU, weights[static_cast<std::size_t>(j)], blended);
            scatterFloats(blended, line[j]);
            std::memcpy(line[j].color, controls[0].color, sizeof line[j].color);
        }
    }

    tessLevel = level;
    vertices = storage;
    vertexCount = gridVertexCount(level);
    strips = &stripsOfLevel(level);
}

void BezierPatch::draw(std::int32_t textureIndex, TextureManager& textureManager,
                       bool texturesEnabled) const {
    if (texturesEnabled && vertexCount > 0) {
        textureManager.setTexCoordPointer(textureIndex, kVertexStrideBytes, vertices->texCoord);
    }
    drawStrips();
}

void BezierPatch::drawStrips() const {
    glFrontFace(GL_CCW);
    if (vertexCount == 0) {
        return;
    }
    glVertexPointer(3, GL_FLOAT, kVertexStrideBytes, vertices->position);
    glNormalPointer(GL_FLOAT, kVertexStrideBytes, vertices->normal);
    const std::uint32_t* strip = strips->indices.data();
    for (const std::int32_t count : strips->counts) {
        glDrawElements(GL_TRIANGLE_STRIP, count, GL_UNSIGNED_INT, strip);
        strip += count;
    }
}
