// EntityView: a level's entities in either view: items as their models (frame 0, turning slowly
// by the animation clock, lit by the level's light grid), everything else with an origin as a
// small marker whose colour tells its family, a spawn's pointing along its angle.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Point.h"
#include "geometry/Vec3.h"
#include "level/Entities.h"
#include "level/LightGrid.h"
#include "model/EntityModels.h"
#include "model/Md3Model.h"
#include "render/PassBinder.h"
#include "texture/Material.h"
#include "texture/MaterialMotion.h"

class AssetStore;
class BSPMap;
class FaceTextures;
class Frustum;
class ImageLibrary;
class LevelMaterials;
class MaterialScripts;
struct MaterialPass;

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

// The entities that have an origin, in text order.
std::vector<EntityPlacement> placementsOf(const EntityList& entities);

// How model surfaces are drawn: white, their image, or their material's passes.
enum class EntityLook { plain, images, materials };

struct EntityDrawSettings {
    double clockSeconds = 0.0;
    EntityLook look = EntityLook::plain;
    std::int32_t cameraCluster = -1;
    // Null: no frustum test.
    const Frustum* frustum = nullptr;
};

class EntityView {
public:
    // Turning speed of items, degrees per second of the animation clock.
    static constexpr double kTurnDegreesPerSecond = 60.0;
    // Half the side of a marker, units.
    static constexpr float kMarkerHalfSize = 8.0f;

    // No GL. Builds the light grid from the level (a lump too short is one line on log naming the
    // level file) and finds each placement's cluster. The level must outlive the view.
    EntityView(const BSPMap& level, std::vector<EntityPlacement> placements, std::ostream& log);
    ~EntityView();
    EntityView(const EntityView&) = delete;
    EntityView& operator=(const EntityView&) = delete;

    // Reads each model file the items need once; one that is missing is a marker, one that is bad
    // is one line on log naming the archive and entry, and a marker. Later calls do nothing.
    void loadModels(const AssetStore& assets, std::ostream& log);
    bool modelsLoaded() const { return modelsRead; }
    // The surfaces' images and materials, each decoded and uploaded once, with the level's
    // scripts and white image, through images when given (the level's faces' library, not
    // owned). Needs GL. Later calls do nothing.
    void loadSurfaceLooks(const AssetStore& assets, const MaterialScripts& scripts, GLuint white,
                          ImageLibrary* images, std::ostream& log);
    bool surfaceLooksLoaded() const { return surfaceImages != nullptr; }

    // What a frame needs first: the models read (once), and the surfaces' looks once the level's
    // scripts exist (null until its face images are loaded); each load reports its time on log.
    void prepare(const AssetStore& assets, const MaterialScripts* scripts, GLuint white,
                 ImageLibrary* images, std::ostream& log);

    // Draws what the camera cluster can see inside the frustum. Needs GL and the models loaded;
    // looks not loaded yet are drawn plain. Allocates nothing.
    void draw(const EntityDrawSettings& settings);

    // The light a model at position gets: the grid's sample, or without a grid a plain light from
    // above.
    LightSample lightAt(const Point& position) const;
    // The nearest entity whose model (by the box it sweeps as it turns) or marker a ray from eye
    // along direction meets at a positive distance, if any.
    std::optional<EntityHit> pick(const Point& eye, const Vec3& direction) const;
    const LightGrid* lightGrid() const { return grid ? &*grid : nullptr; }
    std::size_t placementCount() const { return instances.size(); }
    // Model files read (sound ones) and the time the last loads took.
    std::size_t modelCount() const { return models.size(); }
    double modelLoadMs() const { return modelMs; }
    double surfaceLookMs() const { return lookMs; }
    // What the last draw showed.
    std::size_t drawnModels() const { return lastModels; }
    std::size_t drawnMarkers() const { return lastMarkers; }

private:
    struct SurfaceLook {
        // Index into the look names; -1 for a surface that names no shader.
        std::int32_t name = -1;
    };
    // One surface of every visible instance of a model, placed, turned and lit in world space,
    // so that they are drawn with one call a pass: all items turn alike, and a level holds many
    // of a kind. Sized at load for every instance of the model.
    struct SurfaceBatch {
        std::vector<float> positions;
        std::vector<float> normals;
        std::vector<float> texCoords;  // the surface's, repeated for each instance
        std::vector<std::uint8_t> colours;
        std::vector<std::uint32_t> indices;  // the surface's, offset for each instance
    };
    struct LoadedModel {
        std::string path;
        Md3Model model;
        // The box the model sweeps as it turns about the vertical axis: a radius about it and
        // the height below and above the origin.
        float radius = 0.0f;
        float low = 0.0f;
        float high = 0.0f;
        std::vector<SurfaceLook> looks;     // one per surface
        std::vector<SurfaceBatch> batches;  // one per surface
        std::size_t instanceCount = 0;
        // Instances placed in the batches this frame.
        std::size_t placed = 0;
    };
    struct Instance {
        EntityPlacement placement;
        EntityFamily family = EntityFamily::other;
        std::int32_t cluster = -1;
        LightSample light;
        // Indices into models; none when the instance is a marker.
        std::vector<std::size_t> parts;
        // The marker's vertices in the marker arrays, once the models are loaded.
        std::uint32_t firstMarkerVertex = 0;
        std::uint32_t markerVertices = 0;
    };

    // Untextured for image 0, colours from the lit colour array.
    void bindPlain(const PassBlend& blend, GLuint image);
    static void sweepBox(LoadedModel& loaded);

    bool visible(const Instance& instance, const EntityDrawSettings& settings) const;
    // Sizes every model's batches for the instances that use it; once, after the models.
    void buildBatches();
    // Places the instance's parts in their models' batches, turned and lit.
    void placeInstance(const Instance& instance, float turnRadians);
    void drawBatches(const EntityDrawSettings& settings);
    void drawSurface(GLsizei indexCount, const std::uint32_t* indices, const SurfaceLook& look,
                     const EntityDrawSettings& settings);
    void drawPass(GLsizei indexCount, const std::uint32_t* indices, const MaterialPass& pass,
                  const EntityDrawSettings& settings);
    // Fills the marker arrays for the instances without a model; once, after the models.
    void buildMarkers();
    void drawMarkers();

    const BSPMap& level;
    std::optional<LightGrid> grid;
    std::vector<Instance> instances;
    std::vector<LoadedModel> models;
    bool modelsRead = false;
    // Distinct shader names of the models' surfaces; the images and materials are in this order.
    std::vector<std::string> lookNames;
    std::unique_ptr<FaceTextures> surfaceImages;
    std::unique_ptr<LevelMaterials> surfaceMaterials;
    // Every marker's triangles in place (they never move): positions, RGBA colours, and the
    // indices of the visible ones, refilled each frame within the room reserved for all.
    std::vector<float> markerPositions;
    std::vector<std::uint8_t> markerColours;
    std::vector<std::uint32_t> markerIndices;
    PassBinder binder;
    double modelMs = 0.0;
    double lookMs = 0.0;
    std::size_t lastModels = 0;
    std::size_t lastMarkers = 0;
};
