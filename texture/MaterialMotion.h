// What a material's waves, colours and texture-coordinate changes come to at a moment of the
// animation clock: plain arithmetic the drawing turns into GL state.
#pragma once

#include <array>

#include "texture/Material.h"

// The wave's value at seconds on the clock. The form's argument is taken modulo one period
// before it is evaluated, so a huge frequency or time gives a value of the wave, not noise from
// lost precision (noise itself is a fixed pseudo-random sequence of the period number).
float waveValue(const Wave& wave, double seconds);

// A 2 x 3 matrix taking (s, t, 1) to (s', t'): rows (m00 m01 m02) and (m10 m11 m12).
struct TexCoordMatrix {
    std::array<float, 6> m{1.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f};
    // s' = m00 s + m01 t + m02, t' = m10 s + m11 t + m12.
    std::array<float, 2> apply(float s, float t) const {
        return {m[0] * s + m[1] * t + m[2], m[3] * s + m[4] * t + m[5]};
    }
};

// Every tcMod of the stage at seconds, the first written applied first. turb moves the whole
// stage by its wave (the same offset at every vertex).
TexCoordMatrix texCoordMatrix(const MaterialStage& stage, double seconds);

// The stage's colour and alpha from rgbGen and alphaGen, for the gens that do not read vertices
// (identity, identityLighting, const, wave); 1 for the others, whose values come per vertex.
std::array<float, 4> stageColour(const MaterialStage& stage, double seconds);

// The animMap frame shown at seconds: 0 for a stage with fewer than two images.
std::size_t animationFrame(const MaterialStage& stage, double seconds);
