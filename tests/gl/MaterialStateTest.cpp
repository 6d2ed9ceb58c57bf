// What the material view shows for the state a stage asks for: its alpha test, the sides its
// material culls, depth tested equal, an animated image and a waving colour at two clock times,
// faces of one material and page drawn with one call, and the same pictures with and without the
// depth pass. Walls at known places before a camera
// at the origin, read back from a real window.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "SampleSession.h"
#include "WallLevel.h"
#include "app/Callbacks.h"
#include "app/SurfaceReport.h"
#include "app/ViewOptions.h"
#include "app/ViewerSession.h"
#include "generators/AssetFiles.h"
#include "geometry/Point.h"
#include "level/BSPMap.h"
#include "render/LevelViews.h"

namespace {

constexpr int kTolerance = 3;
constexpr float kFrontY = 200.0f;
constexpr float kBackY = 300.0f;
// Window columns of x = -30, -10, 10 and 30 on the front wall (45 degree vertical field of view,
// 640 x 480), and its middle row.
constexpr int kBandColumns[] = {233, 291, 349, 407};
constexpr int kRow = 240;
const Rgb kRed{255, 0, 0};
const Rgb kBlue{0, 0, 255};

// The front wall (x from -40 to 40, texture 0) before a blue back wall (texture 1) that fills
// the view's middle; both without a lightmap page.
LevelDescription stateLevel() {
    LevelDescription level;
    level.textures = {{"textures/test/front", 0, 1}, {"textures/test/back", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 2, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0, 1};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-40, 40, -30, 30, kFrontY, kNoLightmap, 0, white});
    addQuad(level, {-200, 200, -100, 100, kBackY, kNoLightmap, 1, white});
    level.models = {{{-200, 0, -100}, {200, 400, 100}, 0, 2, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    return level;
}

// Three walls of the back's material side by side where the front wall stood (x from -60 to 50),
// the first listed by the leaf and the world model.
LevelDescription threeBackWalls() {
    LevelDescription level = stateLevel();
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    level.faces.clear();
    level.vertices.clear();
    level.meshVertices.clear();
    addQuad(level, {-60, -30, -30, 30, kFrontY, kNoLightmap, 1, white});
    addQuad(level, {-20, 10, -30, 30, kFrontY, kNoLightmap, 1, white});
    addQuad(level, {20, 50, -30, 30, kFrontY, kNoLightmap, 1, white});
    level.leaves[0].numLeafFaces = 1;
    level.leafFaces = {0};
    level.models[0].numFaces = 1;
    return level;
}

// Red, in four bands from left to right with alpha 0, 100, 200 and 255.
std::vector<std::uint8_t> alphaBands() {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::uint8_t alphas[] = {0, 100, 200, 255};
            pixels.insert(pixels.end(), {255, 0, 0, alphas[x / 16]});
        }
    }
    return makeTga(64, 64, 4, pixels);
}

class MaterialStateTest : public testing::Test {
protected:
    void SetUp() override {
        writeBytes(data.path() / "textures/test/back.tga", solidTga(8, 8, {0, 0, 255}));
        writeBytes(data.path() / "textures/test/red.tga", solidTga(8, 8, {255, 0, 0}));
        writeBytes(data.path() / "textures/test/green.tga", solidTga(8, 8, {0, 255, 0}));
        writeBytes(data.path() / "textures/test/white.tga", solidTga(8, 8, {255, 255, 255}));
        writeBytes(data.path() / "textures/test/bands.tga", alphaBands());
    }
    void TearDown() override { session.reset(); }

    // Opens level with script as the data path's only shader script.
    void open(const std::string& script, const LevelDescription& level = stateLevel()) {
        session.reset();
        writeBytes(data.path() / "maps/walls.bsp", writeLevel(level));
        writeBytes(data.path() / "scripts/test.shader",
                   std::vector<std::uint8_t>(script.begin(), script.end()));
        std::string loadLog;
        session = startLevelSession(materialViewConfig(data.dataPath(), "maps/walls.bsp"), loadLog);
        ASSERT_NE(session, nullptr) << loadLog;
    }

    std::vector<unsigned char> frameAt(double seconds, const Point& eye = Point(0, 0, 0),
                                       int yaw = 0) {
        session->getOptions().clockSeconds = seconds;
        return sessionFrameAt(*session, eye, yaw);
    }

    ScratchFolder data{"material-state"};
    std::unique_ptr<ViewerSession> session;
};

std::string frontMaterial(const std::string& body) {
    return "textures/test/front\n{\n" + body + "\n}\n";
}

