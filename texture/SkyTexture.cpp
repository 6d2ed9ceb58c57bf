// The sky texture set-up: a texture name with the sky's parameters and, when the image decoded,
// its mipmaps.
#include "texture/SkyTexture.h"

#include <GL/glu.h>

#include <cstring>
#include <iostream>
#include <utility>
#include <vector>

#include "assets/AssetStore.h"
#include "texture/ImageDecoder.h"
#include "texture/JPEGTexture.h"

GLuint createSkyTexture(const Texture& image) {
    GLuint skyTexture = 0;
    glGenTextures(1, &skyTexture);
    glBindTexture(GL_TEXTURE_2D, skyTexture);
    // The decoded rows carry no padding.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    // An image that did not decode has no size or pixels to hand over: the name stays empty.
    if (!image.isLoaded()) {
        return skyTexture;
    }
    const GLenum format = image.pixelFormat();
    const GLint result = gluBuild2DMipmaps(
        GL_TEXTURE_2D, static_cast<GLint>(format), static_cast<GLsizei>(image.imageWidth()),
        static_cast<GLsizei>(image.imageHeight()), format, GL_UNSIGNED_BYTE, image.pixelData());
    if (result != 0) {
        std::cerr << "Error: " << gluErrorString(static_cast<GLenum>(result)) << std::endl;
    } else {
        std::cerr << "SKYBOX DONE " << std::endl;
    }
    return skyTexture;
}

namespace {

// A decoded image handed to the sky set-up as a Texture.
class DecodedTexture : public Texture {
public:
    explicit DecodedTexture(DecodedImage decoded) : image(std::move(decoded)) {}
    std::uint32_t imageWidth() const override { return image.width; }
    std::uint32_t imageHeight() const override { return image.height; }
    bool isLoaded() const override { return !image.pixels.empty(); }
    const std::uint8_t* pixelData() const override { return image.pixels.data(); }
    GLenum pixelFormat() const override {
        return image.components == 1 ? GL_LUMINANCE : image.components == 4 ? GL_RGBA : GL_RGB;
    }

private:
    DecodedImage image;
};

// The sky image from the data path's archives, when the folder holds no file of that name.
bool readSkyFromArchives(LazyAssetStore& dataPathAssets, DecodedImage& image) {
    const AssetStore& assets = dataPathAssets.get();
    const std::string path = std::string(kSkyTextureName) + ".jpg";
    std::vector<std::uint8_t> bytes;
    // With several data folders the image may lie in any of them, not only under dataPath.
    return (assets.archiveCount() > 0 || assets.folderCount() > 1) && assets.read(path, bytes) &&
           ImageDecoder::decode(bytes, assets.describe(path), image, std::cerr);
}

}  // namespace

GLuint loadSkyTexture(const std::string& dataPath, LazyAssetStore& dataPathAssets) {
    char name[64] = {};
    std::memcpy(name, kSkyTextureName, sizeof kSkyTextureName);
    // Scoped so the decoded image is released as soon as GL holds its copy.
    const JPEGTexture image(dataPath, name);
    if (!image.isLoaded()) {
        DecodedImage fromArchive;
        if (readSkyFromArchives(dataPathAssets, fromArchive)) {
            return createSkyTexture(DecodedTexture(std::move(fromArchive)));
        }
    }
    const GLuint skyTexture = createSkyTexture(image);
    if (!image.isLoaded()) {
        std::cerr << "sky image could not be read: " << image.getPath() << std::endl;
    }
    return skyTexture;
}
