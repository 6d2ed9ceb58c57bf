// Brush entities in a real window: a door hides the wall behind it in the lit view, a platform
// stands lowered, a bobbing piece moves with the clock, a trigger and bad model keys draw
// nothing, and the default view with the entities hidden stays as it was.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BrushLevel.h"
#include "GlPixels.h"
#include "app/Callbacks.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/SurfaceReport.h"
#include "app/ViewOptions.h"
#include "app/Viewer.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/Frustum.h"
#include "support/LevelFixtures.h"

namespace {

using namespace brush_level;

constexpr int kTolerance = 2;

class BrushEntityTest : public testing::Test {
protected:
    void SetUp() override {
        initGL();
        lighting = std::make_unique<LightingModule>("");
        display = std::make_unique<OnScreenDisplay>(GLUT_BITMAP_TIMES_ROMAN_24, kGlTestWindowWidth,
                                                    kGlTestWindowHeight);
        camera = std::make_unique<Camera>(Point(0, 0, 0), &frustum);
        reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    }

    std::unique_ptr<BSPMap> open(bool withEntities) {
        std::ostringstream transcript;
        auto level = std::make_unique<TestLevel>("no-data/", "brush.bsp",
                                                 writeLevel(brushLevel(withEntities)),
                                                 display.get(), lighting.get(), transcript);
        EXPECT_TRUE(level->isSound());
        level->setCamera(camera.get());
        return level;
    }

    std::vector<unsigned char> renderFrame(BSPMap& level, const ViewOptions& options,
                                           std::string& overlay) {
        camera->setPosition(Point(0, 0, 0));
        camera->setYaw(0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        std::ostringstream overlayText;
        level.render(overlayText, 0.0f, false, true, options);
        overlay = overlayText.str();
        return readWindowPixels();
    }

    static ViewOptions litAt(double clockSeconds) {
        ViewOptions options;
        options.litView = true;
        options.clockSeconds = clockSeconds;
        return options;
    }

    static void expectColour(const std::vector<unsigned char>& pixels, WindowPixel at,
                             const Rgb& expected, const char* what) {
        expectRgbNear(pixelAt(pixels, at.column, at.row), expected, kTolerance, what);
    }

    Frustum frustum;
    std::unique_ptr<LightingModule> lighting;
    std::unique_ptr<OnScreenDisplay> display;
    std::unique_ptr<Camera> camera;
};

}  // namespace

TEST_F(BrushEntityTest, doorHidesTheWallAndPlatformStandsLoweredInTheLitView) {
    auto level = open(true);
    testing::internal::CaptureStderr();
    std::string overlay;
    const auto pixels = renderFrame(*level, litAt(0.0), overlay);
    const std::string problems = testing::internal::GetCapturedStderr();
    expectColour(pixels, pixelOf(0, kPieceY, 0), kDoorColour, "the door");
    expectColour(pixels, pixelOf(50, kWallY, 0), kWallColour, "the wall beside the door");
    // The plat's compiled place shows the wall; it stands kPlatHeight lower.
    expectColour(pixels, pixelOf(25, kPieceY, 0), kWallColour, "where the plat was compiled");
    expectColour(pixels, pixelOf(25, kPieceY, -kPlatHeight), kPlatColour, "the lowered plat");
    // The trigger's brush lies over the wall and is not drawn.
    expectColour(pixels, pixelOf(0, kPieceY, 13), kWallColour, "behind the trigger");
    EXPECT_EQ(overlay, "  Number of visible faces 1  brush faces 3  lightmaps");

    // One line per bad model key, each naming the level and the entity.
    std::istringstream lines(problems);
    std::vector<std::string> modelLines;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("model \"*") != std::string::npos) {
            modelLines.push_back(line);
        }
    }
    ASSERT_EQ(modelLines.size(), 4u) << problems;
    EXPECT_EQ(modelLines[0],
              "brush.bsp: entity 4 func_door: model \"*9\" names no submodel (the level has 5); "
              "not drawn");
    EXPECT_NE(modelLines[1].find("entity 5 func_door: model \"*-1\""), std::string::npos);
    EXPECT_NE(modelLines[2].find("entity 6 func_door: model \"*abc\""), std::string::npos);
    EXPECT_EQ(modelLines[3],
              "brush.bsp: entity 7 func_door: model \"*4\" lists faces 4..13 but the level has 5; "
              "not drawn");
}

