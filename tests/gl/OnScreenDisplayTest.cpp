// drawText in a real context: the text lands on its window pixel whatever the scene's matrices
// and viewport, and every piece of state it touches is given back.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>

#include "GlPixels.h"
#include "GlTestState.h"
#include "app/OnScreenDisplay.h"

namespace {

struct TransformState {
    std::array<GLint, 4> viewport{};
    std::array<GLfloat, 2> depthRange{};
    std::array<GLfloat, 16> projection{};
    std::array<GLfloat, 16> modelview{};
    GLint matrixMode = 0;

    static TransformState current() {
        TransformState state;
        glGetIntegerv(GL_VIEWPORT, state.viewport.data());
        glGetFloatv(GL_DEPTH_RANGE, state.depthRange.data());
        glGetFloatv(GL_PROJECTION_MATRIX, state.projection.data());
        glGetFloatv(GL_MODELVIEW_MATRIX, state.modelview.data());
        glGetIntegerv(GL_MATRIX_MODE, &state.matrixMode);
        return state;
    }
    bool operator==(const TransformState&) const = default;
};

// A scene's transform whose viewport does not hold the overlay point (35, 35).
void setSceneTransform(GLenum matrixMode) {
    glViewport(120, 90, 400, 300);
    glDepthRange(0.25, 0.75);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(60.0, 4.0 / 3.0, 2.0, 900.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(33.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(-40.0f, -64.0f, 250.0f);
    glMatrixMode(matrixMode);
}

void resetTransform() {
    glDepthRange(0.0, 1.0);
    loadIdentityView();
    glViewport(0, 0, kGlTestWindowWidth, kGlTestWindowHeight);
}

class DrawTextTest : public testing::Test {
protected:
    void TearDown() override { resetTransform(); }
    OnScreenDisplay display{GLUT_BITMAP_TIMES_ROMAN_24, 1600, 1200};
};

TEST_F(DrawTextTest, givesBackViewportDepthRangeMatricesAndMatrixMode) {
    for (GLenum mode : {GL_MODELVIEW, GL_PROJECTION, GL_TEXTURE}) {
        clearToBlack();
        setSceneTransform(mode);
        const TransformState before = TransformState::current();
        display.drawText(35.0f, 35.0f, "FPS:0 X:0 Y:0 Z:0");
        EXPECT_TRUE(TransformState::current() == before) << "matrix mode " << mode;
        GLint projectionDepth = 0;
        GLint modelviewDepth = 0;
        glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &projectionDepth);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &modelviewDepth);
        EXPECT_EQ(projectionDepth, 1);
        EXPECT_EQ(modelviewDepth, 1);
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
}

TEST_F(DrawTextTest, textStartsAt35By35FromLowerLeftWhateverTheSceneMatrices) {
    const std::vector<unsigned char> expected = referenceText(35.0f, 35.0f, "HI");
    clearToBlack();
    setSceneTransform(GL_MODELVIEW);
    glColor3f(1.0f, 1.0f, 1.0f);
    display.drawText(35.0f, 35.0f, "HI");
    const std::vector<unsigned char> drawn = readWindowPixels();

    const PixelBox box = litPixelBox(drawn);
    ASSERT_FALSE(box.empty());
    // "H" stands on the baseline and starts within its small left bearing of the origin.
    EXPECT_EQ(box.minY, 35);
    EXPECT_GE(box.minX, 35);
    EXPECT_LE(box.minX, 37);
    EXPECT_TRUE(drawn == expected) << "text differs from text drawn at window position (35, 35)";
}

TEST_F(DrawTextTest, keepsTheFractionOfThePositionAndStaysValidOutsideTheViewport) {
    clearToBlack();
    setSceneTransform(GL_MODELVIEW);
    display.drawText(35.5f, 35.25f, "");
    GLfloat raster[4] = {};
    GLboolean valid = GL_FALSE;
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    EXPECT_TRUE(valid);
    EXPECT_FLOAT_EQ(raster[0], 35.5f);
    EXPECT_FLOAT_EQ(raster[1], 35.25f);
    EXPECT_FLOAT_EQ(raster[2], 0.0f);  // depth range 0: in front of the whole scene
}

TEST_F(DrawTextTest, emptyTextDrawsNothing) {
    clearToBlack();
    setSceneTransform(GL_MODELVIEW);
    glColor3f(1.0f, 1.0f, 1.0f);
    display.drawText(35.0f, 35.0f, "");
    EXPECT_TRUE(litPixelBox(readWindowPixels()).empty());
}

TEST_F(DrawTextTest, textIsNotHiddenBySceneDepth) {
    clearToBlack();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glClearDepth(0.0);  // everything already "as near as can be"
    glClear(GL_DEPTH_BUFFER_BIT);
    setSceneTransform(GL_MODELVIEW);
    glColor3f(1.0f, 1.0f, 1.0f);
    display.drawText(35.0f, 35.0f, "H");
    glDisable(GL_DEPTH_TEST);
    glClearDepth(1.0);
    EXPECT_FALSE(litPixelBox(readWindowPixels()).empty());
}

}  // namespace
