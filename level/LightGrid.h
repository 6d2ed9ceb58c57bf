// LightGrid: the level's light volumes (lump 15), a box of cells over the world model, each with
// an ambient colour, a directed colour and the direction its light comes from; sampled between
// cells with trilinear weights. No GL.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "geometry/Point.h"

struct LightSample {
    // 0..255 a channel, as the file stores them (not brightened).
    std::array<float, 3> ambient{};
    std::array<float, 3> directed{};
    // Unit length toward the light, viewer axes; straight up when the cells give no direction.
    std::array<float, 3> direction{0.0f, 1.0f, 0.0f};
};

struct LightGridResult;

class LightGrid {
public:
    // Cells are 64 x 64 x 128 units along the file's x, y and z.
    static constexpr std::array<float, 3> kCellSize{64.0f, 64.0f, 128.0f};
    static constexpr std::size_t kCellBytes = 8;

    // lump: the light volume lump's bytes; worldMins and worldMaxs: model 0's corners as the level
    // holds them (viewer axes, not re-sorted). A lump shorter than the box needs is a problem; an
    // empty one gives neither grid nor problem.
    static LightGridResult build(std::span<const std::uint8_t> lump, const float worldMins[3],
                                 const float worldMaxs[3]);

    // The light at a point in viewer axes: the eight cells around it weighted by nearness, points
    // outside the box taking the nearest cells on its faces.
    LightSample sample(const Point& position) const;
    // Cells along the file's x, y and z.
    const std::array<std::int32_t, 3>& cellCounts() const { return counts; }

private:
    LightGrid(std::array<float, 3> firstCell, std::array<std::int32_t, 3> cellCounts,
              std::span<const std::uint8_t> cellBytes);

    // The centre of cell (0, 0, 0) in file axes.
    std::array<float, 3> origin;
    std::array<std::int32_t, 3> counts;
    // counts[0] * counts[1] * counts[2] cells of kCellBytes, x fastest, then y, then z.
    std::vector<std::uint8_t> cells;
};

// The grid, or nothing and why (problem empty when the lump is simply absent).
struct LightGridResult {
    std::optional<LightGrid> grid;
    std::string problem;
};
