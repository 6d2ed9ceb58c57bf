// The frame and reshape callbacks in a real context: the projection reshape sets up, and the
// overlay drawn on its own while there is no level.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "GlPixels.h"
#include "GlTestState.h"
#include "app/Callbacks.h"
#include "app/OnScreenDisplay.h"
#include "app/Viewer.h"
#include "app/ViewerSession.h"

namespace {

class ShellCallbacksTest : public testing::Test {
protected:
    void SetUp() override { session.useCurrentWindow(); }
    void TearDown() override {
        session.shutDown();
        glViewport(0, 0, kGlTestWindowWidth, kGlTestWindowHeight);
        loadIdentityView();
    }

    // A session that never loads its level: the window, the overlay and the light only.
    ViewerSession session{ViewerConfig{}};
};

std::array<GLfloat, 16> currentMatrix(GLenum which) {
    std::array<GLfloat, 16> matrix{};
    glGetFloatv(which, matrix.data());
    return matrix;
}

TEST_F(ShellCallbacksTest, reshapeToZeroHeightActsAsHeightOne) {
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(5.0f, 6.0f, 7.0f);
    reshape(300, 0);

    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, 300, 1}));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    const std::array<GLfloat, 16> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    EXPECT_EQ(currentMatrix(GL_MODELVIEW_MATRIX), identity);
    const std::array<GLfloat, 16> projection = currentMatrix(GL_PROJECTION_MATRIX);
    for (GLfloat element : projection) {
        EXPECT_TRUE(std::isfinite(element));
    }

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 300.0, 1.25, 5000.0);
    glMatrixMode(GL_MODELVIEW);
    EXPECT_EQ(projection, currentMatrix(GL_PROJECTION_MATRIX));
    EXPECT_EQ(onScreenDisplay->getWidth(), 300);
    EXPECT_EQ(onScreenDisplay->getHeight(), 1);
}

TEST_F(ShellCallbacksTest, reshapeSetsFortyFiveDegreePerspectiveForTheWindow) {
    reshape(800, 600);
    const std::array<GLfloat, 16> projection = currentMatrix(GL_PROJECTION_MATRIX);
    // f = cot(22.5 degrees); near 1.25 and far 5000 in the third column.
    EXPECT_NEAR(projection[5], 2.4142136f, 1e-5);
    EXPECT_NEAR(projection[0], 2.4142136f * 600.0f / 800.0f, 1e-5);
    EXPECT_NEAR(projection[10], -(5000.0 + 1.25) / (5000.0 - 1.25), 1e-6);
    EXPECT_NEAR(projection[14], -2.0 * 5000.0 * 1.25 / (5000.0 - 1.25), 1e-5);
    EXPECT_EQ(onScreenDisplay->getWidth(), 800);
    EXPECT_EQ(onScreenDisplay->getHeight(), 600);
}

TEST_F(ShellCallbacksTest, frameWithoutLevelDrawsOverlayAloneAtOriginPosition) {
    const std::vector<unsigned char> expected = referenceText(35.0f, 35.0f, "FPS:0 X:0 Y:0 Z:0");
    clearToBlack();
    glColor3f(1.0f, 0.0f, 0.0f);  // the frame must draw its overlay in white regardless
    reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    ASSERT_EQ(bspMap, nullptr);
    ASSERT_EQ(camera, nullptr);
    fps = 0;
    session.drawFrame(0.016f);
    EXPECT_TRUE(readWindowPixels() == expected);
}

}  // namespace
