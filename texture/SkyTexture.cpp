// The sky texture set-up: a texture name with the sky's parameters and, when the image decoded,
// its mipmaps.
#include "texture/SkyTexture.h"

#include <GL/glu.h>

#include <cstring>
#include <iostream>

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

GLuint loadSkyTexture(const std::string& dataPath) {
    char name[64] = {};
    std::memcpy(name, kSkyTextureName, sizeof kSkyTextureName);
    // Scoped so the decoded image is released as soon as GL holds its copy.
    const JPEGTexture image(dataPath, name);
    const GLuint skyTexture = createSkyTexture(image);
    if (!image.isLoaded()) {
        std::cerr << "sky image could not be read: " << image.getPath() << std::endl;
    }
    return skyTexture;
}
