// Waves, texture-coordinate matrices, stage colours and animation frames at known clock times.
#include <gtest/gtest.h>

#include <cmath>

#include "texture/MaterialMotion.h"

namespace {

TexCoordMod mod(TexCoordModKind kind, std::array<float, 6> values, Wave wave = {}) {
    TexCoordMod made;
    made.kind = kind;
    made.values = values;
    made.wave = wave;
    return made;
}

}  // namespace

TEST(MaterialMotionTest, wavesTakeTheirFormsOverOnePeriodAndStayExactAtHugeTimes) {
    const Wave sine{WaveForm::sine, 1.0f, 2.0f, 0.0f, 0.5f};
    EXPECT_NEAR(waveValue(sine, 0.5), 1.0f + 2.0f, 1e-5f);  // a quarter period
    EXPECT_NEAR(waveValue(sine, 1.5), 1.0f - 2.0f, 1e-5f);
    const Wave square{WaveForm::square, 0.0f, 1.0f, 0.25f, 1.0f};
    EXPECT_EQ(waveValue(square, 0.0), 1.0f);
    EXPECT_EQ(waveValue(square, 0.5), -1.0f);
    const Wave triangle{WaveForm::triangle, 0.0f, 1.0f, 0.0f, 1.0f};
    EXPECT_NEAR(waveValue(triangle, 0.25), 1.0f, 1e-6f);
    EXPECT_NEAR(waveValue(triangle, 0.75), -1.0f, 1e-6f);
    const Wave saw{WaveForm::sawtooth, 0.0f, 1.0f, 0.0f, 2.0f};
    EXPECT_NEAR(waveValue(saw, 0.125), 0.25f, 1e-6f);
    const Wave inverse{WaveForm::inverseSawtooth, 0.0f, 1.0f, 0.0f, 2.0f};
    EXPECT_NEAR(waveValue(inverse, 0.125), 0.75f, 1e-6f);
    const Wave noise{WaveForm::noise, 0.0f, 1.0f, 0.0f, 10.0f};
    EXPECT_EQ(waveValue(noise, 0.31), waveValue(noise, 0.31));
    EXPECT_LE(std::fabs(waveValue(noise, 7.77)), 1.0f);

    const Wave wild{WaveForm::sine, 0.0f, 1.0f, 0.0f, 1e30f};
    EXPECT_TRUE(std::isfinite(waveValue(wild, 1e9)));
    EXPECT_LE(std::fabs(waveValue(wild, 1e9)), 1.0f);
}

TEST(MaterialMotionTest, texCoordModsApplyInTheOrderWritten) {
    MaterialStage stage;
    stage.texCoordMods = {mod(TexCoordModKind::scroll, {0.5f, 0.25f}),
                          mod(TexCoordModKind::scale, {2.0f, 4.0f})};
    // Half a second: scrolled by (0.25, 0.125), then scaled.
    auto moved = texCoordMatrix(stage, 0.5).apply(0.0f, 0.0f);
    EXPECT_NEAR(moved[0], 0.5f, 1e-6f);
    EXPECT_NEAR(moved[1], 0.5f, 1e-6f);

    stage.texCoordMods = {mod(TexCoordModKind::rotate, {90.0f}),
                          mod(TexCoordModKind::transform, {1, 0, 0, 1, 0.5f, 0})};
    // A quarter turn about the centre keeps the centre and moves a corner to a corner.
    moved = texCoordMatrix(stage, 1.0).apply(0.5f, 0.5f);
    EXPECT_NEAR(moved[0], 1.0f, 1e-5f);
    EXPECT_NEAR(moved[1], 0.5f, 1e-5f);
    moved = texCoordMatrix(stage, 1.0).apply(0.0f, 0.0f);
    EXPECT_NEAR(std::fmod(moved[0], 1.0f), 0.5f, 1e-5f);

    stage.texCoordMods = {
        mod(TexCoordModKind::stretch, {}, Wave{WaveForm::sine, 2.0f, 0.0f, 0.0f, 0.0f})};
    moved = texCoordMatrix(stage, 0.0).apply(1.0f, 0.5f);
    EXPECT_NEAR(moved[0], 0.75f, 1e-6f) << "stretched by 2 about the centre: half the texels";
    EXPECT_NEAR(moved[1], 0.5f, 1e-6f);
}

TEST(MaterialMotionTest, stageColoursAndAnimationFramesFollowTheClock) {
    MaterialStage stage;
    stage.colourGen = ColourGen::wave;
    stage.colourWave = Wave{WaveForm::sawtooth, 0.0f, 2.0f, 0.0f, 1.0f};
    stage.alphaGen = AlphaGen::constant;
    stage.alpha = 0.25f;
    auto colour = stageColour(stage, 0.25);
    EXPECT_NEAR(colour[0], 0.5f, 1e-6f);
    EXPECT_EQ(colour[3], 0.25f);
    colour = stageColour(stage, 0.75);
    EXPECT_EQ(colour[0], 1.0f) << "clamped to 1";

    stage.images = {"a", "b", "c"};
    stage.framesPerSecond = 2.0f;
    EXPECT_EQ(animationFrame(stage, 0.0), 0u);
    EXPECT_EQ(animationFrame(stage, 0.6), 1u);
    EXPECT_EQ(animationFrame(stage, 1.6), 0u);
    stage.framesPerSecond = -2.0f;
    EXPECT_LT(animationFrame(stage, 0.6), 3u);
}
