// Frames drawn the viewer's way allocate nothing but the visible-face set's entries, and the draw
// list keeps its storage from frame to frame; so do frames of fog and sprites in the lit view with
// face images, and frames of moving brush entities, of deformed faces in the lit view and with
// the frame-cost line, the wireframe and the overdraw view on.
#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "BrushLevel.h"
#include "DeformLevel.h"
#include "FogLevel.h"
#include "SampleSession.h"
#include "app/Callbacks.h"
#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "app/ViewOptions.h"
#include "geometry/Camera.h"
#include "render/Frustum.h"
#include "level/BSPMap.h"
#include "support/AllocationCounter.h"
#include "support/LevelFixtures.h"

namespace {

// Inside room A of the sample level, and far outside it where nothing is in view.
const Point kInRoomA(256, 64, -128);
const Point kFarSouth(256, 64, 20000);
constexpr int kTurnStep = 30;
constexpr int kWarmUpFrames = 4;

class FrameAllocationTest : public testing::Test {
protected:
    void SetUp() override {
        if (!kAllocationsCounted) {
            GTEST_SKIP() << "allocations are not counted in this build";
        }
        if (!std::filesystem::exists(kSampleSessionLevel)) {
            GTEST_SKIP() << kSampleSessionLevel << " has not been generated";
        }
        // The viewer's own start-up, so that the frames run exactly as in the viewer.
        session = startSampleSession(kInRoomA);
    }
    void TearDown() override { session.reset(); }

    // One frame at the pose; the number of allocations it made.
    std::size_t drawCounted(const Point& eye, int yaw) {
        session->placeEye(eye, yaw);
        const AllocationCount allocations;
        session->drawFrame(0.0f);
        return allocations.count();
    }

    const BSPMap& level() const { return session->getLevel(); }

