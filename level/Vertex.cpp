// Vertex: reading, scaling and addition used by the loader and the patch tessellation.
#include "level/Vertex.h"

#include "level/AxisChange.h"
#include "level/ByteReader.h"

Vertex::Vertex(ByteReader& reader) {
    readConvertedFloats(reader, position);
    texCoord[0] = reader.readFloat32();
    texCoord[1] = reader.readFloat32();
    lightmapCoord[0] = reader.readFloat32();
    lightmapCoord[1] = reader.readFloat32();
    readConvertedFloats(reader, normal);
    for (std::uint8_t& channel : color) {
        channel = reader.readUint8();
    }
}

Vertex Vertex::scaled(double factor) const {
    Vertex result = *this;
    auto scale = [factor](float* values, int count) {
        for (int i = 0; i < count; ++i) {
            values[i] = static_cast<float>(values[i] * factor);
        }
    };
    scale(result.position, 3);
    scale(result.texCoord, 2);
    scale(result.lightmapCoord, 2);
    scale(result.normal, 3);
    return result;
}

Vertex Vertex::operator+(const Vertex& other) const {
    Vertex result = *this;
    auto add = [](float* values, const float* addends, int count) {
        for (int i = 0; i < count; ++i) {
            values[i] += addends[i];
        }
    };
    add(result.position, other.position, 3);
    add(result.texCoord, other.texCoord, 2);
    add(result.lightmapCoord, other.lightmapCoord, 2);
    add(result.normal, other.normal, 3);
    return result;
}
