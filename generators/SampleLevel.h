// The built-in sample level: two rooms joined by a bent corridor under a curved arch, described
// in file axes for the level writer. Its layout is documented in SampleLevel.cpp.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "generators/LevelWriter.h"

LevelDescription sampleLevel();
// The sample's one lightmap page: 128 x 128 RGB texels.
std::vector<std::uint8_t> sampleLightmapPage();
// The mural's image, size x size RGB pixels, row 0 at the top: velmora-sample writes it as
// kSampleMuralImage under the data folder.
std::vector<std::uint8_t> sampleMuralPixels(int size);
inline constexpr char kSampleMuralImage[] = "textures/sample/mural.jpg";
inline constexpr int kSampleMuralSize = 128;
inline constexpr int kSampleMuralJpegQuality = 90;

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
