// Vertex: one level vertex as GL reads it in place (position, texCoord, lightmapCoord, normal,
// color).
#pragma once

#include <cstdint>

class ByteReader;

// A plain record without a virtual destructor: arrays of it are what GL reads and what a patch
// level change rewrites, hundreds of thousands of them, so each element is only its 44 bytes, and
// a shrinking array drops its tail without touching it.
class Vertex {
public:
    Vertex() = default;
    // Reads one 44-byte vertex record; position and normal change axes.
    explicit Vertex(ByteReader& reader);
    ~Vertex() = default;
    Vertex(const Vertex&) = default;
    Vertex& operator=(const Vertex&) = default;

    // Every float times the factor, rounded to single precision; the colour is kept.
    Vertex scaled(double factor) const;
    // Component-wise sum of the floats; the colour is this vertex's (the left operand's).
    Vertex operator+(const Vertex& other) const;
    // t becomes 1 - t.
    void flipT() { texCoord[1] = 1.0f - texCoord[1]; }

    float position[3] = {0.0f, 0.0f, 0.0f};
    float texCoord[2] = {0.0f, 0.0f};
    float lightmapCoord[2] = {0.0f, 0.0f};
    float normal[3] = {0.0f, 0.0f, 0.0f};
    std::uint8_t color[4] = {0, 0, 0, 0};
};

// GL reads vertex arrays with this stride; the fields above must stay contiguous in this order.
inline constexpr int kVertexStrideBytes = sizeof(Vertex);
static_assert(kVertexStrideBytes == 44, "a vertex is its fields and nothing else");
