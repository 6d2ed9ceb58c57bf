// The lit view with face images draws surfaces by their shader scripts: pictures of small walls
// with known lightmaps, images and scripts, read back from a real window.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "SampleSession.h"
#include "WallLevel.h"
#include "app/Callbacks.h"
#include "app/ViewOptions.h"
#include "app/ViewerSession.h"
#include "generators/AssetFiles.h"
#include "geometry/Point.h"
#include "level/BSPMap.h"

namespace {

constexpr int kTolerance = 3;
constexpr float kWallY = 200.0f;
constexpr float kScreenY = 150.0f;
constexpr std::int32_t kSkyFlag = 0x4;

constexpr char kScript[] = R"(
// an additive glow over the lightmap
textures/test/glow
{
    {
        map $lightmap
    }
    {
        map textures/test/glowimage.tga
        blendFunc add
    }
}
textures/test/scroll
{
    {
        map textures/test/stripes.tga
        tcMod scroll 0.5 0
    }
}
textures/test/sky
{
    surfaceparm sky
    skyParms env/test - -
}
)";

// Four walls side by side: an additive glow on page 0, a scrolling image without a lightmap, a
// wall of an image whose alpha is 0 everywhere in front of a glow wall, and nothing in the
// fourth place, where the sky shows.
LevelDescription materialLevel() {
    LevelDescription level;
    level.textures = {{"textures/test/glow", 0, 1},
                      {"textures/test/scroll", 0, 1},
                      {"textures/test/clear", 0, 1},
                      {"textures/test/sky", kSkyFlag, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 4, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0, 1, 2, 3};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-100, -60, -30, 30, kWallY, 0, 0, white});
    addQuad(level, {-50, -10, -30, 30, kWallY, kNoLightmap, 1, white});
    addQuad(level, {10, 50, -30, 30, kWallY, 0, 0, white});
    addQuad(level, {10, 50, -30, 30, kScreenY, kNoLightmap, 2, white});
    level.models = {{{-100, 0, -30}, {100, 200, 30}, 0, 4, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    level.lightmaps = uniformPage(40, 20, 10);
    return level;
}

// Left half black, right half white.
std::vector<std::uint8_t> stripes() {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const std::uint8_t grey = x < 32 ? 0 : 255;
            pixels.insert(pixels.end(), {grey, grey, grey});
        }
    }
    return makeTga(64, 64, 3, pixels);
}

// Window pixels for the camera at the origin (45 degrees high): the middles of the walls, two
// places on the scrolling wall (an eighth of its image and three eighths in), and the top row.
constexpr int kMiddleRow = 225;
constexpr int kGlowColumn = 88;
constexpr int kEighthColumn = 190;
constexpr int kThreeEighthsColumn = 219;
constexpr int kClearColumn = 407;
constexpr int kSkyRow = 470;

class MaterialViewTest : public testing::Test {
protected:
    void SetUp() override {
        writeBytes(data.path() / "maps/walls.bsp", writeLevel(materialLevel()));
        writeBytes(data.path() / "scripts/test.shader",
                   std::vector<std::uint8_t>(kScript, kScript + sizeof kScript - 1));
        writeBytes(data.path() / "textures/test/glowimage.tga", solidTga(8, 8, {50, 60, 70}));
        writeBytes(data.path() / "textures/test/stripes.tga", stripes());
        writeBytes(data.path() / "textures/test/clear.tga", solidTga(8, 8, {200, 0, 0, 0}));
        const std::vector<std::vector<std::uint8_t>> sides = {{200, 10, 10},  {10, 200, 30},
                                                              {10, 10, 200},  {200, 200, 10},
                                                              {10, 200, 200}, {200, 10, 200}};
        const char* suffixes[] = {"rt", "bk", "lf", "ft", "up", "dn"};
        for (int side = 0; side < 6; ++side) {
            writeBytes(data.path() / ("env/test_" + std::string(suffixes[side]) + ".tga"),
                       solidTga(8, 8, sides[side]));
        }
        startSession();
    }

