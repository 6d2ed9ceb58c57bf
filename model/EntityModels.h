// EntityModels: which entities are drawn as which model files of the game data, and the family
// (spawn, light, item, other) a marker's colour tells. No GL.
#pragma once

#include <span>
#include <string_view>

enum class EntityFamily { spawn, light, item, other };

// Items, weapons, ammunition, armour, health, power-ups, holdables and flags.
bool isItemClass(std::string_view className);
EntityFamily familyOf(std::string_view className);
// The model files an item class is drawn with (health and some power-ups have two parts);
// empty for a class the table does not know.
std::span<const std::string_view> modelPathsOf(std::string_view className);
