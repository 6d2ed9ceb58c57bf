// ItemMotion: where an item's model stands at a moment of the animation clock: its turn about
// the vertical axis and how far it has bobbed up or down. Pure arithmetic, no GL.
#pragma once

#include "geometry/Point.h"

struct ItemPose {
    // About the vertical axis, as the clock turns every item alike.
    float turnRadians = 0.0f;
    // Units above its origin (below when negative).
    float lift = 0.0f;
};

class ItemMotion {
public:
    // One turn in six seconds.
    static constexpr double kTurnDegreesPerSecond = 60.0;
    static constexpr double kBobAmplitude = 4.0;
    // Each item bobs with a period between these, chosen by its origin: a phase offset could not
    // leave every item at its origin at clock 0, a rate of its own does, and they drift apart.
    static constexpr double kShortestBobSeconds = 1.5;
    static constexpr double kLongestBobSeconds = 2.5;

    // The pose at clockSeconds of an item standing at origin; at clock 0 every item is level
    // and unturned.
    static ItemPose at(const Point& origin, double clockSeconds);
    // The period of an item's bob, seconds.
    static double bobSeconds(const Point& origin);
};