    void startSession() {
        session.reset();
        std::string loadLog;
        session = startLevelSession(materialViewConfig(data.dataPath(), "maps/walls.bsp"), loadLog);
        ASSERT_NE(session, nullptr) << loadLog;
    }
    void TearDown() override { session.reset(); }

    // Opens the walls again with script as the data path's only shader script.
    void restartWith(const std::string& script) {
        writeBytes(data.path() / "scripts/test.shader",
                   std::vector<std::uint8_t>(script.begin(), script.end()));
        startSession();
    }

    std::vector<unsigned char> frameAt(double seconds, int yaw = 0) {
        session->getOptions().clockSeconds = seconds;
        session->placeEye(Point(0, 0, 0), yaw);
        session->drawFrame(0.0f);
        return readWindowPixels();
    }

    ScratchFolder data{"material-view"};
    std::unique_ptr<ViewerSession> session;
};

}  // namespace

TEST_F(MaterialViewTest, anAdditiveStageOverTheLightmapGivesTheSum) {
    const auto pixels = frameAt(0.0);
    // The page's (40, 20, 10) brightened four times, plus the image.
    expectRgbNear(pixelAt(pixels, kGlowColumn, kMiddleRow), {210, 140, 110}, kTolerance, "glow");
}

TEST_F(MaterialViewTest, aScrollingStageMovesItsImageByTheClock) {
    const auto still = frameAt(0.0);
    expectRgbNear(pixelAt(still, kEighthColumn, kMiddleRow), {0, 0, 0}, kTolerance, "at 0 s");
    expectRgbNear(pixelAt(still, kThreeEighthsColumn, kMiddleRow), {0, 0, 0}, kTolerance, "at 0 s");
    // Half a second at half an image a second: a quarter of the image further on.
    const auto moved = frameAt(0.5);
    expectRgbNear(pixelAt(moved, kEighthColumn, kMiddleRow), {0, 0, 0}, kTolerance, "at 0.5 s");
    expectRgbNear(pixelAt(moved, kThreeEighthsColumn, kMiddleRow), {255, 255, 255}, kTolerance,
                  "at 0.5 s");
}

TEST_F(MaterialViewTest, anImageWithAlphaAndNoAlphaFuncIsOpaque) {
    const auto pixels = frameAt(0.0);
    expectRgbNear(pixelAt(pixels, kClearColumn, kMiddleRow), {200, 0, 0}, kTolerance,
                  "the wall in front, not the glow behind it");
}

TEST_F(MaterialViewTest, theSkyBoxShowsEachSideOnItsOwnSide) {
    // Straight ahead (the file's +y) is the box's bk side, to the right (+x) its rt side.
    expectRgbNear(pixelAt(frameAt(0.0), 320, kSkyRow), {10, 200, 30}, kTolerance, "bk");
    expectRgbNear(pixelAt(frameAt(0.0, 90), 320, 240), {200, 10, 10}, kTolerance, "rt");
    expectRgbNear(pixelAt(frameAt(0.0, -90), 320, 240), {10, 10, 200}, kTolerance, "lf");
    expectRgbNear(pixelAt(frameAt(0.0, 180), 320, 240), {200, 200, 10}, kTolerance, "ft");
}

TEST_F(MaterialViewTest, aSkyWhoseImagesAreMissingIsAPlainColourAndNotWhite) {
    for (const char* side : {"rt", "bk", "lf", "ft", "up", "dn"}) {
        std::filesystem::remove(data.path() / ("env/test_" + std::string(side) + ".tga"));
    }
    // Nor is the default sky image in this data path.
    startSession();
    const Rgb sky = pixelAt(frameAt(0.0, 90), 320, 240);
    EXPECT_NE(sky, (Rgb{255, 255, 255}));
    EXPECT_GT(sky[2], sky[0]) << "a grey-blue";
}

