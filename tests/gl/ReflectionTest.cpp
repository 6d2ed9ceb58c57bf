// What the material view shows for a stage's environment coordinates and for its vertex colours:
// a wall before a camera at the origin reflects what is above the eye in its upper part and what
// is below in its lower part, wherever the eye looks from; rgbGen vertex takes the colours the
// level stores. Read back from a real window.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "SampleSession.h"
#include "WallLevel.h"
#include "app/ViewerSession.h"
#include "generators/AssetFiles.h"
#include "geometry/Point.h"

namespace {

constexpr int kTolerance = 3;
// Window rows (from the bottom, 640 x 480, 45 degree vertical field of view) of points on a wall
// 200 units ahead: 60 rows above and below the middle are about 21 units off the eye's height.
constexpr int kColumn = 320;
constexpr int kUpperRow = 300;
constexpr int kLowerRow = 180;
const Rgb kRed{255, 0, 0};
const Rgb kGreen{0, 255, 0};

// One wall (texture 0, no lightmap page) filling the view 200 units ahead, its vertices coloured:
// a grid of small quads, so that coordinates made at the vertices hold between them.
LevelDescription wallLevel(const std::array<std::uint8_t, 4>& colour) {
    LevelDescription level;
    level.textures = {{"textures/test/wall", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    constexpr int kSide = 50;
    for (int x = -400; x < 400; x += kSide) {
        for (int z = -300; z < 300; z += kSide) {
            level.leafFaces.push_back(static_cast<std::int32_t>(level.faces.size()));
            addQuad(level, {float(x), float(x + kSide), float(z), float(z + kSide), 200,
                            kNoLightmap, 0, colour});
        }
    }
    const auto faces = static_cast<std::int32_t>(level.faces.size());
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, faces, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.models = {{{-400, 0, -300}, {400, 400, 300}, 0, faces, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    return level;
}

// An environment image of the sky above (red, its top half) and the ground below (green).
std::vector<std::uint8_t> skyOverGround() {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            pixels.insert(pixels.end(),
                          {std::uint8_t(y < 32 ? 255 : 0), std::uint8_t(y < 32 ? 0 : 255), 0});
        }
    }
    return makeTga(64, 64, 3, pixels);
}

class ReflectionTest : public testing::Test {
protected:
    void SetUp() override {
        writeBytes(data.path() / "textures/test/sky.tga", skyOverGround());
        writeBytes(data.path() / "textures/test/white.tga", solidTga(8, 8, {255, 255, 255}));
    }
    void TearDown() override { session.reset(); }

    void open(const std::string& stage, const std::array<std::uint8_t, 4>& colour) {
        session.reset();
        writeBytes(data.path() / "maps/wall.bsp", writeLevel(wallLevel(colour)));
        const std::string script = "textures/test/wall\n{\n{\n" + stage + "\n}\n}\n";
        writeBytes(data.path() / "scripts/test.shader",
                   std::vector<std::uint8_t>(script.begin(), script.end()));
        std::string loadLog;
        session = startLevelSession(materialViewConfig(data.dataPath(), "maps/wall.bsp"), loadLog);
        ASSERT_NE(session, nullptr) << loadLog;
    }

    ScratchFolder data{"reflection"};
    std::unique_ptr<ViewerSession> session;
};

const std::array<std::uint8_t, 4> kWhite = {255, 255, 255, 255};

TEST_F(ReflectionTest, aWallReflectsTheSkyAboveTheEyesHeightAndTheGroundBelowIt) {
    open("map textures/test/sky.tga\ntcGen environment", kWhite);
    const auto level = sessionFrameAt(*session, Point(0, 0, 0), 0);
    expectRgbNear(pixelAt(level, kColumn, kUpperRow), kRed, kTolerance, "above the eye");
    expectRgbNear(pixelAt(level, kColumn, kLowerRow), kGreen, kTolerance, "below the eye");
    // Raised 42 units, the eye sees the ground in the point that showed the sky: the reflection
    // follows the eye's place.
    const auto raised = sessionFrameAt(*session, Point(0, 42, 0), 0);
    expectRgbNear(pixelAt(raised, kColumn, kLowerRow), kGreen, kTolerance, "raised, below");
    // Turned aside, the same wall points keep their colours.
    const auto turned = sessionFrameAt(*session, Point(0, 0, 0), 20);
    expectRgbNear(pixelAt(turned, kColumn, kUpperRow), kRed, kTolerance, "turned, above");
    expectRgbNear(pixelAt(turned, kColumn, kLowerRow), kGreen, kTolerance, "turned, below");
}

TEST_F(ReflectionTest, rgbGenVertexTakesTheColoursAsTheLevelStoresThem) {
    open("map textures/test/white.tga\nrgbGen vertex", {100, 60, 20, 255});
    const auto pixels = sessionFrameAt(*session, Point(0, 0, 0), 0);
    expectRgbNear(pixelAt(pixels, kColumn, 240), Rgb{100, 60, 20}, kTolerance, "vertex colour");
}

}  // namespace
