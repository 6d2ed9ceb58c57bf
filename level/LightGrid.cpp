// The light grid: its box from the world model's bounds, the lump checked against it, and the
// trilinear sample.
#include "level/LightGrid.h"

#include <algorithm>
#include <cmath>

#include "geometry/PackedDirection.h"
#include "level/AxisChange.h"

namespace {

// Further than any level reaches; a bound beyond it (or not a number) is not a box.
constexpr double kMaxBound = 1.0e6;

}  // namespace

LightGrid::LightGrid(std::array<float, 3> firstCell, std::array<std::int32_t, 3> cellCounts,
                     std::span<const std::uint8_t> cellBytes)
    : origin(firstCell), counts(cellCounts), cells(cellBytes.begin(), cellBytes.end()) {}

LightGridResult LightGrid::build(std::span<const std::uint8_t> lump, const float worldMins[3],
                                 const float worldMaxs[3]) {
    if (lump.empty()) {
        return {};
    }
    // Viewer (x, y, z) is file (x, -z, y): back to the file's axes, where the cells are laid.
    const double fileMins[3] = {worldMins[0], -double(worldMins[2]), worldMins[1]};
    const double fileMaxs[3] = {worldMaxs[0], -double(worldMaxs[2]), worldMaxs[1]};
    std::array<float, 3> first{};
    std::array<std::int32_t, 3> cellCounts{};
    double cellTotal = 1.0;
    for (int axis = 0; axis < 3; ++axis) {
        const double low = std::min(fileMins[axis], fileMaxs[axis]);
        const double high = std::max(fileMins[axis], fileMaxs[axis]);
        if (!(std::abs(low) <= kMaxBound && std::abs(high) <= kMaxBound)) {
            return {std::nullopt, "light grid: the world model's bounds are not a box"};
        }
        const double firstIndex = std::ceil(low / kCellSize[axis]);
        const double count = std::floor(high / kCellSize[axis]) - firstIndex + 1.0;
        if (count < 1.0) {
            return {std::nullopt, "light grid: the world model's box holds no cell"};
        }
        first[axis] = static_cast<float>(firstIndex * kCellSize[axis]);
        cellCounts[axis] = static_cast<std::int32_t>(count);
        cellTotal *= count;
    }
    const double needed = cellTotal * kCellBytes;
    if (needed > double(lump.size())) {
        return {std::nullopt, "light grid: the world box needs " + std::to_string(cellCounts[0]) +
                                  " x " + std::to_string(cellCounts[1]) + " x " +
                                  std::to_string(cellCounts[2]) + " cells (" +
                                  std::to_string(static_cast<std::uint64_t>(needed)) +
                                  " bytes) but the lump holds " + std::to_string(lump.size())};
    }
    return {LightGrid(first, cellCounts, lump.first(static_cast<std::size_t>(needed))), {}};
}

LightSample LightGrid::sample(const Point& position) const {
    const float file[3] = {position.getX(), -position.getZ(), position.getY()};
    std::array<std::int32_t, 3> low{};
    std::array<std::int32_t, 3> high{};
    std::array<float, 3> towardHigh{};
    for (int axis = 0; axis < 3; ++axis) {
        const float along = (file[axis] - origin[axis]) / kCellSize[axis];
        const float last = float(counts[axis] - 1);
        // Written so that a position that is not a number samples the first cell rather than
        // turning into an index out of range.
        const float clamped = along > 0.0f ? std::min(along, last) : 0.0f;
        const float below = std::floor(clamped);
        low[axis] = static_cast<std::int32_t>(below);
        high[axis] = std::min(low[axis] + 1, counts[axis] - 1);
        towardHigh[axis] = clamped - below;
    }
    LightSample result;
    std::array<float, 3> direction{};
    for (int corner = 0; corner < 8; ++corner) {
        float weight = 1.0f;
        std::size_t index = 0;
        std::size_t stride = 1;
        for (int axis = 0; axis < 3; ++axis) {
            const bool upper = (corner >> axis) & 1;
            weight *= upper ? towardHigh[axis] : 1.0f - towardHigh[axis];
            index += stride * std::size_t(upper ? high[axis] : low[axis]);
            stride *= std::size_t(counts[axis]);
        }
        if (weight == 0.0f) {
            continue;
        }
        const std::uint8_t* cell = cells.data() + index * kCellBytes;
        const std::array<float, 3> toLight = unpackDirection(cell[6], cell[7]);
        for (int c = 0; c < 3; ++c) {
            result.ambient[c] += weight * cell[c];
            result.directed[c] += weight * cell[3 + c];
            direction[c] += weight * toLight[c];
        }
    }
    const float length = std::sqrt(direction[0] * direction[0] + direction[1] * direction[1] +
                                   direction[2] * direction[2]);
    if (length > 1.0e-6f) {
        const Point viewer =
            toViewerAxes(direction[0] / length, direction[1] / length, direction[2] / length);
        result.direction = {viewer.getX(), viewer.getY(), viewer.getZ()};
    }
    return result;
}
