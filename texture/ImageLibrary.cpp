// ImageLibrary: finding an image file under the data path, decoding and the mipmapped upload.
#include "texture/ImageLibrary.h"

#include <GL/glu.h>

#include <chrono>
#include <ostream>

#include "assets/AssetStore.h"
#include "texture/DecodedImage.h"
#include "texture/ImageDecoder.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

constexpr int kCheckerSide = 8;

// Two greys far enough apart to read as a pattern under any lightmap.
DecodedImage checkerImage() {
    DecodedImage checker;
    checker.width = kCheckerSide;
    checker.height = kCheckerSide;
    checker.components = 3;
    checker.pixels.reserve(kCheckerSide * kCheckerSide * 3);
    for (int y = 0; y < kCheckerSide; ++y) {
        for (int x = 0; x < kCheckerSide; ++x) {
            const std::uint8_t grey = ((x / 4 + y / 4) % 2 == 0) ? 160 : 96;
            checker.pixels.insert(checker.pixels.end(), {grey, grey, grey});
        }
    }
    return checker;
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

// A new texture name with the image's mipmaps, or 0 when GLU refuses the image. Leaves it bound.
GLuint uploadMipmapped(const DecodedImage& image, GLint minFilter, GLint magFilter, GLint wrap) {
    GLint previousAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &previousAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);  // decoded rows carry no padding
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
    const GLenum format = formatFor(image.components);
    const GLint result = gluBuild2DMipmaps(
        GL_TEXTURE_2D, static_cast<GLint>(format), static_cast<GLsizei>(image.width),
        static_cast<GLsizei>(image.height), format, GL_UNSIGNED_BYTE, image.pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, previousAlignment);
    if (result != 0) {
        glDeleteTextures(1, &texture);
        return 0;
    }
    return texture;
}

GLint minificationFilter(MipSampling sampling) {
    return sampling == MipSampling::blended ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST;
}

// Reads and decodes file; false with one line on log, naming the archive it is in, otherwise.
bool readImage(const AssetStore& assets, const std::string& file, std::vector<std::uint8_t>& bytes,
               DecodedImage& image, std::ostream& log) {
    if (!assets.read(file, bytes)) {
        log << assets.describe(file) << ": could not be read\n";
        return false;
    }
    return ImageDecoder::decode(bytes, assets.describe(file), image, log);
}

}  // namespace

std::string ImageLibrary::withoutExtension(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    const std::size_t slash = name.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return name;
    }
    return name.substr(0, dot);
}

ImageLibrary::ImageLibrary(const AssetStore& assetStore, std::ostream& logStream)
    : assets(&assetStore), log(logStream) {
    // Nearest keeps the checker's squares sharp when one texel covers many pixels.
    placeholderTexture =
        uploadMipmapped(checkerImage(), GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT);
    glBindTexture(GL_TEXTURE_2D, 0);
}

ImageLibrary::~ImageLibrary() {
    for (const auto& [key, entry] : byFile) {
        if (entry.image) {
            glDeleteTextures(1, &entry.image->texture);
        }
    }
    if (placeholderTexture != 0) {
        glDeleteTextures(1, &placeholderTexture);
    }
}

std::string ImageLibrary::findFile(const AssetStore& assets, const std::string& name) {
    const std::string base = withoutExtension(name);
    if (base.empty()) {
        return {};
    }
    for (const char* extension : {".tga", ".jpg"}) {
        std::string path = base + extension;
        if (assets.contains(path)) {
            return path;
        }
    }
    return {};
}

void ImageLibrary::beginLevel(const AssetStore& levelAssets) {
    assets = &levelAssets;
    ++level;
}

bool ImageLibrary::stillValid(Entry& entry, const std::string& file) {
    if (entry.checkedInLevel == level) {
        return true;
    }
    const FileStamp now = FileStamp::of(assets->sourceFile(file));
    // An archive held in memory has no stamp: its entries hold while the store is the same.
    if (now != entry.source || (!now.exists && entry.store != assets)) {
        return false;
    }
    entry.checkedInLevel = level;
    return true;
}

std::optional<ImageTexture> ImageLibrary::texture(const std::string& file, bool clamp) {
    const std::string key = clamp ? file + "\n" : file;  // a clamped copy is a texture of its own
    Entry& entry = byFile[key];
    if (entry.checkedInLevel != 0 && stillValid(entry, file)) {
        return entry.image;
    }
    if (entry.image) {
        glDeleteTextures(1, &entry.image->texture);
    }
    entry = Entry{std::nullopt, FileStamp::of(assets->sourceFile(file)), assets, level};
    std::optional<ImageTexture>& made = entry.image;
    DecodedImage image;
    const auto decodeStart = Clock::now();
    const bool decoded = readImage(*assets, file, bytes, image, log);
    statistics.decodeMs += millisecondsSince(decodeStart);
    ++statistics.decodes;
    if (decoded) {
        const auto uploadStart = Clock::now();
        const GLuint name = uploadMipmapped(image, minificationFilter(mipSampling), GL_LINEAR,
                                            clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT);
        glBindTexture(GL_TEXTURE_2D, 0);
        statistics.uploadMs += millisecondsSince(uploadStart);
        if (name != 0) {
            made = ImageTexture{name, ImageDecoder::hasTransparency(image)};
        } else {
            log << assets->describe(file) << ": the image could not be made into a texture\n";
        }
    }
    return made;
}

void ImageLibrary::useMipSampling(MipSampling sampling) {
    if (sampling == mipSampling) {
        return;
    }
    mipSampling = sampling;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    for (const auto& [key, entry] : byFile) {
        if (entry.image) {
            glBindTexture(GL_TEXTURE_2D, entry.image->texture);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minificationFilter(sampling));
        }
    }
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(bound));
}

bool ImageLibrary::usable(const std::string& file) {
    for (const std::string& key : {file, file + "\n"}) {
        if (const auto known = byFile.find(key);
            known != byFile.end() && stillValid(known->second, file)) {
            return known->second.image.has_value();
        }
    }
    return texture(file).has_value();
}

ImageOrigin ImageLibrary::origin(const std::string& name, const std::string& file,
                                 bool drawn) const {
    return {name, file, drawn && !file.empty() ? assets->describe(file) : std::string()};
}

bool ImageLibrary::usable(const AssetStore& assets, const std::string& file, std::ostream& log) {
    std::vector<std::uint8_t> bytes;
    DecodedImage image;
    return readImage(assets, file, bytes, image, log);
}
