// Drawing a face pass by pass from its material.
#include "render/MaterialFaceStyle.h"

#include <algorithm>

#include "level/BSPMap.h"
#include "render/DepthPass.h"
#include "render/LevelFog.h"
#include "render/LevelMaterials.h"
#include "render/MaterialVertexSources.h"
#include "render/StageState.h"
#include "render/TextureUnits.h"
#include "render/VertexBuffers.h"
#include "render/ViewChoice.h"
#include "texture/LightmapSet.h"
#include "material/MaterialMotion.h"

namespace {

Point3 pointOf(const float (&position)[3]) {
    return {position[0], position[1], position[2]};
}

// One RGBA entry of a fog colour array.
void writeFogColour(std::uint8_t* entry, const FogVolume& volume, const Point3& eye,
                    const float (&position)[3]) {
    entry[0] = volume.colour[0];
    entry[1] = volume.colour[1];
    entry[2] = volume.colour[2];
    entry[3] = static_cast<std::uint8_t>(fogAlpha(volume, eye, pointOf(position)) * 255.0f + 0.5f);
}

// Turb coordinates are packed, two floats a vertex.
constexpr GLsizei kTurbCoordStride = 2 * sizeof(float);

void writeTurbCoords(float* entry, const StageTexCoords& coords, const Vertex& vertex,
                     bool fromLightmapCoords) {
    const float* st = fromLightmapCoords ? vertex.lightmapCoord : vertex.texCoord;
    const std::array<float, 2> moved = coords.apply(st[0], st[1], vertex.position);
    entry[0] = moved[0];
    entry[1] = moved[1];
}

// The scratch for the face's vertices, entries per vertex: the level's (sized with the level) or,
// grown to the largest drawn, a patch grid's. Returns where first's entry starts.
template <typename Entry>
std::size_t scratchFor(const FaceVertices& vertices, std::vector<Entry>& levelScratch,
                       std::vector<Entry>& patchScratch, std::size_t entrySize,
                       std::vector<Entry>*& out) {
    if (!vertices.patchGrid) {
        out = &levelScratch;
        return entrySize * vertices.levelIndex;
    }
    if (patchScratch.size() < entrySize * vertices.ownCount) {
        patchScratch.resize(entrySize * vertices.ownCount);
    }
    out = &patchScratch;
    return 0;
}

}  // namespace

MaterialFaceStyle::MaterialFaceStyle(const LevelMaterials& levelMaterials,
                                     const LightmapSet& lightmapSet,
                                     const VertexColourArrays& vertexColours, double clockSeconds,
                                     const FaceEffectSources& faceEffects)
    : materials(levelMaterials),
      lightmaps(lightmapSet),
      colours(vertexColours),
      seconds(clockSeconds),
      overlaySlots(levelMaterials.overlaySlots()),
      effects(faceEffects),
      fogUnit(faceEffects.fog != nullptr && hasFogUnit()) {}

void MaterialFaceStyle::begin() {
    setPlainState();
    binder.forget();
    setUpModulatedUnit(GL_TEXTURE1_ARB);
    setUpModulatedUnit(GL_TEXTURE0_ARB);
    eye = eyeOfCurrentModelview();
    binder.setEye(eye);
}

const FogVolume* MaterialFaceStyle::fogOf(const Face& face) const {
    return effects.fog != nullptr ? effects.fog->ofFace(face) : nullptr;
}

bool MaterialFaceStyle::isFogSurface(const Face& face) const {
    const Material* shader = materials.of(face.texture).material;
    return shader != nullptr && shader->fogParms.has_value();
}

bool MaterialFaceStyle::turbulent(const Face& face) const {
    const LevelMaterial& faceMaterial = materials.of(face.texture);
    return faceMaterial.stageTurb || faceMaterial.overlayTurb;
}

