// LevelMaterials: resolving texture records to materials, uploading stage images and folding a
// lightmap stage into its neighbour.
#include "render/LevelMaterials.h"

#include <algorithm>
#include <cmath>

#include "level/Records.h"
#include "texture/FaceTextures.h"
#include "material/MaterialMotion.h"
#include "material/Material.h"
#include "material/MaterialFinder.h"
#include "render/TextureUnits.h"

static_assert(kOverlayUnits.size() == kMaxOverlays, "one unit for each overlay a pass carries");

namespace {

// A fog volume's surface blends over everything behind it, so unless its script gives a sort it
// is drawn in the last rank, after every face it may cover.
constexpr float kFogSurfaceSort = MaterialSort::kNearest;
// How far toward the eye a polygonOffset material is drawn, in steps of a 24-bit depth buffer.
constexpr float kDecalOffsetSteps = -2.0f;

MaterialPass implicitPass(GLuint faceImage) {
    MaterialPass pass;
    pass.frames[0] = faceImage;
    pass.frameCount = 1;
    pass.lightmapOnUnit1 = true;
    return pass;
}

bool filtersWhatIsBelow(const MaterialPass& pass) {
    return pass.blend && ((pass.source == GL_DST_COLOR && pass.destination == GL_ZERO) ||
                          (pass.source == GL_ZERO && pass.destination == GL_SRC_COLOR));
}

// A stage whose colour is its texture alone, so that multiplying it on a second unit is the
// same as blending it over the first.
bool plainlyColoured(const MaterialPass& pass) {
    const MaterialStage& stage = *pass.stage;
    const bool white =
        stage.colourGen == ColourGen::identity || stage.colourGen == ColourGen::identityLighting;
    return white && stage.alphaGen == AlphaGen::identity && pass.alphaTest == AlphaTest::none &&
           stage.texCoordGen != TexCoordGen::environment;
}

// A lightmap pass and an image pass that filters it (or the other way round) become one pass with
// the lightmap on unit 1: the same product, drawn once.
void foldLightmapPasses(std::vector<MaterialPass>& passes) {
    for (std::size_t i = 0; i + 1 < passes.size(); ++i) {
        MaterialPass& below = passes[i];
        MaterialPass& above = passes[i + 1];
        if (!filtersWhatIsBelow(above) || !plainlyColoured(below) || !plainlyColoured(above) ||
            below.unit0IsLightmap == above.unit0IsLightmap) {
            continue;
        }
        MaterialPass folded = below.unit0IsLightmap ? above : below;
        folded.lightmapOnUnit1 = true;
        folded.blend = below.blend;
        folded.source = below.source;
        folded.destination = below.destination;
        folded.depthWrite = below.depthWrite;
        folded.depthEqual = below.depthEqual;
        passes[i] = folded;
        passes.erase(passes.begin() + std::ptrdiff_t(i) + 1);
    }
}

// The combine on an overlay unit that gives what blending the pass over the one below gives.
OverlayCombine overlayCombineOf(const MaterialPass& pass) {
    if (!pass.blend) {
        return OverlayCombine::none;
    }
    if (filtersWhatIsBelow(pass)) {
        return OverlayCombine::modulate;
    }
    if ((pass.source == GL_DST_COLOR && pass.destination == GL_SRC_COLOR) ||
        (pass.source == GL_SRC_COLOR && pass.destination == GL_DST_COLOR)) {
        return OverlayCombine::modulateTwice;
    }
    if (pass.source == GL_ONE && pass.destination == GL_ONE) {
        return OverlayCombine::add;
    }
    return OverlayCombine::none;
}

// An opaque pass that writes every fragment it draws (no blend, no alpha test, depth written)
// leaves exactly its own colour where the next pass of the same geometry lands, so a stage that
// only combines with that colour may join it on the next free overlay unit. The pass stays opaque
// with the stage on it, so the stage after may join too: the units combine in stage order, each
// clamping as its blend did.
void foldOverlayPasses(std::vector<MaterialPass>& passes, std::size_t slots) {
    std::size_t i = 0;
    while (i + 1 < passes.size()) {
        MaterialPass& below = passes[i];
        const MaterialPass& above = passes[i + 1];
        const OverlayCombine combine = overlayCombineOf(above);
        if (below.blend || !below.depthWrite || below.alphaTest != AlphaTest::none ||
            below.overlayCount >= slots || combine == OverlayCombine::none ||
            above.stage == nullptr || above.unit0IsLightmap || above.lightmapOnUnit1 ||
            above.stage->texCoordGen != TexCoordGen::base || !plainlyColoured(above) ||
            above.depthEqual) {
            ++i;
            continue;
        }
        below.overlays[below.overlayCount++] = {combine, above.stage, above.frames,
                                                above.frameCount};
        passes.erase(passes.begin() + std::ptrdiff_t(i) + 1);
    }
}

// The stage's pass state, before its images are looked up.
MaterialPass stagePass(const MaterialStage& stage) {
    MaterialPass pass;
    pass.stage = &stage;
    pass.blend = stage.blends;
    pass.source = glBlendFactor(stage.source);
    pass.destination = glBlendFactor(stage.destination);
    pass.depthWrite = stage.depthWrite;
    pass.depthEqual = stage.depthEqual;
    pass.alphaTest = stage.alphaTest;
    return pass;
}

// Uploads the stage's images as the pass's frames (the placeholder for one that cannot be drawn)
// and records where each came from; true when any can be drawn.
bool lookUpFrames(const MaterialStage& stage, ImageLibrary& images, MaterialPass& pass,
                  std::vector<ImageOrigin>& origins) {
    bool found = false;
    for (const std::string& image : stage.images) {
        if (pass.frameCount == pass.frames.size()) {
            break;
        }
        const std::string file = images.findFile(image);
        const auto texture = file.empty() ? std::nullopt : images.texture(file, stage.clamp);
        found = found || texture.has_value();
        pass.frames[pass.frameCount++] = texture ? texture->texture : images.placeholder();
        origins.push_back(images.origin(image, file, texture.has_value()));
    }
    return found;
}

}  // namespace

