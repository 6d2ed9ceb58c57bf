// Cluster colours: golden-ratio hue steps at fixed saturation and value.
#include "render/ClusterColours.h"

#include <cmath>

namespace {

constexpr double kGoldenRatioTurn = 0.6180339887498949;
constexpr float kSaturation = 0.7f;
constexpr float kValue = 0.95f;
constexpr float kOutsideGrey = 0.5f;
constexpr int kHueSectors = 6;

ClusterColour fromHsv(double hueTurns, float saturation, float value) {
    const double sector = hueTurns * kHueSectors;
    const int whole = static_cast<int>(sector) % kHueSectors;
    const float part = static_cast<float>(sector - std::floor(sector));
    const float low = value * (1.0f - saturation);
    const float falling = value * (1.0f - saturation * part);
    const float rising = value * (1.0f - saturation * (1.0f - part));
    switch (whole) {
        case 0:
            return {value, rising, low};
        case 1:
            return {falling, value, low};
        case 2:
            return {low, value, rising};
        case 3:
            return {low, falling, value};
        case 4:
            return {rising, low, value};
        default:
            return {value, low, falling};
    }
}

}  // namespace

ClusterColour clusterColour(std::int32_t cluster) {
    if (cluster < 0) {
        return {kOutsideGrey, kOutsideGrey, kOutsideGrey};
    }
    const double turns = cluster * kGoldenRatioTurn;
    return fromHsv(turns - std::floor(turns), kSaturation, kValue);
}
