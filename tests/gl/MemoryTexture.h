// A decoded image held in memory, standing in for a JPEG in the GL tests.
#pragma once

#include <cstdint>
#include <vector>

#include "texture/Texture.h"

class MemoryTexture : public Texture {
public:
    MemoryTexture(std::uint32_t imageWidth, std::uint32_t imageHeight, GLenum imageFormat,
                  std::vector<std::uint8_t> imagePixels, bool imageLoaded = true)
        : width(imageWidth),
          height(imageHeight),
          format(imageFormat),
          pixels(std::move(imagePixels)),
          loaded(imageLoaded) {}

    std::uint32_t imageWidth() const override { return width; }
    std::uint32_t imageHeight() const override { return height; }
    bool isLoaded() const override { return loaded; }
    const std::uint8_t* pixelData() const override { return pixels.data(); }
    GLenum pixelFormat() const override { return format; }

private:
    std::uint32_t width;
    std::uint32_t height;
    GLenum format;
    std::vector<std::uint8_t> pixels;
    bool loaded;
};

// An RGB image of four flat quadrants, rows top first: top-left, top-right, bottom-left and
// bottom-right take the four colours in that order.
inline std::vector<std::uint8_t> quadrantPixels(int width, int height,
                                                const std::uint8_t (&colours)[4][3]) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int quadrant = (y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1);
            pixels.insert(pixels.end(), colours[quadrant], colours[quadrant] + 3);
        }
    }
    return pixels;
}
