// The heat ramp: a colour for quantities from none to many, dark blue through blue, cyan, green,
// yellow and red to white, shared by every view that shows load (the overdraw view, the
// visibility map of velmora-info). No GL.
#pragma once

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

// The ramp's colour (red, green, blue in 0..1) at fraction 0 (dark blue) to 1 (white); a fraction
// outside 0..1 takes the nearer end, one that is not a number the low end.
inline std::array<float, 3> heatColour(float fraction) {
    constexpr std::array<std::array<float, 3>, 7> kStops = {{{0.0f, 0.0f, 0.5f},
                                                             {0.0f, 0.0f, 1.0f},
                                                             {0.0f, 1.0f, 1.0f},
                                                             {0.0f, 1.0f, 0.0f},
                                                             {1.0f, 1.0f, 0.0f},
                                                             {1.0f, 0.0f, 0.0f},
                                                             {1.0f, 1.0f, 1.0f}}};
    if (!(fraction > 0.0f)) {
        return kStops.front();
    }
    if (fraction >= 1.0f) {
        return kStops.back();
    }
    const float place = fraction * float(kStops.size() - 1);
    const auto low = static_cast<std::size_t>(place);
    const float along = place - float(low);
    std::array<float, 3> colour{};
    for (std::size_t c = 0; c < 3; ++c) {
        colour[c] = kStops[low][c] + (kStops[low + 1][c] - kStops[low][c]) * along;
    }
    return colour;
}

// The ramp's colour as bytes, for pictures written to files.
struct HeatColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const HeatColour&) const = default;
};

inline HeatColour heatBytes(float fraction) {
    const std::array<float, 3> colour = heatColour(fraction);
    const auto byte = [](float value) {
        return static_cast<std::uint8_t>(std::lround(value * 255.0f));
    };
    return {byte(colour[0]), byte(colour[1]), byte(colour[2])};
}
