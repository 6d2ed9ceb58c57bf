// The sky cube in a real GL context: what a frame of sky looks like on screen, and how the level's
// faces drawn after it look.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "GlTestState.h"
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

// Image quadrants: top-left red, top-right green, bottom-left blue, bottom-right yellow.
constexpr std::uint8_t kQuadrantColours[4][3] = {
    {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 0}};

class SkyboxTest : public testing::Test {
protected:
    void SetUp() override {
        useViewerPerspective();
        skyTexture = quietSkyTexture(
            MemoryTexture(64, 64, GL_RGB, quadrantPixels(64, 64, kQuadrantColours)));
    }

    void TearDown() override {
        glDeleteTextures(1, &skyTexture);
        restoreDrawingDefaults();
    }

    // The sky texture for image, without the set-up's console line.
    static GLuint quietSkyTexture(const MemoryTexture& image) {
        testing::internal::CaptureStderr();
        const GLuint texture = createSkyTexture(image);
        testing::internal::GetCapturedStderr();
        return texture;
    }

    // Window pixel (x, y) of the frame just drawn, y upwards.
    std::array<GLubyte, 3> pixelAt(int x, int y) {
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
        const auto pixel = pixelAt(x, y);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(pixel[c], kQuadrantColours[quadrant][c], 8)
                << "window pixel (" << x << ", " << y << ") channel " << c;
        }
    }

    GLuint skyTexture = 0;
};

}  // namespace

// The level's faces are drawn straight after the sky, in the state it leaves: unit 0 textured
// with the sky, modulated by white, at the sky's last texture coordinate (a corner of the image),
// filled, depth-tested and culled, under the camera's own view. Everything is set the other way
// first, so a face shows the image's corner colour, in place and in depth order, only if the sky
// put each piece back.
TEST_F(SkyboxTest, facesDrawnAfterTheSkyShowItsCornerInPlaceAndInDepthOrder) {
    // A ring of kCorner around a kCentre middle: every corner sample is kCorner.
    constexpr std::uint8_t kCorner[3] = {200, 160, 80};
    constexpr std::uint8_t kCentre[3] = {40, 90, 220};
    std::vector<std::uint8_t> ring;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool edge = x < 4 || x >= 60 || y < 4 || y >= 60;
            ring.insert(ring.end(), edge ? kCorner : kCentre, (edge ? kCorner : kCentre) + 3);
        }
    }
    const GLuint ringSky = quietSkyTexture(MemoryTexture(64, 64, GL_RGB, ring));
    // Cleared now: a depth mask left off would keep the depth buffer from clearing.
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // A black texture on unit 1, which darkens every face while that unit stays on.
    const GLubyte black[3] = {0, 0, 0};
    GLuint blackTexture = 0;
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glGenTextures(1, &blackTexture);
    glBindTexture(GL_TEXTURE_2D, blackTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 1, 1, 0, GL_RGB, GL_UNSIGNED_BYTE, black);
    glEnable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
    glMatrixMode(GL_TEXTURE);
    glTranslatef(0.5f, 0.5f, 0.0f);  // would move the corner sample into the middle
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_CULL_FACE);
    glPolygonMode(GL_FRONT, GL_LINE);  // back faces stay filled, so one not culled shows
    glColor3f(1.0f, 0.0f, 0.0f);
    glTexCoord2f(0.5f, 0.5f);
    // The faces' own winding, which the sky must keep.
    glFrontFace(GL_CW);
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    glTranslatef(-100.0f, -20.0f, 55.0f);
    const Matrix view = currentMatrix(GL_MODELVIEW_MATRIX);
    // The level point that this view shows at eye coordinates (x, y, z): the view is a rotation
    // R and a translation t, so the point is R^T (eye - t).
    auto levelPoint = [&view](float x, float y, float z) {
        const float eye[3] = {x - view[12], y - view[13], z - view[14]};
        std::array<float, 3> point{};
        for (int i = 0; i < 3; ++i) {
            point[i] = view[4 * i] * eye[0] + view[4 * i + 1] * eye[1] + view[4 * i + 2] * eye[2];
        }
        return point;
    };
    // An upright rectangle at eye depth z, wound clockwise on screen (a front face) or not.
    auto drawFace = [&](float left, float right, float bottom, float top, float z, bool clockwise) {
        const float xs[4] = {left, left, right, right};
        const float ys[4] = {bottom, top, top, bottom};
        glBegin(GL_QUADS);
        for (int k = 0; k < 4; ++k) {
            const int corner = clockwise ? k : 3 - k;
            glVertex3fv(levelPoint(xs[corner], ys[corner], z).data());
        }
        glEnd();
    };

    Skybox().draw(ringSky);
    // Near, at 5 units: window x 320..494, y 124..356.
    drawFace(0.0f, 1.5f, -1.0f, 1.0f, -5.0f, true);
    // Near and facing away: window x 146..262, y 182..298.
    drawFace(-1.5f, -0.5f, -0.5f, 0.5f, -5.0f, false);
    // Far, at 10 units, drawn last and tinted blue: window x 88..407, y 153..327.
    glColor3f(0.0f, 0.0f, 1.0f);
    drawFace(-4.0f, 1.5f, -1.5f, 1.5f, -10.0f, true);
    glFinish();

    const std::array<GLubyte, 3> corner = {kCorner[0], kCorner[1], kCorner[2]};
    const std::array<GLubyte, 3> blueCorner = {0, 0, kCorner[2]};
    auto expectPixel = [this](int x, int y, const std::array<GLubyte, 3>& expected,
                              const char* what) {
        const auto pixel = pixelAt(x, y);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(pixel[c], expected[c], 2) << what << ", channel " << c;
        }
    };
    expectPixel(450, 240, corner, "the near face alone");
    expectPixel(360, 240, corner, "the near face over the far one drawn after it");
    expectPixel(200, 240, blueCorner, "the far face where the near one faces away");
    expectPixel(110, 300, blueCorner, "the far face alone");
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    glDeleteTextures(1, &blackTexture);
    glDeleteTextures(1, &ringSky);
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
