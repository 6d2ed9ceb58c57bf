// LevelViews: what the views beside the default one keep for one level: the lightmap pages, the
// vertex colours brightened like them, the face images, the materials and the sky drawn from
// them, the fog volumes and the arrays fog, sprite, deformed and turb faces are drawn from, and
// the culling frozen by f.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include <span>

#include "geometry/Point.h"
#include "render/BrushEntities.h"
#include "render/EntityView.h"
#include "render/FrameCostViews.h"
#include "render/Frustum.h"
#include "render/LevelFog.h"
#include "render/LevelMaterials.h"
#include "render/LevelSky.h"
#include "render/MaterialFaceStyle.h"
#include "render/VertexBuffers.h"
#include "texture/FaceTextures.h"
#include "texture/LightmapSet.h"

class BSPMap;
class Face;
class LazyAssetStore;
class LazyMaterials;
class MaterialFinder;
class TextureCache;

// The camera leaf, cluster and frustum the visibility steps keep using while culling is frozen.
struct FrozenCulling {
    bool active = false;
    std::int32_t leaf = 0;
    std::int32_t cluster = 0;
    Frustum frustum;
};

class LevelViews {
public:
    // Makes no GL call. All three must outlive the views; the face images and shader scripts are
    // taken from textures, which the session keeps from one level to the next.
    LevelViews(const BSPMap& level, LazyAssetStore& assets, TextureCache& textures);
    ~LevelViews();
    LevelViews(const LevelViews&) = delete;
    LevelViews& operator=(const LevelViews&) = delete;

    // Uploads every lightmap page once. Needs a GL context.
    void uploadLightmaps();
    // Finds, decodes and uploads the face images of the level's textures under the data path,
    // then reads the shader scripts into the level's materials and their images, once: later
    // calls do nothing. Needs a GL context and the lightmaps uploaded. Until then faces are drawn
    // white.
    void loadFaceTextures(std::ostream& log);

    const FaceTextures* getFaceTextures() const { return faceTextures.get(); }
    // The data path's shader scripts, indexed at the first call (or by loadFaceTextures) with
    // their layout problems on log; each shader the level uses is read at its first find, its
    // problems on the same log (which must outlive the views). Makes no GL call.
    const MaterialFinder& shaderScripts(std::ostream& log);
    LazyAssetStore& dataPathAssets() const { return assets; }
    // Null until loadFaceTextures.
    const LevelMaterials* getMaterials() const { return materials.get(); }
    const LevelSky* getSky() const { return sky.get(); }
    // Null until loadFaceTextures, and for a level without fog.
    const LevelFog* getFog() const { return fog.get(); }
    // What the material view draws fog, sprite and turb faces from, and its scratch arrays for
    // them.
    FaceEffectSources faceEffects();
    VertexColourArrays vertexColours() const {
        return {litVertexColours, storedVertexColours, storedVertexColoursWithAlpha,
                whiteWithVertexAlpha};
    }
    // The faces of drawList, opaque materials first, then by sort; opaque ones in shells of
    // distance from eye, nearest first; within a shell or sort, faces of one material and
    // lightmap page together, else in drawList's order. Valid until the next call; allocates only
    // while the list grows.
    std::span<const std::uint32_t> inMaterialOrder(const std::vector<std::uint32_t>& drawList,
                                                   const std::vector<Face>& faces,
                                                   const Point& eye);
    // How many faces at the front of the last inMaterialOrder sort no later than opaque.
    std::size_t opaqueFaceCount() const { return opaqueFaces; }
    const LightmapSet& getLightmaps() const { return lightmaps; }
    // Every vertex's colour brightened like a lightmap texel, RGBA, for faces lit by vertex.
    const std::vector<std::uint8_t>& getLitVertexColours() const { return litVertexColours; }
    FrozenCulling& frozenCulling() { return frozen; }
    // The level's entities as models and markers: placed on first use (no GL; a light grid
    // problem goes to log), their models read when first drawn.
    EntityView& entities(std::ostream& log);
    // The level's brush entities: read on first use (no GL; their problems go to log).
    BrushEntities& brushEntities(std::ostream& log);
    // The shader scripts; null until loadFaceTextures.
    const MaterialFinder* getScripts() const;
    // The faces the material view sorts: the gathered world faces and the still brush faces;
    // room for every face of the level is reserved.
    std::vector<std::uint32_t>& materialDrawList() { return materialDrawn; }
    // Where the face loop joins the triangle corners of a run of faces.
    std::vector<std::uint32_t>& runCorners() { return runCornerScratch; }
    // The frame-cost line, the wireframe and the overdraw view.
    FrameCostViews& frameCost() { return costViews; }
    // For measuring: while query is not 0, each frame counts the samples of its shading passes
    // (every pass but the depth-only one) in that GL_SAMPLES_PASSED query.
    void countShadedFragmentsIn(unsigned query) { shadingQuery = query; }
    unsigned getShadingQuery() const { return shadingQuery; }
    // The material view lays the depth of its opaque faces before it shades them. Off unless
    // switched on: on the software renderer the distance shells already keep shading near one
    // fragment a pixel, and the pass cost what it saved (see README.md).
    void useDepthPass(bool on) { depthPass = on; }
    bool depthPassOn() const { return depthPass; }
    // The draws of the last frame's depth pass, beside the level's count of the shading ones.
    void countDepthPassDraws(std::size_t draws) { depthPassDraws = draws; }
    std::size_t lastDepthPassDraws() const { return depthPassDraws; }
    // The bytes the level's buffer objects hold.
    std::size_t bufferBytes() const { return buffers.bytes(); }
    // The level's records and patch grids in buffer objects, made anew when the grids changed
    // since the last call. Needs GL.
    const VertexBuffers* vertexBuffers();

private:
    // The fog volumes of the level's effects, and the fog colour array when there are any.
    void loadFog();
    // The turb coordinate arrays, for the units whose stages some material turbs per vertex.
    void sizeTurbScratch();
    const BSPMap& level;
    LazyAssetStore& assets;
    TextureCache& textures;
    LightmapSet lightmaps;
    std::vector<std::uint8_t> litVertexColours;
    std::vector<std::uint8_t> storedVertexColours;
    std::vector<std::uint8_t> storedVertexColoursWithAlpha;
    std::vector<std::uint8_t> whiteWithVertexAlpha;
    std::unique_ptr<FaceTextures> faceTextures;
    std::unique_ptr<LazyMaterials> scripts;
    std::unique_ptr<LevelMaterials> materials;
    std::unique_ptr<LevelSky> sky;
    std::unique_ptr<LevelFog> fog;
    FaceEffectScratch effectScratch;
    FrozenCulling frozen;
    std::unique_ptr<EntityView> entityView;
    std::unique_ptr<BrushEntities> brushes;
    FrameCostViews costViews;
    VertexBuffers buffers;
    // Sort key, then the face's place in the draw list.
    std::vector<std::pair<std::uint64_t, std::uint32_t>> sortKeys;
    std::vector<std::uint32_t> runCornerScratch;
    std::vector<std::uint32_t> materialDrawn;
    std::vector<std::uint32_t> sortedFaces;
    std::size_t opaqueFaces = 0;
    unsigned shadingQuery = 0;
    bool depthPass = false;
    std::size_t depthPassDraws = 0;
};
