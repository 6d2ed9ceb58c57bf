// Frames of the sample level rendered through BSPMap::render and read back: the sky behind
// everything, the warm light on a facing wall, back-face culling, the overlay's place, the patch
// level, and the GL state a frame leaves behind.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "GlPixels.h"
#include "SampleSession.h"
#include "app/Callbacks.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/Viewer.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/Frustum.h"
#include "render/LevelViews.h"
#include "support/LevelFixtures.h"

namespace {

constexpr int kChannelTolerance = 3;

using Shade = std::array<double, 3>;

// Poses beside kSampleInRoomA: room A's north wall (z = -512) has a door at x 192..320 into the
// arched corridor.
const Point kSouthOfRoomA(256, 64, 600);  // outside, behind room A's south wall
const Point kFarSouth(256, 64, 20000);    // so far out that the level lies beyond the far plane

// Window pixels (from the lower-left corner) for the poses above at yaw 0.
constexpr int kThroughSouthWallX = 220;  // from outside: room A's north wall, seen through the
constexpr int kThroughSouthWallY = 279;  // culled back of its south wall
constexpr int kSkyRows = 30;             // the top rows show only sky from outside

struct Frame {
    std::vector<unsigned char> pixels;  // RGBA, bottom row first
    std::string overlay;

    Shade at(int x, int y) const {
        const std::size_t i = 4 * (std::size_t(y) * kGlTestWindowWidth + x);
        return {double(pixels[i]), double(pixels[i + 1]), double(pixels[i + 2])};
    }
};

void expectColourNear(const Shade& actual, const Shade& expected, const char* what) {
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_NEAR(actual[channel], expected[channel], kChannelTolerance)
            << what << ", channel " << channel;
    }
}

int differingPixels(const Frame& a, const Frame& b, int firstRow, int lastRow) {
    int count = 0;
    for (int y = firstRow; y <= lastRow; ++y) {
        for (int x = 0; x < kGlTestWindowWidth; ++x) {
            if (a.at(x, y) != b.at(x, y)) {
                ++count;
            }
        }
    }
    return count;
}

class RenderPictureTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!std::filesystem::exists(kSampleSessionLevel)) {
            return;
        }
        // The viewer's fixed state and light, then the level, its camera and its sky.
        initGL();
        lighting = std::make_unique<LightingModule>("");
        display = std::make_unique<OnScreenDisplay>(GLUT_BITMAP_TIMES_ROMAN_24, kGlTestWindowWidth,
                                                    kGlTestWindowHeight);
        level = std::make_unique<TestLevel>(kSampleSessionDir, kSampleSessionLevel, display.get(),
                                            lighting.get());
        camera = std::make_unique<Camera>(kSampleInRoomA, &frustum);
        level->setCamera(camera.get());
    }
    static void TearDownTestSuite() {
        level.reset();
        camera.reset();
        display.reset();
        lighting.reset();
    }
    void SetUp() override {
        if (level == nullptr) {
            GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
        }
        ASSERT_TRUE(level->isSound());
        reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    }

    static Frame renderAt(const Point& eye, int yaw, bool lightingOn = true,
                          const std::string& overlayStart = "") {
        camera->setPosition(eye);
        camera->setYaw(yaw);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        std::ostringstream overlayText;
        overlayText << overlayStart;
        level->render(overlayText, 0.0f, false, lightingOn);
        return {readWindowPixels(), overlayText.str()};
    }

    // What a face shows under the texture state the sky leaves: the sky texture, GL_MODULATE and
    // the sky's last texture coordinate, sampled with GL_LINEAR and GL_REPEAT at level 0 (a
    // constant coordinate has no footprint, so magnification applies). Reads GL state, so call it
    // after a frame.
    static Shade skyTexelUnderFaces() {
        float coords[4];
        glGetFloatv(GL_CURRENT_TEXTURE_COORDS, coords);
        glBindTexture(GL_TEXTURE_2D, level->getSkyTexture());
        GLint width = 0;
        GLint height = 0;
        GLint magFilter = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        EXPECT_EQ(magFilter, GL_LINEAR);
        std::vector<unsigned char> texels(3 * std::size_t(width) * height);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());

        const double u = coords[0] * width - 0.5;
        const double v = coords[1] * height - 0.5;
        const double alpha = u - std::floor(u);
        const double beta = v - std::floor(v);
        auto wrap = [](double value, int size) {
            return ((static_cast<int>(std::floor(value)) % size) + size) % size;
        };
        const int i0 = wrap(u, width);
        const int i1 = (i0 + 1) % width;
        const int j0 = wrap(v, height);
        const int j1 = (j0 + 1) % height;
        Shade texel{};
        for (int c = 0; c < 3; ++c) {
            auto t = [&](int i, int j) {
                return double(texels[3 * (std::size_t(j) * width + i) + c]);
            };
            texel[c] = (1 - alpha) * (1 - beta) * t(i0, j0) + alpha * (1 - beta) * t(i1, j0) +
                       (1 - alpha) * beta * t(i0, j1) + alpha * beta * t(i1, j1);
        }
        return texel;
    }

    static Shade modulated(const Shade& texel, const Shade& light) {
        return {texel[0] * light[0], texel[1] * light[1], texel[2] * light[2]};
    }

    static inline Frustum frustum;
    static inline std::unique_ptr<LightingModule> lighting;
    static inline std::unique_ptr<OnScreenDisplay> display;
    static inline std::unique_ptr<BSPMap> level;
    static inline std::unique_ptr<Camera> camera;
};