// A stage that only filters, doubles or adds to an opaque stage below it is drawn with it in one
// pass on a third texture unit, and two cloud layers of the sky likewise: the picture is what the
// blends give.
TEST_F(MaterialViewTest, foldedStagesGiveWhatTheirBlendsGive) {
    constexpr char kFoldedScript[] = R"(
textures/test/glow
{
    {
        map textures/test/base.tga
    }
    {
        map $lightmap
        blendFunc filter
    }
    {
        map textures/test/detail.tga
        blendFunc GL_DST_COLOR GL_SRC_COLOR
    }
}
textures/test/clear
{
    {
        map textures/test/base.tga
    }
    {
        map textures/test/glowimage.tga
        blendFunc add
    }
}
textures/test/sky
{
    surfaceparm sky
    skyParms - 128 -
    {
        map textures/test/cloudlow.tga
        tcMod scroll 0.1 0
    }
    {
        map textures/test/cloudhigh.tga
        blendFunc filter
        tcMod scroll 0 0.2
    }
}
)";
    writeBytes(data.path() / "scripts/test.shader",
               std::vector<std::uint8_t>(kFoldedScript, kFoldedScript + sizeof kFoldedScript - 1));
    writeBytes(data.path() / "textures/test/base.tga", solidTga(8, 8, {100, 100, 100}));
    writeBytes(data.path() / "textures/test/detail.tga", solidTga(8, 8, {128, 64, 192}));
    writeBytes(data.path() / "textures/test/cloudlow.tga", solidTga(8, 8, {200, 100, 50}));
    writeBytes(data.path() / "textures/test/cloudhigh.tga", solidTga(8, 8, {128, 255, 64}));
    startSession();
    const auto pixels = frameAt(1.0);
    // 100 times the page's (160, 80, 40), then twice the detail: (63, 16, 24).
    expectRgbNear(pixelAt(pixels, kGlowColumn, kMiddleRow), {63, 16, 24}, kTolerance,
                  "image, lightmap and detail");
    expectRgbNear(pixelAt(pixels, kClearColumn, kMiddleRow), {150, 160, 170}, kTolerance,
                  "image plus glow");
    expectRgbNear(pixelAt(pixels, 320, kSkyRow), {100, 100, 12}, kTolerance,
                  "lower clouds filtered by the upper");
    // Beside the walls the sky reaches from the top of the window to the bottom: clouds down to
    // the horizon, the plain colour below, and no row of the cleared window between them.
    constexpr int kSkyColumn = 600;
    for (int row = 0; row < kGlTestWindowHeight; ++row) {
        const Rgb seen = pixelAt(pixels, kSkyColumn, row);
        ASSERT_GT(seen[0] + seen[1] + seen[2], 100) << "row " << row;
    }
    expectRgbNear(pixelAt(pixels, kSkyColumn, 10), {107, 133, 168}, kTolerance,
                  "below the horizon");
}

// A turb's phase follows each vertex's place: two panels of one wall, half a period apart along
// x, show one and the same place of their image shifted opposite ways, where a sway of the whole
// stage would shift both alike.
TEST_F(MaterialViewTest, aTurbShiftsPanelsHalfAPeriodApartOppositeWays) {
    constexpr char kTurbScript[] = R"(
textures/test/turb
{
    {
        map textures/test/stripes.tga
        tcMod turb 0 0.25 0 0
    }
}
)";
    LevelDescription level = materialLevel();
    level.textures = {{"textures/test/turb", 0, 1}};
    level.vertices.clear();
    level.faces.clear();
    level.meshVertices.clear();
    // x + y is 768 on the left panel (s sways by -0.25) and 1280 on the right one (+0.25).
    constexpr float kDistance = 900.0f;
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-172, -92, -100, 100, kDistance, kNoLightmap, 0, white});
    addQuad(level, {340, 420, -100, 100, kDistance, kNoLightmap, 0, white});
    level.leaves[0].numLeafFaces = 2;
    level.leafFaces = {0, 1};
    level.models = {{{-200, 0, -100}, {450, 1000, 100}, 0, 2, 0, 0}};
    writeBytes(data.path() / "maps/walls.bsp", writeLevel(level));
    writeBytes(data.path() / "scripts/test.shader",
               std::vector<std::uint8_t>(kTurbScript, kTurbScript + sizeof kTurbScript - 1));
    startSession();
    const auto pixels = frameAt(0.0);
    // Three eighths across each panel: black unmoved, black at 1/8 and white at 5/8.
    constexpr int kLeftColumn = 229;
    constexpr int kRightColumn = 558;
    constexpr int kRow = 240;
    expectRgbNear(pixelAt(pixels, kLeftColumn, kRow), {0, 0, 0}, kTolerance, "left panel");
    expectRgbNear(pixelAt(pixels, kRightColumn, kRow), {255, 255, 255}, kTolerance, "right panel");
}

