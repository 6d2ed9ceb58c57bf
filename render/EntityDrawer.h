// EntityDrawer: draws an EntityModelSet: every visible copy of a model placed in its pose (turned
// and bobbing) and lit into one batch a surface, each batch drawn by its surface's look (white,
// its image, or its material's passes, blended ones last), and, when asked, the markers.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <span>
#include <vector>

#include "model/EntityModelSet.h"
#include "model/ItemMotion.h"
#include "render/PassBinder.h"

class AssetStore;
class BSPMap;
class FaceTextures;
class Frustum;
class ImageLibrary;
class LevelMaterials;
class MaterialFinder;

// How model surfaces are drawn: white, their image, or their material's passes.
enum class EntityLook { plain, images, materials };

struct EntityDrawSettings {
    double clockSeconds = 0.0;
    EntityLook look = EntityLook::plain;
    std::int32_t cameraCluster = -1;
    // Null: no frustum test.
    const Frustum* frustum = nullptr;
    // The entities without a model drawn as markers.
    bool markers = true;
};

class EntityDrawer {
public:
    // No GL. Both must outlive the drawer.
    EntityDrawer(const BSPMap& level, const EntityModelSet& models);
    ~EntityDrawer();
    EntityDrawer(const EntityDrawer&) = delete;
    EntityDrawer& operator=(const EntityDrawer&) = delete;

    // Sizes the batches for every copy of each model and fills the markers' arrays; once, after
    // the set's models are read.
    void build();
    // The surfaces' images and materials, each decoded and uploaded once, with the level's
    // scripts and white image, through the level's image library. Needs GL. Later calls do
    // nothing.
    void loadSurfaceLooks(const AssetStore& assets, const MaterialFinder& scripts, GLuint white,
                          ImageLibrary& images, std::ostream& log);
    bool surfaceLooksLoaded() const { return surfaceImages != nullptr; }

    // Draws what the camera cluster can see inside the frustum. Needs GL and build; looks not
    // loaded yet are drawn plain. Sets every state it uses. Allocates nothing.
    void draw(const EntityDrawSettings& settings);

private:
    // One surface of every visible copy of a model, placed in its pose and lit in world space, so
    // that they are drawn with one call a pass: a level holds
    // many of a kind. Sized at build for every copy of the model.
    struct SurfaceBatch {
        std::vector<float> positions;
        std::vector<float> normals;
        std::vector<float> texCoords;  // the surface's, repeated for each copy
        std::vector<std::uint8_t> colours;
        std::vector<std::uint32_t> indices;  // the surface's, offset for each copy
    };
    struct ModelBatches {
        std::vector<SurfaceBatch> surfaces;
        // Copies placed in the batches this frame.
        std::size_t placed = 0;
    };
    // A marker's vertices in the marker arrays.
    struct MarkerRange {
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    bool visible(const EntityInstance& instance, const EntityDrawSettings& settings) const;
    void buildBatches();
    // Places the instance's parts in their models' batches, in its pose and lit.
    void placeInstance(const EntityInstance& instance, const ItemPose& pose);
    // The opaque surfaces, then in the material look the blended ones.
    void drawBatches(const EntityDrawSettings& settings);
    void drawBatchRound(const EntityDrawSettings& settings, bool translucentRound);
    // A surface whose material blends, drawn after the opaque ones.
    bool translucent(std::int32_t look, const EntityDrawSettings& settings) const;
    void drawSurface(GLsizei indexCount, const std::uint32_t* indices, std::int32_t look,
                     const EntityDrawSettings& settings);
    void drawPass(GLsizei indexCount, const std::uint32_t* indices, const MaterialPass& pass,
                  const EntityDrawSettings& settings);
    // One stage on unit 0: its frame at the clock, its matrix, its colour or, lit, the model's.
    void drawStage(GLsizei indexCount, const std::uint32_t* indices, const MaterialStage* stage,
                   std::span<const GLuint> frames, const PassBlend& blend, bool lit,
                   const EntityDrawSettings& settings);
    // Untextured for image 0, colours from the lit colour array.
    void bindPlain(const PassBlend& blend, GLuint image);
    void buildMarkers();
    void drawMarkers();

    const BSPMap& level;
    const EntityModelSet& set;
    std::vector<ModelBatches> batches;  // one per model of the set
    std::unique_ptr<FaceTextures> surfaceImages;
    std::unique_ptr<LevelMaterials> surfaceMaterials;
    // Every marker's triangles in place (they never move): positions, RGBA colours, and the
    // indices of the visible ones, refilled each frame within the room reserved for all.
    std::vector<float> markerPositions;
    std::vector<std::uint8_t> markerColours;
    std::vector<std::uint32_t> markerIndices;
    std::vector<MarkerRange> markers;  // one per instance of the set
    PassBinder binder;
};
