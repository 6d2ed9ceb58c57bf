// Fog volumes and sprites in the lit view with face images: pictures of small walls seen through
// fog of known depth, and of a sprite quad set edge-on to the camera, read back from a real
// window.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "FogLevel.h"
#include "GlPixels.h"
#include "app/Callbacks.h"
#include "app/SurfaceReport.h"
#include "app/ViewerSession.h"
#include "generators/AssetFiles.h"
#include "geometry/Point.h"
#include "level/BSPMap.h"

namespace {

using namespace fog_level;

constexpr int kTolerance = 3;

// At 200 units from an eye 45 degrees high in a 480-row window, one unit is this many pixels.
const double kPixelsPerUnit = 240.0 / (kWallY * std::tan(std::acos(-1.0) / 8.0));
constexpr int kCentreColumn = kGlTestWindowWidth / 2;
constexpr int kCentreRow = kGlTestWindowHeight / 2;

int columnAt(double unitsRight) {
    return kCentreColumn + static_cast<int>(std::lround(unitsRight * kPixelsPerUnit));
}

int rowAt(double unitsUp) {
    return kCentreRow + static_cast<int>(std::lround(unitsUp * kPixelsPerUnit));
}

// a of the way from colour to fog.
Rgb blended(const Rgb& colour, const Rgb& fog, double a) {
    Rgb result{};
    for (std::size_t c = 0; c < 3; ++c) {
        result[c] = static_cast<int>(std::lround(colour[c] * (1.0 - a) + fog[c] * a));
    }
    return result;
}

// What shows where no face is: the top left corner, far from every face.
Rgb background(const std::vector<unsigned char>& pixels) {
    return pixelAt(pixels, 0, kGlTestWindowHeight - 1);
}

class FogAndSpriteTest : public testing::Test {
protected:
    void SetUp() override {
        session = fog_level::startSession(data.path());
        ASSERT_NE(session, nullptr);
        reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    }
    void TearDown() override { session.reset(); }

    // A frame from y = 0 in the lane, looking down it; file (x, 0, 0) is viewer (x, 0, 0).
    std::vector<unsigned char> frameIn(float lane) {
        session->placeEye(Point(lane, 0, 0), 0);
        session->drawFrame(0.0f);
        return readWindowPixels();
    }

    ScratchFolder data{"fog-and-sprites"};
    std::unique_ptr<ViewerSession> session;
};

}  // namespace

TEST_F(FogAndSpriteTest, aWallBeyondFogIsBlendedByTheDepthOfFogBetween) {
    const auto pixels = frameIn(kFogLane);
    expectRgbNear(pixelAt(pixels, columnAt(-85), kCentreRow), kWallColour, kTolerance,
                  "the wall beside the fog");
    // Every corner of the wall is seen through the far half of its line of sight: 100 units of
    // fog straight ahead, a little more out to the corners, of 200 to opaque.
    const double corner = std::sqrt(20.0 * 20.0 * 2 + kWallY * kWallY);
    const double alpha = corner * (kWallY - kFogStartY) / kWallY / kBlueDistanceToOpaque;
    ASSERT_NEAR(alpha, 0.5, 0.01);
    expectRgbNear(pixelAt(pixels, kCentreColumn, kCentreRow),
                  blended(kWallColour, {0, 0, 255}, alpha), kTolerance,
                  "the wall halfway to the fog colour");
    // The fog's own near side is drawn as fog alone, and the eye sees none of the fog up to it.
    expectRgbNear(pixelAt(pixels, columnAt(25), rowAt(25)), background(pixels), kTolerance,
                  "the fog's near side over the background");
    // The fog is mixed into each fogged wall's own pass, on a unit of its own: five draws, where
    // a fog pass of each fogged wall's own would make seven.
    EXPECT_EQ(session->getLevel().getLastDrawCount(), 5u);
}

TEST_F(FogAndSpriteTest, aFogSurfaceWithAStageShowsItUnderTheFog) {
    std::string script = kScript;
    const std::string stageless = "fogparms ( 0 0 1 ) 200\n";
    script.replace(script.find(stageless), stageless.size(),
                   stageless + "{\nmap textures/test/mist.tga\nblendFunc filter\n}\n");
    writeBytes(data.path() / "textures/test/mist.tga", solidTga(8, 8, {128, 255, 64}));
    session.reset();
    session = fog_level::startSession(data.path(), script);
    ASSERT_NE(session, nullptr);
    const auto pixels = frameIn(kFogLane);
    const Rgb behind = background(pixels);
    // The near side filters what lies behind it by the mist, and then adds no fog of its own.
    expectRgbNear(pixelAt(pixels, columnAt(25), rowAt(25)),
                  {behind[0] * 128 / 255, behind[1], behind[2] * 64 / 255}, kTolerance,
                  "the mist over the background");
}

TEST_F(FogAndSpriteTest, aWallInThickFogIsTheFogColour) {
    const auto pixels = frameIn(kThickFogLane);
    expectRgbNear(pixelAt(pixels, kCentreColumn, kCentreRow), {0, 255, 0}, kTolerance,
                  "200 units of fog that is opaque at 50");
}

TEST_F(FogAndSpriteTest, anAutospriteSetEdgeOnIsSeenFaceOn) {
    const auto pixels = frameIn(kSpriteLane);
    // Edge-on it would be one column wide; turned, its 60 units of depth are its width and its
    // 30 units of height stay upright.
    expectRgbNear(pixelAt(pixels, kCentreColumn, kCentreRow), kSpriteColour, kTolerance, "centre");
    expectRgbNear(pixelAt(pixels, columnAt(25), kCentreRow), kSpriteColour, kTolerance, "right");
    expectRgbNear(pixelAt(pixels, columnAt(-25), rowAt(-10)), kSpriteColour, kTolerance,
                  "lower left");
    expectRgbNear(pixelAt(pixels, columnAt(40), kCentreRow), background(pixels), kTolerance,
                  "beyond its width");
    expectRgbNear(pixelAt(pixels, kCentreColumn, rowAt(22)), background(pixels), kTolerance,
                  "beyond its height");
}

// The i key looking into the fog: the fog's near side is drawn, so it is what the view ray meets
// first, before the wall beyond it.
TEST_F(FogAndSpriteTest, thePickMeetsTheFogSurfaceBeforeTheWallBeyond) {
    frameIn(kFogLane);
    std::ostringstream log;
    const std::string line =
        inspectViewCentre(session->getLevel(), session->getOptions(), true, log);
    EXPECT_EQ(line.rfind("face 1 polygon 'textures/test/bluefog';", 0), 0u) << line;
    EXPECT_NE(line.find("; distance 100.0"), std::string::npos) << line;
}
