// Small levels made with the level writer, shared by the tests and the fuzzer's seed corpus.
#pragma once

#include <cstdint>

#include "generators/LevelWriter.h"
#include "level/Face.h"

// A vertex at file (x, y, z) with texture coordinate (s, t) and normal +z.
RawVertex vertexAt(float x, float y, float z, float s = 0.0f, float t = 0.0f);

// A face of the given type over these vertex and mesh-vertex ranges, every other field as the
// record leaves it. FaceRecord is the writer's RawFace, or the loader's Face for tests that hand
// index tables to the validator or the patch builder without writing a file.
template <typename FaceRecord = RawFace>
FaceRecord faceOf(std::int32_t type, std::int32_t firstVertex, std::int32_t numVertices,
                  std::int32_t firstMeshVertex = 0, std::int32_t numMeshVertices = 0) {
    FaceRecord face;
    face.type = type;
    face.firstVertex = firstVertex;
    face.numVertices = numVertices;
    face.firstMeshVertex = firstMeshVertex;
    face.numMeshVertices = numMeshVertices;
    return face;
}

// A patch face whose width x height control grid starts at firstVertex.
template <typename FaceRecord = RawFace>
FaceRecord patchFaceOf(std::int32_t firstVertex, std::int32_t width, std::int32_t height) {
    FaceRecord face = faceOf<FaceRecord>(kPatchFace, firstVertex, width * height);
    face.patchSize[0] = width;
    face.patchSize[1] = height;
    return face;
}

// Appends a width x height control grid of patch vertices to the level; returns its patch face.
RawFace addPatchGrid(LevelDescription& level, std::int32_t width, std::int32_t height);

// One box room split by the file plane x = 128 into two leaves in clusters 0 and 1 that see each
// other: a floor quad (polygon, 4 vertices, 2 triangles), one 3 x 3 patch, one billboard,
// two textures and a deathmatch spawn at file (64, 64, 24).
LevelDescription tinyLevel();
// Three leaves under two nodes, in three clusters where cluster 0 cannot see cluster 2; a quad,
// a mesh triangle pair, patches of 3 x 3, 5 x 3 and 4 x 7 controls and a billboard.
LevelDescription threeRoomLevel();
// The smallest sound level: one node over one leaf outside every cluster, nothing else.
LevelDescription oneLeafLevel();
