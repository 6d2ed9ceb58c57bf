// The i key in a real window: the line that names the face at the centre of the view, its
// material's script and the archive each image came from, and a truncated image in an archive
// reported once by its archive and drawn as the placeholder.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

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

namespace {

constexpr char kScript[] = R"(textures/test/glow
{
    {
        map $lightmap
    }
    {
        map textures/test/glowimage.tga
        blendFunc filter
    }
}
)";

// Two walls at y = 200 seen from the origin: a scripted one straight ahead on page 0 and, 100
// units to the right, one whose only image is cut short. The first texture is a ladder in the
// water, to have flags to name.
LevelDescription reportLevel() {
    LevelDescription level;
    level.textures = {{"textures/test/glow", 0x8, 0x20}, {"textures/test/broken", 0, 1}};
    level.planes = {{{1, 0, 0}, -10000}};
    level.nodes = {{0, -1, -2, {-10000, -1000, -1000}, {1000, 1000, 1000}}};
    level.leaves = {{0, 0, {-10000, -1000, -1000}, {1000, 1000, 1000}, 0, 2, 0, 0},
                    {0, 0, {-10001, -1000, -1000}, {-10000, 1000, 1000}, 0, 0, 0, 0}};
    level.leafFaces = {0, 1};
    const std::array<std::uint8_t, 4> white = {255, 255, 255, 255};
    addQuad(level, {-40, 40, -40, 40, 200, 0, 0, white});
    addQuad(level, {60, 140, -40, 40, 200, kNoLightmap, 1, white});
    level.models = {{{-40, 0, -40}, {140, 200, 40}, 0, 2, 0, 0}};
    level.visibility = {1, 1, {0x01}};
    level.lightmaps = uniformPage(40, 40, 40);
    return level;
}

std::vector<std::uint8_t> cutShort(std::vector<std::uint8_t> bytes, std::size_t keep) {
    bytes.resize(keep);
    return bytes;
}

constexpr char kBrokenLine[] =
    "walls.pk3:textures/test/broken.tga: truncated: the header promises 8 x 8 pixels, the data "
    "holds 10\n";

class SurfaceReportGlTest : public testing::Test {
protected:
    void SetUp() override {
        writeBytes(data.path() / "maps/walls.bsp", writeLevel(reportLevel()));
        // 18 header bytes and 10 of the 64 pixels.
        const ArchiveEntries entries = {
            {"scripts/test.shader",
             std::vector<std::uint8_t>(kScript, kScript + sizeof kScript - 1)},
            {"textures/test/glowimage.tga", solidTga(8, 8, {50, 60, 70})},
            {"textures/test/broken.tga", cutShort(solidTga(8, 8, {200, 0, 0}), 18 + 30)},
        };
        writeBytes(data.path() / "walls.pk3", makeZip(entries));
        session = startLevelSession(materialViewConfig(data.dataPath(), "maps/walls.bsp"), loadLog);
        ASSERT_NE(session, nullptr) << loadLog;
    }
    void TearDown() override { session.reset(); }

    // What the i key prints after one frame from eye, looking along the file's +y.
    std::string pressI(const Point& eye) {
        session->placeEye(eye, 0);
        session->drawFrame(0.0f);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        keyboard('i', 0, 0);
        pressLog = testing::internal::GetCapturedStderr();
        return testing::internal::GetCapturedStdout();
    }

    ScratchFolder data{"surface-report"};
    std::unique_ptr<ViewerSession> session;
    std::string loadLog;
    std::string pressLog;
};

}  // namespace

TEST_F(SurfaceReportGlTest, iNamesTheScriptAndTheArchiveOfEachImage) {
    EXPECT_EQ(pressI(Point(0, 0, 0)),
              "face 0 polygon 'textures/test/glow'; surface 0x00000008 (ladder); contents "
              "0x00000020 (water); script scripts/test.shader in walls.pk3; images "
              "walls.pk3:textures/test/glowimage.tga; lightmap 0; leaf 0; cluster 0; point 0.0 "
              "0.0 -200.0; distance 200.0\n");
    EXPECT_EQ(pressLog, "");
}

TEST_F(SurfaceReportGlTest, aTruncatedImageInAnArchiveIsOneLineAndThePlaceholder) {
    EXPECT_EQ(loadLog.find(kBrokenLine), loadLog.rfind(kBrokenLine)) << loadLog;
    EXPECT_NE(loadLog.find(kBrokenLine), std::string::npos) << loadLog;
    EXPECT_EQ(pressI(Point(100, 0, 0)),
              "face 1 polygon 'textures/test/broken'; surface 0x00000000; contents 0x00000001 "
              "(solid); implicit; images placeholder (textures/test/broken); lightmap none; leaf "
              "0; cluster 0; point 100.0 0.0 -200.0; distance 200.0\n");
    // Decoded once: the key asks what the load found.
    EXPECT_EQ(pressLog, "");
    // The grey checker, not the red the header promised.
    const Rgb seen = pixelAt(readWindowPixels(), 280, 220);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_EQ(seen[1], seen[2]);
    EXPECT_TRUE(std::abs(seen[0] - 160) <= 3 || std::abs(seen[0] - 96) <= 3) << seen[0];
}

TEST_F(SurfaceReportGlTest, iLookingAtNothingSaysSo) {
    session->placeEye(Point(0, 0, 0), 180);
    session->drawFrame(0.0f);
    testing::internal::CaptureStdout();
    keyboard('i', 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "no face at the centre of the view\n");
}
