// Texture: a decoded image behind an abstract interface.
#pragma once

#include <cstdint>

#include <epoxy/gl.h>

class Texture {
public:
    virtual ~Texture() = default;
    virtual std::uint32_t imageWidth() const = 0;
    virtual std::uint32_t imageHeight() const = 0;
    virtual bool isLoaded() const = 0;
    virtual const std::uint8_t* pixelData() const = 0;
    // GL_RGB, GL_RGBA or GL_LUMINANCE: the layout of pixelData().
    virtual GLenum pixelFormat() const = 0;
};
