// Deformed faces in the material view, read back from a real window: a wave deform moves a
// wall's edge and a patch between two clock times, a move deform shifts the whole wall, and a
// platform's faces ripple where the platform stands; the centre pick meets them where drawn.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "DeformLevel.h"
#include "app/Callbacks.h"
#include "app/SurfaceReport.h"
#include "app/ViewOptions.h"

namespace {

constexpr int kTolerance = 3;
// Window pixels for the camera at the origin (45 degrees high, 640 x 480): at depth 200 a unit
// is 2.9 columns and 2.9 rows from the middle.
constexpr int kMiddleRow = 240;
// z = 25: above the wave wall's top as stored (20), below it when raised (30).
constexpr int kAboveWaveTopRow = 312;
// x = -40: the wave wall's middle.
constexpr int kWaveColumn = 204;
// x = 10 and x = 70: beside the move wall as stored (20..60), inside it when moved 20 units.
constexpr int kLeftOfMoveColumn = 349;
constexpr int kRightOfMoveColumn = 523;
// x = 0, z = 25 and z = 55: below and above the patch as stored (z 30..50), inside it when it is
// lowered (20..40) and raised (40..60).
constexpr int kPatchColumn = 320;
constexpr int kBelowPatchRow = 312;
constexpr int kAbovePatchRow = 399;

bool isColour(const Rgb& pixel, const Rgb& colour) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(int(pixel[i]) - int(colour[i])) > kTolerance) {
            return false;
        }
    }
    return true;
}

class DeformViewTest : public testing::Test {
protected:
    void SetUp() override { start(deform_level::deformLevel()); }
    void start(const LevelDescription& level) {
        session.reset();
        session = deform_level::startSession(data.path(), level);
        ASSERT_NE(session, nullptr);
        reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    }
    void TearDown() override { session.reset(); }

    std::vector<unsigned char> frameAt(double seconds) {
        session->getOptions().clockSeconds = seconds;
        session->placeEye(Point(0, 0, 0), 0);
        session->drawFrame(0.0f);
        return readWindowPixels();
    }

    ScratchFolder data{"deform-view"};
    std::unique_ptr<ViewerSession> session;
};

}  // namespace

TEST_F(DeformViewTest, aWaveDeformMovesTheWallsEdgeByTheClock) {
    const auto raised = frameAt(0.25);
    expectRgbNear(pixelAt(raised, kWaveColumn, kMiddleRow), deform_level::kWaveColour, kTolerance,
                  "middle, raised");
    expectRgbNear(pixelAt(raised, kWaveColumn, kAboveWaveTopRow), deform_level::kWaveColour,
                  kTolerance, "above the stored top, raised");
    const auto lowered = frameAt(0.75);
    expectRgbNear(pixelAt(lowered, kWaveColumn, kMiddleRow), deform_level::kWaveColour, kTolerance,
                  "middle, lowered");
    EXPECT_FALSE(
        isColour(pixelAt(lowered, kWaveColumn, kAboveWaveTopRow), deform_level::kWaveColour))
        << "above the stored top, lowered";
}

TEST_F(DeformViewTest, aMoveDeformShiftsTheWholeWall) {
    const auto right = frameAt(0.25);
    expectRgbNear(pixelAt(right, kRightOfMoveColumn, kMiddleRow), deform_level::kMoveColour,
                  kTolerance, "moved right");
    EXPECT_FALSE(isColour(pixelAt(right, kLeftOfMoveColumn, kMiddleRow), deform_level::kMoveColour))
        << "left of it, moved right";
    const auto left = frameAt(0.75);
    expectRgbNear(pixelAt(left, kLeftOfMoveColumn, kMiddleRow), deform_level::kMoveColour,
                  kTolerance, "moved left");
    EXPECT_FALSE(isColour(pixelAt(left, kRightOfMoveColumn, kMiddleRow), deform_level::kMoveColour))
        << "right of it, moved left";
}

TEST_F(DeformViewTest, aWaveDeformMovesAPatchsTessellatedVertices) {
    const auto raised = frameAt(0.25);
    expectRgbNear(pixelAt(raised, kPatchColumn, kAbovePatchRow), deform_level::kPatchColour,
                  kTolerance, "above, raised");
    EXPECT_FALSE(
        isColour(pixelAt(raised, kPatchColumn, kBelowPatchRow), deform_level::kPatchColour))
        << "below, raised";
    const auto lowered = frameAt(0.75);
    expectRgbNear(pixelAt(lowered, kPatchColumn, kBelowPatchRow), deform_level::kPatchColour,
                  kTolerance, "below, lowered");
    EXPECT_FALSE(
        isColour(pixelAt(lowered, kPatchColumn, kAbovePatchRow), deform_level::kPatchColour))
        << "above, lowered";
}

TEST_F(DeformViewTest, aBrushEntitysFaceRipplesWhereTheEntityStands) {
    start(deform_level::deformPlatLevel());
    // x = 0, z = 25 at the platform's depth: inside the lowered platform (0..20) only while the
    // wave raises it (10..30), and inside the face as stored only while the wave lowers it.
    const int row = 240 + static_cast<int>(25.0f / deform_level::kPlatY * 240.0f / 0.41421356f);
    const auto raised = frameAt(0.25);
    expectRgbNear(pixelAt(raised, kPatchColumn, row), deform_level::kWaveColour, kTolerance,
                  "raised");
    const auto lowered = frameAt(0.75);
    EXPECT_FALSE(isColour(pixelAt(lowered, kPatchColumn, row), deform_level::kWaveColour))
        << "lowered";
}

TEST_F(DeformViewTest, theCentrePickMeetsDeformedFacesWhereTheyAreDrawn) {
    start(deform_level::deformPlatLevel());
    // Viewer axes: file (x, y, z) is (x, z, -y). Looking along +y from z = 25 at x = -40, the
    // wave wall (z -20..20 as stored) is met only while it is raised; from z = 5 at x = -2, the
    // platform (0..20 where it stands) only while it is lowered.
    const auto pickFrom = [&](const Point& eye, double seconds) {
        session->getOptions().clockSeconds = seconds;
        session->placeEye(eye, 0);
        session->drawFrame(0.0f);
        std::ostringstream log;
        return inspectViewCentre(session->getLevel(), session->getOptions(), true, log);
    };
    const Point wallEye(-40, 25, 0);
    const Point platEye(-2, 5, 0);
    const std::string wallRaised = pickFrom(wallEye, 0.25);
    EXPECT_TRUE(wallRaised.starts_with("face 0 polygon 'textures/test/wave';")) << wallRaised;
    EXPECT_EQ(pickFrom(wallEye, 0.75), kNoFaceLine);
    EXPECT_EQ(pickFrom(platEye, 0.25), kNoFaceLine);
    const std::string platLowered = pickFrom(platEye, 0.75);
    EXPECT_TRUE(platLowered.starts_with("face 3 polygon 'textures/test/wave';")) << platLowered;
    EXPECT_TRUE(platLowered.ends_with("; entity 1 func_plat")) << platLowered;
}
