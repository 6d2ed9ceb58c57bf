// The sample sky picture and a small libjpeg writer for it: blue sky with a sun above a horizon,
// brown and green ground below, so that a sky drawn upside down is obvious.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kSampleSkySize = 256;

// size x size RGB pixels, row 0 at the top.
std::vector<std::uint8_t> sampleSkyPixels(int size);

// Writes width x height pixels of components bytes each (3 for RGB, 1 for greyscale), rows from
// the top, as a baseline JPEG. Returns false with the reason in error when the file cannot be
// written.
bool writeJpeg(const std::string& path, int width, int height, int components,
               const std::vector<std::uint8_t>& pixels, std::string& error);
