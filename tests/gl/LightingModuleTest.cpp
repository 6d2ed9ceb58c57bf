// The lighting module in a real context: white walls lit by its warm light and warm ambient, and
// white again while lighting is off.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "GlPixels.h"
#include "GlTestState.h"
#include "app/LightingModule.h"

namespace {

// GL's initial lighting values, so each test sees only what the module itself sets.
void resetLighting() {
    const GLfloat defaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    const GLfloat defaultDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, defaultDiffuse);
    glDisable(GL_LIGHT0);
    restoreDrawingDefaults();
}

class LightingModuleTest : public testing::Test {
protected:
    void SetUp() override { resetLighting(); }
    void TearDown() override { resetLighting(); }

    // A white wall over the whole window, its normal turned angleDegrees from the eye about the
    // vertical axis, coloured as the face drawing colours it; returns the centre pixel.
    static Rgb drawWhiteWall(double angleDegrees) {
        glViewport(0, 0, kGlTestWindowWidth, kGlTestWindowHeight);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        loadIdentityView();
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        glColor3f(1.0f, 1.0f, 1.0f);
        const double radians = angleDegrees * std::acos(-1.0) / 180.0;
        glNormal3d(std::sin(radians), 0.0, std::cos(radians));
        glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
        glDisable(GL_COLOR_MATERIAL);
        const std::vector<unsigned char> pixels = readWindowPixels();
        const unsigned char* centre =
            &pixels[4 * ((kGlTestWindowHeight / 2) * kGlTestWindowWidth + kGlTestWindowWidth / 2)];
        return {centre[0], centre[1], centre[2]};
    }
};

void expectColour(const Rgb& pixel, const Rgb& expected, const char* what) {
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(pixel[c], expected[c], 1) << what << ", channel " << c;
    }
}

}  // namespace

// What a white wall shows: warm ambient (0.7, 0.7, 0.3) plus the warm light (0.7, 0.7, 0.3) times
// the cosine between the wall's normal and the light, which shines from behind the eye; each
// channel clamped at 1.
TEST_F(LightingModuleTest, whiteSurfaceFacingTheEyeIsLitWarmYellow) {
    LightingModule lighting("lights.txt");
    lighting.enable();
    // (1.4, 1.4, 0.6) clamped: (1, 1, 0.6).
    expectColour(drawWhiteWall(0.0), {255, 255, 153}, "a wall facing the eye");
    lighting.disable();
}

TEST_F(LightingModuleTest, wallsTurnedFromTheLightFadeToTheWarmAmbient) {
    LightingModule lighting("lights.txt");
    lighting.enable();
    // (1.05, 1.05, 0.45) clamped: (1, 1, 0.45).
    expectColour(drawWhiteWall(60.0), {255, 255, 115}, "a wall turned 60 degrees");
    // Edge-on: the ambient alone, (0.7, 0.7, 0.3).
    expectColour(drawWhiteWall(90.0), {179, 179, 77}, "a wall edge-on to the light");
    // Facing away: no light from behind it, and still the ambient.
    expectColour(drawWhiteWall(180.0), {179, 179, 77}, "a wall facing away");
    lighting.disable();
}

// The module is made with lighting off, and the key's switch turns only lighting itself on and
// off: white walls stay white while it is off, and turn warm again when it is back on.
TEST_F(LightingModuleTest, lightingOffDrawsWhiteAndOnAgainDrawsWarm) {
    LightingModule lighting("");
    expectColour(drawWhiteWall(90.0), {255, 255, 255}, "before the first enable");
    lighting.enable();
    expectColour(drawWhiteWall(90.0), {179, 179, 77}, "lighting on");
    lighting.disable();
    expectColour(drawWhiteWall(0.0), {255, 255, 255}, "lighting off");
    lighting.enable();
    expectColour(drawWhiteWall(0.0), {255, 255, 153}, "lighting on again");
    lighting.disable();
}
