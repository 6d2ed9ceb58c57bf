// The sample sky picture.
#include "generators/SampleSky.h"

#include <cmath>

namespace {

void setPixel(std::vector<std::uint8_t>& pixels, std::size_t at, double r, double g, double b) {
    pixels[at] = static_cast<std::uint8_t>(std::lround(r));
    pixels[at + 1] = static_cast<std::uint8_t>(std::lround(g));
    pixels[at + 2] = static_cast<std::uint8_t>(std::lround(b));
}

}  // namespace

std::vector<std::uint8_t> sampleSkyPixels(int size) {
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size) * size * 3);
    const double horizon = size * 0.5;
    const double sunX = size * 0.7;
    const double sunY = size * 0.2;
    const double sunRadius = size * 0.06;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * size + x) * 3;
            if (y < horizon) {
                // Deep blue overhead, paler towards the horizon, a yellow sun.
                const double fromTop = y / horizon;
                if (std::hypot(x - sunX, y - sunY) < sunRadius) {
                    setPixel(pixels, at, 255, 235, 120);
                } else {
                    setPixel(pixels, at, 40 + 130 * fromTop, 90 + 120 * fromTop,
                             200 + 50 * fromTop);
                }
            } else {
                // Green grass at the horizon turning to brown earth at the bottom.
                const double fromHorizon = (y - horizon) / (size - horizon);
                setPixel(pixels, at, 60 + 60 * fromHorizon, 120 - 50 * fromHorizon,
                         40 - 10 * fromHorizon);
            }
        }
    }
    return pixels;
}
