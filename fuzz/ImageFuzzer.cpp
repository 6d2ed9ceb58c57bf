// libFuzzer target: arbitrary bytes as one image file, through the same decoder the face
// textures use; JPEG and the stb formats are told apart by their first bytes.
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

#include "texture/DecodedImage.h"
#include "texture/ImageDecoder.h"

namespace {

void require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::ostream discarded(nullptr);
    DecodedImage image;
    if (ImageDecoder::decode(std::vector<std::uint8_t>(data, data + size), "fuzz", image,
                             discarded)) {
        // What the upload hands to GL must be exactly the size the image claims.
        require(image.width > 0 && image.height > 0);
        require(image.width <= ImageDecoder::kMaxImageSide &&
                image.height <= ImageDecoder::kMaxImageSide);
        require(image.pixels.size() ==
                std::size_t{image.width} * image.height * std::size_t(image.components));
        ImageDecoder::hasTransparency(image);
    }
    return 0;
}
