// The lit view in a real window: a writer-made wall of lightmap pages with known colours, a face
// lit by its vertex colours, a full-bright face, and sky and no-draw faces in front that must not
// be drawn; then the sample level's default view must not change when the lit view is left.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "WallLevel.h"
#include "app/Callbacks.h"
#include "app/LightingModule.h"
#include "app/ViewOptions.h"
#include "app/OnScreenDisplay.h"
#include "app/Viewer.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "generators/LevelWriter.h"
#include "render/Frustum.h"
#include "texture/LightmapSet.h"
#include "support/LevelFixtures.h"

namespace {

constexpr int kTolerance = 2;

// In file axes the camera sits at the origin looking along +y; every quad stands at y = kWallY
// (a wall across the view) or kScreenY (the faces that must not be drawn), spanning z -30..30.
constexpr float kWallY = 200.0f;
constexpr float kScreenY = 150.0f;
constexpr std::int32_t kSkyFlag = 0x4;
constexpr std::int32_t kNoDrawFlag = 0x80;

// Four walls side by side (page 0, page 1, vertex-lit, none) and, in front of the upper halves of
// the second and third, a sky face and a no-draw face that would show white if drawn.
LevelDescription litLevel() {
    LevelDescription level;
    level.textures = {{"textures/test/wall", 0, 1},
                      {"textures/test/sky", kSkyFlag, 1},
                      {"textures/test/clip", kNoDrawFlag, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 6, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0, 1, 2, 3, 4, 5};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-100, -60, -30, 30, kWallY, 0, 0, white});
    addQuad(level, {-50, -10, -30, 30, kWallY, 1, 0, white});
    addQuad(level, {10, 50, -30, 30, kWallY, kVertexLitLightmap, 0, {30, 40, 50, 255}});
    addQuad(level, {60, 100, -30, 30, kWallY, kNoLightmap, 0, white});
    addQuad(level, {-45, -5, 8, 30, kScreenY, kNoLightmap, 1, white});
    addQuad(level, {8, 45, 8, 30, kScreenY, kNoLightmap, 2, white});
    level.models = {{{-100, 0, -30}, {100, 200, 30}, 0, 6, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    level.lightmaps = uniformPage(40, 20, 10);
    const std::vector<std::uint8_t> second = uniformPage(100, 50, 25);
    level.lightmaps.insert(level.lightmaps.end(), second.begin(), second.end());
    return level;
}

// Window pixels of the walls' middles (lower halves) and of their upper halves behind the screen
// faces, for the camera at the origin with a 45 degree vertical field of view.
constexpr int kMiddleRow = 225;
constexpr int kUpperRow = 300;
constexpr int kPage0Column = 88;
constexpr int kPage1Column = 233;
constexpr int kVertexLitColumn = 407;
constexpr int kFullBrightColumn = 553;

class LitViewTest : public testing::Test {
protected:
    void SetUp() override {
        initGL();
        lighting = std::make_unique<LightingModule>("");
        display = std::make_unique<OnScreenDisplay>(GLUT_BITMAP_TIMES_ROMAN_24, kGlTestWindowWidth,
                                                    kGlTestWindowHeight);
        std::ostringstream transcript;
        level = std::make_unique<TestLevel>("no-data/", "lit.bsp", writeLevel(litLevel()),
                                            display.get(), lighting.get(), transcript);
        ASSERT_TRUE(level->isSound()) << level->getProblems().front();
        camera = std::make_unique<Camera>(Point(0, 0, 0), &frustum);
        level->setCamera(camera.get());
        reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    }

    std::vector<unsigned char> renderFrame(bool lit, std::string& overlay) {
        ViewOptions options;
        options.litView = lit;
        camera->setPosition(Point(0, 0, 0));
        camera->setYaw(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        std::ostringstream overlayText;
        level->render(overlayText, 0.0f, false, true, options);
        overlay = overlayText.str();
        return readWindowPixels();
    }

    static Rgb at(const std::vector<unsigned char>& pixels, int x, int y) {
        return pixelAt(pixels, x, y);
    }

    static void expectNear(const Rgb& actual, const Rgb& expected, const char* what) {
        expectRgbNear(actual, expected, kTolerance, what);
    }

    Frustum frustum;
    std::unique_ptr<LightingModule> lighting;
    std::unique_ptr<OnScreenDisplay> display;
    std::unique_ptr<BSPMap> level;
    std::unique_ptr<Camera> camera;
};

}  // namespace

TEST_F(LitViewTest, wallsShowTheirPagesTimesFourWithTheHueKept) {
    std::string overlay;
    const auto pixels = renderFrame(true, overlay);
    expectNear(at(pixels, kPage0Column, kMiddleRow), {160, 80, 40}, "page (40, 20, 10)");
    // 400, 200, 100 scaled by 255 / 400.
    expectNear(at(pixels, kPage1Column, kMiddleRow), {255, 128, 64}, "page (100, 50, 25)");
    expectNear(at(pixels, kVertexLitColumn, kMiddleRow), {120, 160, 200},
               "vertex colour (30, 40, 50)");
    expectNear(at(pixels, kFullBrightColumn, kMiddleRow), {255, 255, 255}, "lightmap -1");
    EXPECT_EQ(overlay, "  Number of visible faces 6  lightmaps");
}

TEST_F(LitViewTest, skyAndNoDrawFacesLeaveTheWallBehindVisible) {
    std::string overlay;
    const auto pixels = renderFrame(true, overlay);
    expectNear(at(pixels, kPage1Column, kUpperRow), {255, 128, 64}, "behind the sky face");
    expectNear(at(pixels, kVertexLitColumn, kUpperRow), {120, 160, 200}, "behind the no-draw face");
}

TEST_F(LitViewTest, leavingTheLitViewRestoresTheDefaultPicture) {
    std::string defaultOverlay;
    const auto before = renderFrame(false, defaultOverlay);
    std::string litOverlay;
    const auto lit = renderFrame(true, litOverlay);
    std::string afterOverlay;
    const auto after = renderFrame(false, afterOverlay);
    EXPECT_EQ(defaultOverlay, "  Number of visible faces 6");
    EXPECT_EQ(afterOverlay, defaultOverlay);
    EXPECT_NE(lit, before);
    EXPECT_EQ(after, before);
    // The default view draws every face in its fixed light, the screen faces included: the
    // wall behind them is hidden there.
    EXPECT_NE(at(before, kPage1Column, kUpperRow), at(lit, kPage1Column, kUpperRow));
}