bool MaterialFaceStyle::beginFace(const Face& face, std::uint32_t) {
    material = &materials.of(face.texture);
    if (!material->drawn) {
        return false;
    }
    faceFog = fogOf(face);
    const bool fogSurface = isFogSurface(face);
    if (fogSurface && faceFog == nullptr) {
        // A fog surface without a volume to measure has nothing to show.
        return false;
    }
    // A fog surface shows its own stages, if its script gives any, under the fog.
    fogPass = fogSurface && !material->ownStages ? 0 : material->passes.size();
    fogSurfaceFace = fogSurface;
    faceLaid = overLaidDepth && depthLaidSides(face, *material) != PickSides::none;
    facePage = lightmaps.pageOrWhite(face.lightmap);
    vertexLit = face.lightmap == kVertexLitLightmap;
    fogFolded = faceFog != nullptr && !fogSurface && foldsFog();
    setCulling(face);
    if (material->polygonOffset) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(-1.0f, materials.polygonOffsetUnits());
    }
    return true;
}

void MaterialFaceStyle::setCulling(const Face& face) {
    const PickSides sides = materialSidesOf(face, *material);
    // The loop draws patches with culling off already.
    cullingChanged = face.type != kPatchFace && sides != PickSides::front;
    if (cullingChanged) {
        if (sides == PickSides::both) {
            glDisable(GL_CULL_FACE);
        } else {
            glCullFace(GL_FRONT);
        }
    }
}

bool MaterialFaceStyle::foldsFog() const {
    if (!fogUnit || material->passes.size() != 1 || vertexLit) {
        return false;
    }
    const MaterialPass& only = material->passes.front();
    if (only.blend || !only.depthWrite || only.alphaTest != AlphaTest::none) {
        return false;
    }
    if (only.stage == nullptr) {
        return true;
    }
    const MaterialStage& stage = *only.stage;
    const std::array<float, 4> colour = stageColour(stage, seconds);
    return !readsVertexColour(stage) && !readsVertexAlpha(stage) && colour[0] == 1.0f &&
           colour[1] == 1.0f && colour[2] == 1.0f;
}

std::size_t MaterialFaceStyle::passCount(const Face&) const {
    return faceFog == nullptr || fogFolded ? material->passes.size() : fogPass + 1;
}

void MaterialFaceStyle::beginPass(const Face&, std::size_t index) {
    passIndex = index;
    if (inFogPass()) {
        beginFogPass();
        return;
    }
    pass = &material->passes[index];
    PassBlend blend = blendOf(*pass);
    if (faceLaid) {
        blend.depthWrite = false;
        blend.depthEqual = true;
    }
    binder.setBlend(blend);
    bindUnits(*pass);
    chooseColours(*pass);
    if (fogUnit) {
        binder.setFog(fogFolded, lightmaps.white());
    }
}

void MaterialFaceStyle::beginFogPass() {
    // Over a face the fog lies exactly on what its passes drew. A fog surface's stages blend and
    // leave the depth buffer as it was, so its fog is tested as the surface itself.
    binder.setBlend(
        {true, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, false, !fogSurfaceFace, AlphaTest::none});
    for (std::size_t slot = 0; slot < overlaySlots; ++slot) {
        binder.setOverlay(slot, OverlayCombine::none, 0, nullptr);
    }
    binder.setPage(false, 0);
    binder.setImage(0);
    binder.setMatrix(nullptr);
    if (fogUnit) {
        binder.setFog(false, 0);
    }
}

void MaterialFaceStyle::bindUnits(const MaterialPass& current) {
    binder.setPage(current.lightmapOnUnit1, facePage);
    GLuint image = facePage;
    if (!current.unit0IsLightmap && current.frameCount > 0) {
        const std::size_t frame =
            current.stage != nullptr ? animationFrame(*current.stage, seconds) : 0;
        image = current.frames[frame % current.frameCount];
    }
    binder.setImage(image);
    stageCoords = perVertexCoords(current.stage, effects.scratch.stageTurb);
    const bool moves =
        !stageCoords && current.stage != nullptr && !current.stage->texCoordMods.empty();
    TexCoordMatrix matrix;
    if (moves) {
        matrix = wholeStageTexCoordMatrix(*current.stage, seconds);
    }
    binder.setMatrix(
        moves ? &matrix : nullptr,
        current.stage != nullptr && current.stage->texCoordGen == TexCoordGen::environment);
    bindOverlays(current);
}

