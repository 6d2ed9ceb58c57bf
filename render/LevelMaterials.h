// LevelMaterials: every texture record of a level resolved to the material it is drawn with (its
// shader script's, or the implicit image times lightmap), each stage's images uploaded, and a
// lightmap stage folded into the image stage it filters, so that the pair is one two-unit pass.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "texture/Material.h"

class FaceTextures;
class MaterialScripts;

// One draw of a face's geometry.
struct MaterialPass {
    // Null for the implicit pass: the face image on unit 0, the lightmap page on unit 1.
    const MaterialStage* stage = nullptr;
    // Unit 0's texture (the frames of an animMap); unused when unit0IsLightmap.
    std::array<GLuint, kMaxAnimationFrames> frames{};
    std::size_t frameCount = 0;
    bool unit0IsLightmap = false;
    // A lightmap stage folded into this one modulates it on unit 1.
    bool lightmapOnUnit1 = false;
    bool blend = false;
    GLenum source = GL_ONE;
    GLenum destination = GL_ZERO;
    bool depthWrite = true;
    bool depthEqual = false;
    AlphaTest alphaTest = AlphaTest::none;
};

struct LevelMaterial {
    // Null: the implicit material.
    const Material* material = nullptr;
    std::vector<MaterialPass> passes;
    // False for no-draw and sky surfaces: the sky is drawn around the eye instead.
    bool drawn = true;
    float sort = MaterialSort::kOpaque;
    CullMode cull = CullMode::front;
    bool polygonOffset = false;
};

class LevelMaterials {
public:
    // Needs a GL context (stage images are uploaded). white stands for $whiteimage; images come
    // from faceImages' library, and a material none of whose stage images can be found falls back
    // to the face image, as without scripts.
    LevelMaterials(const std::vector<std::string>& textureNames,
                   const std::vector<std::int32_t>& textureFlags, const MaterialScripts& scripts,
                   FaceTextures& faceImages, GLuint white);

    // The texture record's material; an implicit one for an index that names no record.
    const LevelMaterial& of(std::int32_t textureIndex) const;
    // The first texture record's material that has skyParms; null when none has.
    const Material* sky() const { return skyMaterial; }
    std::size_t scriptedCount() const { return scripted; }

private:
    LevelMaterial resolve(const Material& material, GLuint faceImage, FaceTextures& faceImages,
                          GLuint white) const;

    std::vector<LevelMaterial> materials;  // one per texture record
    LevelMaterial fallback;
    const Material* skyMaterial = nullptr;
    std::size_t scripted = 0;
};

// The GL blend factor of a script's.
GLenum glBlendFactor(BlendFactor factor);
