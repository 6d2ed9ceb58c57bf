// The texture-unit set-up the lit and material views share: both units modulate, and each takes
// its coordinates from a field of the level's vertices.
#pragma once

#include <epoxy/gl.h>

#include <algorithm>
#include <array>
#include <cstddef>

#include "level/Vertex.h"

// The units of a material pass's overlays (blended stages folded into the pass below them), in
// the order they combine.
inline constexpr GLenum kOverlayUnit = GL_TEXTURE2_ARB;
inline constexpr GLenum kSecondOverlayUnit = GL_TEXTURE3_ARB;
inline constexpr std::array<GLenum, 2> kOverlayUnits = {kOverlayUnit, kSecondOverlayUnit};

// The overlay units this GL has. Naming a unit it lacks would turn the next calls onto whichever
// unit was active before.
inline std::size_t overlayUnitCount() {
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    return std::size_t(std::clamp(units - 2, 0, int(kOverlayUnits.size())));
}

// The unit that mixes a face's fog into its one pass, after every overlay unit.
inline constexpr GLenum kFogUnit = GL_TEXTURE4_ARB;

// Whether this GL has the fog unit.
inline bool hasFogUnit() {
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    return units > 4;
}

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
