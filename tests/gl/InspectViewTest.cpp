// The inspection views on the sample level in a real window: frozen culling keeps the frozen
// pose's faces while the eye flies on, and the cluster view paints faces in their cluster colours.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "app/Callbacks.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/Viewer.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/ClusterColours.h"
#include "render/Frustum.h"

namespace {

const std::string kSampleDir = VELMORA_BINARY_DIR "/sample/";
const std::string kSampleLevel = VELMORA_BINARY_DIR "/sample/maps/sample.bsp";
const Point kInRoomA(256, 64, -128);
const Point kInRoomB(1280, 64, -960);
// From room A at yaw 0: the north wall left of the door, and the floor.
constexpr int kNorthWallX = 100;
constexpr int kNorthWallY = 400;
constexpr int kFloorX = 100;
constexpr int kFloorY = 60;

class InspectViewTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kSampleLevel)) {
            GTEST_SKIP() << kSampleLevel << " has not been generated";
        }
        initGL();
        lighting = std::make_unique<LightingModule>("");
        display = std::make_unique<OnScreenDisplay>(GLUT_BITMAP_TIMES_ROMAN_24, kGlTestWindowWidth,
                                                    kGlTestWindowHeight);
        level = std::make_unique<BSPMap>(kSampleDir, kSampleLevel, display.get(), lighting.get());
        ASSERT_TRUE(level->isSound());
        camera = std::make_unique<Camera>(kInRoomA, &frustum);
        level->setCamera(camera.get());
        reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    }

    std::vector<unsigned char> renderAt(const Point& eye, int yaw) {
        camera->setPosition(eye);
        camera->setYaw(yaw);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        std::ostringstream overlayText;
        level->render(overlayText, 0.0f, false, true);
        return readWindowPixels();
    }

    static void expectPixelIs(const std::vector<unsigned char>& pixels, int x, int y,
                              const ClusterColour& colour, const char* what) {
        const std::size_t i = 4 * (std::size_t(y) * kGlTestWindowWidth + x);
        EXPECT_NEAR(pixels[i], colour.red * 255, 2) << what;
        EXPECT_NEAR(pixels[i + 1], colour.green * 255, 2) << what;
        EXPECT_NEAR(pixels[i + 2], colour.blue * 255, 2) << what;
    }

    Frustum frustum;
    std::unique_ptr<LightingModule> lighting;
    std::unique_ptr<OnScreenDisplay> display;
    std::unique_ptr<BSPMap> level;
    std::unique_ptr<Camera> camera;
};

}  // namespace

TEST_F(InspectViewTest, frozenCullingKeepsTheFrozenPosesFacesWhileTheEyeFliesOn) {
    const std::vector<unsigned char> roomA = renderAt(kInRoomA, 0);
    const std::vector<std::uint32_t> roomAFaces = level->getFaceDrawList();
    ASSERT_EQ(level->getLastVisibleFaceCount(), 20u);

    level->setCullingFrozen(true);
    const std::vector<unsigned char> frozenInB = renderAt(kInRoomB, 0);
    EXPECT_EQ(level->getFaceDrawList(), roomAFaces);
    EXPECT_EQ(level->getLastVisibleFaceCount(), 20u);
    EXPECT_EQ(level->getLastCameraLeaf(), 0);
    EXPECT_NE(frozenInB, roomA) << "the drawing follows the live eye";

    level->setCullingFrozen(false);
    renderAt(kInRoomB, 0);
    EXPECT_EQ(level->getLastVisibleFaceCount(), 10u);
    EXPECT_EQ(level->getLastCameraLeaf(), 3);
}

TEST_F(InspectViewTest, clusterViewPaintsFacesInTheirClusterColoursUntilSwitchedOff) {
    const std::vector<unsigned char> lit = renderAt(kInRoomA, 0);
    level->setClusterView(true);
    const std::vector<unsigned char> coloured = renderAt(kInRoomA, 0);
    // Room A is cluster 0; its walls and floor are listed by its own leaf only or also by the
    // arch's (cluster 1), so they take cluster 0's colour.
    expectPixelIs(coloured, kNorthWallX, kNorthWallY, clusterColour(0), "north wall");
    expectPixelIs(coloured, kFloorX, kFloorY, clusterColour(0), "floor");
    EXPECT_EQ(level->getLastVisibleFaceCount(), 20u) << "the overlay counts as before";

    level->setClusterView(false);
    EXPECT_EQ(renderAt(kInRoomA, 0), lit);
}