TEST_F(MaterialStateTest, eachAlphaFuncKeepsTheBandsItPasses) {
    struct Case {
        const char* func;
        bool shown[4];
    };
    const Case cases[] = {{"GT0", {false, true, true, true}},
                          {"LT128", {true, true, false, false}},
                          {"GE128", {false, false, true, true}}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.func);
        open(frontMaterial(std::string("{\nmap textures/test/bands.tga\nalphaFunc ") + test.func +
                           "\n}"));
        const auto pixels = frameAt(0.0);
        for (int band = 0; band < 4; ++band) {
            expectRgbNear(pixelAt(pixels, kBandColumns[band], kRow),
                          test.shown[band] ? kRed : kBlue, kTolerance,
                          "band " + std::to_string(band));
        }
    }
}

// From in front (the side its winding shows) and from behind, turned back toward it.
TEST_F(MaterialStateTest, cullShowsTheSidesItKeeps) {
    struct Case {
        const char* cull;
        bool fromFront;
        bool fromBehind;
    };
    const Case cases[] = {{"", true, false}, {"cull back", false, true}, {"cull none", true, true}};
    // A wall alone, so that nothing stands behind it from either side.
    LevelDescription level = stateLevel();
    level.faces.pop_back();
    level.leaves[0].numLeafFaces = 1;
    level.leafFaces = {0};
    level.models[0].numFaces = 1;
    // Viewer axes: the file's y is the viewer's -z.
    const Point behind(0, 0, -2 * kFrontY);
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string("'") + test.cull + "'");
        open(frontMaterial(std::string(test.cull) + "\n{\nmap textures/test/red.tga\n}"), level);
        EXPECT_EQ(pixelAt(frameAt(0.0), 320, kRow) == kRed, test.fromFront) << "from in front";
        EXPECT_EQ(pixelAt(frameAt(0.0, behind, 180), 320, kRow) == kRed, test.fromBehind)
            << "from behind";
    }
}

TEST_F(MaterialStateTest, aDepthEqualStageShowsOnlyOverWhatWasDrawnAtItsDepth) {
    // Over its own first stage the second adds; alone, on the back wall's depth, it draws nothing.
    open(frontMaterial("{\nmap textures/test/red.tga\n}\n{\nmap textures/test/green.tga\n"
                       "blendFunc add\ndepthFunc equal\n}") +
         "textures/test/back\n{\n{\nmap textures/test/back.tga\n}\n}\n"
         "textures/test/lone\n{\n{\nmap textures/test/red.tga\ndepthFunc equal\n}\n}\n");
    expectRgbNear(pixelAt(frameAt(0.0), 320, kRow), {255, 255, 0}, kTolerance, "added");

    LevelDescription level = stateLevel();
    level.textures[0].name = "textures/test/lone";
    open(frontMaterial("{\nmap textures/test/red.tga\n}") +
             "textures/test/lone\n{\n{\nmap textures/test/red.tga\ndepthFunc equal\n}\n}\n",
         level);
    expectRgbNear(pixelAt(frameAt(0.0), 320, kRow), kBlue, kTolerance, "alone");
}

TEST_F(MaterialStateTest, theClockPicksTheAnimMapFrameAndTheWavesColour) {
    open(frontMaterial("{\nanimMap 1 textures/test/red.tga textures/test/green.tga\n}"));
    expectRgbNear(pixelAt(frameAt(0.25), 320, kRow), kRed, kTolerance, "first frame");
    expectRgbNear(pixelAt(frameAt(1.25), 320, kRow), {0, 255, 0}, kTolerance, "second frame");
    expectRgbNear(pixelAt(frameAt(2.25), 320, kRow), kRed, kTolerance, "round again");

    // Half plus half the sine: half at 0 s, all of it a quarter period on.
    open(frontMaterial("{\nmap textures/test/white.tga\nrgbGen wave sin 0.5 0.5 0 1\n}"));
    expectRgbNear(pixelAt(frameAt(0.0), 320, kRow), {128, 128, 128}, kTolerance, "at 0 s");
    expectRgbNear(pixelAt(frameAt(0.25), 320, kRow), {255, 255, 255}, kTolerance, "at 0.25 s");
}

TEST_F(MaterialStateTest, facesOfOneMaterialAndPageAreOneDraw) {
    // Three walls of the back's material: one draw; the middle one of another material: one draw
    // for each.
    LevelDescription level = threeBackWalls();
    level.leaves[0].numLeafFaces = 3;
    level.leafFaces = {0, 1, 2};
    level.models[0].numFaces = 3;
    open("", level);
    session->getLevel().views().useDepthPass(true);
    const auto pixels = frameAt(0.0);
    EXPECT_EQ(session->getLevel().getLastDrawCount(), 1u);
    EXPECT_EQ(session->getLevel().views().lastDepthPassDraws(), 1u) << "laid in one draw too";
    for (const int column : {190, 306, 421}) {
        expectRgbNear(pixelAt(pixels, column, kRow), kBlue, kTolerance, "each wall");
    }

    level.faces[1].texture = 0;
    open(frontMaterial("{\nmap textures/test/red.tga\n}"), level);
    frameAt(0.0);
    EXPECT_EQ(session->getLevel().getLastDrawCount(), 2u) << "one for each material";
}

