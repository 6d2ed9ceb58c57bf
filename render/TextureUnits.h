// The texture-unit set-up the lit and material views share: both units modulate, and each takes
// its coordinates from a field of the level's vertices.
#pragma once

#include <epoxy/gl.h>

#include "level/Vertex.h"

// The unit of a material pass's overlay (a blended stage folded into the pass below it).
inline constexpr GLenum kOverlayUnit = GL_TEXTURE2_ARB;

// The unit modulates, its texture matrix is the identity and its coordinate array is on; the
// unit is left active (and the client unit with it). Its GL_TEXTURE_2D is not touched.
inline void setUpModulatedUnit(GLenum unit) {
    glActiveTextureARB(unit);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glClientActiveTextureARB(unit);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

// Points the texture coordinate array of a unit at a vertex field, or at an array of its own
// stride.
inline void texCoordArray(GLenum unit, const float* coordinates,
                          GLsizei stride = kVertexStrideBytes) {
    glClientActiveTextureARB(unit);
    glTexCoordPointer(2, GL_FLOAT, stride, coordinates);
}
