// The frame-cost figures without a window: the counter's triangles (patches at their current
// level), materials and pages of a writer-made level, the line's text, the heat ramp's stops and
// the stats key of the configuration.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Config.h"
#include "app/ViewOptions.h"
#include "render/FrameCost.h"
#include "render/HeatRamp.h"
#include "support/LevelFixtures.h"

TEST(FrameCostCounterTest, countsTrianglesAtThePatchLevelAndEachMaterialOnce) {
    // A floor quad (texture 0), a 3 x 3 patch (texture 1) and a billboard (texture 0).
    std::unique_ptr<BSPMap> level = loadLevelBytes(writeLevel(tinyLevel()));
    ASSERT_TRUE(level->isSound());
    FrameCostCounter counter;
    const std::vector<std::uint32_t> faces = {0, 1, 2, 0};
    FrameCost cost = counter.count(*level, faces, nullptr);
    EXPECT_EQ(cost.faces, 4u);
    EXPECT_EQ(cost.brushFaces, 0u);
    // At level 10 the patch is ten strips of twenty triangles; the quad is listed twice.
    EXPECT_EQ(cost.triangles, 2u + 200u + 2u);
    EXPECT_EQ(cost.materials, 2u);
    EXPECT_EQ(cost.lightmapPages, 0u);

    level->setPatchLevel(3);
    cost = counter.count(*level, std::span(faces).first(2), nullptr);
    EXPECT_EQ(cost.triangles, 2u + 18u);
    EXPECT_EQ(cost.materials, 2u) << "a second count starts afresh";
    cost = counter.count(*level, {}, nullptr);
    EXPECT_EQ(cost.triangles, 0u);
    EXPECT_EQ(cost.materials, 0u);
}

TEST(FrameCostCounterTest, viewsThatLeaveTheSkyOutCountNoneOfItsTriangles) {
    // The patch's texture record made sky: the lit views gather it but draw nothing of it.
    LevelDescription description = tinyLevel();
    description.textures[1].flags = 0x4;
    std::unique_ptr<BSPMap> level = loadLevelBytes(writeLevel(description));
    ASSERT_TRUE(level->isSound());
    FrameCostCounter counter;
    const std::vector<std::uint32_t> faces = {0, 1};
    EXPECT_EQ(counter.count(*level, faces, nullptr).triangles, 2u + 200u);
    const FrameCost lit = counter.count(*level, faces, nullptr, true);
    EXPECT_EQ(lit.faces, 2u);
    EXPECT_EQ(lit.triangles, 2u);
    EXPECT_EQ(lit.materials, 1u);
}

TEST(FrameCostLineTest, showsEveryFigureAndADashWithoutFragments) {
    FrameCost cost;
    cost.faces = 120;
    cost.brushFaces = 6;
    cost.triangles = 5400;
    cost.draws = 87;
    cost.materials = 23;
    cost.lightmapPages = 4;
    cost.milliseconds = 16.66;
    EXPECT_STREQ(frameCostLine(cost).c_str(),
                 "faces 120+6  triangles 5400  draws 87  materials 23  lightmaps 4  "
                 "fragments/pixel -  16.7 ms");
    cost.fragmentsPerPixel = 1.825;
    EXPECT_NE(std::string(frameCostLine(cost).c_str()).find("fragments/pixel 1.8"),
              std::string::npos);
}

TEST(HeatRampTest, runsFromDarkBlueThroughGreenToWhiteAndClampsOutside) {
    using Colour = std::array<float, 3>;
    EXPECT_EQ(heatColour(0.0f), (Colour{0.0f, 0.0f, 0.5f}));
    EXPECT_EQ(heatColour(0.5f), (Colour{0.0f, 1.0f, 0.0f}));
    EXPECT_EQ(heatColour(1.0f), (Colour{1.0f, 1.0f, 1.0f}));
    EXPECT_EQ(heatColour(-3.0f), heatColour(0.0f));
    EXPECT_EQ(heatColour(7.0f), heatColour(1.0f));
    EXPECT_EQ(heatColour(std::nanf("")), heatColour(0.0f));
    // Between stops the colour moves steadily: yellow lies between green and red.
    const Colour between = heatColour(0.75f);
    EXPECT_FLOAT_EQ(between[0], 1.0f);
    EXPECT_FLOAT_EQ(between[1], 0.5f);
    EXPECT_FLOAT_EQ(between[2], 0.0f);
}

TEST(FrameCostConfigTest, statsKeyIsEchoedAndStartsTheLine) {
    const std::string path = testing::TempDir() + "velmora_stats.cfg";
    std::ofstream(path) << "width = 640 height = 480 stats = on\n";
    ViewerConfig config;
    std::ostringstream log;
    ASSERT_TRUE(readConfig(path, config, log));
    EXPECT_EQ(log.str(), "setting 640\nsetting 480\nsetting on\n");
    EXPECT_TRUE(ViewOptions(config).showStats);
    EXPECT_FALSE(ViewOptions(ViewerConfig()).showStats);
}
