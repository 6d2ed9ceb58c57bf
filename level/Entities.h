// The level's entities read from its entity text: blocks in braces of quoted "key" "value"
// pairs, and the player spawn points among them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geometry/Point.h"

// Longer keys and values are not well-formed entity text: the reader stops there.
inline constexpr std::size_t kMaxEntityKeyLength = 1024;
inline constexpr std::size_t kMaxEntityValueLength = 16384;
// No level reaches further, nor turns an entity further: a number beyond it is not placed.
inline constexpr float kMaxEntityNumber = 1.0e6f;
// At most this many lines name entities with bad numbers; one more line counts the rest.
inline constexpr std::size_t kMaxEntityProblemLines = 20;

struct Entity {
    // In text order; a key may appear more than once.
    std::vector<std::pair<std::string, std::string>> keys;

    // The first value of key, or "" when the entity has none.
    std::string_view value(std::string_view key) const;
    std::string_view className() const { return value("classname"); }
    // "origin" in viewer axes; nothing unless it is exactly three finite numbers within
    // kMaxEntityNumber.
    std::optional<Point> origin() const;
    // "angle" in degrees about the file's vertical axis; 0 when absent or unreadable.
    float angle() const;
    // What is wrong with the numbers the viewer reads from the entity ("origin", "angle"), naming
    // the key and its value, or "" when they are sound.
    std::string numberProblem() const;
    // The origin when every number the viewer reads is sound: where the entity is placed.
    std::optional<Point> placedAt() const;
};

struct EntityList {
    std::vector<Entity> entities;
    // Empty when the text is well formed and its numbers sound; otherwise one line each on what is
    // wrong and where, for the caller to prefix with the file's name. An entity with a bad number
    // is kept but not placed; a fault in the text itself is the last line, and the entities closed
    // before it are kept.
    std::vector<std::string> problems;
};

EntityList readEntities(std::string_view entityText);

// The "origin" of every info_player_deathmatch and info_player_start entity, in text order,
// in viewer axes. Entities that are not placed are left out; of text that is not well
// formed, what was read before the fault counts.
std::vector<Point> findSpawnPoints(std::string_view entityText);

inline constexpr std::string_view kDeathmatchSpawnClass = "info_player_deathmatch";
inline constexpr std::string_view kStartSpawnClass = "info_player_start";

struct PlayerSpawn {
    std::string_view className;  // one of the two spawn classes above
    Point origin;                // viewer axes
    float angleDegrees = 0.0f;   // about the file's vertical axis, 0 along the file's +x
};

// The player spawns in the order the viewer visits them: every info_player_deathmatch in text
// order, then every info_player_start; those that are not placed are left out.
std::vector<PlayerSpawn> playerSpawns(const EntityList& list);
