// ByteReader: a little-endian cursor over bytes held in memory that cannot read past their end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : bytes(data) {}
    virtual ~ByteReader() = default;

    // Moves to an absolute offset; an offset outside the data marks the reader failed.
    void seek(std::int64_t offset);
    std::size_t position() const { return cursor; }
    std::size_t size() const { return bytes.size(); }
    std::size_t remaining() const { return bytes.size() - cursor; }
    // True once any read or seek asked for bytes that are not there.
    bool failed() const { return failure; }

    // Each read past the end yields zeros, marks the reader failed and leaves the cursor at the
    // end.
    std::int32_t readInt32();
    std::uint32_t readUint32();
    float readFloat32();
    std::uint8_t readUint8();
    void readBytes(void* destination, std::size_t count);

private:
    std::span<const std::uint8_t> bytes;
    std::size_t cursor = 0;
    bool failure = false;
};
