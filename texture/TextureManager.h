// TextureManager: the per-face texture service. Faces carry no textures of their own, so every
// operation is inert: loading and coordinate set-up do nothing, binding always succeeds, and
// every texture is of kind 2 (its t coordinates are used as stored).
#pragma once

#include <cstdint>
#include <string>

class TextureManager {
public:
    TextureManager() = default;
    virtual ~TextureManager() = default;

    void loadTexture(const std::string& dataPath, const char (&name)[64]) {
        (void)dataPath;
        (void)name;
    }
    bool bindTexture(std::int32_t textureIndex) const {
        (void)textureIndex;
        return true;
    }
    std::int32_t textureKind(std::int32_t textureIndex) const {
        (void)textureIndex;
        return kUnflippedTextureKind;
    }
    void setTexCoordPointer(std::int32_t textureIndex, int strideBytes,
                            const float* texCoord) const {
        (void)textureIndex;
        (void)strideBytes;
        (void)texCoord;
    }

    // Kind 1 would ask the loader to flip t on the face's vertices.
    static constexpr std::int32_t kFlippedTextureKind = 1;
    static constexpr std::int32_t kUnflippedTextureKind = 2;
};
