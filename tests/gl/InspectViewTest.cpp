// The inspection keys on the sample level in a real window: `f` keeps the frozen pose's faces while
// the eye flies on, and `c` paints faces in their cluster colours; each key again switches back.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "SampleSession.h"
#include "level/BSPMap.h"
#include "render/ClusterColours.h"

namespace {

class InspectViewTest : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kSampleSessionLevel)) {
            GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
        }
        // The viewer's own start-up, so that the frames run exactly as in the viewer.
        session = startSampleSession(kSampleInRoomA);
        level = &session->getLevel();
    }
    void TearDown() override { session.reset(); }

    std::vector<unsigned char> renderAt(const Point& eye, int yaw) {
        return sessionFrameAt(*session, eye, yaw);
    }

    static void expectPixelIs(const std::vector<unsigned char>& pixels, int x, int y,
                              const ClusterColour& colour, const char* what) {
        const Rgb expected = {int(colour.red * 255 + 0.5f), int(colour.green * 255 + 0.5f),
                              int(colour.blue * 255 + 0.5f)};
        expectRgbNear(pixelAt(pixels, x, y), expected, 2, what);
    }

    std::unique_ptr<ViewerSession> session;
    BSPMap* level = nullptr;  // the session's
};

}  // namespace

TEST_F(InspectViewTest, frozenCullingKeepsTheFrozenPosesFacesWhileTheEyeFliesOn) {
    const std::vector<unsigned char> roomA = renderAt(kSampleInRoomA, 0);
    const std::vector<std::uint32_t> roomAFaces = level->getFaceDrawList();
    ASSERT_EQ(level->getLastVisibleFaceCount(), 20u);

    keyboard('f', 0, 0);
    const std::vector<unsigned char> frozenInB = renderAt(kSampleInRoomB, 0);
    EXPECT_EQ(level->getFaceDrawList(), roomAFaces);
    EXPECT_EQ(level->getLastVisibleFaceCount(), 20u);
    EXPECT_EQ(level->getLastCameraLeaf(), 0);
    EXPECT_NE(frozenInB, roomA) << "the drawing follows the live eye";

    keyboard('f', 0, 0);
    renderAt(kSampleInRoomB, 0);
    EXPECT_EQ(level->getLastVisibleFaceCount(), 10u);
    EXPECT_EQ(level->getLastCameraLeaf(), 3);
}

TEST_F(InspectViewTest, clusterViewPaintsFacesInTheirClusterColoursUntilSwitchedOff) {
    const std::vector<unsigned char> lit = renderAt(kSampleInRoomA, 0);
    keyboard('c', 0, 0);
    const std::vector<unsigned char> coloured = renderAt(kSampleInRoomA, 0);
    // Room A is cluster 0; its walls and floor are listed by its own leaf only or also by the
    // arch's (cluster 1), so they take cluster 0's colour.
    expectPixelIs(coloured, kSampleNorthWallX, kSampleNorthWallY, clusterColour(0), "north wall");
    expectPixelIs(coloured, kSampleFloorX, kSampleFloorY, clusterColour(0), "floor");
    EXPECT_EQ(level->getLastVisibleFaceCount(), 20u) << "the overlay counts as before";

    keyboard('c', 0, 0);
    EXPECT_EQ(renderAt(kSampleInRoomA, 0), lit);
}
