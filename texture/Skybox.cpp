// Skybox: the sky cube of side 4 around the eye, drawn with the camera's rotation only and no
// depth.
#include "texture/Skybox.h"

#include <epoxy/gl.h>

namespace {

struct SkyCorner {
    float x, y, z;
};

// Six quads, each counter-clockwise seen from the centre.
constexpr SkyCorner kSkyQuads[6][4] = {
    {{-2, -2, -2}, {2, -2, -2}, {2, 2, -2}, {-2, 2, -2}},  // z = -2
    {{2, -2, -2}, {2, -2, 2}, {2, 2, 2}, {2, 2, -2}},      // x = 2
    {{2, -2, 2}, {-2, -2, 2}, {-2, 2, 2}, {2, 2, 2}},      // z = 2
    {{-2, -2, 2}, {-2, -2, -2}, {-2, 2, -2}, {-2, 2, 2}},  // x = -2
    {{-2, 2, -2}, {2, 2, -2}, {2, 2, 2}, {-2, 2, 2}},      // y = 2
    {{-2, -2, 2}, {2, -2, 2}, {2, -2, -2}, {-2, -2, -2}},  // y = -2
};
// The sky texture's row 0 is the image's top row, so on the four sides t shrinks as y grows:
// the picture stands upright, its top edge along the top edge of each side.
constexpr float kSkyTexCoords[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};

}  // namespace

void Skybox::draw(unsigned int skyTexture) const {
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPolygonMode(GL_FRONT, GL_FILL);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);

    // Keep the camera's rotation, drop its translation, so the cube stays centred on the eye.
    GLfloat matrix[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    matrix[12] = matrix[13] = matrix[14] = 0.0f;
    matrix[3] = matrix[7] = matrix[11] = 0.0f;
    glPushMatrix();
    glLoadMatrixf(matrix);

    glBindTexture(GL_TEXTURE_2D, skyTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glColor3f(1.0f, 1.0f, 1.0f);
    for (const auto& quad : kSkyQuads) {
        glBegin(GL_QUADS);
        for (int corner = 0; corner < 4; ++corner) {
            glTexCoord2f(kSkyTexCoords[corner][0], kSkyTexCoords[corner][1]);
            glVertex3f(quad[corner].x, quad[corner].y, quad[corner].z);
        }
        glEnd();
    }
    // The faces drawn next sample the sky texture at the current coordinate: leave it where the
    // faces have always sampled it.
    glTexCoord2f(0.0f, 1.0f);
    glColor3f(1.0f, 1.0f, 1.0f);
    glPopMatrix();

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_CULL_FACE);
}
