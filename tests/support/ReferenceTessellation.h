// The plain patch computation, straight from the formulas with the Vertex operations, that the
// tessellation's results are compared with bit for bit.
#pragma once

#include <array>
#include <cstring>

#include "level/Vertex.h"

// Vertex (i, j) of a patch at level L, one vertex at a time.
inline Vertex referencePatchVertex(const Vertex (&controls)[9], int level, int i, int j) {
    auto basis = [](double x) {
        return std::array<double, 3>{(1 - x) * (1 - x), 2 * x * (1 - x), x * x};
    };
    const auto bu = basis(static_cast<double>(i) / level);
    const auto bv = basis(static_cast<double>(j) / level);
    Vertex rows[3];
    for (int r = 0; r < 3; ++r) {
        rows[r] = controls[3 * r].scaled(bu[0]) + controls[3 * r + 1].scaled(bu[1]) +
                  controls[3 * r + 2].scaled(bu[2]);
    }
    return rows[0].scaled(bv[0]) + rows[1].scaled(bv[1]) + rows[2].scaled(bv[2]);
}

// Compares the fields one by one, so that a change of the Vertex layout cannot hide a difference.
inline bool sameBits(const Vertex& a, const Vertex& b) {
    return std::memcmp(a.position, b.position, sizeof a.position) == 0 &&
           std::memcmp(a.texCoord, b.texCoord, sizeof a.texCoord) == 0 &&
           std::memcmp(a.lightmapCoord, b.lightmapCoord, sizeof a.lightmapCoord) == 0 &&
           std::memcmp(a.normal, b.normal, sizeof a.normal) == 0 &&
           std::memcmp(a.color, b.color, sizeof a.color) == 0;
}
