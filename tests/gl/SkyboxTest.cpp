// The sky cube in a real GL context: the state the draw leaves for the level's faces, and what
// a frame of sky looks like on screen.
#include <epoxy/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <array>
#include <iostream>

#include "GlTestWindow.h"
#include "MemoryTexture.h"
#include "texture/SkyTexture.h"
#include "texture/Skybox.h"

namespace {

using Matrix = std::array<GLfloat, 16>;

Matrix currentMatrix(GLenum which) {
    Matrix m{};
    glGetFloatv(which, m.data());
    return m;
}

bool enabledOnUnit(GLenum unit, GLenum capability) {
    glActiveTextureARB(unit);
    const bool enabled = glIsEnabled(capability) == GL_TRUE;
    glActiveTextureARB(GL_TEXTURE0_ARB);
    return enabled;
}

// Image quadrants: top-left red, top-right green, bottom-left blue, bottom-right yellow.
constexpr std::uint8_t kQuadrantColours[4][3] = {
    {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};

class SkyboxTest : public testing::Test {
protected:
    void SetUp() override {
        glViewport(0, 0, kGlTestWindowWidth, kGlTestWindowHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, static_cast<double>(kGlTestWindowWidth) / kGlTestWindowHeight, 1.25,
                       5000.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const MemoryTexture image(64, 64, GL_RGB, quadrantPixels(64, 64, kQuadrantColours));
        testing::internal::CaptureStderr();
        skyTexture = createSkyTexture(image);
        testing::internal::GetCapturedStderr();
    }

    void TearDown() override {
        glDeleteTextures(1, &skyTexture);
        // Hand the next test GL's defaults for everything the draw switches on.
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_BLEND);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }

    // Draws one frame of sky under the given view and reads window pixel (x, y), y upwards.
    std::array<GLubyte, 3> pixelAfterDraw(int x, int y) {
        std::array<GLubyte, 4> rgba{};
        glReadBuffer(GL_BACK);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return {rgba[0], rgba[1], rgba[2]};
    }

    void drawFrame() {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Skybox().draw(skyTexture);
        glFinish();
    }

    void expectQuadrant(int x, int y, int quadrant) {
        const auto pixel = pixelAfterDraw(x, y);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(pixel[c], kQuadrantColours[quadrant][c], 8)
                << "window pixel (" << x << ", " << y << ") channel " << c;
        }
    }

    GLuint skyTexture = 0;
};

}  // namespace

TEST_F(SkyboxTest, drawLeavesTheStateFacesAreDrawnIn) {
    // The opposite of everything the draw must leave, and a view with translation.
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glEnable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glScalef(2.0f, 3.0f, 1.0f);
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_FALSE);
    glColor3f(1.0f, 0.0f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, 0);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glFrontFace(GL_CW);
    glPolygonMode(GL_BACK, GL_LINE);
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(-100.0f, -20.0f, 55.0f);
    const Matrix modelviewBefore = currentMatrix(GL_MODELVIEW_MATRIX);

    Skybox().draw(skyTexture);

    GLint active = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_TRUE(enabledOnUnit(GL_TEXTURE0_ARB, GL_TEXTURE_2D));
    EXPECT_FALSE(enabledOnUnit(GL_TEXTURE1_ARB, GL_TEXTURE_2D));
    for (GLenum capability : {GL_BLEND, GL_ALPHA_TEST, GL_DEPTH_TEST, GL_CULL_FACE}) {
        EXPECT_TRUE(glIsEnabled(capability)) << capability;
    }
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_EQ(depthMask, GL_TRUE);
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    GLfloat texCoord[4] = {};
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, texCoord);
    EXPECT_EQ(texCoord[0], 0.0f);
    EXPECT_EQ(texCoord[1], 1.0f);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, static_cast<GLint>(skyTexture));
    GLint envMode = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &envMode);
    EXPECT_EQ(envMode, GL_MODULATE);
    EXPECT_EQ(currentMatrix(GL_MODELVIEW_MATRIX), modelviewBefore);
    const Matrix identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(currentMatrix(GL_TEXTURE_MATRIX), identity);
    GLint matrixMode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    EXPECT_EQ(matrixMode, GL_MODELVIEW);
    // Winding and back-face mode belong to the face drawing and stay as they were.
    GLint frontFace = 0;
    glGetIntegerv(GL_FRONT_FACE, &frontFace);
    EXPECT_EQ(frontFace, GL_CW);
    GLint polygonModes[2] = {};
    glGetIntegerv(GL_POLYGON_MODE, polygonModes);
    EXPECT_EQ(polygonModes[0], GL_FILL);
    EXPECT_EQ(polygonModes[1], GL_LINE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glFrontFace(GL_CCW);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Looking along -z only the quad at z = -2 is in view. The picture stands upright: its top half
// fills the upper half of the window, and left stays left.
TEST_F(SkyboxTest, skyFillsTheWindowWithThePictureUpright) {
    drawFrame();
    const int w = kGlTestWindowWidth;
    const int h = kGlTestWindowHeight;
    expectQuadrant(w / 4, 3 * h / 4, 0);      // upper left: image top-left
    expectQuadrant(3 * w / 4, 3 * h / 4, 1);  // upper right: image top-right
    expectQuadrant(w / 4, h / 4, 2);          // lower left: image bottom-left
    expectQuadrant(3 * w / 4, h / 4, 3);      // lower right: image bottom-right
    // No pixel keeps the clear colour, corners included.
    expectQuadrant(1, h - 2, 0);
    expectQuadrant(w - 2, 1, 3);
}

TEST_F(SkyboxTest, skyFollowsRotationButNotPosition) {
    glTranslatef(250.0f, -40.0f, 1000.0f);
    drawFrame();
    const int w = kGlTestWindowWidth;
    const int h = kGlTestWindowHeight;
    expectQuadrant(w / 4, 3 * h / 4, 0);
    expectQuadrant(3 * w / 4, h / 4, 3);

    // A quarter turn to the right brings the x = 2 quad in front, mapped the same way round.
    glLoadIdentity();
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    drawFrame();
    expectQuadrant(w / 4, 3 * h / 4, 0);
    expectQuadrant(3 * w / 4, h / 4, 3);

    // An eighth of a turn puts the cube's vertical edge, a seam between two copies of the
    // image, in the middle of the window: right of it the left edge of the image.
    glLoadIdentity();
    glRotatef(45.0f, 0.0f, 1.0f, 0.0f);
    drawFrame();
    expectQuadrant(w / 2 - 30, 3 * h / 4, 1);
    expectQuadrant(w / 2 + 30, 3 * h / 4, 0);
}
