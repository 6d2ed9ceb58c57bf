// ImageDecoder: JPEG through the project's libjpeg decoder, TGA and PNG through stb_image, both
// behind one size check.
#include "texture/ImageDecoder.h"

#include <stb/stb_image.h>

#include <algorithm>
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

bool isPng(const std::vector<std::uint8_t>& bytes) {
    static constexpr std::uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    return bytes.size() >= sizeof kSignature &&
           std::memcmp(bytes.data(), kSignature, sizeof kSignature) == 0;
}

std::uint32_t littleEndian16(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8;
}

constexpr std::size_t kTgaHeaderBytes = 18;

// stb_image reads zeros past the end of a TGA, so a file cut short would be taken as an image
// whose lower rows are black. The pixels its header promises must be there: whole for the plain
// kinds, and for the run-length kinds every packet (walked, not decoded) up to the last pixel.
// Empty when they are; called only on a header stb_image accepted, whose sides are checked.
std::string tgaShortfall(const std::vector<std::uint8_t>& bytes) {
    const unsigned kind = bytes[2];
    const unsigned depth = bytes[16];
    const bool runLength = kind == 9 || kind == 10 || kind == 11;
    // The other formats stb_image knows start with letters where a TGA has its colour-map type.
    const bool tga = bytes[1] <= 1 && (runLength || kind == 1 || kind == 2 || kind == 3) &&
                     (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32);
    if (!tga) {
        return {};
    }
    const std::uint64_t width = littleEndian16(bytes, 12);
    const std::uint64_t height = littleEndian16(bytes, 14);
    const std::uint64_t pixelBytes = (std::uint64_t{depth} + 7) / 8;
    const std::uint64_t mapEntryBytes = (std::uint64_t{bytes[7]} + 7) / 8;
    const std::uint64_t mapBytes = bytes[1] != 0 ? littleEndian16(bytes, 5) * mapEntryBytes : 0;
    std::uint64_t at = kTgaHeaderBytes + bytes[0] + mapBytes;
    const std::uint64_t pixels = width * height;
    const std::uint64_t size = bytes.size();
    std::uint64_t covered = 0;
    if (!runLength) {
        covered = at >= size ? 0 : std::min(pixels, (size - at) / pixelBytes);
    } else {
        while (covered < pixels && at < size) {
            const std::uint8_t packet = bytes[at++];
            const std::uint64_t count = (packet & 0x7Fu) + 1u;
            const std::uint64_t dataBytes = (packet & 0x80u) != 0 ? pixelBytes : count * pixelBytes;
            if (at + dataBytes > size) {
                break;
            }
            at += dataBytes;
            covered += count;
        }
    }
    if (covered >= pixels) {
        return {};
    }
    return "truncated: the header promises " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels, the data holds " + std::to_string(covered);
}

// " (reason)" for stb_image's last failure; empty when it gives none.
std::string stbReason() {
    const char* reason = stbi_failure_reason();
    return reason != nullptr && *reason != '\0' ? std::string(" (") + reason + ")" : std::string();
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
        error = "not a readable image" + stbReason();
        return false;
    }
    if (width <= 0 || height <= 0 || std::uint32_t(width) > ImageDecoder::kMaxImageSide ||
        std::uint32_t(height) > ImageDecoder::kMaxImageSide) {
        error = "image of " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels is larger than " + std::to_string(ImageDecoder::kMaxImageSide) + " x " +
                std::to_string(ImageDecoder::kMaxImageSide);
        return false;
    }
    if (!isPng(bytes) && bytes.size() >= kTgaHeaderBytes) {
        error = tgaShortfall(bytes);
        if (!error.empty()) {
            return false;
        }
    }
    const int wanted = (components == 2 || components == 4) ? 4 : 3;
    int decodedWidth = 0;
    int decodedHeight = 0;
    int fileComponents = 0;
    stbi_uc* pixels = stbi_load_from_memory(bytes.data(), size, &decodedWidth, &decodedHeight,
                                            &fileComponents, wanted);
    if (pixels == nullptr) {
        // A PNG cut short ends here ("outofdata"): stb_image does not pad one.
        error = "image could not be decoded" + stbReason();
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