// A stage with no image draws nothing; a material with no other stage is drawn as its name's
// image times the lightmap, as one without a material is, not flat white.
TEST_F(MaterialViewTest, aMaterialWhoseOnlyStageHasNoImageIsItsImageTimesTheLightmap) {
    constexpr char kImagelessScript[] = R"(
textures/test/glow
{
    {
        rgbGen identity
    }
}
)";
    writeBytes(data.path() / "scripts/test.shader",
               std::vector<std::uint8_t>(kImagelessScript,
                                         kImagelessScript + sizeof kImagelessScript - 1));
    writeBytes(data.path() / "textures/test/glow.tga", solidTga(8, 8, {128, 255, 64}));
    startSession();
    // The image times the page's (160, 80, 40).
    expectRgbNear(pixelAt(frameAt(0.0), kGlowColumn, kMiddleRow), {80, 80, 10}, kTolerance,
                  "image times lightmap");
}

// A cloud layer of the stripes scrolling a quarter image a second: after two seconds every sky
// pixel of the top row that was clearly black or white shows the other half of the image, and
// after four it is as at first. Moved twice as far, or not at all, it would look unchanged at two.
TEST_F(MaterialViewTest, aScrollingCloudLayerMovesTheSkyByItsScroll) {
    restartWith(R"(
textures/test/sky
{
    surfaceparm sky
    skyParms - 512 -
    {
        map textures/test/stripes.tga
        tcMod scroll 0.25 0
    }
}
)");
    const auto first = frameAt(0.0);
    const auto half = frameAt(2.0);
    const auto whole = frameAt(4.0);
    int clear = 0;
    for (int column = 0; column < kGlTestWindowWidth; ++column) {
        const int grey = pixelAt(first, column, kSkyRow)[0];
        if (grey > 40 && grey < 215) {
            continue;  // near a stripe's edge
        }
        ++clear;
        const std::string where = "column " + std::to_string(column);
        EXPECT_NEAR(pixelAt(half, column, kSkyRow)[0], 255 - grey, 40) << where;
        EXPECT_NEAR(pixelAt(whole, column, kSkyRow)[0], grey, 6) << where;
    }
    EXPECT_GT(clear, kGlTestWindowWidth / 2) << "the row shows the stripes";
}

// A turb (of no amplitude) puts the stage on the per-vertex path; the scale and scroll after it
// must move the image once: half an image at two seconds, which swaps the two halves.
TEST_F(MaterialViewTest, aScrollAfterATurbAndAScaleMovesTheImageOnce) {
    restartWith(R"(
textures/test/scroll
{
    {
        map textures/test/stripes.tga
        tcMod turb 0 0 0 0
        tcMod scale 2 1
        tcMod scroll 0.25 0
    }
}
)");
    // Scaled twice, an eighth of the wall is a quarter of the image (black), three eighths three
    // quarters (white).
    const auto still = frameAt(0.0);
    expectRgbNear(pixelAt(still, kEighthColumn, kMiddleRow), {0, 0, 0}, kTolerance, "at 0 s");
    expectRgbNear(pixelAt(still, kThreeEighthsColumn, kMiddleRow), {255, 255, 255}, kTolerance,
                  "at 0 s");
    const auto moved = frameAt(2.0);
    expectRgbNear(pixelAt(moved, kEighthColumn, kMiddleRow), {255, 255, 255}, kTolerance, "at 2 s");
    expectRgbNear(pixelAt(moved, kThreeEighthsColumn, kMiddleRow), {0, 0, 0}, kTolerance, "at 2 s");
}