TEST_F(BrushEntityTest, onlyTheFacesInsideTheViewOfAPartlySeenEntityAreDrawn) {
    // A still piece of two faces: one above the door, in view, and one far to the right.
    LevelDescription description = brushLevel(true);
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(description, {300, 310, 12, 16, kPieceY, kNoLightmap, 0, white});
    description.models.push_back({{-5, kPieceY, 12}, {310, kPieceY, 16}, 4, 2, 0, 0});
    description.entityText += "{ \"classname\" \"func_static\" \"model\" \"*6\" }\n";
    std::ostringstream transcript;
    TestLevel level("no-data/", "brush.bsp", writeLevel(description), display.get(), lighting.get(),
                    transcript);
    ASSERT_TRUE(level.isSound());
    level.setCamera(camera.get());
    testing::internal::CaptureStderr();
    std::string overlay;
    const auto pixels = renderFrame(level, litAt(0.0), overlay);
    testing::internal::GetCapturedStderr();
    expectColour(pixels, pixelOf(0, kPieceY, 14), kPlatColour, "the piece's face in view");
    expectColour(pixels, pixelOf(0, kPieceY, 0), kDoorColour, "the door");
    // The door, the plat, the bobbing piece and one face of the two.
    EXPECT_EQ(overlay, "  Number of visible faces 1  brush faces 4  lightmaps");
}

TEST_F(BrushEntityTest, bobbingPieceMovesWithTheClock) {
    auto level = open(true);
    std::string overlay;
    // A 4-second cycle: at rest at 0 s, at the top of its swing a quarter later.
    const auto atRest = renderFrame(*level, litAt(0.0), overlay);
    const auto atTop = renderFrame(*level, litAt(1.0), overlay);
    const WindowPixel middle = pixelOf(-25, kPieceY, 0);
    const WindowPixel raised = pixelOf(-25, kPieceY, kBobbingHeight);
    const WindowPixel below = pixelOf(-25, kPieceY, -4);
    expectColour(atRest, middle, kBobbingColour, "at rest, its middle");
    expectColour(atRest, raised, kWallColour, "at rest, above it");
    expectColour(atTop, raised, kBobbingColour, "at the top, its middle");
    expectColour(atTop, below, kWallColour, "at the top, where its lower half was");
}

TEST_F(BrushEntityTest, defaultViewWithEntitiesHiddenIsUnchanged) {
    auto withBrushes = open(true);
    auto without = open(false);
    std::string overlay;
    std::string plainOverlay;
    const auto shown = renderFrame(*withBrushes, ViewOptions(), overlay);
    const auto plain = renderFrame(*without, ViewOptions(), plainOverlay);
    EXPECT_EQ(shown, plain);
    EXPECT_EQ(overlay, "  Number of visible faces 1");
    EXPECT_EQ(plainOverlay, overlay);
    // With the entities shown the pieces are drawn in the default view too, the count unchanged:
    // the lowered plat reaches below the wall.
    ViewOptions entities;
    entities.showEntities = true;
    const auto withPlat = renderFrame(*withBrushes, entities, overlay);
    const WindowPixel belowWall = pixelOf(25, kPieceY, -18);
    EXPECT_NE(pixelAt(withPlat, belowWall.column, belowWall.row),
              pixelAt(plain, belowWall.column, belowWall.row));
    EXPECT_EQ(overlay, "  Number of visible faces 1");
}

TEST_F(BrushEntityTest, pickNamesTheDoorsFaceAndItsEntity) {
    auto level = open(true);
    std::string overlay;
    const ViewOptions options = litAt(0.0);
    renderFrame(*level, options, overlay);
    std::ostringstream log;
    const std::string line = inspectViewCentre(*level, options, false, log);
    EXPECT_TRUE(line.starts_with("face 1 polygon 'textures/test/wall';")) << line;
    EXPECT_NE(line.find("; point 0.0 0.0 -100.0; distance 100.0"), std::string::npos) << line;
    EXPECT_TRUE(line.ends_with("; entity 1 func_door targetname gate")) << line;
}
