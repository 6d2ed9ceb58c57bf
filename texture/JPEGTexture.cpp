// JPEGTexture: decodes a JPEG file with libjpeg, one scanline at a time, into one unpadded block.
#include "texture/JPEGTexture.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

// libjpeg's header needs size_t and FILE declared before it.
#include <jpeglib.h>
// After jpeglib.h, which it needs; for the warning codes.
#include <jerror.h>

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

// The decoder's output must be a layout GL can take as it is: one, three or four bytes a pixel,
// and no more than maxPixelBytes of them. Empty when the image can be decoded.
std::string decodabilityProblem(const jpeg_decompress_struct& decompressor,
                                std::uint64_t maxPixelBytes) {
    const int components = decompressor.output_components;
    if (components != 1 && components != 3 && components != 4) {
        return "JPEG images with " + std::to_string(components) +
               " colour components are not supported";
    }
    const std::uint64_t bytes = std::uint64_t{decompressor.output_width} *
                                decompressor.output_height * static_cast<std::uint64_t>(components);
    if (bytes > maxPixelBytes) {
        return "image of " + std::to_string(decompressor.output_width) + " x " +
               std::to_string(decompressor.output_height) + " pixels is too large";
    }
    return {};
}

bool checkDecodable(const jpeg_decompress_struct& decompressor, const std::string& path) {
    const std::string problem = decodabilityProblem(decompressor, kMaxPixelBytes);
    if (!problem.empty()) {
        std::cerr << path << ": " << problem << std::endl;
        return false;
    }
    return true;
}

// An error manager that jumps back to the decoding call instead of ending the process, and
// keeps libjpeg's warnings off the standard error stream.
struct JumpingErrorManager {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    // libjpeg pads a file cut short and says so only in a warning.
    bool endedEarly = false;
};

[[noreturn]] void jumpOnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<JumpingErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void discardMessage(j_common_ptr) {}

void noteWarning(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        reinterpret_cast<JumpingErrorManager*>(info->err)->endedEarly = true;
    }
}

// The libjpeg calls between setjmp and the jumps construct no C++ object, so a jump skips no
// destructor. pixels is sized only after the header passed the checks.
bool decodeWithJump(jpeg_decompress_struct& decompressor, JumpingErrorManager& errors,
                    const std::uint8_t* bytes, std::size_t size, std::uint64_t maxPixelBytes,
                    DecodedImage& image, std::string& error) {
    if (setjmp(errors.jump) != 0) {
        error = errors.message;
        return false;
    }
    jpeg_mem_src(&decompressor, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&decompressor, TRUE);
    jpeg_calc_output_dimensions(&decompressor);
    error = decodabilityProblem(decompressor, maxPixelBytes);
    if (!error.empty()) {
        return false;
    }
    image.width = decompressor.output_width;
    image.height = decompressor.output_height;
    image.components = decompressor.output_components;
    const std::size_t rowBytes =
        std::size_t{image.width} * static_cast<std::size_t>(image.components);
    image.pixels.assign(rowBytes * image.height, 0);
    jpeg_start_decompress(&decompressor);
    while (decompressor.output_scanline < decompressor.output_height) {
        JSAMPROW row = image.pixels.data() + rowBytes * decompressor.output_scanline;
        if (jpeg_read_scanlines(&decompressor, &row, 1) == 0) {
            break;  // the memory source never suspends; a short file is padded by libjpeg
        }
    }
    jpeg_finish_decompress(&decompressor);
    if (errors.endedEarly) {
        error = "truncated: the data ends before the image does";
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

bool JPEGTexture::decodeFromMemory(const std::uint8_t* bytes, std::size_t size,
                                   std::uint64_t maxPixelBytes, DecodedImage& image,
                                   std::string& error) {
    image = DecodedImage();
    jpeg_decompress_struct decompressor;
    JumpingErrorManager errors;
    decompressor.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = jumpOnError;
    errors.manager.output_message = discardMessage;
    errors.manager.emit_message = noteWarning;
    jpeg_create_decompress(&decompressor);
    const bool decoded =
        decodeWithJump(decompressor, errors, bytes, size, maxPixelBytes, image, error);
    jpeg_destroy_decompress(&decompressor);
    if (!decoded) {
        image = DecodedImage();
    }
    return decoded;
}
