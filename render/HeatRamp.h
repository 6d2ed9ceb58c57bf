// The heat ramp: one colour for a fraction of the worst figure, shared by every view that shows
// load (the visibility map of velmora-info, the overdraw view). No GL.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

struct HeatColour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const HeatColour&) const = default;
};

// 0 is dark blue, then blue, cyan, green, yellow and red, and 1 (the worst) white; a fraction
// outside 0..1 (or not a number) takes the nearer end, so a figure past the worst stays white.
inline HeatColour heatColour(float fraction) {
    static constexpr std::array<HeatColour, 7> kStops = {{{0, 0, 96},
                                                          {0, 0, 255},
                                                          {0, 255, 255},
                                                          {0, 255, 0},
                                                          {255, 255, 0},
                                                          {255, 0, 0},
                                                          {255, 255, 255}}};
    const float clamped = std::isnan(fraction) ? 0.0f : std::clamp(fraction, 0.0f, 1.0f);
    const float along = clamped * float(kStops.size() - 1);
    const std::size_t low = std::min(std::size_t(along), kStops.size() - 2);
    const float part = along - float(low);
    const auto mix = [part](std::uint8_t from, std::uint8_t to) {
        return static_cast<std::uint8_t>(
            std::lround(float(from) + (float(to) - float(from)) * part));
    };
    const HeatColour& a = kStops[low];
    const HeatColour& b = kStops[low + 1];
    return {mix(a.red, b.red), mix(a.green, b.green), mix(a.blue, b.blue)};
}
