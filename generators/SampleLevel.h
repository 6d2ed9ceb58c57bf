// The built-in sample level: two rooms joined by a bent corridor under a curved arch, described
// in file axes for the level writer. Its layout is documented in SampleLevel.cpp.
#pragma once

#include <array>
#include <cstdint>

#include "generators/LevelWriter.h"

LevelDescription sampleLevel();

// Leaves that hold open space, each in its own cluster except the corridor's two.
inline constexpr std::int32_t kSampleRoomALeaf = 0;
inline constexpr std::int32_t kSampleArchLeaf = 1;
inline constexpr std::int32_t kSampleBendLeaf = 2;
inline constexpr std::int32_t kSampleRoomBLeaf = 3;
inline constexpr std::int32_t kSampleRoomACluster = 0;
inline constexpr std::int32_t kSampleCorridorCluster = 1;
inline constexpr std::int32_t kSampleRoomBCluster = 2;

// The first deathmatch spawn, in room A, in viewer axes; config/sample.cfg starts there.
inline constexpr std::array<int, 3> kSampleStartViewer = {256, 64, -128};
