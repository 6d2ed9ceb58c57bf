// Lighting a model's vertices from a light sample.
#include "model/ModelLighting.h"

#include <algorithm>
#include <cmath>

#include "texture/LightmapPages.h"

std::array<float, 3> unbrightenedLight(const LightSample& light,
                                       const std::array<float, 3>& normal) {
    const float facing =
        std::max(0.0f, normal[0] * light.direction[0] + normal[1] * light.direction[1] +
                           normal[2] * light.direction[2]);
    return {light.ambient[0] + light.directed[0] * facing,
            light.ambient[1] + light.directed[1] * facing,
            light.ambient[2] + light.directed[2] * facing};
}

void lightModelVertices(std::span<const float> normals, const LightSample& light, float turnRadians,
                        std::span<std::uint8_t> colours) {
    // The model turns by +turn about y; the light, seen from the model, turns by -turn.
    const float c = std::cos(turnRadians);
    const float s = std::sin(turnRadians);
    LightSample local = light;
    local.direction = {c * light.direction[0] - s * light.direction[2], light.direction[1],
                       s * light.direction[0] + c * light.direction[2]};
    const std::size_t vertices = std::min(normals.size() / 3, colours.size() / 4);
    for (std::size_t v = 0; v < vertices; ++v) {
        const std::array<float, 3> raw =
            unbrightenedLight(local, {normals[3 * v], normals[3 * v + 1], normals[3 * v + 2]});
        const auto channel = [&](int i) {
            // Light that is not a number is dark rather than a conversion out of range.
            return raw[i] > 0.0f ? static_cast<std::uint8_t>(std::lround(std::min(raw[i], 255.0f)))
                                 : std::uint8_t{0};
        };
        const std::array<std::uint8_t, 3> bright =
            brightenedColour(channel(0), channel(1), channel(2));
        colours[4 * v] = bright[0];
        colours[4 * v + 1] = bright[1];
        colours[4 * v + 2] = bright[2];
        colours[4 * v + 3] = 255;
    }
}
