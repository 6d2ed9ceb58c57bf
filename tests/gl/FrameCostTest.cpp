// The frame-cost looks in a real window, on a wall with a smaller wall in front of part of it:
// the overdraw view colours two fragments apart from one, the wireframe draws the edges (brush
// entities' in their own colour) and not the middle, and the cost line counts the faces, draws
// and fragments the test knows, while the first overlay line stays as it was.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BrushLevel.h"
#include "GlPixels.h"
#include "WallLevel.h"
#include "app/Callbacks.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/ViewOptions.h"
#include "app/Viewer.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/FrameCostViews.h"
#include "render/Frustum.h"
#include "render/HeatRamp.h"
#include "render/LevelViews.h"
#include "support/LevelFixtures.h"

namespace {

constexpr int kTolerance = 2;
// Camera at the origin looking along +y (file axes): the back wall at y 200 spans columns
// 146..494 and rows 153..327; the front wall at y 150 covers columns 320..436, rows 182..298.
LevelDescription twoWalls() {
    LevelDescription level;
    level.textures = {{"textures/test/back", 0, 1}, {"textures/test/front", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 2, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0, 1};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    // The back wall is face 0, drawn first, so the front wall's fragments pass the depth test too.
    addQuad(level, {-60, 60, -30, 30, 200, 0, 0, white});
    addQuad(level, {0, 30, -15, 15, 150, 1, 1, white});
    level.models = {{{-60, 0, -30}, {60, 200, 30}, 0, 2, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    level.lightmaps = uniformPage(60, 0, 0);
    const std::vector<std::uint8_t> second = uniformPage(0, 60, 0);
    level.lightmaps.insert(level.lightmaps.end(), second.begin(), second.end());
    return level;
}

constexpr int kMiddleRow = 240;
constexpr int kBackOnlyColumn = 200;
constexpr int kBothColumn = 378;
constexpr int kEmptyColumn = 60;
// The pages times four.
const Rgb kBackColour = {240, 0, 0};
const Rgb kFrontColour = {0, 240, 0};

Rgb rampPixel(int count) {
    const std::array<float, 3> colour = heatColour(float(count - 1) / 7.0f);
    return {int(std::lround(colour[0] * 255)), int(std::lround(colour[1] * 255)),
            int(std::lround(colour[2] * 255))};
}

// The first column of row whose red and green are near colour's, searched from first to last;
// -1 when none is.
int columnOf(const std::vector<unsigned char>& pixels, int row, int first, int last,
             const Rgb& colour) {
    for (int column = first; column <= last; ++column) {
        const Rgb pixel = pixelAt(pixels, column, row);
        if (std::abs(pixel[0] - colour[0]) <= kTolerance &&
            std::abs(pixel[1] - colour[1]) <= kTolerance) {
            return column;
        }
    }
    return -1;
}

class FrameCostTest : public testing::Test {
protected:
    void SetUp() override {
        initGL();
        lighting = std::make_unique<LightingModule>("");
        display = std::make_unique<OnScreenDisplay>(GLUT_BITMAP_TIMES_ROMAN_24, kGlTestWindowWidth,
                                                    kGlTestWindowHeight);
        std::ostringstream transcript;
        level = std::make_unique<TestLevel>("no-data/", "walls.bsp", writeLevel(twoWalls()),
                                            display.get(), lighting.get(), transcript);
        ASSERT_TRUE(level->isSound()) << level->getProblems().front();
        camera = std::make_unique<Camera>(Point(0, 0, 0), &frustum);
        level->setCamera(camera.get());
        reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    }

    std::vector<unsigned char> renderFrame(const ViewOptions& options, std::string& overlay) {
        return renderFrame(*level, options, overlay);
    }
    std::vector<unsigned char> renderFrame(BSPMap& shown, const ViewOptions& options,
                                           std::string& overlay) {
        camera->setPosition(Point(0, 0, 0));
        camera->setYaw(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        std::ostringstream overlayText;
        shown.render(overlayText, 0.0f, false, true, options);
        overlay = overlayText.str();
        return readWindowPixels();
    }

    static ViewOptions lit() {
        ViewOptions options;
        options.litView = true;
        return options;
    }

    Frustum frustum;
    std::unique_ptr<LightingModule> lighting;
    std::unique_ptr<OnScreenDisplay> display;
    std::unique_ptr<BSPMap> level;
    std::unique_ptr<Camera> camera;
};

}  // namespace

TEST_F(FrameCostTest, overdrawViewColoursTwoFragmentsApartFromOne) {
    ViewOptions options = lit();
    options.overdraw = true;
    std::string overlay;
    const auto pixels = renderFrame(options, overlay);
    expectRgbNear(pixelAt(pixels, kBackOnlyColumn, kMiddleRow), rampPixel(1), kTolerance,
                  "the back wall alone");
    expectRgbNear(pixelAt(pixels, kBothColumn, kMiddleRow), rampPixel(2), kTolerance,
                  "the front wall over the back wall");
    expectRgbNear(pixelAt(pixels, kEmptyColumn, kMiddleRow), {0, 0, 0}, kTolerance,
                  "where no face is");
    EXPECT_EQ(overlay, "  Number of visible faces 2  lightmaps");

    // Leaving the view brings the picture back.
    const auto picture = renderFrame(lit(), overlay);
    expectRgbNear(pixelAt(picture, kBothColumn, kMiddleRow), kFrontColour, kTolerance,
                  "the front wall once the view is left");
}

TEST_F(FrameCostTest, wireframeColoursTheEdgesAndLeavesTheMiddleOfAFace) {
    ViewOptions options = lit();
    options.wireframe = true;
    std::string overlay;
    const auto plain = renderFrame(lit(), overlay);
    const auto wired = renderFrame(options, overlay);
    // The polygon colour on or next to the back wall's left edge, in the middle row.
    const Rgb polygonWire = {26, 230, 26};
    EXPECT_GE(columnOf(wired, kMiddleRow, 140, 152, polygonWire), 0)
        << "no edge pixel near column 146";
    // The middle of a triangle is as the picture drew it.
    expectRgbNear(pixelAt(wired, kBackOnlyColumn, kMiddleRow), kBackColour, kTolerance,
                  "the middle of the back wall");
    expectRgbNear(pixelAt(plain, kBackOnlyColumn, kMiddleRow), kBackColour, kTolerance,
                  "the middle of the back wall without the wireframe");
    EXPECT_EQ(overlay, "  Number of visible faces 2  lightmaps");
}

TEST_F(FrameCostTest, brushEntityEdgesAreTheirOwnColourAndTheirFacesAreCounted) {
    std::ostringstream transcript;
    TestLevel brushes("no-data/", "brush.bsp", writeLevel(brush_level::brushLevel()), display.get(),
                      lighting.get(), transcript);
    ASSERT_TRUE(brushes.isSound());
    brushes.setCamera(camera.get());
    ViewOptions options = lit();
    options.wireframe = true;
    options.showStats = true;
    std::string overlay;
    testing::internal::CaptureStderr();
    const auto pixels = renderFrame(brushes, options, overlay);
    testing::internal::GetCapturedStderr();
    // The door spans columns 262..378 at y 100, the wall columns 30..610 at y 200.
    EXPECT_GE(columnOf(pixels, kMiddleRow, 255, 270, {255, 140, 0}), 0) << "no door edge";
    EXPECT_GE(columnOf(pixels, kMiddleRow, 24, 36, {26, 230, 26}), 0) << "no wall edge";
    const FrameCost& cost = brushes.views().frameCost().lastCost();
    EXPECT_EQ(cost.faces, 1u);
    EXPECT_EQ(cost.brushFaces, 3u);
    EXPECT_EQ(cost.triangles, 8u);
    EXPECT_EQ(overlay, "  Number of visible faces 1  brush faces 3  lightmaps");
}

TEST_F(FrameCostTest, costLineCountsFacesDrawsAndFragmentsOfTheFrame) {
    FrameCostViews& cost = level->views().frameCost();
    std::string overlay;
    renderFrame(lit(), overlay);
    EXPECT_EQ(cost.lastCost().faces, 0u) << "counted while the line is off";

    ViewOptions options = lit();
    options.showStats = true;
    const auto pixels = renderFrame(options, overlay);
    EXPECT_EQ(overlay, "  Number of visible faces 2  lightmaps");
    cost.waitForFragments();
    // Each back-wall pixel passed one fragment, each front-wall pixel two.
    std::size_t fragments = 0;
    for (int y = 100; y < 380; ++y) {
        for (int x = 0; x < kGlTestWindowWidth; ++x) {
            const Rgb pixel = pixelAt(pixels, x, y);
            fragments += pixel == kBackColour ? 1 : pixel == kFrontColour ? 2 : 0;
        }
    }
    ASSERT_TRUE(cost.lastCost().fragmentsPerPixel.has_value());
    const double perPixel = double(fragments) / (kGlTestWindowWidth * kGlTestWindowHeight);
    EXPECT_NEAR(*cost.lastCost().fragmentsPerPixel, perPixel, 1e-6);

    std::ostringstream expected;
    expected.precision(2);
    expected << "faces 2+0  triangles 4  draws 2  materials 2  lightmaps 2  fragments/pixel "
             << std::fixed << perPixel << "  0.0 ms";
    EXPECT_EQ(frameCostLine(cost.lastCost()).c_str(), expected.str());
}
