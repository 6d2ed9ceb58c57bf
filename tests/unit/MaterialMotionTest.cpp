// Waves, texture-coordinate matrices and per-vertex turbs, stage colours and animation frames at
// known clock times.
#include <gtest/gtest.h>

#include <cmath>

#include "material/MaterialMotion.h"

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
    auto moved = wholeStageTexCoordMatrix(stage, 0.5).apply(0.0f, 0.0f);
    EXPECT_NEAR(moved[0], 0.5f, 1e-6f);
    EXPECT_NEAR(moved[1], 0.5f, 1e-6f);

    stage.texCoordMods = {mod(TexCoordModKind::rotate, {90.0f}),
                          mod(TexCoordModKind::transform, {1, 0, 0, 1, 0.5f, 0})};
    // A quarter turn about the centre keeps the centre and moves a corner to a corner.
    moved = wholeStageTexCoordMatrix(stage, 1.0).apply(0.5f, 0.5f);
    EXPECT_NEAR(moved[0], 1.0f, 1e-5f);
    EXPECT_NEAR(moved[1], 0.5f, 1e-5f);
    moved = wholeStageTexCoordMatrix(stage, 1.0).apply(0.0f, 0.0f);
    EXPECT_NEAR(std::fmod(moved[0], 1.0f), 0.5f, 1e-5f);

    stage.texCoordMods = {
        mod(TexCoordModKind::stretch, {}, Wave{WaveForm::sine, 2.0f, 0.0f, 0.0f, 0.0f})};
    moved = wholeStageTexCoordMatrix(stage, 0.0).apply(1.0f, 0.5f);
    EXPECT_NEAR(moved[0], 0.75f, 1e-6f) << "stretched by 2 about the centre: half the texels";
    EXPECT_NEAR(moved[1], 0.5f, 1e-6f);
}

// A turb adds A sin(2 pi (phase + (x + y) / 1024)) to s and A sin(2 pi (phase + z / 1024)) to t,
// in the file's axes, between the mods written before it and those after.
TEST(MaterialMotionTest, aTurbMovesEachVertexByItsPlaceInTheOrderWritten) {
    const TexCoordMod turb = mod(TexCoordModKind::turb, {}, Wave{WaveForm::sine, 0, 0.25f, 0, 0});
    const TexCoordMod scale = mod(TexCoordModKind::scale, {2.0f, 2.0f});
    // File (256, 0, 128), stored as (x, z, -y): s gains 0.25 sin(pi / 2), t 0.25 sin(pi / 4).
    const float at[3] = {256.0f, 128.0f, 0.0f};
    constexpr float kT = 0.25f * 0.70710678f;
    MaterialStage stage;
    stage.texCoordMods = {scale, turb};
    auto moved = StageTexCoords(stage, 0.0).apply(0.1f, 0.2f, at);
    EXPECT_NEAR(moved[0], 0.2f + 0.25f, 1e-5f);
    EXPECT_NEAR(moved[1], 0.4f + kT, 1e-5f);
    stage.texCoordMods = {turb, scale};
    moved = StageTexCoords(stage, 0.0).apply(0.1f, 0.2f, at);
    EXPECT_NEAR(moved[0], 2.0f * (0.1f + 0.25f), 1e-5f);
    EXPECT_NEAR(moved[1], 2.0f * (0.2f + kT), 1e-5f);
    stage.texCoordMods = {turb, scale, turb};
    moved = StageTexCoords(stage, 0.0).apply(0.1f, 0.2f, at);
    EXPECT_NEAR(moved[0], 2.0f * (0.1f + 0.25f) + 0.25f, 1e-5f);
    EXPECT_NEAR(moved[1], 2.0f * (0.2f + kT) + kT, 1e-5f);

    // A quarter period on, the whole-stage matrix sways every vertex by 0.25; per vertex, half a
    // period along the file's x or a quarter along its y gives other offsets.
    stage.texCoordMods = {mod(TexCoordModKind::turb, {}, Wave{WaveForm::sine, 0, 0.25f, 0.25f, 0})};
    moved = wholeStageTexCoordMatrix(stage, 0.0).apply(0.0f, 0.0f);
    EXPECT_NEAR(moved[0], 0.25f, 1e-6f);
    EXPECT_NEAR(moved[1], 0.25f, 1e-6f);
    const StageTexCoords perVertex(stage, 0.0);
    moved = perVertex.apply(0.0f, 0.0f, {0.0f, 0.0f, 0.0f});
    EXPECT_NEAR(moved[0], 0.25f, 1e-6f);
    moved = perVertex.apply(0.0f, 0.0f, {512.0f, 0.0f, 0.0f});
    EXPECT_NEAR(moved[0], -0.25f, 1e-6f);
    EXPECT_NEAR(moved[1], 0.25f, 1e-6f);
    moved = perVertex.apply(0.0f, 0.0f, {0.0f, 0.0f, -256.0f});
    EXPECT_NEAR(moved[0], 0.0f, 1e-6f);
}

TEST(MaterialMotionTest, aTurbStaysWithinItsAmplitudeAtHugeFrequenciesAndTimes) {
    MaterialStage stage;
    stage.texCoordMods = {
        mod(TexCoordModKind::turb, {}, Wave{WaveForm::sine, 0, 0.5f, 0.1f, 1e30f})};
    for (const double seconds : {1e9, 1e15, 12345.678}) {
        const auto moved = StageTexCoords(stage, seconds).apply(0.5f, 0.5f, {1e6f, -3e5f, 7.0f});
        for (const float value : moved) {
            ASSERT_TRUE(std::isfinite(value)) << seconds;
            EXPECT_LE(std::fabs(value - 0.5f), 0.5f) << seconds;
        }
    }
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
    // The largest rate a script can give, far along: no frame count a size can hold.
    stage.framesPerSecond = 3e38f;
    EXPECT_LT(animationFrame(stage, 1e9), 3u);
}

TEST(MaterialMotionTest, noiseAtPeriodsNoIntegerHoldsStaysInRange) {
    // A script's largest frequency: the period number is far beyond any 64-bit integer.
    const Wave noise{WaveForm::noise, 0.0f, 1.0f, 0.0f, 3e38f};
    for (const double seconds : {0.0, 0.5, 1e9}) {
        EXPECT_LE(std::fabs(waveValue(noise, seconds)), 1.0f) << seconds;
    }
    // Within the range a double tells periods apart, the noise still changes from one to the next.
    const Wave slow{WaveForm::noise, 0.0f, 1.0f, 0.0f, 1.0f};
    EXPECT_NE(waveValue(slow, 1e15), waveValue(slow, 1e15 + 1));
}
