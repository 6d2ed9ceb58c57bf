// ByteReader: bounded little-endian reads.
#include "level/ByteReader.h"

#include <bit>
#include <cstring>

void ByteReader::seek(std::int64_t offset) {
    if (offset < 0 || static_cast<std::uint64_t>(offset) > bytes.size()) {
        failure = true;
        cursor = bytes.size();
        return;
    }
    cursor = static_cast<std::size_t>(offset);
}

void ByteReader::readBytes(void* destination, std::size_t count) {
    if (count > remaining()) {
        std::memset(destination, 0, count);
        failure = true;
        cursor = bytes.size();
        return;
    }
    if (count > 0) {
        std::memcpy(destination, bytes.data() + cursor, count);
    }
    cursor += count;
}

std::uint32_t ByteReader::readUint32() {
    std::uint8_t raw[4];
    readBytes(raw, sizeof raw);
    return std::uint32_t(raw[0]) | std::uint32_t(raw[1]) << 8 | std::uint32_t(raw[2]) << 16 |
           std::uint32_t(raw[3]) << 24;
}

std::int32_t ByteReader::readInt32() {
    return static_cast<std::int32_t>(readUint32());
}

float ByteReader::readFloat32() {
    return std::bit_cast<float>(readUint32());
}

std::uint8_t ByteReader::readUint8() {
    std::uint8_t value = 0;
    readBytes(&value, 1);
    return value;
}
