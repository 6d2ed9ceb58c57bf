// JPEGTexture: decodes a JPEG file with libjpeg, one scanline at a time, into one unpadded block.
#include "texture/JPEGTexture.h"

#include <cstdio>
#include <cstring>
#include <iostream>

// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>

namespace {

// Far beyond any sky or texture image; keeps a forged header from sizing a huge allocation.
constexpr std::uint64_t kMaxPixelBytes = std::uint64_t{256} << 20;

GLenum formatForComponents(int components) {
    switch (components) {
        case 1:
            return GL_LUMINANCE;
        case 3:
            return GL_RGB;
        default:
            return GL_RGBA;
    }
}

// The decoder's output must be a layout GL can take as it is: one, three or four bytes a pixel.
bool checkDecodable(const jpeg_decompress_struct& decompressor, const std::string& path) {
    const int components = decompressor.output_components;
    if (components != 1 && components != 3 && components != 4) {
        std::cerr << path << ": JPEG images with " << components
                  << " colour components are not supported" << std::endl;
        return false;
    }
    const std::uint64_t bytes = std::uint64_t{decompressor.output_width} *
                                decompressor.output_height * static_cast<std::uint64_t>(components);
    if (bytes > kMaxPixelBytes) {
        std::cerr << path << ": image of " << decompressor.output_width << " x "
                  << decompressor.output_height << " pixels is too large" << std::endl;
        return false;
    }
    return true;
}

}  // namespace

JPEGTexture::JPEGTexture(const std::string& dataPath, const char (&textureName)[64])
    : path(dataPath + std::string(textureName, strnlen(textureName, sizeof textureName)) + ".jpg") {
    std::cerr << path << std::endl;

    jpeg_decompress_struct decompressor;
    jpeg_error_mgr errorManager;
    // The standard manager prints libjpeg's message and ends the process on corrupt data.
    decompressor.err = jpeg_std_error(&errorManager);
    jpeg_create_decompress(&decompressor);

    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        jpeg_destroy_decompress(&decompressor);
        return;
    }
    jpeg_stdio_src(&decompressor, file);
    jpeg_read_header(&decompressor, TRUE);
    jpeg_calc_output_dimensions(&decompressor);
    if (!checkDecodable(decompressor, path)) {
        jpeg_destroy_decompress(&decompressor);
        std::fclose(file);
        return;
    }
    width = decompressor.output_width;
    height = decompressor.output_height;
    const int components = decompressor.output_components;
    format = formatForComponents(components);

    const std::size_t rowBytes = std::size_t{width} * static_cast<std::size_t>(components);
    std::vector<std::vector<std::uint8_t>> rows(height, std::vector<std::uint8_t>(rowBytes));
    jpeg_start_decompress(&decompressor);
    while (decompressor.output_scanline < decompressor.output_height) {
        JSAMPROW row = rows[decompressor.output_scanline].data();
        if (jpeg_read_scanlines(&decompressor, &row, 1) == 0) {
            break;  // only a suspending data source returns no line; the file source never does
        }
    }
    jpeg_finish_decompress(&decompressor);
    std::fclose(file);
    jpeg_destroy(reinterpret_cast<j_common_ptr>(&decompressor));

    pixels.resize(rowBytes * height);
    for (std::size_t y = 0; y < rows.size(); ++y) {
        std::memcpy(&pixels[y * rowBytes], rows[y].data(), rowBytes);
    }
    loaded = true;
}
