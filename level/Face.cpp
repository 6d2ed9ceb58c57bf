// Face: reading one face record and flipping the t coordinate of its vertices.
#include "level/Face.h"

#include <algorithm>

#include "level/AxisChange.h"
#include "level/ByteReader.h"

const char* faceTypeName(std::int32_t type) {
    switch (type) {
        case kPolygonFace:
            return "polygon";
        case kPatchFace:
            return "patch";
        case kMeshFace:
            return "mesh";
        case kBillboardFace:
            return "billboard";
        default:
            return "unknown type";
    }
}

Face::Face(ByteReader& reader) {
    texture = reader.readInt32();
    effect = reader.readInt32();
    type = reader.readInt32();
    firstVertex = reader.readInt32();
    numVertices = reader.readInt32();
    firstMeshVertex = reader.readInt32();
    numMeshVertices = reader.readInt32();
    lightmap = reader.readInt32();
    for (std::int32_t& value : lightmapStart) {
        value = reader.readInt32();
    }
    for (std::int32_t& value : lightmapSize) {
        value = reader.readInt32();
    }
    // The lightmap frame stays in file axes: nothing reads it, and converting it would only
    // pretend that it is used.
    for (float& value : lightmapOrigin) {
        value = reader.readFloat32();
    }
    for (float(&vector)[3] : lightmapVectors) {
        for (float& value : vector) {
            value = reader.readFloat32();
        }
    }
    readConvertedFloats(reader, normal);
    patchSize[0] = reader.readInt32();
    patchSize[1] = reader.readInt32();
}

void Face::flipTextureT(std::vector<Vertex>& levelVertices) const {
    // The range comes from the file: clip it to the vertices that exist, in 64-bit arithmetic so
    // that no sum of two int32 values can overflow.
    const std::int64_t size = static_cast<std::int64_t>(levelVertices.size());
    const std::int64_t begin = std::clamp<std::int64_t>(firstVertex, 0, size);
    const std::int64_t end = std::clamp<std::int64_t>(
        std::int64_t(firstVertex) + std::int64_t(numVertices), begin, size);
    for (std::int64_t index = begin; index < end; ++index) {
        levelVertices[static_cast<std::size_t>(index)].flipT();
    }
}
