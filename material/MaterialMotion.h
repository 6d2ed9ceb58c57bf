// What a material's waves, colours and texture-coordinate changes come to at a moment of the
// animation clock: plain arithmetic the drawing turns into GL state or per-vertex coordinates.
#pragma once

#include <array>
#include <cstddef>

#include "material/Material.h"

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

// Every tcMod of the stage at seconds as one matrix, the first written applied first, with each
// turb a sway of the whole stage by its wave (the same offset at every vertex). Exact for a stage
// without a turb; entity models and the sky's clouds use it for every stage.
TexCoordMatrix wholeStageTexCoordMatrix(const MaterialStage& stage, double seconds);

// One of the stage's tcMods is a turb, whose offset differs from vertex to vertex.
bool hasTurb(const MaterialStage& stage);

// A stage's tcMods at one moment, ready to be applied at many vertices: the matrices the mods
// between its turbs fold into, and each turb's amplitude and phase at that moment.
class StageTexCoords {
public:
    StageTexCoords() = default;
    StageTexCoords(const MaterialStage& stage, double seconds);

    // (s, t) of a vertex at position (as Vertex::position holds it) after every tcMod in the
    // order written. A turb with amplitude A adds A sin(2 pi (phase + (x + y) / 1024)) to s and
    // A sin(2 pi (phase + z / 1024)) to t, x, y and z in the level file's axes (z up).
    std::array<float, 2> apply(float s, float t, const float (&position)[3]) const;

private:
    struct Turb {
        float amplitude = 0.0f;
        // The wave's phase plus its frequency times the clock, in periods, within [0, 1).
        double phase = 0.0;
    };
    // matrices[i] comes before turbs[i]; matrices[turbCount] after the last turb.
    std::array<TexCoordMatrix, kMaxTexCoordMods + 1> matrices{};
    std::array<Turb, kMaxTexCoordMods> turbs{};
    std::size_t turbCount = 0;
};

// The stage's colour and alpha from rgbGen and alphaGen, for the gens that do not read vertices
// (identity, identityLighting, const, wave); 1 for the others, whose values come per vertex.
std::array<float, 4> stageColour(const MaterialStage& stage, double seconds);

// The animMap frame shown at seconds: 0 for a stage with fewer than two images.
std::size_t animationFrame(const MaterialStage& stage, double seconds);