bool turbsPerVertex(const MaterialStage* stage) {
    return stage != nullptr && stage->texCoordGen != TexCoordGen::environment && hasTurb(*stage);
}

void setOverlayCombine(OverlayCombine combine) {
    const bool add = combine == OverlayCombine::add;
    const GLfloat scale = combine == OverlayCombine::modulateTwice ? 2.0f : 1.0f;
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, add ? GL_ADD : GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, add ? GL_ADD : GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PREVIOUS);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_TEXTURE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_ALPHA, GL_PREVIOUS);
    glTexEnvf(GL_TEXTURE_ENV, GL_RGB_SCALE, scale);
    glTexEnvf(GL_TEXTURE_ENV, GL_ALPHA_SCALE, scale);
}

GLenum glBlendFactor(BlendFactor factor) {
    switch (factor) {
        case BlendFactor::zero:
            return GL_ZERO;
        case BlendFactor::one:
            return GL_ONE;
        case BlendFactor::sourceColour:
            return GL_SRC_COLOR;
        case BlendFactor::oneMinusSourceColour:
            return GL_ONE_MINUS_SRC_COLOR;
        case BlendFactor::destinationColour:
            return GL_DST_COLOR;
        case BlendFactor::oneMinusDestinationColour:
            return GL_ONE_MINUS_DST_COLOR;
        case BlendFactor::sourceAlpha:
            return GL_SRC_ALPHA;
        case BlendFactor::oneMinusSourceAlpha:
            return GL_ONE_MINUS_SRC_ALPHA;
        case BlendFactor::destinationAlpha:
            return GL_DST_ALPHA;
        case BlendFactor::oneMinusDestinationAlpha:
            return GL_ONE_MINUS_DST_ALPHA;
        case BlendFactor::sourceAlphaSaturate:
            return GL_SRC_ALPHA_SATURATE;
    }
    return GL_ONE;
}

