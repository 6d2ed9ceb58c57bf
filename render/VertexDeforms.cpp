// Moving positions along normals or a vector, and swaying normals, by a material's deforms.
#include "render/VertexDeforms.h"

#include <algorithm>
#include <cmath>

#include "level/AxisChange.h"
#include "material/MaterialMotion.h"

namespace {

constexpr double kTwoPi = 6.283185307179586;
// The normal deform sways a normal through one period every this many units along x + y + z.
constexpr double kNormalSwayUnits = 1024.0;

// x + y + z of the file's axes, from a position held in viewer axes (x, z, -y).
double fileAxesSum(const float (&position)[3]) {
    return double(position[0]) + double(position[1]) - double(position[2]);
}

bool finite3(const float (&v)[3]) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

// Moves the position by offset times direction, unless that would not be finite.
void moveBy(Vertex& vertex, const float (&direction)[3], double offset) {
    float moved[3];
    for (int i = 0; i < 3; ++i) {
        moved[i] = static_cast<float>(double(vertex.position[i]) + double(direction[i]) * offset);
    }
    if (finite3(moved)) {
        std::copy(moved, moved + 3, vertex.position);
    }
}

// The wave's value at seconds with its phase moved on by extraPhase periods; the sum is taken
// modulo one period in double, so a far vertex keeps its place on the wave.
float waveWithPhase(const Wave& wave, double extraPhase, double seconds) {
    Wave shifted = wave;
    const double phase = double(wave.phase) + extraPhase;
    shifted.phase = static_cast<float>(phase - std::floor(phase));
    return waveValue(shifted, seconds);
}

void waveAlongNormals(const Deform& deform, double seconds, std::span<Vertex> vertices) {
    const double perUnit = deform.spread != 0.0f ? 1.0 / double(deform.spread) : 0.0;
    for (Vertex& vertex : vertices) {
        const double spread = perUnit * fileAxesSum(vertex.position);
        if (std::isfinite(spread)) {
            moveBy(vertex, vertex.normal, waveWithPhase(deform.wave, spread, seconds));
        }
    }
}

void bulgeAlongNormals(const Deform& deform, double seconds, std::span<Vertex> vertices) {
    const auto [width, height, speed] = deform.bulge;
    for (Vertex& vertex : vertices) {
        const double angle = double(width) * vertex.texCoord[0] + double(speed) * seconds;
        moveBy(vertex, vertex.normal, double(height) * std::sin(std::fmod(angle, kTwoPi)));
    }
}

void moveAlongVector(const Deform& deform, double seconds, std::span<Vertex> vertices) {
    const Point viewer = toViewerAxes(deform.vector[0], deform.vector[1], deform.vector[2]);
    const float direction[3] = {viewer.getX(), viewer.getY(), viewer.getZ()};
    const double offset = waveValue(deform.wave, seconds);
    for (Vertex& vertex : vertices) {
        moveBy(vertex, direction, offset);
    }
}

// Each component of a normal swayed by amplitude times a sine of the clock, its phase from the
// vertex's place and the component, then the normal made unit length again.
void swayNormals(const Deform& deform, double seconds, std::span<Vertex> vertices) {
    const double amplitude = deform.wave.amplitude;
    const double cycles = double(deform.wave.frequency) * seconds;
    for (Vertex& vertex : vertices) {
        const double place = fileAxesSum(vertex.position) / kNormalSwayUnits + cycles;
        double swayed[3];
        double length = 0.0;
        for (int i = 0; i < 3; ++i) {
            const double phase = place + i / 3.0;
            swayed[i] =
                vertex.normal[i] + amplitude * std::sin(kTwoPi * (phase - std::floor(phase)));
            length += swayed[i] * swayed[i];
        }
        length = std::sqrt(length);
        if (!(length > 0.0) || !std::isfinite(length)) {
            continue;
        }
        for (int i = 0; i < 3; ++i) {
            vertex.normal[i] = static_cast<float>(swayed[i] / length);
        }
    }
}

bool mapsEnvironment(const Material& material) {
    return std::any_of(material.stages.begin(), material.stages.end(), [](const MaterialStage& s) {
        return s.texCoordGen == TexCoordGen::environment;
    });
}

}  // namespace

bool deformsVertices(const Material* material) {
    if (material == nullptr) {
        return false;
    }
    return std::any_of(material->deforms.begin(), material->deforms.end(),
                       [material](const Deform& deform) {
                           switch (deform.kind) {
                               case DeformKind::wave:
                               case DeformKind::bulge:
                               case DeformKind::move:
                                   return true;
                               case DeformKind::normal:
                                   return mapsEnvironment(*material);
                               case DeformKind::autosprite:
                               case DeformKind::autosprite2:
                                   return false;
                           }
                           return false;
                       });
}

void deformVertices(const Material& material, double seconds, std::span<Vertex> vertices) {
    for (const Deform& deform : material.deforms) {
        switch (deform.kind) {
            case DeformKind::wave:
                waveAlongNormals(deform, seconds, vertices);
                break;
            case DeformKind::normal:
                swayNormals(deform, seconds, vertices);
                break;
            case DeformKind::bulge:
                bulgeAlongNormals(deform, seconds, vertices);
                break;
            case DeformKind::move:
                moveAlongVector(deform, seconds, vertices);
                break;
            case DeformKind::autosprite:
            case DeformKind::autosprite2:
                break;
        }
    }
}
