// The level's vertex records and patch grids in buffer objects.
#include "render/VertexBuffers.h"

VertexBuffers::~VertexBuffers() {
    for (const GLuint buffer : {level.buffer, grids.buffer}) {
        if (buffer != 0) {
            glDeleteBuffers(1, &buffer);
        }
    }
}

void VertexBuffers::fill(Held& held, std::span<const Vertex> records) {
    if (held.buffer == 0) {
        glGenBuffers(1, &held.buffer);
    }
    glBindBuffer(GL_ARRAY_BUFFER, held.buffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(records.size_bytes()), records.data(),
                 GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    held.begin = records.data();
    held.end = records.data() + records.size();
}

void VertexBuffers::update(std::span<const Vertex> levelVertices,
                           std::span<const Vertex> patchGrids, int patchLevel,
                           std::size_t mostBytes) {
    if (!checked) {
        checked = true;
        available = epoxy_gl_version() >= 15;
    }
    if (!available) {
        return;
    }
    if (level.buffer == 0 && !levelVertices.empty()) {
        fill(level, levelVertices);
        levelBytes = levelVertices.size_bytes();
    }
    if (gridLevel == patchLevel && seenGrids.data() == patchGrids.data() &&
        seenGrids.size() == patchGrids.size()) {
        return;
    }
    gridLevel = patchLevel;
    seenGrids = patchGrids;
    if (patchGrids.empty() || levelBytes + patchGrids.size_bytes() > mostBytes) {
        grids.begin = grids.end = nullptr;
        gridBytes = 0;
        if (grids.buffer != 0) {
            glDeleteBuffers(1, &grids.buffer);
            grids.buffer = 0;
        }
        return;
    }
    fill(grids, patchGrids);
    gridBytes = patchGrids.size_bytes();
}

BufferPlace VertexBuffers::placeIn(const Held& held, const Vertex* first) {
    // Compared as addresses: first may point into any array, not only this one.
    const auto at = reinterpret_cast<std::uintptr_t>(first);
    if (held.buffer == 0 || at < reinterpret_cast<std::uintptr_t>(held.begin) ||
        at >= reinterpret_cast<std::uintptr_t>(held.end)) {
        return {};
    }
    return {held.buffer, at - reinterpret_cast<std::uintptr_t>(held.begin)};
}

BufferPlace VertexBuffers::place(const Vertex* first) const {
    const BufferPlace inLevel = placeIn(level, first);
    return inLevel.buffer != 0 ? inLevel : placeIn(grids, first);
}

void texCoordsAtRecords(GLenum unit, const FaceVertices& vertices, const float* field) {
    glClientActiveTextureARB(unit);
    pointAtRecords(vertices, field, [](const void* address) {
        glTexCoordPointer(2, GL_FLOAT, kVertexStrideBytes, address);
    });
}