    std::unique_ptr<ViewerSession> session;
};

TEST_F(FrameAllocationTest, framesAllocateOnlyTheVisibleFaceSetEntries) {
    // A first turn grows the draw list and the overlay text to their largest and lets the
    // driver set itself up for every state the frames use.
    for (int yaw = 0; yaw < 360; yaw += kTurnStep) {
        drawCounted(kInRoomA, yaw);
    }
    std::size_t framesWithFaces = 0;
    for (int yaw = 0; yaw < 360; yaw += kTurnStep) {
        const std::size_t allocations = drawCounted(kInRoomA, yaw);
        EXPECT_EQ(allocations, level().getLastVisibleFaceCount()) << "yaw " << yaw;
        framesWithFaces += level().getLastVisibleFaceCount() > 0 ? 1 : 0;
    }
    EXPECT_GT(framesWithFaces, 0u);
}

TEST_F(FrameAllocationTest, costLineWireframeAndOverdrawAddNoAllocationToAFrame) {
    ViewOptions& options = session->getOptions();
    options.showStats = true;
    options.wireframe = true;
    options.overdraw = true;
    for (int yaw = 0; yaw < 360; yaw += kTurnStep) {
        drawCounted(kInRoomA, yaw);
    }
    for (int yaw = 0; yaw < 360; yaw += kTurnStep) {
        const std::size_t allocations = drawCounted(kInRoomA, yaw);
        EXPECT_EQ(allocations, level().getLastVisibleFaceCount()) << "yaw " << yaw;
    }
}

TEST_F(FrameAllocationTest, drawListKeepsItsStorageWhenAFrameSeesFewerFaces) {
    drawCounted(kInRoomA, 0);
    const std::vector<std::uint32_t>& drawList = level().getFaceDrawList();
    ASSERT_GT(drawList.size(), 0u);
    const std::size_t capacity = drawList.capacity();
    const std::uint32_t* storage = drawList.data();

    EXPECT_EQ(drawCounted(kFarSouth, 0), 0u);
    EXPECT_EQ(level().getLastVisibleFaceCount(), 0u);
    EXPECT_EQ(drawList.capacity(), capacity);

    drawCounted(kInRoomA, 0);
    EXPECT_EQ(drawList.capacity(), capacity);
    EXPECT_EQ(drawList.data(), storage);
}

TEST(MaterialFrameAllocationTest, fogAndSpriteFramesAllocateOnlyTheVisibleFaceSetEntries) {
    if (!kAllocationsCounted) {
        GTEST_SKIP() << "allocations are not counted in this build";
    }
    ScratchFolder data("fog-frames");
    std::unique_ptr<ViewerSession> session = fog_level::startSession(data.path());
    ASSERT_NE(session, nullptr);
    reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    const float lanes[] = {fog_level::kFogLane, fog_level::kThickFogLane, fog_level::kSpriteLane};
    // A first round loads the face images and lets the driver set itself up, over a few frames,
    // for the states the fog and sprite passes use.
    for (const float lane : lanes) {
        session->placeEye(Point(lane, 0, 0), 0);
        for (int frame = 0; frame < kWarmUpFrames; ++frame) {
            session->drawFrame(0.0f);
        }
    }
    for (const float lane : lanes) {
        SCOPED_TRACE(lane);
        session->placeEye(Point(lane, 0, 0), 0);
        const AllocationCount allocations;
        session->drawFrame(0.0f);
        EXPECT_EQ(allocations.count(), session->getLevel().getLastVisibleFaceCount());
        EXPECT_GT(session->getLevel().getLastVisibleFaceCount(), 0u);
    }
}

// Frames of the deform level (or a variant of it) at a few clock times allocate only the entries
// of the ordered face set, the three world faces.
void expectDeformedFramesAllocateOnlyTheFaceSet(const LevelDescription& level) {
    ScratchFolder data("deform-frames");
    std::unique_ptr<ViewerSession> session = deform_level::startSession(data.path(), level);
    ASSERT_NE(session, nullptr);
    reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    session->placeEye(Point(0, 0, 0), 0);
    constexpr double kClocks[] = {0.25, 0.75, 1.3};
    // The warm-up draws the very frames counted: the software rasteriser compiles code for a
    // state it meets first, and which states earlier tests left compiled depends on the suite.
    for (int frame = 0; frame < kWarmUpFrames; ++frame) {
        for (const double seconds : kClocks) {
            session->getOptions().clockSeconds = seconds;
            session->drawFrame(0.0f);
        }
    }
    for (const double seconds : kClocks) {
        SCOPED_TRACE(seconds);
        session->getOptions().clockSeconds = seconds;
        const AllocationCount allocations;
        session->drawFrame(0.0f);
        EXPECT_EQ(allocations.count(), session->getLevel().getLastVisibleFaceCount());
        EXPECT_EQ(session->getLevel().getLastVisibleFaceCount(), 3u);
    }
}

TEST(MaterialFrameAllocationTest, deformedFramesAllocateOnlyTheVisibleFaceSetEntries) {
    if (!kAllocationsCounted) {
        GTEST_SKIP() << "allocations are not counted in this build";
    }
    expectDeformedFramesAllocateOnlyTheFaceSet(deform_level::deformLevel());
    // A platform's deformed faces come from the same copy as the world's.
    expectDeformedFramesAllocateOnlyTheFaceSet(deform_level::deformPlatLevel());
}

// The fewest allocations of lit frames at a few clock times, after a warm-up: what every frame
// makes, without the driver's setting itself up once for a new level's textures.
std::size_t litFrameAllocations(bool withBrushEntities) {
    LightingModule lighting("");
    OnScreenDisplay display(GLUT_BITMAP_TIMES_ROMAN_24, kGlTestWindowWidth, kGlTestWindowHeight);
    std::ostringstream transcript;
    TestLevel level("no-data/", "brush.bsp", writeLevel(brush_level::brushLevel(withBrushEntities)),
                    &display, &lighting, transcript);
    EXPECT_TRUE(level.isSound());
    Frustum frustum;
    Camera camera(Point(0, 0, 0), &frustum);
    level.setCamera(&camera);
    reshape(kGlTestWindowWidth, kGlTestWindowHeight);
    ViewOptions options;
    options.litView = true;
    const auto frameAt = [&](double seconds) {
        options.clockSeconds = seconds;
        std::ostringstream overlay;
        const AllocationCount allocations;
        level.render(overlay, 0.0f, false, true, options);
        return allocations.count();
    };
    // The first frames read the brush entities and grow the lists to their size.
    for (int frame = 0; frame < kWarmUpFrames; ++frame) {
        frameAt(frame);
    }
    std::size_t fewest = SIZE_MAX;
    for (const double seconds : {0.5, 1.5, 2.5, 3.5}) {
        fewest = std::min(fewest, frameAt(seconds));
    }
    return fewest;
}

TEST(BrushFrameAllocationTest, movingPiecesAddNoAllocationToAFrame) {
    if (!kAllocationsCounted) {
        GTEST_SKIP() << "allocations are not counted in this build";
    }
    EXPECT_EQ(litFrameAllocations(true), litFrameAllocations(false));
}

}  // namespace
