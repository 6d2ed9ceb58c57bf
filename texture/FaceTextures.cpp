// FaceTextures: name resolution against the asset store and the shader scripts, decoding, and
// the mipmapped upload.
#include "texture/FaceTextures.h"

#include <GL/glu.h>

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>
#include <unordered_map>

#include "texture/AssetStore.h"
#include "texture/DecodedImage.h"
#include "texture/ImageDecoder.h"
#include "texture/ShaderScripts.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The game data's own order: a .tga hides a .jpg of the same name.
std::string findImage(const AssetStore& assets, const std::string& nameWithoutExtension) {
    for (const char* extension : {".tga", ".jpg"}) {
        std::string path = nameWithoutExtension + extension;
        if (assets.contains(path)) {
            return path;
        }
    }
    return {};
}

constexpr int kCheckerSide = 8;

// Two greys far enough apart to read as a pattern under any lightmap.
std::vector<std::uint8_t> checkerPixels() {
    std::vector<std::uint8_t> pixels;
    pixels.reserve(kCheckerSide * kCheckerSide * 3);
    for (int y = 0; y < kCheckerSide; ++y) {
        for (int x = 0; x < kCheckerSide; ++x) {
            const std::uint8_t grey = ((x / 4 + y / 4) % 2 == 0) ? 160 : 96;
            pixels.insert(pixels.end(), {grey, grey, grey});
        }
    }
    return pixels;
}

GLenum formatFor(int components) {
    switch (components) {
        case 1:
            return GL_LUMINANCE;
        case 4:
            return GL_RGBA;
        default:
            return GL_RGB;
    }
}

// A new texture name with the face textures' parameters and the image's mipmaps, or 0 when GLU
// refuses the image.
GLuint uploadMipmapped(const DecodedImage& image, GLint minFilter, GLint magFilter) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLenum format = formatFor(image.components);
    const GLint result = gluBuild2DMipmaps(
        GL_TEXTURE_2D, static_cast<GLint>(format), static_cast<GLsizei>(image.width),
        static_cast<GLsizei>(image.height), format, GL_UNSIGNED_BYTE, image.pixels.data());
    if (result != 0) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

}  // namespace

std::string FaceTextures::withoutExtension(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return name;
    }
    return name.substr(0, dot);
}

FaceTextures::FaceTextures(const AssetStore& assets, const std::vector<std::string>& textureNames,
                           std::ostream& log) {
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // decoded rows carry no padding

    DecodedImage checker;
    checker.width = kCheckerSide;
    checker.height = kCheckerSide;
    checker.components = 3;
    checker.pixels = checkerPixels();
    // Nearest keeps the checker's squares sharp when one texel covers many pixels.
    placeholder = uploadMipmapped(checker, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST);

    std::unique_ptr<ShaderScripts> scripts;  // read only when a name needs them
    std::unordered_map<std::string, std::optional<Slot>> byImage;
    std::vector<std::uint8_t> bytes;
    DecodedImage image;
    slots.reserve(textureNames.size());
    for (const std::string& name : textureNames) {
        const std::string base = withoutExtension(name);
        std::string imagePath = findImage(assets, base);
        bool viaShader = false;
        if (imagePath.empty() && !base.empty()) {
            if (!scripts) {
                scripts = std::make_unique<ShaderScripts>(assets, log);
            }
            for (const std::string& shaderImage : scripts->imagesFor(base)) {
                imagePath = findImage(assets, withoutExtension(shaderImage));
                if (!imagePath.empty()) {
                    viaShader = true;
                    break;
                }
            }
        }
        if (imagePath.empty()) {
            log << "texture not found: " << (name.empty() ? "(empty name)" : name) << '\n';
            slots.push_back(Slot{placeholder, false});
            ++statistics.placeholders;
            continue;
        }
        auto known = byImage.find(imagePath);
        if (known == byImage.end()) {
            std::optional<Slot> made;
            const auto decodeStart = Clock::now();
            const bool readWhole = assets.read(imagePath, bytes);
            const bool decoded = readWhole && ImageDecoder::decode(bytes, imagePath, image, log);
            statistics.decodeMs += millisecondsSince(decodeStart);
            if (decoded) {
                const auto uploadStart = Clock::now();
                const GLuint texture = uploadMipmapped(image, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR);
                statistics.uploadMs += millisecondsSince(uploadStart);
                if (texture != 0) {
                    uploaded.push_back(texture);
                    made = Slot{texture, ImageDecoder::hasTransparency(image)};
                } else {
                    log << imagePath << ": the image could not be made into a texture\n";
                }
            } else if (!readWhole) {
                log << imagePath << ": could not be read\n";
            }
            known = byImage.emplace(imagePath, made).first;
        }
        if (known->second) {
            slots.push_back(*known->second);
            ++statistics.found;
            statistics.fromShaders += viaShader ? 1 : 0;
        } else {
            slots.push_back(Slot{placeholder, false});
            ++statistics.placeholders;
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
}

FaceTextures::~FaceTextures() {
    if (!uploaded.empty()) {
        glDeleteTextures(static_cast<GLsizei>(uploaded.size()), uploaded.data());
    }
    if (placeholder != 0) {
        glDeleteTextures(1, &placeholder);
    }
}

GLuint FaceTextures::textureFor(std::int32_t textureIndex) const {
    if (textureIndex < 0 || std::size_t(textureIndex) >= slots.size()) {
        return placeholder;
    }
    return slots[std::size_t(textureIndex)].texture;
}

bool FaceTextures::hasAlpha(std::int32_t textureIndex) const {
    if (textureIndex < 0 || std::size_t(textureIndex) >= slots.size()) {
        return false;
    }
    return slots[std::size_t(textureIndex)].alpha;
}
