// GL state of one material stage that any surface drawn by materials needs: its alpha test, its
// texture matrix and its sphere-map coordinates.
#pragma once

#include <epoxy/gl.h>

#include "material/Material.h"
#include "material/MaterialMotion.h"

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

// Environment coordinates as a sphere map from the normals; needs the normal array.
inline void setStageEnvironmentMapping(bool on) {
    if (on) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}
