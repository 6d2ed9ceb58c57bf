// The sample sky picture, and JPEG output through libjpeg's standard error manager.
#include "level/SampleSky.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace {

constexpr int kJpegQuality = 90;

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

bool writeJpeg(const std::string& path, int width, int height, int components,
               const std::vector<std::uint8_t>& pixels, std::string& error) {
    if (pixels.size() != static_cast<std::size_t>(width) * height * components) {
        error =
            "pixel data does not match " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    jpeg_compress_struct compressor;
    jpeg_error_mgr errorManager;
    compressor.err = jpeg_std_error(&errorManager);
    jpeg_create_compress(&compressor);
    jpeg_stdio_dest(&compressor, file);
    compressor.image_width = static_cast<JDIMENSION>(width);
    compressor.image_height = static_cast<JDIMENSION>(height);
    compressor.input_components = components;
    compressor.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, kJpegQuality, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * components;
    while (compressor.next_scanline < compressor.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(pixels.data() + compressor.next_scanline * rowBytes);
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    const bool written = std::ferror(file) == 0;
    if (std::fclose(file) != 0 || !written) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