void MaterialFaceStyle::bindOverlays(const MaterialPass& current) {
    for (std::size_t slot = 0; slot < overlaySlots; ++slot) {
        const PassOverlay& overlay = current.overlays[slot];
        const bool used = slot < current.overlayCount;
        overlayCoords[slot] =
            used ? perVertexCoords(overlay.stage, effects.scratch.overlayTurb[slot]) : std::nullopt;
        const bool moves = used && !overlayCoords[slot] && !overlay.stage->texCoordMods.empty();
        GLuint image = 0;
        if (used && overlay.frameCount > 0) {
            image = overlay.frames[animationFrame(*overlay.stage, seconds) % overlay.frameCount];
        }
        TexCoordMatrix matrix;
        if (moves) {
            matrix = wholeStageTexCoordMatrix(*overlay.stage, seconds);
        }
        binder.setOverlay(slot, used ? overlay.combine : OverlayCombine::none, image,
                          moves ? &matrix : nullptr);
    }
}

std::optional<StageTexCoords> MaterialFaceStyle::perVertexCoords(
    const MaterialStage* stage, const TurbCoordScratch& scratch) const {
    if (!turbsPerVertex(stage) || scratch.level.size() != 2 * effects.vertices.size()) {
        return std::nullopt;
    }
    return StageTexCoords(*stage, seconds);
}

void MaterialFaceStyle::pointOverlayAt(std::size_t slot, const float* coords, GLsizei stride) {
    glClientActiveTextureARB(kOverlayUnits[slot]);
    if (!inFogPass() && slot < pass->overlayCount) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, stride, coords);
    } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glClientActiveTextureARB(GL_TEXTURE0_ARB);
}

void MaterialFaceStyle::chooseColours(const MaterialPass& current) {
    colourArray = nullptr;
    if (current.stage == nullptr) {
        // The implicit material: a face lit by its vertices takes their colours.
        colourArray = vertexLit ? &colours.lit : nullptr;
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        return;
    }
    const MaterialStage& stage = *current.stage;
    const bool vertexColour = readsVertexColour(stage);
    const bool vertexAlpha = readsVertexAlpha(stage);
    if (vertexColour) {
        colourArray = vertexAlpha ? &colours.storedWithAlpha : &colours.stored;
    } else if (vertexAlpha) {
        colourArray = &colours.whiteWithAlpha;
    }
    const std::array<float, 4> colour = stageColour(stage, seconds);
    glColor4f(colour[0], colour[1], colour[2], colour[3]);
}

bool MaterialFaceStyle::lightmapCoordsOnUnit0() const {
    // The fog pass draws no texture; its coordinates are only kept in range.
    return !inFogPass() &&
           (pass->unit0IsLightmap ||
            (pass->stage != nullptr && pass->stage->texCoordGen == TexCoordGen::lightmap));
}

const float* MaterialFaceStyle::fillTurbCoords(const FaceVertices& vertices,
                                               const StageTexCoords& coords,
                                               bool fromLightmapCoords,
                                               TurbCoordScratch& scratch) const {
    std::vector<float>* out = nullptr;
    const std::size_t first = scratchFor(vertices, scratch.level, scratch.patch, 2, out);
    forEachFaceVertex(vertices, [&](std::size_t entry, const Vertex& vertex) {
        if (2 * entry + 2 > out->size()) {
            return;  // the validator rules this out
        }
        writeTurbCoords(&(*out)[2 * entry], coords, vertex, fromLightmapCoords);
    });
    return out->data() + first;
}

