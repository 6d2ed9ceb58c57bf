// VisData: reading the visibility header and, when it fits, the bit matrix it announces.
#include "level/VisData.h"

#include "level/ByteReader.h"

VisData::VisData(ByteReader& reader, std::int64_t availableBytes) {
    numClusters = reader.readInt32();
    bytesPerCluster = reader.readInt32();
    if (!matrixFits(numClusters, bytesPerCluster, availableBytes, reader.remaining())) {
        return;
    }
    // Both factors are non-negative int32 values, so their product fits in 64 bits.
    const auto matrixBytes =
        static_cast<std::size_t>(std::int64_t(numClusters) * std::int64_t(bytesPerCluster));
    bits.resize(matrixBytes);
    reader.readBytes(bits.data(), matrixBytes);
}

bool VisData::matrixFits(std::int32_t clusters, std::int32_t rowBytes, std::int64_t availableBytes,
                         std::size_t readerBytes) {
    if (clusters < 0 || rowBytes < 0 || availableBytes < 0) {
        return false;
    }
    const std::int64_t matrixBytes = std::int64_t(clusters) * std::int64_t(rowBytes);
    return matrixBytes <= availableBytes && static_cast<std::uint64_t>(matrixBytes) <= readerBytes;
}