// White under the warm light: ambient 0.7 + diffuse 0.7 on red and green, 0.3 + 0.3 on blue,
// clamped; edge-on surfaces get the ambient term alone.
constexpr Shade kFacingLit = {1.0, 1.0, 0.6};
constexpr Shade kEdgeOnLit = {0.7, 0.7, 0.3};
constexpr Shade kUnlit = {1.0, 1.0, 1.0};

}  // namespace

TEST_F(RenderPictureTest, facingWallIsWarmWhenLitAndPlainWhenUnlit) {
    const Frame lit = renderAt(kSampleInRoomA, 0, true);
    const Shade texel = skyTexelUnderFaces();
    expectColourNear(lit.at(kSampleNorthWallX, kSampleNorthWallY), modulated(texel, kFacingLit),
                     "lit wall facing the eye");
    expectColourNear(lit.at(kSampleFloorX, kSampleFloorY), modulated(texel, kEdgeOnLit),
                     "lit floor");

    const Frame unlit = renderAt(kSampleInRoomA, 0, false);
    expectColourNear(unlit.at(kSampleNorthWallX, kSampleNorthWallY), modulated(texel, kUnlit),
                     "unlit wall");
    expectColourNear(unlit.at(kSampleFloorX, kSampleFloorY), modulated(texel, kUnlit),
                     "unlit floor");
}

TEST_F(RenderPictureTest, skyFillsWhatNoFaceCoversAndTurnsButDoesNotMove) {
    const Frame empty = renderAt(kFarSouth, 0);
    EXPECT_EQ(empty.overlay, "  Number of visible faces 0");
    const Frame withLevel = renderAt(kSouthOfRoomA, 0);
    // Above the building the sky is the same picture from both places; on it the level covers
    // the sky.
    EXPECT_EQ(
        differingPixels(empty, withLevel, kGlTestWindowHeight - kSkyRows, kGlTestWindowHeight - 1),
        0);
    EXPECT_NE(withLevel.at(kThroughSouthWallX, kThroughSouthWallY),
              empty.at(kThroughSouthWallX, kThroughSouthWallY));

    const Frame moved = renderAt(Point(-3000, 900, 15000), 0);
    EXPECT_EQ(differingPixels(empty, moved, 0, kGlTestWindowHeight - 1), 0);
    const Frame turned = renderAt(kFarSouth, 10);
    EXPECT_GT(differingPixels(empty, turned, 0, kGlTestWindowHeight - 1),
              kGlTestWindowWidth * kGlTestWindowHeight / 10);
}

