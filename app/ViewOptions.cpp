// The fly speed factor's wheel scale.
#include "app/ViewOptions.h"

#include <algorithm>
#include <cmath>

#include "geometry/Camera.h"

FlySpeed::FlySpeed(float startFactor)
    : base(std::clamp(startFactor, kMinSpeedFactor, kMaxSpeedFactor)) {}

float FlySpeed::factor() const {
    const double scaled = base * std::pow(double(kSpeedFactorStep), notches);
    return std::clamp(static_cast<float>(scaled), kMinSpeedFactor, kMaxSpeedFactor);
}

void FlySpeed::up() {
    if (factor() < kMaxSpeedFactor) {
        ++notches;
    }
}

void FlySpeed::down() {
    if (factor() > kMinSpeedFactor) {
        --notches;
    }
}
