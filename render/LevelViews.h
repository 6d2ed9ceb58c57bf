// LevelViews: what the views beside the default one keep for one level: the lightmap pages, the
// vertex colours brightened like them, the face images and the culling frozen by f.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <vector>

#include "render/Frustum.h"
#include "texture/FaceTextures.h"
#include "texture/LightmapSet.h"

class BSPMap;
class LazyAssetStore;

// The camera leaf, cluster and frustum the visibility steps keep using while culling is frozen.
struct FrozenCulling {
    bool active = false;
    std::int32_t leaf = 0;
    std::int32_t cluster = 0;
    Frustum frustum;
};

class LevelViews {
public:
    // Makes no GL call. Both must outlive the views.
    LevelViews(const BSPMap& level, LazyAssetStore& assets);
    ~LevelViews();
    LevelViews(const LevelViews&) = delete;
    LevelViews& operator=(const LevelViews&) = delete;

    // Uploads every lightmap page once. Needs a GL context.
    void uploadLightmaps();
    // Finds, decodes and uploads the face images of the level's textures under the data path,
    // once: later calls do nothing. Needs a GL context. Until then faces are drawn white.
    void loadFaceTextures(std::ostream& log);

    const FaceTextures* getFaceTextures() const { return faceTextures.get(); }
    const LightmapSet& getLightmaps() const { return lightmaps; }
    // Every vertex's colour brightened like a lightmap texel, RGBA, for faces lit by vertex.
    const std::vector<std::uint8_t>& getLitVertexColours() const { return litVertexColours; }
    FrozenCulling& frozenCulling() { return frozen; }

private:
    const BSPMap& level;
    LazyAssetStore& assets;
    LightmapSet lightmaps;
    std::vector<std::uint8_t> litVertexColours;
    std::unique_ptr<FaceTextures> faceTextures;
    FrozenCulling frozen;
};
