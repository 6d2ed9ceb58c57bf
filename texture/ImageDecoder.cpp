// ImageDecoder: JPEG through the project's libjpeg decoder, TGA and PNG through stb_image, both
// behind one size check.
#include "texture/ImageDecoder.h"

#include <stb/stb_image.h>

#include <climits>
#include <cstring>
#include <ostream>

#include "texture/JPEGTexture.h"

namespace {

constexpr std::uint64_t kMaxPixelBytes =
    std::uint64_t{ImageDecoder::kMaxImageSide} * ImageDecoder::kMaxImageSide * 4;

bool isJpeg(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8;
}

// stb_image reads its own header first, so the size is known and checked before it allocates.
bool decodeWithStb(const std::vector<std::uint8_t>& bytes, DecodedImage& image,
                   std::string& error) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "file too large for an image";
        return false;
    }
    const int size = static_cast<int>(bytes.size());
    int width = 0;
    int height = 0;
    int components = 0;
    if (stbi_info_from_memory(bytes.data(), size, &width, &height, &components) == 0) {
        error = std::string("not a readable image (") + stbi_failure_reason() + ")";
        return false;
    }
    if (width <= 0 || height <= 0 || std::uint32_t(width) > ImageDecoder::kMaxImageSide ||
        std::uint32_t(height) > ImageDecoder::kMaxImageSide) {
        error = "image of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is larger than " + std::to_string(ImageDecoder::kMaxImageSide) + " x " +
                std::to_string(ImageDecoder::kMaxImageSide);
        return false;
    }
    const int wanted = (components == 2 || components == 4) ? 4 : 3;
    int decodedWidth = 0;
    int decodedHeight = 0;
    int fileComponents = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), size, &decodedWidth, &decodedHeight,
                                            &fileComponents, wanted);
    if (pixels == nullptr) {
        error = std::string("image could not be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    // The decoder read the header again; hold it to the size that was checked.
    if (decodedWidth != width || decodedHeight != height) {
        stbi_image_free(pixels);
        error = "image header changed while decoding";
        return false;
    }
    image.width = std::uint32_t(width);
    image.height = std::uint32_t(height);
    image.components = wanted;
    const std::size_t byteCount = std::size_t(width) * std::size_t(height) * std::size_t(wanted);
    image.pixels.assign(pixels, pixels + byteCount);
    stbi_image_free(pixels);
    return true;
}

}  // namespace

bool ImageDecoder::decode(const std::vector<std::uint8_t>& bytes, const std::string& fileName,
                          DecodedImage& image, std::ostream& log) {
    image = DecodedImage();
    std::string error;
    bool decoded = false;
    if (isJpeg(bytes)) {
        decoded =
            JPEGTexture::decodeFromMemory(bytes.data(), bytes.size(), kMaxPixelBytes, image, error);
        if (decoded && (image.width > kMaxImageSide || image.height > kMaxImageSide)) {
            error = "image of " + std::to_string(image.width) + " x " +
                    std::to_string(image.height) + " pixels is too large";
            decoded = false;
        }
    } else {
        decoded = decodeWithStb(bytes, image, error);
    }
    if (!decoded) {
        image = DecodedImage();
        log << fileName << ": " << error << '\n';
    }
    return decoded;
}

bool ImageDecoder::hasTransparency(const DecodedImage& image) {
    if (image.components != 4) {
        return false;
    }
    for (std::size_t alpha = 3; alpha < image.pixels.size(); alpha += 4) {
        if (image.pixels[alpha] != 0xFF) {
            return true;
        }
    }
    return false;
}