LevelMaterials::LevelMaterials(const std::vector<std::string>& textureNames,
                               const std::vector<std::int32_t>& textureFlags,
                               const MaterialFinder& scripts, FaceTextures& faceImages,
                               GLuint white) {
    slots = std::min(overlayUnitCount(), kMaxOverlays);
    // Scripts mean two steps of a 24-bit depth buffer. The steps of a deeper one are finer than
    // the rasteriser's interpolated depth (llvmpipe gives a 32-bit buffer), where two of them
    // would leave a decal under its wall: the same distance is asked for in its own steps.
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    offsetUnits = kDecalOffsetSteps * std::exp2(float(std::max(0, depthBits - 24)));
    fallback.passes.push_back(implicitPass(faceImages.placeholderTexture()));
    fallback.images.emplace_back();
    materials.reserve(textureNames.size());
    for (std::size_t i = 0; i < textureNames.size(); ++i) {
        const auto index = static_cast<std::int32_t>(i);
        const GLuint faceImage = faceImages.textureFor(index);
        const Material* material = scripts.find(FaceTextures::withoutExtension(textureNames[i]));
        LevelMaterial resolved;
        if (material != nullptr) {
            resolved = resolve(*material, index, faceImages, white);
            if (skyMaterial == nullptr && material->skyParms) {
                skyMaterial = material;
            }
        } else {
            resolved.passes.push_back(implicitPass(faceImage));
            resolved.images.push_back(faceImages.originOf(index));
        }
        const std::int32_t flags = i < textureFlags.size() ? textureFlags[i] : 0;
        if (isUndrawnSurface(flags)) {
            resolved.drawn = false;
        }
        materials.push_back(std::move(resolved));
    }
}

LevelMaterial LevelMaterials::resolve(const Material& material, std::int32_t textureIndex,
                                      FaceTextures& faceImages, GLuint white) const {
    LevelMaterial resolved;
    resolved.material = &material;
    resolved.drawn = !material.noDraw && !material.sky;
    resolved.sort = material.fogParms && !material.sortGiven ? kFogSurfaceSort : material.sort;
    resolved.cull = material.cull;
    resolved.polygonOffset = material.polygonOffset;
    ImageLibrary& images = faceImages.images();
    bool anyImageNamed = false;
    bool anyImageFound = false;
    for (const MaterialStage& stage : material.stages) {
        if (stage.images.empty()) {
            continue;  // a stage with no image draws nothing; the others stand without it
        }
        MaterialPass pass = stagePass(stage);
        if (stage.isLightmap() && stage.images.front() == "$lightmap") {
            pass.unit0IsLightmap = true;
        } else if (stage.images.front() == "$whiteimage") {
            pass.frames[0] = white;
            pass.frameCount = 1;
        } else {
            anyImageNamed = true;
            anyImageFound = lookUpFrames(stage, images, pass, resolved.images) || anyImageFound;
        }
        resolved.passes.push_back(pass);
    }
    if (resolved.passes.empty() || (anyImageNamed && !anyImageFound)) {
        // As without scripts: the image the shader's name resolves to, times the lightmap.
        resolved.passes.assign(1, implicitPass(faceImages.textureFor(textureIndex)));
        resolved.images.assign(1, faceImages.originOf(textureIndex));
        return resolved;
    }
    resolved.ownStages = true;
    foldLightmapPasses(resolved.passes);
    foldOverlayPasses(resolved.passes, slots);
    for (const MaterialPass& pass : resolved.passes) {
        resolved.stageTurb = resolved.stageTurb || turbsPerVertex(pass.stage);
        for (std::size_t slot = 0; slot < pass.overlayCount; ++slot) {
            resolved.overlayTurb =
                resolved.overlayTurb || turbsPerVertex(pass.overlays[slot].stage);
        }
    }
    return resolved;
}

const LevelMaterial& LevelMaterials::of(std::int32_t textureIndex) const {
    if (textureIndex < 0 || static_cast<std::size_t>(textureIndex) >= materials.size()) {
        return fallback;
    }
    return materials[static_cast<std::size_t>(textureIndex)];
}
