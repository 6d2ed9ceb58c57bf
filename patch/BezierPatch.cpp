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

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VELMORA_AVX_LINES 1
#else
#define VELMORA_AVX_LINES 0
#endif

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
    alignas(16) double values[3][kInterpolatedFloats];
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
// left. The SSE2 path does two floats at a time with the very same IEEE operations, so both paths
// give the bits of the plain formula.
#if defined(__SSE2__)
inline void blendPair(const WideTriple& triple, int f, __m128d w0, __m128d w1, __m128d w2,
                      VertexFloats& out) {
    const __m128 first = _mm_cvtpd_ps(_mm_mul_pd(_mm_load_pd(&triple.values[0][f]), w0));
    const __m128 second = _mm_cvtpd_ps(_mm_mul_pd(_mm_load_pd(&triple.values[1][f]), w1));
    const __m128 third = _mm_cvtpd_ps(_mm_mul_pd(_mm_load_pd(&triple.values[2][f]), w2));
    const __m128 sum = _mm_add_ps(_mm_add_ps(first, second), third);
    _mm_storel_pi(reinterpret_cast<__m64*>(&out[f]), sum);
}
#endif

inline void blend(const WideTriple& triple, const std::array<double, 3>& weights,
                  VertexFloats& out) {
#if defined(__SSE2__)
    const __m128d w0 = _mm_set1_pd(weights[0]);
    const __m128d w1 = _mm_set1_pd(weights[1]);
    const __m128d w2 = _mm_set1_pd(weights[2]);
    // Written out: the compiler keeps a five-step loop rolled, and the loop costs as much as
    // the arithmetic.
    static_assert(kInterpolatedFloats == 10);
    blendPair(triple, 0, w0, w1, w2, out);
    blendPair(triple, 2, w0, w1, w2, out);
    blendPair(triple, 4, w0, w1, w2, out);
    blendPair(triple, 6, w0, w1, w2, out);
    blendPair(triple, 8, w0, w1, w2, out);
#else
    for (int f = 0; f < kInterpolatedFloats; ++f) {
        const float first = static_cast<float>(triple.values[0][f] * weights[0]);
        const float second = static_cast<float>(triple.values[1][f] * weights[1]);
        const float third = static_cast<float>(triple.values[2][f] * weights[2]);
        out[f] = (first + second) + third;
    }
#endif
}

// One vertex line: vertex j is the blend of the triple with weights[j], every float in place and
// the colour given.
void blendLine(const WideTriple& triple, const std::array<double, 3>* weights, int count,
               const std::uint8_t (&color)[4], Vertex* out) {
    VertexFloats blended;
    for (int j = 0; j < count; ++j) {
        blend(triple, weights[j], blended);
        scatterFloats(blended, out[j]);
        std::memcpy(out[j].color, color, sizeof out[j].color);
    }
}

#if VELMORA_AVX_LINES
// The ten floats of a vertex lie end to end from position[0], so they are written as two groups
// of four and one pair straight into the vertex.
static_assert(offsetof(Vertex, texCoord) == 12 && offsetof(Vertex, lightmapCoord) == 20 &&
              offsetof(Vertex, normal) == 28 && offsetof(Vertex, color) == 40);

// blendLine with four floats to an instruction where the processor has AVX: the same IEEE
// multiplications, roundings to float and left-to-right sums, so the same bits.
__attribute__((target("avx"))) void blendLineAvx(const WideTriple& triple,
                                                 const std::array<double, 3>* weights, int count,
                                                 const std::uint8_t (&color)[4], Vertex* out) {
    __m256d low[3];
    __m256d high[3];
    __m128d last[3];
    for (int k = 0; k < 3; ++k) {
        low[k] = _mm256_loadu_pd(&triple.values[k][0]);
        high[k] = _mm256_loadu_pd(&triple.values[k][4]);
        last[k] = _mm_load_pd(&triple.values[k][8]);
    }
    std::uint32_t colorBits;
    std::memcpy(&colorBits, color, sizeof colorBits);
    for (int j = 0; j < count; ++j) {
        const __m256d w0 = _mm256_set1_pd(weights[j][0]);
        const __m256d w1 = _mm256_set1_pd(weights[j][1]);
        const __m256d w2 = _mm256_set1_pd(weights[j][2]);
        const __m128 pair =
            _mm_add_ps(_mm_add_ps(_mm_cvtpd_ps(_mm_mul_pd(last[0], _mm256_castpd256_pd128(w0))),
                                  _mm_cvtpd_ps(_mm_mul_pd(last[1], _mm256_castpd256_pd128(w1)))),
                       _mm_cvtpd_ps(_mm_mul_pd(last[2], _mm256_castpd256_pd128(w2))));
        float* floats = out[j].position;
        // Written out twice: a lambda would not share the function's AVX target.
        _mm_storeu_ps(floats, _mm_add_ps(_mm_add_ps(_mm256_cvtpd_ps(_mm256_mul_pd(low[0], w0)),
                                                    _mm256_cvtpd_ps(_mm256_mul_pd(low[1], w1))),
                                         _mm256_cvtpd_ps(_mm256_mul_pd(low[2], w2))));
        _mm_storeu_ps(floats + 4,
                      _mm_add_ps(_mm_add_ps(_mm256_cvtpd_ps(_mm256_mul_pd(high[0], w0)),
                                            _mm256_cvtpd_ps(_mm256_mul_pd(high[1], w1))),
                                 _mm256_cvtpd_ps(_mm256_mul_pd(high[2], w2))));
        _mm_storel_pi(reinterpret_cast<__m64*>(floats + 8), pair);
        std::memcpy(out[j].color, &colorBits, sizeof colorBits);
    }
}

