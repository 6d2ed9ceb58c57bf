// The ways of drawing a face that the viewer offers: the default view (white faces in the fixed
// light, face images with t), the lit view (face image times lightmap page, or vertex colours) and
// the cluster view (each face flat in its visibility cluster's colour). Each is made per frame
// from what it needs and allocates nothing.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "render/FaceStyle.h"

class FaceTextures;
class LightingModule;
class LightmapSet;
class TextureManager;

// The default view: white faces, or their face images once loaded and switched on, in the fixed
// light when it is on.
class PlainFaceStyle : public FaceStyle {
public:
    // faceImages may be null (not loaded); lighting is used only when fixedLight is true.
    PlainFaceStyle(const TextureManager& textureManager, const FaceTextures* faceImages,
                   bool texturesEnabled, bool fixedLight, LightingModule* lighting);

    void begin() override;
    bool beginFace(const Face& face, std::uint32_t faceIndex) override;
    void pointAt(const Face& face, const FaceVertices& vertices) override;
    void end() override;

private:
    const TextureManager& textureManager;
    const FaceTextures* faceImages;
    bool texturesEnabled;
    bool fixedLight;
    LightingModule* lighting;
};

// The lit view without face images: white faces with the lightmap page (or white) on unit 1; a
// face lit by its vertices takes their brightened colours. Sky and no-draw faces are left out so
// the sky shows. (With face images the lit view draws faces by their materials.)
class LitFaceStyle : public FaceStyle {
public:
    LitFaceStyle(const LightmapSet& lightmaps, const std::vector<std::int32_t>& textureFlags,
                 const std::vector<std::uint8_t>& litVertexColours);

    void begin() override;
    bool beginFace(const Face& face, std::uint32_t faceIndex) override;
    void pointAt(const Face& face, const FaceVertices& vertices) override;
    void endFace(const Face& face) override;
    std::uint64_t runKey(const Face& face) const override;

private:
    const LightmapSet& lightmaps;
    const std::vector<std::int32_t>& textureFlags;
    const std::vector<std::uint8_t>& litVertexColours;
    // What unit 1 holds, so that a face sharing it binds nothing; nothing is known to be bound
    // when the frame starts.
    GLuint boundPage = 0;
};

// Every face unlit and untextured in the colour of its cluster.
class ClusterFaceStyle : public FaceStyle {
public:
    explicit ClusterFaceStyle(const BSPMap& levelValue) : level(levelValue) {}

    void begin() override;
    bool beginFace(const Face& face, std::uint32_t faceIndex) override;

private:
    const BSPMap& level;
};
