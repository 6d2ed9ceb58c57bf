// The change from file axes (z up) to viewer axes (y up): a file (x, y, z) is held as (x, z, -y).
#pragma once

#include <cstdint>

#include "geometry/Point.h"
#include "level/ByteReader.h"

inline Point toViewerAxes(float x, float y, float z) {
    return Point(x, z, -y);
}

inline void readConvertedFloats(ByteReader& reader, float* destination) {
    const float x = reader.readFloat32();
    const float y = reader.readFloat32();
    const float z = reader.readFloat32();
    const Point viewer = toViewerAxes(x, y, z);
    destination[0] = viewer.getX();
    destination[1] = viewer.getY();
    destination[2] = viewer.getZ();
}

// Integer boxes are negated as integers; the most negative int32 wraps as two's complement does.
inline void readConvertedInts(ByteReader& reader, std::int32_t* destination) {
    const std::int32_t x = reader.readInt32();
    const std::int32_t y = reader.readInt32();
    const std::int32_t z = reader.readInt32();
    destination[0] = x;
    destination[1] = z;
    destination[2] = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(y));
}
