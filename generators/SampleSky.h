// The sample sky picture: blue sky with a sun above a horizon,
// brown and green ground below, so that a sky drawn upside down is obvious.
#pragma once

#include <cstdint>
#include <vector>

inline constexpr int kSampleSkySize = 256;
inline constexpr int kSampleSkyJpegQuality = 90;

// size x size RGB pixels, row 0 at the top.
std::vector<std::uint8_t> sampleSkyPixels(int size);