// Two colours side by side: the left half first, the right half second.
std::vector<std::uint8_t> halves(const Rgb& left, const Rgb& right) {
    std::vector<std::uint8_t> pixels;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const Rgb& colour = x < 32 ? left : right;
            pixels.insert(pixels.end(), {std::uint8_t(colour[0]), std::uint8_t(colour[1]),
                                         std::uint8_t(colour[2])});
        }
    }
    return makeTga(64, 64, 3, pixels);
}

// The walls' lightmap, a detail doubled over it and the image filtering both, as the level
// oacmpdm3 draws nearly every wall; the detail scaled, the image animated and scrolled. With
// stageColour "rgbGen const ( 1 1 1 )" in the two upper stages, the same colours no longer count
// as plain, so nothing folds and each stage is blended on its own.
std::string threeStageWall(const std::string& stageColour) {
    return "textures/test/glow\n{\n{\nmap $lightmap\nrgbGen identity\ntcGen lightmap\n}\n"
           "{\nmap textures/test/detail.tga\nblendFunc GL_DST_COLOR GL_SRC_COLOR\n"
           "tcMod scale 3 1\n" +
           stageColour +
           "}\n"
           "{\nanimMap 1 textures/test/dark.tga textures/test/wallimage.tga\n"
           "blendFunc filter\ntcMod scroll 0.3 0\n" +
           stageColour + "}\n}\n";
}

// Over an opaque lightmap, a doubled detail and the image filtering both ride in its one pass on
// units 2 and 3: the picture is the three stages blended one by one, each overlay with its own
// matrix and frame, the doubling clamped before the image multiplies (the lightmap's red doubled
// by the detail's is over 1).
TEST_F(MaterialViewTest, aDoubledDetailAndAFilteringImageFoldIntoTheLightmapsPass) {
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    if (units < 4) {
        GTEST_SKIP() << "two overlays need four texture units";
    }
    LevelDescription level = materialLevel();
    level.vertices.clear();
    level.faces.clear();
    level.meshVertices.clear();
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-100, 100, -30, 30, kWallY, 0, 0, white});
    level.leaves[0].numLeafFaces = 1;
    level.leafFaces = {0};
    level.models[0].numFaces = 1;
    writeBytes(data.path() / "maps/walls.bsp", writeLevel(level));
    writeBytes(data.path() / "textures/test/detail.tga", halves({255, 128, 64}, {128, 255, 200}));
    writeBytes(data.path() / "textures/test/dark.tga", solidTga(8, 8, {10, 10, 10}));
    writeBytes(data.path() / "textures/test/wallimage.tga",
               halves({128, 200, 250}, {250, 128, 200}));

    restartWith(threeStageWall(""));
    const auto folded = frameAt(1.0);
    EXPECT_EQ(session->getLevel().getLastDrawCount(), 1u) << "one pass";
    restartWith(threeStageWall("rgbGen const ( 1 1 1 )\n"));
    const auto blended = frameAt(1.0);
    EXPECT_EQ(session->getLevel().getLastDrawCount(), 3u) << "the stages one by one";

    // The wall spans columns 30 to 610.
    int bright = 0;
    for (int column = 40; column < 600; ++column) {
        const Rgb seen = pixelAt(folded, column, kMiddleRow);
        expectRgbNear(seen, pixelAt(blended, column, kMiddleRow), 1,
                      ("column " + std::to_string(column)).c_str());
        bright += seen[0] > 60 ? 1 : 0;
    }
    EXPECT_GT(bright, 400) << "the image's second frame, not the dark first";
}
