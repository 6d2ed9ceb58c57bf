// Writes JPEG files for tests with libjpeg.
#include "support/JpegFiles.h"

#include <cstdio>

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

bool writeTestJpeg(const std::filesystem::path& file, int width, int height, int components,
                   const std::vector<std::uint8_t>& pixels) {
    std::filesystem::create_directories(file.parent_path());
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    jpeg_compress_struct compressor;
    jpeg_error_mgr errors;
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    jpeg_stdio_dest(&compressor, out);
    compressor.image_width = static_cast<JDIMENSION>(width);
    compressor.image_height = static_cast<JDIMENSION>(height);
    compressor.input_components = components;
    compressor.in_color_space = colourSpaceFor(components);
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, 100, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    const std::size_t rowBytes = static_cast<std::size_t>(width) * components;
    while (compressor.next_scanline < compressor.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&pixels[compressor.next_scanline * rowBytes]);
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    return std::fclose(out) == 0;
}
