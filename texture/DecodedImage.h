// DecodedImage: pixels a decoder produced, in the layout GL takes as it is.
#pragma once

#include <cstdint>
#include <vector>

struct DecodedImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    // 1 (grey), 3 (RGB) or 4 (RGBA) bytes a pixel.
    int components = 0;
    // height rows of width * components bytes, top row first, no padding.
    std::vector<std::uint8_t> pixels;
};
