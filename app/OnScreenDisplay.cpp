// OnScreenDisplay: bitmap text placed at a window pixel whatever the scene's matrices and viewport.
#include "app/OnScreenDisplay.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

void OnScreenDisplay::drawText(float x, float y, const char* text) const {
    glPushAttrib(GL_TRANSFORM_BIT | GL_VIEWPORT_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    // Window depth 0 puts the text in front of everything the depth test compares it with.
    glDepthRange(0.0, 0.0);
    // A 2x2 viewport centred on the whole pixel (ix, iy): with identity matrices the normalised
    // point (x - ix, y - iy) lands exactly on (x, y), and the raster position stays valid even
    // where (x, y) lies outside the scene's viewport.
    const int ix = static_cast<int>(x);
    const int iy = static_cast<int>(y);
    glViewport(ix - 1, iy - 1, 2, 2);
    glRasterPos4f(x - static_cast<float>(ix), y - static_cast<float>(iy), 0.0f, 1.0f);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
    // The raster position is not part of the saved state: it stays, and each character advances it.
    for (const char* character = text; *character != '\0'; ++character) {
        glutBitmapCharacter(font, static_cast<unsigned char>(*character));
    }
}

void OnScreenDisplay::drawOverlayLine(const char* text) const {
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawText(kOverlayX, kOverlayY, text);
    glColor3f(1.0f, 1.0f, 1.0f);
}
