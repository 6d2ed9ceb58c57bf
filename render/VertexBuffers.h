// VertexBuffers: the level's vertex records and its patch grids in GL buffer objects, so that a
// draw reads them where GL keeps them instead of from client memory each call, and
// pointAtRecords, which points an array at a field of records wherever they are.
#pragma once

#include <epoxy/gl.h>

#include <cstddef>
#include <span>

#include "level/Vertex.h"
#include "render/VertexSource.h"

class VertexBuffers {
public:
    VertexBuffers() = default;
    ~VertexBuffers();
    VertexBuffers(const VertexBuffers&) = delete;
    VertexBuffers& operator=(const VertexBuffers&) = delete;

    // Makes the level's buffer at the first call, and the grids' buffer anew whenever the grids
    // are not the ones it holds (another patch level, or another store). Grids that would take
    // both buffers past mostBytes stay in client memory, so that high patch levels do not
    // multiply what GL holds. Needs GL; without buffer objects it makes nothing and every place
    // is in client memory.
    void update(std::span<const Vertex> levelVertices, std::span<const Vertex> patchGrids,
                int patchLevel, std::size_t mostBytes);
    // Where the record at first is held: in neither buffer, a place with buffer 0.
    BufferPlace place(const Vertex* first) const;
    // What both buffers hold.
    std::size_t bytes() const { return levelBytes + gridBytes; }

private:
    struct Held {
        GLuint buffer = 0;
        const Vertex* begin = nullptr;
        const Vertex* end = nullptr;
    };
    static void fill(Held& held, std::span<const Vertex> records);
    static BufferPlace placeIn(const Held& held, const Vertex* first);

    bool available = false;
    bool checked = false;
    Held level;
    Held grids;
    // The grids and their level at the last update, whether the buffer took them or not.
    std::span<const Vertex> seenGrids;
    int gridLevel = -1;
    std::size_t levelBytes = 0;
    std::size_t gridBytes = 0;
};

// Calls point(address) with the address GL must be given for field, a member of the records
// that vertices.first starts: its offset in their buffer while that buffer is bound as the array
// buffer, or the field itself. The array buffer is unbound again afterwards, so client arrays set
// anywhere else stay client arrays.
template <typename Point>
void pointAtRecords(const FaceVertices& vertices, const void* field, Point point) {
    if (vertices.place.buffer == 0) {
        point(field);
        return;
    }
    const std::ptrdiff_t within =
        static_cast<const char*>(field) - reinterpret_cast<const char*>(vertices.first);
    glBindBuffer(GL_ARRAY_BUFFER, vertices.place.buffer);
    point(reinterpret_cast<const void*>(vertices.place.offset + std::size_t(within)));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

// The texture coordinate array of a unit at a field of the records.
void texCoordsAtRecords(GLenum unit, const FaceVertices& vertices, const float* field);
