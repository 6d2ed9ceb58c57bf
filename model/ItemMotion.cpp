// An item's turn and bob by the animation clock.
#include "model/ItemMotion.h"

#include <cmath>
#include <numbers>

namespace {

// Origins this far apart along x + y + z get periods a whole range apart; items a few units
// apart still differ.
constexpr double kSpreadUnits = 256.0;

}  // namespace

double ItemMotion::bobSeconds(const Point& origin) {
    const double sum = static_cast<double>(origin.getX()) + origin.getY() + origin.getZ();
    double fraction = std::fmod(sum / kSpreadUnits, 1.0);
    if (fraction < 0.0) {
        fraction += 1.0;
    }
    return kShortestBobSeconds + fraction * (kLongestBobSeconds - kShortestBobSeconds);
}

ItemPose ItemMotion::at(const Point& origin, double clockSeconds) {
    const double turnDegrees = std::fmod(clockSeconds * kTurnDegreesPerSecond, 360.0);
    const double bobTurns = std::fmod(clockSeconds / bobSeconds(origin), 1.0);
    ItemPose pose;
    pose.turnRadians = static_cast<float>(turnDegrees * std::numbers::pi / 180.0);
    pose.lift = static_cast<float>(kBobAmplitude * std::sin(2.0 * std::numbers::pi * bobTurns));
    return pose;
}
