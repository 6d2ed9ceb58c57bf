// LightmapSet: brightening lightmap texels and uploading the pages once, at load.
#include "texture/LightmapSet.h"

#include <algorithm>

namespace {

constexpr int kBrightnessShift = 2;

void setPageParameters() {
    // Clamped at the edge: faces share a page, and a repeat would bleed the opposite border
    // into a face's outer texels.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

}  // namespace

std::array<std::uint8_t, 3> brightenedColour(std::uint8_t red, std::uint8_t green,
                                             std::uint8_t blue) {
    const int shifted[3] = {red << kBrightnessShift, green << kBrightnessShift,
                            blue << kBrightnessShift};
    const int brightest = std::max({shifted[0], shifted[1], shifted[2]});
    std::array<std::uint8_t, 3> colour{};
    for (int channel = 0; channel < 3; ++channel) {
        const int value = brightest > 255 ? (shifted[channel] * 255 + brightest / 2) / brightest
                                          : shifted[channel];
        colour[static_cast<std::size_t>(channel)] = static_cast<std::uint8_t>(value);
    }
    return colour;
}

LightmapSet::~LightmapSet() {
    if (!pages.empty()) {
        glDeleteTextures(static_cast<GLsizei>(pages.size()), pages.data());
    }
    if (whiteTexture != 0) {
        glDeleteTextures(1, &whiteTexture);
    }
}

void LightmapSet::upload(std::span<const std::uint8_t> lumpBytes) {
    if (isUploaded()) {
        return;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const std::uint8_t kWhiteTexel[3] = {255, 255, 255};
    glGenTextures(1, &whiteTexture);
    glBindTexture(GL_TEXTURE_2D, whiteTexture);
    setPageParameters();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, kWhiteTexel);

    // A partial page at the end is left out; the validator reports such a lump.
    pages.resize(lumpBytes.size() / kLightmapPageBytes);
    if (pages.empty()) {
        return;
    }
    glGenTextures(static_cast<GLsizei>(pages.size()), pages.data());
    std::vector<std::uint8_t> page(kLightmapPageBytes);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::uint8_t* source = lumpBytes.data() + p * kLightmapPageBytes;
        for (std::size_t texel = 0; texel < kLightmapPageBytes; texel += 3) {
            const auto colour =
                brightenedColour(source[texel], source[texel + 1], source[texel + 2]);
            std::copy(colour.begin(), colour.end(), page.begin() + static_cast<long>(texel));
        }
        glBindTexture(GL_TEXTURE_2D, pages[p]);
        setPageParameters();
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, kLightmapPageSide, kLightmapPageSide, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, page.data());
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

GLuint LightmapSet::pageOrWhite(std::int32_t lightmapIndex) const {
    return hasPage(lightmapIndex) ? pages[static_cast<std::size_t>(lightmapIndex)] : whiteTexture;
}
