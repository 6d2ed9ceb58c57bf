// The spots the benchmark flies to in a level.
#pragma once

#include <cstddef>
#include <vector>

#include "geometry/Point.h"
#include "level/BSPMap.h"
#include "level/Entities.h"

// The level's spawn points in entity-text order, at most maxSpots of them; without spawn points
// the centre of the first model's box (the world), and without a model the fallback.
inline std::vector<Point> benchRoute(const BSPMap& level, std::size_t maxSpots,
                                     const Point& fallback) {
    std::vector<Point> spots = findSpawnPoints(level.getEntityText());
    if (spots.size() > maxSpots) {
        spots.resize(maxSpots);
    }
    if (!spots.empty()) {
        return spots;
    }
    if (level.getModels().empty()) {
        return {fallback};
    }
    // Box corners are in viewer axes already, not sorted; the centre does not care.
    const Model& world = level.getModels().front();
    auto centre = [&](int axis) { return (world.mins[axis] + world.maxs[axis]) / 2.0f; };
    return {Point(centre(0), centre(1), centre(2))};
}
