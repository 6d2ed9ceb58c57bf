// JPEGTexture: decodes a JPEG file under the data directory into one unpadded pixel block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "texture/DecodedImage.h"
#include "texture/Texture.h"

class JPEGTexture : public Texture {
public:
    // Decodes dataPath + textureName + ".jpg" at once, printing the path first. A missing file
    // leaves isLoaded() false; corrupt data ends the process through libjpeg's error manager.
    JPEGTexture(const std::string& dataPath, const char (&textureName)[64]);

    std::uint32_t imageWidth() const override { return width; }
    std::uint32_t imageHeight() const override { return height; }
    bool isLoaded() const override { return loaded; }
    const std::uint8_t* pixelData() const override { return pixels.data(); }
    GLenum pixelFormat() const override { return format; }
    const std::string& getPath() const { return path; }

    // Decodes JPEG bytes already in memory. Corrupt data, an unusual layout or more than
    // maxPixelBytes of pixels gives false and the reason in error; nothing ends the process.
    static bool decodeFromMemory(const std::uint8_t* bytes, std::size_t size,
                                 std::uint64_t maxPixelBytes, DecodedImage& image,
                                 std::string& error);

private:
    std::string path;
    bool loaded = false;
    // height rows of width * components bytes, top row first, no padding.
    std::vector<std::uint8_t> pixels;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    GLenum format = GL_RGBA;
};
