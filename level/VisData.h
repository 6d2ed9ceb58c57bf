// VisData: the potentially-visible-set bit matrix, one row of bytesPerCluster bytes per cluster.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ByteReader;

class VisData {
public:
    VisData() = default;
    // Reads the 8-byte header at the reader's position, then the matrix when it fits in
    // availableBytes (the bytes of the lump after the header); otherwise the data holds no rows.
    VisData(ByteReader& reader, std::int64_t availableBytes);
    virtual ~VisData() = default;

    bool hasRows() const { return !bits.empty(); }

    // True when a matrix of clusters x rowBytes bytes is non-negative and fits both in the
    // lump's availableBytes and in the readerBytes left in the file.
    static bool matrixFits(std::int32_t clusters, std::int32_t rowBytes,
                           std::int64_t availableBytes, std::size_t readerBytes);

    // The PVS bit test: bit index of a row, lowest bit of each byte first. index is within the
    // row's bits.
    static bool rowHasBit(const std::uint8_t* row, std::int64_t index) {
        return (row[index >> 3] & (1u << (index & 7))) != 0;
    }

    std::int32_t numClusters = 0;
    std::int32_t bytesPerCluster = 0;
    // numClusters x bytesPerCluster bytes, row-major; empty when the lump holds no matrix.
    std::vector<std::uint8_t> bits;
};
