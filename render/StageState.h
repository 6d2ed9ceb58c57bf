// GL state of one material stage that any surface drawn by materials needs: its alpha test, its
// texture matrix and its environment coordinates.
#pragma once

#include <epoxy/gl.h>

#include <array>

#include "material/Material.h"
#include "material/MaterialMotion.h"
#include "render/SpriteCorners.h"

inline void setStageAlphaTest(AlphaTest test) {
    constexpr GLfloat kHalf = 0.5f;
    switch (test) {
        case AlphaTest::none:
            glDisable(GL_ALPHA_TEST);
            return;
        case AlphaTest::greaterThanZero:
            glAlphaFunc(GL_GREATER, 0.0f);
            break;
        case AlphaTest::lessThan128:
            glAlphaFunc(GL_LESS, kHalf);
            break;
        case AlphaTest::atLeast128:
            glAlphaFunc(GL_GEQUAL, kHalf);
            break;
    }
    glEnable(GL_ALPHA_TEST);
}

// The texture matrix of a column-major 4 x 4 GL matrix from a 2 x 3 one.
inline void loadStageTexCoordMatrix(const TexCoordMatrix& matrix) {
    const auto& m = matrix.m;
    const GLfloat gl[16] = {m[0], m[3], 0, 0, m[1], m[4], 0, 0, 0, 0, 1, 0, m[2], m[5], 0, 1};
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(gl);
    glMatrixMode(GL_MODELVIEW);
}

// Environment coordinates from the reflection of the view about each vertex's normal, which GL
// makes in eye space; needs the normal array. environmentTexCoordMatrix takes it to the image.
inline void setStageEnvironmentMapping(bool on) {
    if (on) {
        for (const GLenum coordinate : {GL_S, GL_T, GL_R}) {
            glTexGeni(coordinate, GL_TEXTURE_GEN_MODE, GL_REFLECTION_MAP_ARB);
        }
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glEnable(GL_TEXTURE_GEN_R);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_GEN_R);
    }
}

// The column-major texture matrix from an eye-space reflection (s, t, r) to environment image
// coordinates: the reflection turned back to level axes, then s = 1/2 + 1/2 of its part along
// the level's y and t = 1/2 - 1/2 of its height. So the image lies still on a surface while the
// eye turns and slides across it as the eye moves, the same from every view of one place.
inline std::array<GLfloat, 16> environmentTexCoordMatrix(const EyeFrame& eye) {
    // In viewer axes the level's y is -z and its height is y.
    std::array<GLfloat, 16> m{};
    const Point3* axes[3] = {&eye.right, &eye.up, &eye.back};
    for (int j = 0; j < 3; ++j) {
        m[std::size_t(4 * j)] = -0.5f * (*axes[j])[2];
        m[std::size_t(4 * j + 1)] = -0.5f * (*axes[j])[1];
    }
    m[12] = 0.5f;
    m[13] = 0.5f;
    m[15] = 1.0f;
    return m;
}
