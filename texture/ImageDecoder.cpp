// ImageDecoder: JPEG through the project's libjpeg decoder, TGA and PNG through stb_image, both
// behind one size check.
#include "texture/ImageDecoder.h"

#include <stb/stb_image.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
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

// Where a TGA's pixels lie and how they are stored, from a header stb_image accepted.
struct TgaLayout {
    bool runLength = false;
    bool colourMapped = false;
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    std::uint64_t pixelBytes = 0;
    std::uint64_t paletteColours = 0;
    std::uint64_t dataStart = 0;
};

// Nothing when the bytes are not a TGA of a kind whose data is walked here. The other formats
// stb_image knows start with letters where a TGA has its colour-map type.
std::optional<TgaLayout> tgaLayout(const std::vector<std::uint8_t>& bytes) {
    const unsigned kind = bytes[2];
    const unsigned depth = bytes[16];
    TgaLayout layout;
    layout.runLength = kind == 9 || kind == 10 || kind == 11;
    layout.colourMapped = bytes[1] == 1 && (kind == 1 || kind == 9);
    const bool tga = bytes[1] <= 1 && (layout.runLength || kind == 1 || kind == 2 || kind == 3) &&
                     (depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32);
    if (!tga) {
        return std::nullopt;
    }
    layout.width = littleEndian16(bytes, 12);
    layout.height = littleEndian16(bytes, 14);
    layout.pixelBytes = (std::uint64_t{depth} + 7) / 8;
    const std::uint64_t mapEntryBytes = (std::uint64_t{bytes[7]} + 7) / 8;
    layout.paletteColours = bytes[1] != 0 ? littleEndian16(bytes, 5) : 0;
    layout.dataStart = kTgaHeaderBytes + bytes[0] + layout.paletteColours * mapEntryBytes;
    return layout;
}

// Walks the stored pixels up to the last one the header promises or the end of the bytes,
// calling visit(value, count) for each stored value (a run-length packet's value counts for
// its whole run); how many pixels the bytes hold.
template <typename Visit>
std::uint64_t walkTgaPixels(const std::vector<std::uint8_t>& bytes, const TgaLayout& layout,
                            Visit visit) {
    const std::uint64_t pixels = layout.width * layout.height;
    const std::uint64_t size = bytes.size();
    std::uint64_t at = layout.dataStart;
    std::uint64_t covered = 0;
    while (covered < pixels && at < size) {
        std::uint64_t count = 1;
        bool repeated = false;
        if (layout.runLength) {
            const std::uint8_t packet = bytes[at++];
            count = (packet & 0x7Fu) + 1u;
            repeated = (packet & 0x80u) != 0;
        }
        const std::uint64_t values = repeated ? 1 : count;
        if (at + values * layout.pixelBytes > size) {
            break;
        }
        for (std::uint64_t value = 0; value < values; ++value) {
            visit(&bytes[at + value * layout.pixelBytes], repeated ? count : 1);
        }
        at += values * layout.pixelBytes;
        covered += count;
    }
    return covered;
}

// stb_image reads zeros past the end of a TGA, so a file cut short would be taken as an image
// whose lower rows are black. The pixels its header promises must be there: whole for the plain
// kinds, and for the run-length kinds every packet (walked, not decoded) up to the last pixel.
// Empty when they are; called only on a header stb_image accepted, whose sides are checked.
std::string tgaShortfall(const std::vector<std::uint8_t>& bytes, const TgaLayout& layout) {
    const std::uint64_t pixels = layout.width * layout.height;
    std::uint64_t covered = 0;
    if (!layout.runLength) {
        const std::uint64_t size = bytes.size();
        covered = layout.dataStart >= size
                      ? 0
                      : std::min(pixels, (size - layout.dataStart) / layout.pixelBytes);
    } else {
        covered = walkTgaPixels(bytes, layout, [](const std::uint8_t*, std::uint64_t) {});
    }
    if (covered >= pixels) {
        return {};
    }
    return "truncated: the header promises " + std::to_string(layout.width) + " x " +
           std::to_string(layout.height) + " pixels, the data holds " + std::to_string(covered);
}

