// Waves, texture-coordinate matrices, stage colours and animation frames at a clock time.
#include "material/MaterialMotion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The fractional part of x, in [0, 1), also for negative x.
double fraction(double x) {
    return x - std::floor(x);
}

// A repeatable value in [-1, 1] for each period number. Periods repeat every 2^53, the range in
// which a double still tells them apart, so that any finite period converts to an integer.
double noiseAt(double period) {
    constexpr double kPeriods = 9007199254740992.0;
    if (!std::isfinite(period)) {
        return 0.0;
    }
    auto bits = static_cast<std::uint64_t>(
        static_cast<std::int64_t>(std::fmod(std::floor(period), kPeriods)));
    bits ^= bits >> 33;
    bits *= 0xff51afd7ed558ccdULL;
    bits ^= bits >> 33;
    return static_cast<double>(bits >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

double formValue(WaveForm form, double cycles) {
    const double x = fraction(cycles);
    switch (form) {
        case WaveForm::sine:
            return std::sin(x * kTwoPi);
        case WaveForm::square:
            return x < 0.5 ? 1.0 : -1.0;
        case WaveForm::triangle:
            return x < 0.25 ? 4.0 * x : (x < 0.75 ? 2.0 - 4.0 * x : 4.0 * x - 4.0);
        case WaveForm::sawtooth:
            return x;
        case WaveForm::inverseSawtooth:
            return 1.0 - x;
        case WaveForm::noise:
            return noiseAt(cycles);
    }
    return 0.0;
}

// The product of two 2 x 3 matrices: first `first`, then `then`.
TexCoordMatrix compose(const TexCoordMatrix& first, const TexCoordMatrix& then) {
    const auto& a = then.m;
    const auto& b = first.m;
    return {{a[0] * b[0] + a[1] * b[3], a[0] * b[1] + a[1] * b[4], a[0] * b[2] + a[1] * b[5] + a[2],
             a[3] * b[0] + a[4] * b[3], a[3] * b[1] + a[4] * b[4],
             a[3] * b[2] + a[4] * b[5] + a[5]}};
}

// Rotation or scale about the centre of the image, (0.5, 0.5).
TexCoordMatrix aboutCentre(float m00, float m01, float m10, float m11) {
    return {{m00, m01, 0.5f - 0.5f * (m00 + m01), m10, m11, 0.5f - 0.5f * (m10 + m11)}};
}

TexCoordMatrix modMatrix(const TexCoordMod& mod, double seconds) {
    const auto& v = mod.values;
    switch (mod.kind) {
        case TexCoordModKind::scroll:
            // Only the fraction matters for a repeating image; keeping it small keeps precision.
            return {{1, 0, static_cast<float>(fraction(v[0] * seconds)), 0, 1,
                     static_cast<float>(fraction(v[1] * seconds))}};
        case TexCoordModKind::scale:
            return {{v[0], 0, 0, 0, v[1], 0}};
        case TexCoordModKind::rotate: {
            const double radians = fraction(-v[0] * seconds / 360.0) * kTwoPi;
            const auto c = static_cast<float>(std::cos(radians));
            const auto s = static_cast<float>(std::sin(radians));
            return aboutCentre(c, -s, s, c);
        }
        case TexCoordModKind::turb: {
            const Wave sway{WaveForm::sine, 0.0f, mod.wave.amplitude, mod.wave.phase,
                            mod.wave.frequency};
            const float offset = waveValue(sway, seconds);
            return {{1, 0, offset, 0, 1, offset}};
        }
        case TexCoordModKind::stretch: {
            const float value = waveValue(mod.wave, seconds);
            const float inverse = value != 0.0f ? 1.0f / value : 1.0f;
            return aboutCentre(inverse, 0, 0, inverse);
        }
        case TexCoordModKind::transform:
            // s' = s m00 + t m10 + t0, t' = s m01 + t m11 + t1.
            return {{v[0], v[2], v[4], v[1], v[3], v[5]}};
    }
    return {};
}

}  // namespace

float waveValue(const Wave& wave, double seconds) {
    const double cycles = double(wave.phase) + double(wave.frequency) * seconds;
    return static_cast<float>(wave.base + wave.amplitude * formValue(wave.form, cycles));
}

TexCoordMatrix wholeStageTexCoordMatrix(const MaterialStage& stage, double seconds) {
    TexCoordMatrix matrix;
    for (const TexCoordMod& mod : stage.texCoordMods) {
        matrix = compose(matrix, modMatrix(mod, seconds));
    }
    return matrix;
}

bool hasTurb(const MaterialStage& stage) {
    return std::any_of(stage.texCoordMods.begin(), stage.texCoordMods.end(),
                       [](const TexCoordMod& mod) { return mod.kind == TexCoordModKind::turb; });
}

StageTexCoords::StageTexCoords(const MaterialStage& stage, double seconds) {
    for (const TexCoordMod& mod : stage.texCoordMods) {
        // Scripts hold no more mods than there are turbs here; a stage built otherwise sways its
        // extra turbs whole.
        if (mod.kind == TexCoordModKind::turb && turbCount < turbs.size()) {
            turbs[turbCount] = {mod.wave.amplitude, fraction(double(mod.wave.phase) +
                                                             double(mod.wave.frequency) * seconds)};
            ++turbCount;
        } else {
            matrices[turbCount] = compose(matrices[turbCount], modMatrix(mod, seconds));
        }
    }
}

std::array<float, 2> StageTexCoords::apply(float s, float t, const float (&position)[3]) const {
    // Vertex::position is (x, z, -y) of the file. s follows the horizontal x + y and t the height
    // z: no plane keeps both constant, so floors, walls and slopes all churn.
    const double across = (double(position[0]) - double(position[2])) / 1024.0;
    const double up = double(position[1]) / 1024.0;
    std::array<float, 2> st{s, t};
    for (std::size_t i = 0; i < turbCount; ++i) {
        st = matrices[i].apply(st[0], st[1]);
        const Turb& turb = turbs[i];
        st[0] +=
            static_cast<float>(turb.amplitude * std::sin(fraction(turb.phase + across) * kTwoPi));
        st[1] += static_cast<float>(turb.amplitude * std::sin(fraction(turb.phase + up) * kTwoPi));
    }
    return matrices[turbCount].apply(st[0], st[1]);
}

std::array<float, 4> stageColour(const MaterialStage& stage, double seconds) {
    std::array<float, 4> colour{1.0f, 1.0f, 1.0f, 1.0f};
    if (stage.colourGen == ColourGen::constant) {
        std::copy(stage.colour.begin(), stage.colour.end(), colour.begin());
    } else if (stage.colourGen == ColourGen::wave) {
        const float value = std::clamp(waveValue(stage.colourWave, seconds), 0.0f, 1.0f);
        colour = {value, value, value, 1.0f};
    }
    if (stage.alphaGen == AlphaGen::constant) {
        colour[3] = stage.alpha;
    } else if (stage.alphaGen == AlphaGen::wave) {
        colour[3] = std::clamp(waveValue(stage.alphaWave, seconds), 0.0f, 1.0f);
    }
    return colour;
}

std::size_t animationFrame(const MaterialStage& stage, double seconds) {
    if (stage.images.size() < 2) {
        return 0;
    }
    const double frames = std::floor(double(stage.framesPerSecond) * seconds);
    const double count = double(stage.images.size());
    const double frame = frames - count * std::floor(frames / count);
    // Far along (or not a number) the remainder can round to count itself.
    return frame >= 0.0 && frame < count ? static_cast<std::size_t>(frame) : 0;
}
