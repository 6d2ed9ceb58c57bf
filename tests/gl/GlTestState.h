// Known starting points for the GL tests, which all share one window: a plain view, the viewer's
// perspective, and GL's defaults for everything the drawing code switches.
#pragma once

#include <epoxy/gl.h>
#include <GL/glu.h>

#include "GlTestWindow.h"

// Identity projection and modelview, with the modelview matrix current.
inline void loadIdentityView() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The viewer's lens over the whole window (45 degrees high, near 1.25, far 5000), the eye at the
// origin looking along -z.
inline void useViewerPerspective() {
    glViewport(0, 0, kGlTestWindowWidth, kGlTestWindowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(kGlTestWindowWidth) / kGlTestWindowHeight, 1.25,
                   5000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// GL's initial values for what the sky, face, patch and light drawing change, so that no test
// inherits another's state.
inline void restoreDrawingDefaults() {
    for (GLenum unit : {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
        glActiveTextureARB(unit);
        glDisable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, 0);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
    }
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glTexCoord4f(0.0f, 0.0f, 0.0f, 1.0f);
    loadIdentityView();
}