// stb_image draws a colour-map index past the palette in the palette's first colour, without a
// word; this says so, once for the image. Empty when every index is in the palette.
std::string tgaIndexPastPalette(const std::vector<std::uint8_t>& bytes, const TgaLayout& layout) {
    if (!layout.colourMapped || (layout.pixelBytes != 1 && layout.pixelBytes != 2)) {
        return {};
    }
    std::uint64_t outside = 0;
    std::uint64_t first = 0;
    walkTgaPixels(bytes, layout, [&](const std::uint8_t* value, std::uint64_t count) {
        const std::uint64_t index = layout.pixelBytes == 1
                                        ? value[0]
                                        : std::uint64_t{value[0]} | std::uint64_t{value[1]} << 8;
        if (index >= layout.paletteColours) {
            first = outside == 0 ? index : first;
            outside += count;
        }
    });
    if (outside == 0) {
        return {};
    }
    return std::to_string(outside) + " pixel" + (outside == 1 ? "" : "s") +
           " with a colour-map index past the palette's " + std::to_string(layout.paletteColours) +
           " colours (the first " + std::to_string(first) +
           "); drawn in the palette's first colour";
}

// stb_image refuses a PNG too large to decode, then tries the other formats on it and reports
// the last one's failure ("unknown image type"); its own header says what is wrong. Empty when
// the sides fit or the header is not there to read.
std::string pngSizeProblem(const std::vector<std::uint8_t>& bytes) {
    constexpr std::size_t kSidesEnd = 24;  // signature, chunk length and type, width, height
    if (!isPng(bytes) || bytes.size() < kSidesEnd || std::memcmp(&bytes[12], "IHDR", 4) != 0) {
        return {};
    }
    auto bigEndian32 = [&](std::size_t at) {
        return std::uint64_t{bytes[at]} << 24 | std::uint64_t{bytes[at + 1]} << 16 |
               std::uint64_t{bytes[at + 2]} << 8 | std::uint64_t{bytes[at + 3]};
    };
    const std::uint64_t width = bigEndian32(16);
    const std::uint64_t height = bigEndian32(20);
    if (width <= ImageDecoder::kMaxImageSide && height <= ImageDecoder::kMaxImageSide) {
        return {};
    }
    return "PNG of " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels is larger than " + std::to_string(ImageDecoder::kMaxImageSide) + " x " +
           std::to_string(ImageDecoder::kMaxImageSide);
}

// " (reason)" for stb_image's last failure; empty when it gives none.
std::string stbReason() {
    const char* reason = stbi_failure_reason();
    return reason != nullptr && *reason != '\0' ? std::string(" (") + reason + ")" : std::string();
}

// stb_image reads its own header first, so the size is known and checked before it allocates.
// warning is what is drawn otherwise than the file says, for an image that decodes.
bool decodeWithStb(const std::vector<std::uint8_t>& bytes, DecodedImage& image, std::string& error,
                   std::string& warning) {
    if (bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "file too large for an image";
        return false;
    }
    const int size = static_cast<int>(bytes.size());
    int width = 0;
    int height = 0;
    int components = 0;
    if (error = pngSizeProblem(bytes); !error.empty()) {
        return false;
    }
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
    std::optional<TgaLayout> tga;
    if (!isPng(bytes) && bytes.size() >= kTgaHeaderBytes) {
        tga = tgaLayout(bytes);
    }
    if (tga) {
        error = tgaShortfall(bytes, *tga);
        if (!error.empty()) {
            return false;
        }
        warning = tgaIndexPastPalette(bytes, *tga);
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
    std::string warning;
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
        decoded = decodeWithStb(bytes, image, error, warning);
    }
    if (!decoded) {
        image = DecodedImage();
        log << fileName << ": " << error << '\n';
    } else if (!warning.empty()) {
        log << fileName << ": " << warning << '\n';
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
