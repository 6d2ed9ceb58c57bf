// Lightmaps away from GL: the brightening of texels and vertex colours, the validator's view of
// the lightmap lump and of face lightmap indices, and a level that has no lightmap lump at all.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "level/LevelValidator.h"
#include "support/LevelFixtures.h"
#include "texture/LightmapSet.h"

namespace {

using Colour = std::array<std::uint8_t, 3>;

std::vector<std::string> problemsOf(const LevelDescription& level) {
    return loadLevelBytes(writeLevel(level))->getProblems();
}

}  // namespace

TEST(LightmapBrightnessTest, timesFourThenScaledDownByTheBrightestChannel) {
    EXPECT_EQ(brightenedColour(40, 20, 10), (Colour{160, 80, 40}));
    EXPECT_EQ(brightenedColour(63, 63, 63), (Colour{252, 252, 252}));
    // 400, 200, 100 times 255 / 400, rounded: the hue stays, the brightest channel is 255.
    EXPECT_EQ(brightenedColour(100, 50, 25), (Colour{255, 128, 64}));
    EXPECT_EQ(brightenedColour(255, 0, 128), (Colour{255, 0, 128}));
    EXPECT_EQ(brightenedColour(255, 255, 255), (Colour{255, 255, 255}));
    EXPECT_EQ(brightenedColour(64, 0, 0), (Colour{255, 0, 0}));
    EXPECT_EQ(brightenedColour(0, 0, 0), (Colour{0, 0, 0}));
}

TEST(LightmapValidationTest, wholePagesAndKnownIndicesAreSound) {
    LevelDescription level = tinyLevel();
    level.lightmaps.assign(2 * kLightmapPageBytes, 7);
    level.faces[0].lightmap = 1;
    level.faces[1].lightmap = kVertexLitLightmap;
    level.faces[2].lightmap = kNoLightmap;
    EXPECT_EQ(problemsOf(level), std::vector<std::string>{});
    EXPECT_EQ(loadLevelBytes(writeLevel(level))->getLightmapBytes().size(), 2 * kLightmapPageBytes);
}

TEST(LightmapValidationTest, partialPageAndIndicesNamingNoPageAreProblems) {
    LevelDescription level = tinyLevel();
    level.lightmaps.assign(kLightmapPageBytes + 100, 7);
    level.faces[0].lightmap = 1;
    level.faces[1].lightmap = -2;
    EXPECT_EQ(problemsOf(level),
              (std::vector<std::string>{
                  "lump 14 (lightmaps) holds 49252 bytes, not a whole number of 49152-byte pages "
                  "of 128 x 128 RGB texels",
                  "face 0 (polygon) uses lightmap 1 but the level has 1 lightmap page (-1 and -3 "
                  "name none)",
                  "face 1 (patch) uses lightmap -2 but the level has 1 lightmap page (-1 and -3 "
                  "name none)"}));
}

TEST(LightmapValidationTest, levelWithoutLightmapLumpLoadsWithEveryFaceUnlit) {
    LevelDescription level = tinyLevel();
    EXPECT_EQ(problemsOf(level), std::vector<std::string>{});
    level.faces[0].lightmap = 0;
    EXPECT_EQ(problemsOf(level),
              std::vector<std::string>{"face 0 (polygon) uses lightmap 0 but the level has 0 "
                                       "lightmap pages (-1 and -3 name none)"});
}
