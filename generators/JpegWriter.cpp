// JPEG output through libjpeg's standard error manager and standard file destination.
#include "generators/JpegWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <jpeglib.h>

namespace {

J_COLOR_SPACE colourSpaceFor(int components) {
    switch (components) {
        case 1:
            return JCS_GRAYSCALE;
        case 3:
            return JCS_RGB;
        case 4:
            return JCS_CMYK;
        default:
            return JCS_UNKNOWN;
    }
}

}  // namespace

bool writeJpeg(const std::filesystem::path& file, int width, int height, int components,
               const std::vector<std::uint8_t>& pixels, int quality, std::string& error) {
    if (width <= 0 || height <= 0 || components <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * height * components) {
        error = "pixel data does not match " + std::to_string(width) + " x " +
                std::to_string(height) + " x " + std::to_string(components);
        return false;
    }
    std::error_code directoryError;
    std::filesystem::create_directories(file.parent_path(), directoryError);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    jpeg_compress_struct compressor;
    jpeg_error_mgr errorManager;
    compressor.err = jpeg_std_error(&errorManager);
    jpeg_create_compress(&compressor);
    jpeg_stdio_dest(&compressor, out);
    compressor.image_width = static_cast<JDIMENSION>(width);
    compressor.image_height = static_cast<JDIMENSION>(height);
    compressor.input_components = components;
    compressor.in_color_space = colourSpaceFor(components);
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, quality, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * components;
    while (compressor.next_scanline < compressor.image_height) {
        JSAMPROW row = const_cast<JSAMPLE*>(pixels.data() + compressor.next_scanline * rowBytes);
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    const bool written = std::ferror(out) == 0;
    if (std::fclose(out) != 0 || !written) {
        error = "cannot write " + file.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}