// A brush entity standing where it was compiled joins the world's draw; one moved by the clock
// is drawn apart, in its own place.
TEST_F(MaterialStateTest, stillBrushEntitiesShareTheWorldsDrawAndMovingOnesDoNot) {
    LevelDescription level = threeBackWalls();
    level.models = {{{-60, kFrontY, -30}, {-30, kFrontY, 30}, 0, 1, 0, 0},
                    {{-20, kFrontY, -30}, {10, kFrontY, 30}, 1, 1, 0, 0},
                    {{20, kFrontY, -30}, {50, kFrontY, 30}, 2, 1, 0, 0}};
    level.entityText =
        "{ \"classname\" \"worldspawn\" }\n"
        "{ \"classname\" \"func_static\" \"model\" \"*1\" }\n"
        "{ \"classname\" \"func_bobbing\" \"model\" \"*2\" \"height\" \"10\" }\n";
    open("", level);
    // At 0 s the bobbing piece is at rest too; a second later it is at the top of its swing.
    frameAt(0.0);
    EXPECT_EQ(session->getLevel().getLastDrawCount(), 1u) << "all three at rest";
    const auto pixels = frameAt(1.0);
    EXPECT_EQ(session->getLevel().getLastDrawCount(), 2u) << "the moved piece apart";
    for (const int column : {190, 306, 421}) {
        expectRgbNear(pixelAt(pixels, column, kRow), kBlue, kTolerance, "each wall");
    }
}

// A decal on the very quad of a wall, drawn before it (its record comes first): pulled toward the
// eye by polygonOffset it stays in front; without it the wall, equally deep, would cover it.
TEST_F(MaterialStateTest, aPolygonOffsetDecalShowsOverItsCoplanarWall) {
    LevelDescription level = stateLevel();
    level.vertices.clear();
    level.faces.clear();
    level.meshVertices.clear();
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-40, 40, -30, 30, kFrontY, kNoLightmap, 0, white});
    addQuad(level, {-40, 40, -30, 30, kFrontY, kNoLightmap, 1, white});
    open(frontMaterial("polygonOffset\n{\nmap textures/test/red.tga\n}"), level);
    expectRgbNear(pixelAt(frameAt(0.0), 320, kRow), kRed, kTolerance, "the decal");
}

// An environment map follows the eye: the same point of the wall changes colour when the eye
// moves beside it, and keeps it while the eye stays; with the image's own coordinates it keeps it.
// A wall the eye faces reflects a narrow cone, within the field of view: the ramp moves by a
// sixteenth of its width between the two eyes.
TEST_F(MaterialStateTest, anEnvironmentMapChangesWithTheEyeAndOnlyWithIt) {
    std::vector<std::uint8_t> ramp;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            ramp.insert(ramp.end(), {std::uint8_t(x * 4), 128, std::uint8_t(y * 4)});
        }
    }
    writeBytes(data.path() / "textures/test/ramp.tga", makeTga(64, 64, 3, ramp));
    // The wall's middle: straight ahead from the origin, 290 columns left from 100 units right.
    const Point aside(100, 0, 0);
    constexpr int kAsideColumn = 30;
    auto colours = [&] {
        const Rgb ahead = pixelAt(frameAt(0.0), 320, kRow);
        const Rgb again = pixelAt(frameAt(0.0), 320, kRow);
        return std::array<Rgb, 3>{ahead, again, pixelAt(frameAt(0.0, aside), kAsideColumn, kRow)};
    };
    auto difference = [](const Rgb& a, const Rgb& b) {
        return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
    };
    open(frontMaterial("{\nmap textures/test/ramp.tga\n}"));
    const auto base = colours();
    EXPECT_LE(difference(base[0], base[2]), 3 * kTolerance) << "the image's own coordinates";
    open(frontMaterial("{\nmap textures/test/ramp.tga\ntcGen environment\n}"));
    const auto mapped = colours();
    EXPECT_EQ(mapped[0], mapped[1]) << "the eye stayed";
    EXPECT_GT(difference(mapped[0], mapped[2]), 2 * kTolerance)
        << "the eye moved: " << mapped[0][0] << " " << mapped[0][2] << " to " << mapped[2][0] << " "
        << mapped[2][2];
}

