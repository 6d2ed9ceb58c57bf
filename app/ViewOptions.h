// ViewOptions: the view switches and control settings a session starts from its configuration and
// the keys and the mouse change while it runs (lit view, cluster colours, frozen culling, fly
// speed, mouse sensitivity).
#pragma once

#include "app/Config.h"

// The fly speed factor: the configured start times kSpeedFactorStep for each wheel notch, held
// within kMinSpeedFactor..kMaxSpeedFactor. Counting notches rather than multiplying keeps every
// factor reachable again on the way back.
class FlySpeed {
public:
    explicit FlySpeed(float startFactor = 1.0f);
    float factor() const;
    // One wheel notch up or down; nothing at the bound.
    void up();
    void down();

private:
    float base;
    int notches = 0;
};

struct ViewOptions {
    ViewOptions() = default;
    explicit ViewOptions(const ViewerConfig& config)
        : litView(config.lightmaps),
          showEntities(config.entities),
          showMarkers(config.markers),
          showStats(config.stats),
          flySpeed(config.speed),
          mouseSensitivity(config.mouseSensitivity) {}

    // Faces drawn with their lightmaps or vertex colours (key m).
    bool litView = false;
    // Every face in its visibility cluster's colour (key c).
    bool clusterColours = false;
    // The visibility steps keep the leaf, cluster and frustum of the frame before freezing (key f).
    bool cullingFrozen = false;
    // Items as their models and markers for the other entities (key e).
    bool showEntities = false;
    // With the entities shown, the markers too (key x); off, items alone, as in the game.
    bool showMarkers = true;
    // Doors, platforms and the other brush entities where the view draws them; off only in the
    // benchmark, to measure what they cost.
    bool brushEntities = true;
    // The frame-cost line above the overlay line (key v).
    bool showStats = false;
    // Every drawn triangle's edges over the picture (key y).
    bool wireframe = false;
    // Fragments per pixel as a colour ramp instead of the picture (key o).
    bool overdraw = false;
    FlySpeed flySpeed;
    // The clock that materials animate by, in seconds: the viewer advances it with real time,
    // the probe and the benchmark set it.
    double clockSeconds = 0.0;
    // Degrees of turn per pixel of mouse drag.
    float mouseSensitivity = kDefaultMouseSensitivity;
};
