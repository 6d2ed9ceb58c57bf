// The lighting module in a real context: the warm light it sets up, with GL lighting left off.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "GlPixels.h"
#include "app/LightingModule.h"

namespace {

using Rgba = std::array<GLfloat, 4>;

constexpr Rgba kWarm = {0.7f, 0.7f, 0.3f, 1.0f};

// GL's initial lighting state, so each test sees what the constructor itself changes.
void resetLighting() {
    const Rgba defaultAmbient = {0.2f, 0.2f, 0.2f, 1.0f};
    const Rgba defaultDiffuse = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient.data());
    glLightfv(GL_LIGHT0, GL_DIFFUSE, defaultDiffuse.data());
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
}

Rgba lightModelAmbient() {
    Rgba value{};
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, value.data());
    return value;
}

Rgba lightParameter(GLenum parameter) {
    Rgba value{};
    glGetLightfv(GL_LIGHT0, parameter, value.data());
    return value;
}

class LightingModuleTest : public testing::Test {
protected:
    void SetUp() override { resetLighting(); }
    void TearDown() override { resetLighting(); }
};

TEST_F(LightingModuleTest, constructionSetsWarmLightZeroAndLeavesLightingOff) {
    LightingModule lighting("no-such-lighting-file.txt");
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT1));
    EXPECT_EQ(lightModelAmbient(), kWarm);
    EXPECT_EQ(lightParameter(GL_DIFFUSE), kWarm);
    // Everything else about light 0 keeps GL's defaults: a white specular term and a directional
    // light along the viewing axis.
    EXPECT_EQ(lightParameter(GL_SPECULAR), (Rgba{1.0f, 1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(lightParameter(GL_POSITION), (Rgba{0.0f, 0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(lightParameter(GL_AMBIENT), (Rgba{0.0f, 0.0f, 0.0f, 1.0f}));
}

TEST_F(LightingModuleTest, enableAndDisableSwitchOnlyGlLighting) {
    LightingModule lighting("");
    lighting.enable();
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    lighting.disable();
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
}

TEST_F(LightingModuleTest, whiteSurfaceFacingTheEyeIsLitWarmYellow) {
    LightingModule lighting("lights.txt");
    clearToBlack();
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    lighting.enable();
    glColor3f(1.0f, 1.0f, 1.0f);
    glNormal3f(0.0f, 0.0f, 1.0f);
    glRectf(-1.0f, -1.0f, 1.0f, 1.0f);
    lighting.disable();
    glDisable(GL_COLOR_MATERIAL);

    const std::vector<unsigned char> pixels = readWindowPixels();
    const unsigned char* centre =
        &pixels[4 * ((kGlTestWindowHeight / 2) * kGlTestWindowWidth + kGlTestWindowWidth / 2)];
    // (0.7 + 0.7, 0.7 + 0.7, 0.3 + 0.3) clamped: (1, 1, 0.6).
    EXPECT_EQ(centre[0], 255);
    EXPECT_EQ(centre[1], 255);
    EXPECT_NEAR(centre[2], 153, 1);
}

}  // namespace
