// EntityModelSet: a level's entities as placed copies of item models: the model files read once
// (each with the box it sweeps as it turns), each placement's family, cluster and light, and the
// view ray's nearest entity. No GL; the drawing is EntityDrawer's.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "geometry/Point.h"
#include "geometry/Vec3.h"
#include "level/Entities.h"
#include "level/LightGrid.h"
#include "model/EntityModels.h"
#include "model/Md3Model.h"

class AssetStore;
class BSPMap;

struct EntityPlacement {
    std::string className;
    Point origin;  // viewer axes
    float angleDegrees = 0.0f;
    // Its place in the entity list it was read from.
    std::size_t entity = 0;
};

// An entity the view ray meets: its place in the entity list, how far along the ray, and the
// model files it is drawn with (none for a marker).
struct EntityHit {
    std::size_t entity = 0;
    float distance = 0.0f;
    std::vector<std::string> modelFiles;
};

// What the pick meets: the items where the clock has them, and the markers when they are shown.
struct EntityPickSettings {
    double clockSeconds = 0.0;
    bool markers = true;
};

// The entities that have an origin, in text order.
std::vector<EntityPlacement> placementsOf(const EntityList& entities);

// One model file as read.
struct EntityModel {
    std::string path;
    Md3Model model;
    // The box the model sweeps as it turns about the vertical axis: a radius about it and the
    // height below and above the origin.
    float radius = 0.0f;
    float low = 0.0f;
    float high = 0.0f;
    // One per surface: its index into the set's look names, -1 for a surface that names none.
    std::vector<std::int32_t> looks;
    // How many placed entities use it.
    std::size_t instanceCount = 0;
};

// One placed entity.
struct EntityInstance {
    EntityPlacement placement;
    EntityFamily family = EntityFamily::other;
    std::int32_t cluster = -1;
    LightSample light;
    // Indices into the set's models; none when the entity is a marker.
    std::vector<std::size_t> parts;
};

class EntityModelSet {
public:
    // Half the side of a marker, units.
    static constexpr float kMarkerHalfSize = 8.0f;

    // Builds the light grid from the level (a lump too short is one line on log naming the
    // level file) and finds each placement's cluster and light.
    EntityModelSet(const BSPMap& level, std::vector<EntityPlacement> placements, std::ostream& log);

    // Reads each model file the items need once; one that is missing is a marker, one that is bad
    // is one line on log naming the archive and entry, and a marker. Later calls do nothing.
    void loadModels(const AssetStore& assets, std::ostream& log);
    bool modelsLoaded() const { return modelsRead; }

    // The light a model at position gets: the grid's sample, or without a grid a plain light from
    // above.
    LightSample lightAt(const Point& position) const;
    // The nearest entity whose model (by the box it sweeps as it turns, at its height at the
    // settings' clock) or marker (when they are shown) a ray from eye along direction meets at a
    // positive distance, if any.
    std::optional<EntityHit> pick(const Point& eye, const Vec3& direction,
                                  const EntityPickSettings& settings = {}) const;

    const LightGrid* lightGrid() const { return grid ? &*grid : nullptr; }
    const std::vector<EntityInstance>& instances() const { return placed; }
    const std::vector<EntityModel>& models() const { return read; }
    // Distinct shader names of the models' surfaces.
    const std::vector<std::string>& lookNames() const { return names; }

private:
    // Reads one model file into the set; nothing when it is missing or bad.
    std::optional<std::size_t> readModel(const AssetStore& assets, const std::string& path,
                                         std::unordered_map<std::string, std::int32_t>& lookIndex,
                                         std::ostream& log);

    std::optional<LightGrid> grid;
    std::vector<EntityInstance> placed;
    std::vector<EntityModel> read;
    bool modelsRead = false;
    std::vector<std::string> names;
};
