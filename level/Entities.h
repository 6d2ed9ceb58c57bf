// Spawn points read from a level's entity text: the origins of its player start entities.
#pragma once

#include <string_view>
#include <vector>

#include "geometry/Point.h"

// The "origin" of every info_player_deathmatch and info_player_start entity, in text order,
// turned from file axes into viewer axes. Entities without a readable origin are left out, and
// text that is not well formed ends the reading without an error: what was read stays.
std::vector<Point> findSpawnPoints(std::string_view entityText);