bool hasAvx() {
    static const bool available = __builtin_cpu_supports("avx");
    return available;
}
#endif

// B0, B1, B2 at x = k / L for k = 0 .. L, for every level the keys reach: every patch of a level
// change shares one level, and the tables are read by more than one thread.
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
        }
        return built;
    }();
    return tables;
}

const StripTable& stripsOfLevel(int level) {
    return stripTables()[static_cast<std::size_t>(level)];
}

// The most bytes a patch's vertices take, rounded up to whole 16-byte blocks.
constexpr std::size_t kTopSide = kTopPatchLevel + 1;
constexpr std::size_t kScratchBytes = (kTopSide * kTopSide * sizeof(Vertex) + 15) / 16 * 16;
static_assert(__STDCPP_DEFAULT_NEW_ALIGNMENT__ >= 16, "operator new gives 16-byte blocks");

std::size_t bytesOfVertices(std::size_t vertexCount) {
    return (vertexCount * sizeof(Vertex) + 15) / 16 * 16;
}

std::size_t gridVertexCount(int level) {
    const auto side = static_cast<std::size_t>(level) + 1;
    return side * side;
}

// Copies whole 16-byte blocks with streaming stores: the destination lines are written to memory
// without being read into the cache first, which halves the memory traffic of a level change that
// rewrites tens of megabytes. Both ends are 16-byte aligned and bytes is a multiple of 16.
void streamOut(const std::byte* from, Vertex* to, std::size_t bytes) {
#if defined(__SSE2__)
    auto* out = reinterpret_cast<std::byte*>(to);
    for (std::size_t done = 0; done < bytes; done += 16) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(out + done),
                         _mm_load_si128(reinterpret_cast<const __m128i*>(from + done)));
    }
    // Streaming stores are weakly ordered: later reads of the vertices must see them.
    _mm_sfence();
#else
    std::memcpy(to, from, bytes);
#endif
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
        ownVertices.reset(static_cast<Vertex*>(::operator new(bytesOfVertices(vertexCount))));
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

std::size_t BezierPatch::storageBytes(int level) {
    return bytesOfVertices(gridVertexCount(std::clamp(level, 1, kTopPatchLevel)));
}

void BezierPatch::tessellate(int level) {
    level = std::clamp(level, 1, kTopPatchLevel);
    // The storage stays when the size is unchanged or shrinks, so only the first tessellation at
    // a new highest level allocates.
    const std::size_t count = gridVertexCount(level);
    if (ownCapacity < count) {
        ownVertices.reset(static_cast<Vertex*>(::operator new(bytesOfVertices(count))));
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

    // The grid is computed in a scratch block that stays in the cache and then streamed out whole.
    alignas(16) std::byte scratchBytes[kScratchBytes];
    auto* scratch = reinterpret_cast<Vertex*>(scratchBytes);
    VertexFloats rows[3];
    WideTriple rowsAtU;
#if VELMORA_AVX_LINES
    const auto blendVertexLine = hasAvx() ? blendLineAvx : blendLine;
#else
    const auto blendVertexLine = blendLine;
#endif
    for (int i = 0; i < side; ++i) {
        // R0, R1, R2 at u depend on i only: evaluated once per vertex line.
        for (int r = 0; r < 3; ++r) {
            blend(controlRows[r], weights[static_cast<std::size_t>(i)], rows[r]);
        }
        widen(rows[0], rows[1], rows[2], rowsAtU);
        blendVertexLine(rowsAtU, weights.data(), side, controls[0].color,
                        scratch + static_cast<std::size_t>(i) * side);
    }
    const std::size_t count = gridVertexCount(level);
    streamOut(scratchBytes, storage, bytesOfVertices(count));

    tessLevel = level;
    vertices = storage;
    vertexCount = count;
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