TEST_F(RenderPictureTest, cullingRemovesWallsSeenFromBehind) {
    // Drawn, the back of the south wall would lie in front with only the ambient light on it;
    // culled, the facing north wall shows through.
    const Frame outside = renderAt(kSouthOfRoomA, 0);
    const Shade texel = skyTexelUnderFaces();
    expectColourNear(outside.at(kThroughSouthWallX, kThroughSouthWallY),
                     modulated(texel, kFacingLit), "north wall seen through the south wall");
}

TEST_F(RenderPictureTest, overlayStartsAt35Pixels) {
    const std::string start = "FPS:0 X:256 Y:64 Z:-128";
    const Frame frame = renderAt(kSampleInRoomA, 0, true, start);
    EXPECT_EQ(frame.overlay, start + "  Number of visible faces 20");
    // Only the white text is this bright in the frame; it must sit where text drawn straight at
    // window position (35, 35) sits.
    const PixelBox drawn = litPixelBox(frame.pixels);
    const PixelBox reference = litPixelBox(referenceText(35, 35, frame.overlay.c_str()));
    ASSERT_FALSE(reference.empty());
    EXPECT_EQ(drawn.minX, reference.minX);
    EXPECT_EQ(drawn.minY, reference.minY);
    EXPECT_EQ(drawn.maxX, reference.maxX);
    EXPECT_EQ(drawn.maxY, reference.maxY);
    EXPECT_GE(drawn.minX, 35);
    EXPECT_GE(drawn.minY, 35);
}

// The arches are drawn from buffer objects holding the grids of one level: each change must
// replace them, or a frame would draw the old grids through the new level's triangles.
TEST_F(RenderPictureTest, eachPatchLevelChangeRedrawsTheArchesAtTheNewLevel) {
    const Frame fine = renderAt(kSampleInRoomA, 0);
    level->setPatchLevel(2);
    const Frame coarse = renderAt(kSampleInRoomA, 0);
    level->setPatchLevel(kInitialPatchLevel);
    const Frame fineAgain = renderAt(kSampleInRoomA, 0);
    EXPECT_GT(differingPixels(fine, coarse, 0, kGlTestWindowHeight - 1), 20);
    EXPECT_EQ(differingPixels(fine, fineAgain, 0, kGlTestWindowHeight - 1), 0);

    // At 4 the grids fit beside the level's records within twice the vertex lumps; at the top
    // level they do not, and are drawn from client memory.
    const std::size_t recordBytes = level->getVertices().size() * sizeof(Vertex);
    level->setPatchLevel(4);
    const Frame four = renderAt(kSampleInRoomA, 0);
    EXPECT_EQ(level->views().bufferBytes(),
              recordBytes + level->getPatchGrids().size() * sizeof(Vertex));
    level->setPatchLevel(kTopPatchLevel);
    const Frame top = renderAt(kSampleInRoomA, 0);
    EXPECT_EQ(level->views().bufferBytes(), recordBytes);
    level->setPatchLevel(4);
    const Frame fourAgain = renderAt(kSampleInRoomA, 0);
    level->setPatchLevel(kInitialPatchLevel);
    EXPECT_GT(differingPixels(four, top, 0, kGlTestWindowHeight - 1), 20);
    EXPECT_EQ(differingPixels(four, fourAgain, 0, kGlTestWindowHeight - 1), 0);
}

TEST_F(RenderPictureTest, frameLeavesTheStateItsEndPromises) {
    glEnable(GL_LIGHTING);
    GLfloat before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    renderAt(kSampleInRoomA, 0, false);
    // Lighting off: the frame never touches GL_LIGHTING.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    glDisable(GL_LIGHTING);

    renderAt(kSampleInRoomA, 0, true);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    GLint activeUnit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
    EXPECT_EQ(activeUnit, GL_TEXTURE0);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    glActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);
    // The vertex and normal arrays stay on for the patch draw of the next frame.
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_NORMAL_ARRAY));
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[2], 1.0f);
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(after[i], before[i]) << i;
    }
}
