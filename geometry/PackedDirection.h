// A unit direction packed as two bytes of angle, as model normals and the light grid store them.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>

// polar: the angle from the +z axis, azimuth: the angle about it from +x, each in 256ths of a
// turn. The axes are the file's (z up); the caller changes them.
inline std::array<float, 3> unpackDirection(std::uint8_t polar, std::uint8_t azimuth) {
    constexpr double kStep = 2.0 * std::numbers::pi / 256.0;
    const double fromUp = polar * kStep;
    const double around = azimuth * kStep;
    return {static_cast<float>(std::cos(around) * std::sin(fromUp)),
            static_cast<float>(std::sin(around) * std::sin(fromUp)),
            static_cast<float>(std::cos(fromUp))};
}
