// ImageDecoder: turns the bytes of a TGA, PNG or JPEG file into pixels, refusing images too large
// to be a texture before anything is allocated for them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "texture/DecodedImage.h"

class ImageDecoder {
public:
    // No side of a face texture is longer; larger headers are refused unread.
    static constexpr std::uint32_t kMaxImageSide = 4096;

    // Decodes bytes named fileName (the name is only for the message). JPEG goes to libjpeg, the
    // rest to stb_image. Images with an alpha channel come out as RGBA, the others as RGB (or
    // grey for grey JPEGs). False with one line "fileName: what is wrong" on log otherwise. An
    // image drawn otherwise than its file says (a TGA colour-map index past its palette) decodes,
    // with one line saying how.
    static bool decode(const std::vector<std::uint8_t>& bytes, const std::string& fileName,
                       DecodedImage& image, std::ostream& log);

    // True when some pixel of an RGBA image is not fully opaque.
    static bool hasTransparency(const DecodedImage& image);
};