void MaterialFaceStyle::pointAtCoords(const FaceVertices& vertices) {
    const Vertex& first = *vertices.first;
    // The fog pass draws no texture: its coordinates stay unmoved.
    const bool turbs = !inFogPass();
    const bool fromLightmapCoords = lightmapCoordsOnUnit0();
    if (turbs && stageCoords) {
        texCoordArray(
            GL_TEXTURE0_ARB,
            fillTurbCoords(vertices, *stageCoords, fromLightmapCoords, effects.scratch.stageTurb),
            kTurbCoordStride);
    } else {
        texCoordsAtRecords(GL_TEXTURE0_ARB, vertices,
                           fromLightmapCoords ? first.lightmapCoord : first.texCoord);
    }
    texCoordsAtRecords(GL_TEXTURE1_ARB, vertices, first.lightmapCoord);
    for (std::size_t slot = 0; slot < overlaySlots; ++slot) {
        if (turbs && overlayCoords[slot]) {
            pointOverlayAt(slot,
                           fillTurbCoords(vertices, *overlayCoords[slot], false,
                                          effects.scratch.overlayTurb[slot]),
                           kTurbCoordStride);
        } else {
            pointAtRecords(vertices, first.texCoord, [this, slot](const void* address) {
                pointOverlayAt(slot, static_cast<const float*>(address), kVertexStrideBytes);
            });
        }
    }
}

void MaterialFaceStyle::pointAt(const Face&, const FaceVertices& vertices) {
    pointAtCoords(vertices);
    pointAtColours(vertices);
}

void MaterialFaceStyle::pointAtColours(const FaceVertices& vertices) {
    if (inFogPass() || fogFolded) {
        binder.setColourArray(true);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, fillFogColours(vertices));
    } else if (colourArray == nullptr) {
        binder.setColourArray(false);
    } else if (!vertices.patchGrid) {
        binder.setColourArray(true);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, colourArray->data() + 4 * vertices.levelIndex);
    } else {
        // Every tessellated vertex of a patch carries its first control's colour.
        binder.setColourArray(false);
        const Vertex& first = *vertices.first;
        std::array<std::uint8_t, 3> rgb{255, 255, 255};
        if (colourArray == &colours.lit) {
            rgb = brightenedColour(first.color[0], first.color[1], first.color[2]);
        } else if (colourArray != &colours.whiteWithAlpha) {
            rgb = {first.color[0], first.color[1], first.color[2]};
        }
        const bool ownAlpha = colourArray != &colours.lit && colourArray != &colours.stored;
        glColor4ub(rgb[0], rgb[1], rgb[2], ownAlpha ? first.color[3] : 255);
    }
}

const std::uint8_t* MaterialFaceStyle::fillFogColours(const FaceVertices& vertices) {
    std::vector<std::uint8_t>* out = nullptr;
    const std::size_t first =
        scratchFor(vertices, effects.scratch.fogColours, effects.scratch.patchFogColours, 4, out);
    forEachFaceVertex(vertices, [&](std::size_t entry, const Vertex& vertex) {
        if (4 * entry + 4 > out->size()) {
            return;  // the validator rules this out
        }
        writeFogColour(&(*out)[4 * entry], *faceFog, eye.position, vertex.position);
    });
    return out->data() + first;
}

void MaterialFaceStyle::end() {
    // What is drawn next with the material state (the sky, models) knows nothing of this unit.
    if (fogUnit) {
        binder.setFog(false, 0);
    }
}

void MaterialFaceStyle::endFace(const Face&) {
    if (cullingChanged) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    }
    if (material->polygonOffset) {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
}

std::uint64_t MaterialFaceStyle::runKey(const Face& face) const {
    // Everything a face's passes bind or set follows from its material and its lightmap page,
    // unless the face has arrays filled for it alone.
    return drawsAlone(face) ? kDrawAlone : textureAndPageKey(face);
}
