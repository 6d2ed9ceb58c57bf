// Reading the small fixed-size records, field by field in file order.
#include "level/Records.h"

#include <cstring>

#include "geometry/Plane.h"
#include "level/AxisChange.h"
#include "level/ByteReader.h"

const char* lumpName(int lumpIndex) {
    if (lumpIndex < 0 || lumpIndex >= kLumpCount) {
        return "unknown";
    }
    return kLumpLayouts[lumpIndex].name;
}

TextureRecord::TextureRecord(ByteReader& reader) {
    reader.readBytes(name, sizeof name);
    flags = reader.readInt32();
    contents = reader.readInt32();
}

std::string TextureRecord::nameText() const {
    return std::string(name, strnlen(name, sizeof name));
}

Node::Node(ByteReader& reader) {
    plane = reader.readInt32();
    front = reader.readInt32();
    back = reader.readInt32();
    readConvertedInts(reader, mins);
    readConvertedInts(reader, maxs);
}

Leaf::Leaf(ByteReader& reader) {
    cluster = reader.readInt32();
    area = reader.readInt32();
    readConvertedInts(reader, mins);
    readConvertedInts(reader, maxs);
    firstLeafFace = reader.readInt32();
    numLeafFaces = reader.readInt32();
    firstLeafBrush = reader.readInt32();
    numLeafBrushes = reader.readInt32();
}

Model::Model(ByteReader& reader) {
    readConvertedFloats(reader, mins);
    readConvertedFloats(reader, maxs);
    firstFace = reader.readInt32();
    numFaces = reader.readInt32();
    firstBrush = reader.readInt32();
    numBrushes = reader.readInt32();
}

Brush::Brush(ByteReader& reader) {
    firstSide = reader.readInt32();
    numSides = reader.readInt32();
    texture = reader.readInt32();
}

BrushSide::BrushSide(ByteReader& reader) {
    plane = reader.readInt32();
    texture = reader.readInt32();
}

Effect::Effect(ByteReader& reader) {
    char name[kEffectNameBytes] = {};
    reader.readBytes(name, sizeof name);
    shader.assign(name, strnlen(name, sizeof name));
    brush = reader.readInt32();
    visibleSide = reader.readInt32();
}

static Vec3 readPlaneNormal(ByteReader& reader) {
    float normal[3];
    readConvertedFloats(reader, normal);
    return Vec3(normal[0], normal[1], normal[2]);
}

Plane readPlane(ByteReader& reader) {
    const Vec3 normal = readPlaneNormal(reader);
    return Plane(normal, reader.readFloat32());
}
