// LevelMaterials: every texture record of a level resolved to the material it is drawn with (its
// shader script's, or the implicit image times lightmap), each stage's images uploaded, and a
// lightmap stage folded into the image stage it filters, so that the pair is one two-unit pass, and
// up to two filtering, doubling or additive stages over an opaque one folded onto units 2 and 3.
#pragma once

#include <epoxy/gl.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "material/Material.h"
#include "texture/ImageOrigin.h"

class FaceTextures;
class MaterialFinder;

// How a stage folded over a pass on unit 2 or 3 combines with what the units below made: the same
// as the blend it replaces, drawn in the same pass.
enum class OverlayCombine : std::uint8_t {
    none,
    modulate,       // blendFunc filter
    modulateTwice,  // blendFunc GL_DST_COLOR GL_SRC_COLOR
    add,            // blendFunc add
};

// A plainly coloured stage that blended over an opaque pass, drawn in that pass on an overlay unit
// with the face's image coordinates: one fill of the window instead of two.
struct PassOverlay {
    OverlayCombine combine = OverlayCombine::none;
    const MaterialStage* stage = nullptr;
    std::array<GLuint, kMaxAnimationFrames> frames{};
    std::size_t frameCount = 0;
};

// Overlays a pass may carry, combined in order on units 2 and 3.
inline constexpr std::size_t kMaxOverlays = 2;

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
    // The stages that blended over this opaque one, in stage order; the first overlayCount are
    // used.
    std::array<PassOverlay, kMaxOverlays> overlays{};
    std::size_t overlayCount = 0;
};

struct LevelMaterial {
    // Null: the implicit material.
    const Material* material = nullptr;
    std::vector<MaterialPass> passes;
    // Where each image the passes draw came from, stage by stage and frame by frame, as it was
    // looked up (the face image alone when the material fell back to it); lightmap and white
    // stages name none.
    std::vector<ImageOrigin> images;
    // The passes are the script's stages, not the implicit image times lightmap it fell back to.
    bool ownStages = false;
    // False for no-draw and sky surfaces: the sky is drawn around the eye instead.
    bool drawn = true;
    float sort = MaterialSort::kOpaque;
    CullMode cull = CullMode::front;
    bool polygonOffset = false;
    // Some pass's stage, or some pass's overlay stage (in any slot), has turbsPerVertex.
    bool stageTurb = false;
    bool overlayTurb = false;
};

// The stage's image coordinates are worked out vertex by vertex, on the CPU: it has a turb, and
// GL does not generate them (an environment map keeps the whole-stage texture matrix).
bool turbsPerVertex(const MaterialStage* stage);

class LevelMaterials {
public:
    // Needs a GL context (stage images are uploaded). white stands for $whiteimage; images come
    // from faceImages' library, and a material none of whose stage images can be found falls back
    // to the face image, as without scripts.
    LevelMaterials(const std::vector<std::string>& textureNames,
                   const std::vector<std::int32_t>& textureFlags, const MaterialFinder& scripts,
                   FaceTextures& faceImages, GLuint white);

    // The texture record's material; an implicit one for an index that names no record.
    const LevelMaterial& of(std::int32_t textureIndex) const;
    // The first texture record's material that has skyParms; null when none has.
    const Material* sky() const { return skyMaterial; }
    // The depth a polygonOffset material is pulled toward the eye by, in the depth buffer's units.
    GLfloat polygonOffsetUnits() const { return offsetUnits; }
    // How many overlays a pass may carry on this GL: units 2 and 3, as far as it has them.
    std::size_t overlaySlots() const { return slots; }

private:
    LevelMaterial resolve(const Material& material, std::int32_t textureIndex,
                          FaceTextures& faceImages, GLuint white) const;

    std::size_t slots = 0;
    GLfloat offsetUnits = -2.0f;

    std::vector<LevelMaterial> materials;  // one per texture record
    LevelMaterial fallback;
    const Material* skyMaterial = nullptr;
};

// Sets the active unit's texture environment to combine its texture with the units below it as
// the blend that combine stands for would combine it with what is drawn.
void setOverlayCombine(OverlayCombine combine);

// The GL blend factor of a script's.
GLenum glBlendFactor(BlendFactor factor);