// An additive wall in front of an opaque one is drawn after it, whatever the order of their
// records: the sum shows, not the back wall alone.
TEST_F(MaterialStateTest, anAdditiveFaceInFrontIsDrawnAfterTheOpaqueOneBehind) {
    open(frontMaterial("{\nmap textures/test/red.tga\nblendFunc add\n}"));
    expectRgbNear(pixelAt(frameAt(0.0), 320, kRow), {255, 0, 255}, kTolerance, "red plus blue");
}

// The i key from behind a wall: one that culls nothing is met from either side, one drawn from
// its front only is not met from behind.
TEST_F(MaterialStateTest, thePickMeetsACullNoneWallFromBehind) {
    LevelDescription level = stateLevel();
    level.faces.pop_back();
    level.leaves[0].numLeafFaces = 1;
    level.leafFaces = {0};
    level.models[0].numFaces = 1;
    const Point behind(0, 0, -2 * kFrontY);
    auto pickFromBehind = [&] {
        frameAt(0.0, behind, 180);
        std::ostringstream log;
        return inspectViewCentre(session->getLevel(), session->getOptions(), true, log);
    };
    open(frontMaterial("cull none\n{\nmap textures/test/red.tga\n}"), level);
    EXPECT_EQ(pickFromBehind().rfind("face 0 polygon 'textures/test/front';", 0), 0u)
        << pickFromBehind();
    open(frontMaterial("{\nmap textures/test/red.tga\n}"), level);
    EXPECT_EQ(pickFromBehind(), kNoFaceLine);
}

// The frame from the origin with the depth pass on, and the same frame without it.
std::pair<std::vector<unsigned char>, std::vector<unsigned char>> withAndWithoutDepthPass(
    ViewerSession& session) {
    LevelViews& views = session.getLevel().views();
    views.useDepthPass(true);
    auto with = sessionFrameAt(session, Point(0, 0, 0), 0);
    views.useDepthPass(false);
    auto without = sessionFrameAt(session, Point(0, 0, 0), 0);
    return {std::move(with), std::move(without)};
}

TEST_F(MaterialStateTest, theDepthPassChangesNoPixel) {
    // A grate before a back wall whose second stage is depth tested equal, and an added red pane
    // between them on the left.
    LevelDescription level = stateLevel();
    level.textures.push_back({"textures/test/pane", 0, 1});
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-100, -60, -30, 30, 250, kNoLightmap, 2, white});
    level.leaves[0].numLeafFaces = 3;
    level.leafFaces = {0, 1, 2};
    level.models[0].numFaces = 3;
    open(frontMaterial("{\nmap textures/test/bands.tga\nalphaFunc GE128\n}") +
             "textures/test/back\n{\n{\nmap textures/test/back.tga\n}\n{\n"
             "map textures/test/green.tga\nblendFunc add\ndepthFunc equal\n}\n}\n"
             "textures/test/pane\n{\n{\nmap textures/test/red.tga\nblendFunc add\n}\n}\n",
         level);
    const auto [with, without] = withAndWithoutDepthPass(*session);
    EXPECT_TRUE(with == without) << "the frames differ";
    const Rgb cyan{0, 255, 255};
    // The grate's clear bands show the back wall, its green added over it.
    expectRgbNear(pixelAt(with, kBandColumns[0], kRow), cyan, kTolerance, "through the grate");
    expectRgbNear(pixelAt(with, kBandColumns[3], kRow), kRed, kTolerance, "the grate's bars");
    expectRgbNear(pixelAt(with, 513, kRow), cyan, kTolerance, "the back wall");
    expectRgbNear(pixelAt(with, 135, kRow), {255, 255, 255}, kTolerance, "the pane over it");
}

TEST_F(MaterialStateTest, theDepthPassChangesNoPixelOfTheSampleLevel) {
    if (!std::filesystem::exists(kSampleSessionLevel)) {
        GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
    }
    ViewerConfig config = materialViewConfig(kSampleSessionDir, kSampleSessionLevel);
    config.start = kSampleInRoomA;
    session = startSampleSession(config);
    LevelViews& views = session->getLevel().views();
    for (const int yaw : {0, 90, 200}) {
        SCOPED_TRACE("yaw " + std::to_string(yaw));
        views.useDepthPass(true);
        const auto with = sessionFrameAt(*session, kSampleInRoomA, yaw);
        views.useDepthPass(false);
        const auto without = sessionFrameAt(*session, kSampleInRoomA, yaw);
        EXPECT_TRUE(with == without) << "the frames differ";
    }
}

}  // namespace
