// EntityView: a level's entities in either view: items as their models (frame 0, turning and
// bobbing by the animation clock, lit by the level's light grid), everything else with an origin
// as a small marker whose colour tells its family, a spawn's pointing along its angle. The models
// are an EntityModelSet, drawn by an EntityDrawer; this joins them and times their loads.
#pragma once

#include <epoxy/gl.h>

#include <iosfwd>
#include <optional>
#include <vector>

#include "model/EntityModelSet.h"
#include "model/ItemMotion.h"
#include "render/EntityDrawer.h"

class AssetStore;
class BSPMap;
class ImageLibrary;
class MaterialFinder;

class EntityView {
public:
    static constexpr double kTurnDegreesPerSecond = ItemMotion::kTurnDegreesPerSecond;
    static constexpr float kMarkerHalfSize = EntityModelSet::kMarkerHalfSize;

    // No GL. Builds the light grid from the level (a lump too short is one line on log naming the
    // level file) and finds each placement's cluster. The level must outlive the view.
    EntityView(const BSPMap& level, std::vector<EntityPlacement> placements, std::ostream& log);
    EntityView(const EntityView&) = delete;
    EntityView& operator=(const EntityView&) = delete;

    // Reads each model file the items need once (see EntityModelSet::loadModels) and makes the
    // drawer's batches. Later calls do nothing.
    void loadModels(const AssetStore& assets, std::ostream& log);
    bool modelsLoaded() const { return models.modelsLoaded(); }
    // See EntityDrawer::loadSurfaceLooks.
    void loadSurfaceLooks(const AssetStore& assets, const MaterialFinder& scripts, GLuint white,
                          ImageLibrary& images, std::ostream& log);
    bool surfaceLooksLoaded() const { return drawer.surfaceLooksLoaded(); }

    // What a frame needs first: the models read (once), and the surfaces' looks once the level's
    // scripts and images exist (null until its face images are loaded); each load reports its
    // time on log.
    void prepare(const AssetStore& assets, const MaterialFinder* scripts, GLuint white,
                 ImageLibrary* images, std::ostream& log);

    // See EntityDrawer::draw.
    void draw(const EntityDrawSettings& settings) { drawer.draw(settings); }

    LightSample lightAt(const Point& position) const { return models.lightAt(position); }
    std::optional<EntityHit> pick(const Point& eye, const Vec3& direction,
                                  const EntityPickSettings& settings = {}) const {
        return models.pick(eye, direction, settings);
    }
    const LightGrid* lightGrid() const { return models.lightGrid(); }
    // Model files read (sound ones) and the time the last loads took.
    std::size_t modelCount() const { return models.models().size(); }
    double modelLoadMs() const { return modelMs; }
    double surfaceLookMs() const { return lookMs; }

private:
    EntityModelSet models;
    EntityDrawer drawer;
    double modelMs = 0.0;
    double lookMs = 0.0;
};
