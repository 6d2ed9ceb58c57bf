// The level's arrays as the vertex source of its faces.
#include "render/VertexSource.h"

#include "level/Face.h"
#include "render/VertexBuffers.h"

FaceVertices LevelVertexSource::ofFace(const Face& face) {
    // The validator guarantees both ranges.
    FaceVertices faceVertices;
    faceVertices.levelIndex = static_cast<std::size_t>(face.firstVertex);
    faceVertices.first = &vertices[faceVertices.levelIndex];
    faceVertices.ownCount = static_cast<std::size_t>(face.numVertices);
    faceVertices.corners = meshVertices.subspan(static_cast<std::size_t>(face.firstMeshVertex),
                                                static_cast<std::size_t>(face.numMeshVertices));
    faceVertices.place = placeOf(faceVertices.first);
    return faceVertices;
}

FaceVertices LevelVertexSource::ofPatch(const Face&, const BezierPatch& patch) {
    const std::span<const Vertex> grid = patch.getVertices();
    FaceVertices faceVertices;
    faceVertices.first = grid.data();
    faceVertices.patchGrid = true;
    faceVertices.ownCount = grid.size();
    faceVertices.place = placeOf(faceVertices.first);
    return faceVertices;
}

FaceVertices LevelVertexSource::wholeLevel() const {
    FaceVertices whole;
    whole.first = vertices.data();
    whole.ownCount = vertices.size();
    whole.place = placeOf(whole.first);
    return whole;
}

BufferPlace LevelVertexSource::placeOf(const Vertex* first) const {
    return buffers == nullptr || first == nullptr ? BufferPlace{} : buffers->place(first);
}
