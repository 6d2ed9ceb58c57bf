// The lightmap lump's layout and the brightening its texels and the vertex colours share; no GL.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// A lightmap page is 128 x 128 RGB texels, three bytes each, no header.
inline constexpr int kLightmapPageSide = 128;
inline constexpr std::size_t kLightmapPageBytes = 3 * kLightmapPageSide * kLightmapPageSide;

// Face lightmap indices that name no page.
inline constexpr std::int32_t kNoLightmap = -1;
inline constexpr std::int32_t kVertexLitLightmap = -3;

// r, g and b times 4; where a channel then passes 255, all three are scaled by 255 / max
// (rounded) so the hue is kept. Lightmap texels and vertex colours both go through this.
std::array<std::uint8_t, 3> brightenedColour(std::uint8_t red, std::uint8_t green,
                                             std::uint8_t blue);
