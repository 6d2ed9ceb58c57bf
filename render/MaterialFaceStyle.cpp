// Drawing a face pass by pass from its material.
#include "render/MaterialFaceStyle.h"

#include <algorithm>

#include "level/BSPMap.h"
#include "render/LevelFog.h"
#include "render/LevelMaterials.h"
#include "render/StageState.h"
#include "render/TextureUnits.h"
#include "render/ViewChoice.h"
#include "texture/LightmapSet.h"
#include "texture/MaterialMotion.h"

namespace {

// Sets value through apply unless known is already that value.
template <typename Value, typename Apply>
void setOnce(Value& known, Value value, Apply apply) {
    if (known != value) {
        known = value;
        apply(value);
    }
}

bool readsVertexColour(const MaterialStage& stage) {
    return stage.colourGen == ColourGen::vertex || stage.colourGen == ColourGen::exactVertex ||
           stage.colourGen == ColourGen::oneMinusVertex;
}

bool readsVertexAlpha(const MaterialStage& stage) {
    return stage.alphaGen == AlphaGen::vertex || stage.alphaGen == AlphaGen::oneMinusVertex;
}

// The material's autosprite or autosprite2 deform, or null.
const Deform* spriteDeform(const Material* material) {
    if (material == nullptr) {
        return nullptr;
    }
    const auto found =
        std::find_if(material->deforms.begin(), material->deforms.end(), [](const Deform& deform) {
            return deform.kind == DeformKind::autosprite || deform.kind == DeformKind::autosprite2;
        });
    return found == material->deforms.end() ? nullptr : &*found;
}

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

// Calls visit with the level index of every vertex the face's triangles use: its own range, and
// any a mesh corner reaches beyond it (the validator allows both).
template <typename Visit>
void forEachFaceVertex(const Face& face, std::span<const std::int32_t> meshVertices, Visit visit) {
    const std::int64_t first = face.firstVertex;
    for (std::int64_t vertex = first; vertex < first + face.numVertices; ++vertex) {
        visit(vertex);
    }
    const auto corners =
        meshVertices.subspan(std::size_t(face.firstMeshVertex), std::size_t(face.numMeshVertices));
    for (const std::int32_t offset : corners) {
        if (offset < 0 || offset >= face.numVertices) {
            visit(first + offset);
        }
    }
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

void fillPatchTurbCoords(const BezierPatch& patch, const StageTexCoords& coords,
                         bool fromLightmapCoords, std::vector<float>& out) {
    const std::span<const Vertex> vertices = patch.getVertices();
    if (out.size() < 2 * vertices.size()) {
        out.resize(2 * vertices.size());
    }
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        writeTurbCoords(&out[2 * i], coords, vertices[i], fromLightmapCoords);
    }
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
      effects(faceEffects) {}

void MaterialFaceStyle::begin() {
    state = PassState();
    setUpModulatedUnit(GL_TEXTURE1_ARB);
    setUpModulatedUnit(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    std::array<float, 16> modelview{};
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    eye = eyeOfModelview(modelview);
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

bool MaterialFaceStyle::isSprite(const Face& face) const {
    if ((face.type != kPolygonFace && face.type != kMeshFace) || face.numVertices != 4 ||
        face.firstVertex < 0 || std::size_t(face.firstVertex) + 4 > effects.vertices.size() ||
        face.numMeshVertices < 3 || face.firstMeshVertex < 0 ||
        std::size_t(face.firstMeshVertex) + std::size_t(face.numMeshVertices) >
            effects.meshVertices.size() ||
        spriteDeform(materials.of(face.texture).material) == nullptr) {
        return false;
    }
    // The quad is drawn from a copy of its four vertices, so every corner must be one of them.
    const auto corners = effects.meshVertices.subspan(std::size_t(face.firstMeshVertex),
                                                      std::size_t(face.numMeshVertices));
    return std::all_of(corners.begin(), corners.end(),
                       [](std::int32_t offset) { return offset >= 0 && offset < 4; });
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
    spriteFace = isSprite(face) && turnSprite(face);
    facePage = lightmaps.pageOrWhite(face.lightmap);
    vertexLit = face.lightmap == kVertexLitLightmap;
    setCulling(face);
    if (material->polygonOffset) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(-1.0f, -2.0f);
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

bool MaterialFaceStyle::turnSprite(const Face& face) {
    const Vertex* corners = &effects.vertices[std::size_t(face.firstVertex)];
    QuadCorners quad;
    for (std::size_t i = 0; i < quad.size(); ++i) {
        quad[i] = pointOf(corners[i].position);
    }
    const std::int32_t* triangle = &effects.meshVertices[std::size_t(face.firstMeshVertex)];
    const std::optional<Point3> front =
        clockwiseFront(quad[std::size_t(triangle[0])], quad[std::size_t(triangle[1])],
                       quad[std::size_t(triangle[2])]);
    if (!front) {
        return false;
    }
    const bool wholeTurn =
        spriteDeform(materials.of(face.texture).material)->kind == DeformKind::autosprite;
    const std::optional<QuadCorners> turned =
        wholeTurn ? facingTheEye(quad, *front, eye) : turnedAboutLongAxis(quad, *front, eye);
    if (!turned) {
        return false;
    }
    for (std::size_t i = 0; i < quad.size(); ++i) {
        effects.scratch.sprite[i] = corners[i];
        std::copy((*turned)[i].begin(), (*turned)[i].end(), effects.scratch.sprite[i].position);
    }
    return true;
}

std::size_t MaterialFaceStyle::passCount(const Face&) const {
    return faceFog == nullptr ? material->passes.size() : fogPass + 1;
}

void MaterialFaceStyle::beginPass(const Face&, std::size_t index) {
    passIndex = index;
    if (inFogPass()) {
        beginFogPass();
        return;
    }
    pass = &material->passes[index];
    setBlendAndDepth(*pass);
    bindUnits(*pass);
    chooseColours(*pass);
}

void MaterialFaceStyle::beginFogPass() {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_FALSE);
    // Over a face the fog lies exactly on what its passes drew. A fog surface's stages blend and
    // leave the depth buffer as it was, so its fog is tested as the surface itself.
    glDepthFunc(fogSurfaceFace ? GL_LEQUAL : GL_EQUAL);
    glDisable(GL_ALPHA_TEST);
    for (const GLenum unit : {kOverlayUnit, GLenum{GL_TEXTURE1_ARB}, GLenum{GL_TEXTURE0_ARB}}) {
        glActiveTextureARB(unit);
        glDisable(GL_TEXTURE_2D);
    }
    setStageEnvironmentMapping(false);
    // The next material pass finds none of its state in place.
    state = PassState();
}

void MaterialFaceStyle::setBlendAndDepth(const MaterialPass& current) {
    setOnce(state.blend, int(current.blend),
            [](int on) { on ? glEnable(GL_BLEND) : glDisable(GL_BLEND); });
    if (current.blend &&
        (state.source != current.source || state.destination != current.destination)) {
        state.source = current.source;
        state.destination = current.destination;
        glBlendFunc(current.source, current.destination);
    }
    setOnce(state.depthWrite, int(current.depthWrite),
            [](int on) { glDepthMask(on ? GL_TRUE : GL_FALSE); });
    setOnce(state.depthEqual, int(current.depthEqual),
            [](int equal) { glDepthFunc(equal ? GL_EQUAL : GL_LEQUAL); });
    setOnce(state.alphaTest, int(current.alphaTest),
            [](int test) { setStageAlphaTest(static_cast<AlphaTest>(test)); });
}

void MaterialFaceStyle::bindUnits(const MaterialPass& current) {
    const bool unit1 = current.lightmapOnUnit1;
    if (state.unit1 != int(unit1) || (unit1 && state.page != facePage)) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        if (state.unit1 != int(unit1)) {
            unit1 ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
            state.unit1 = int(unit1);
        }
        if (unit1 && state.page != facePage) {
            glBindTexture(GL_TEXTURE_2D, facePage);
            state.page = facePage;
        }
        glActiveTextureARB(GL_TEXTURE0_ARB);
    }
    GLuint image = facePage;
    if (!current.unit0IsLightmap && current.frameCount > 0) {
        const std::size_t frame =
            current.stage != nullptr ? animationFrame(*current.stage, seconds) : 0;
        image = current.frames[frame % current.frameCount];
    }
    setOnce(state.unit0, 1, [](int) { glEnable(GL_TEXTURE_2D); });
    setOnce(state.image, image, [](GLuint texture) { glBindTexture(GL_TEXTURE_2D, texture); });
    stageCoords = perVertexCoords(current.stage, effects.scratch.stageTurb);
    const bool moves =
        !stageCoords && current.stage != nullptr && !current.stage->texCoordMods.empty();
    if (moves) {
        loadStageTexCoordMatrix(wholeStageTexCoordMatrix(*current.stage, seconds));
        state.identityMatrix = 0;
    } else {
        setOnce(state.identityMatrix, 1, [](int) { loadStageTexCoordMatrix(TexCoordMatrix()); });
    }
    setOnce(state.environmentMapping,
            int(current.stage != nullptr && current.stage->texCoordGen == TexCoordGen::environment),
            [](int on) { setStageEnvironmentMapping(on != 0); });
    bindOverlay(current);
}

void MaterialFaceStyle::bindOverlay(const MaterialPass& current) {
    const int overlay = int(current.overlay);
    overlayCoords = overlay != 0
                        ? perVertexCoords(current.overlayStage, effects.scratch.overlayTurb)
                        : std::nullopt;
    const bool moves =
        overlay != 0 && !overlayCoords && !current.overlayStage->texCoordMods.empty();
    GLuint image = state.overlayImage;
    if (overlay != 0 && current.overlayFrameCount > 0) {
        const std::size_t frame = animationFrame(*current.overlayStage, seconds);
        image = current.overlayFrames[frame % current.overlayFrameCount];
    }
    if (state.overlay == overlay && image == state.overlayImage && !moves &&
        (overlay == 0 || state.overlayIdentityMatrix == 1)) {
        return;
    }
    glActiveTextureARB(kOverlayUnit);
    if (state.overlay != overlay) {
        if (overlay == 0) {
            glDisable(GL_TEXTURE_2D);
        } else {
            glEnable(GL_TEXTURE_2D);
            setOverlayCombine(current.overlay);
        }
        state.overlay = overlay;
    }
    if (overlay != 0) {
        setOnce(state.overlayImage, image,
                [](GLuint texture) { glBindTexture(GL_TEXTURE_2D, texture); });
        if (moves) {
            loadStageTexCoordMatrix(wholeStageTexCoordMatrix(*current.overlayStage, seconds));
            state.overlayIdentityMatrix = 0;
        } else {
            setOnce(state.overlayIdentityMatrix, 1,
                    [](int) { loadStageTexCoordMatrix(TexCoordMatrix()); });
        }
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

std::optional<StageTexCoords> MaterialFaceStyle::perVertexCoords(
    const MaterialStage* stage, const TurbCoordScratch& scratch) const {
    if (!turbsPerVertex(stage) || scratch.level.size() != 2 * effects.vertices.size()) {
        return std::nullopt;
    }
    return StageTexCoords(*stage, seconds);
}

void MaterialFaceStyle::pointOverlayAt(const float* coords, GLsizei stride) {
    glClientActiveTextureARB(kOverlayUnit);
    if (!inFogPass() && pass->overlay != OverlayCombine::none) {
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
        colourArray = vertexAlpha ? &colours.litWithAlpha : &colours.lit;
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

template <typename Fill>
void MaterialFaceStyle::pointAtCoords(const Vertex& first, Fill fill) {
    // The fog pass draws no texture: its coordinates stay unmoved.
    const bool turbs = !inFogPass();
    const bool fromLightmapCoords = lightmapCoordsOnUnit0();
    if (turbs && stageCoords) {
        texCoordArray(GL_TEXTURE0_ARB,
                      fill(*stageCoords, fromLightmapCoords, effects.scratch.stageTurb),
                      kTurbCoordStride);
    } else {
        texCoordArray(GL_TEXTURE0_ARB, fromLightmapCoords ? first.lightmapCoord : first.texCoord);
    }
    texCoordArray(GL_TEXTURE1_ARB, first.lightmapCoord);
    if (turbs && overlayCoords) {
        pointOverlayAt(fill(*overlayCoords, false, effects.scratch.overlayTurb), kTurbCoordStride);
    } else {
        pointOverlayAt(first.texCoord, kVertexStrideBytes);
    }
}

void MaterialFaceStyle::fillTurbCoords(const Face& face, const StageTexCoords& coords,
                                       bool fromLightmapCoords, std::vector<float>& out) const {
    auto fill = [&](std::int64_t vertex) {
        const auto at = static_cast<std::size_t>(vertex);
        if (vertex < 0 || 2 * at + 2 > out.size()) {
            return;  // the validator rules this out
        }
        writeTurbCoords(&out[2 * at], coords, effects.vertices[at], fromLightmapCoords);
    };
    forEachFaceVertex(face, effects.meshVertices, fill);
}

void MaterialFaceStyle::pointAtFaceVertices(const Face& face, const Vertex& levelFirst,
                                            std::size_t firstVertexIndex) {
    const Vertex& first = spriteFace ? effects.scratch.sprite[0] : levelFirst;
    if (spriteFace) {
        glVertexPointer(3, GL_FLOAT, kVertexStrideBytes, first.position);
    }
    pointAtCoords(first, [&](const StageTexCoords& coords, bool fromLightmapCoords,
                             TurbCoordScratch& scratch) {
        fillTurbCoords(face, coords, fromLightmapCoords, scratch.level);
        return scratch.level.data() + 2 * firstVertexIndex;
    });
    if (inFogPass()) {
        fillFogColours(face);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0,
                       effects.scratch.fogColours.data() + 4 * firstVertexIndex);
    } else if (colourArray != nullptr) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, colourArray->data() + 4 * firstVertexIndex);
    } else {
        glDisableClientState(GL_COLOR_ARRAY);
    }
}

void MaterialFaceStyle::fillFogColours(const Face& face) {
    std::vector<std::uint8_t>& fogColours = effects.scratch.fogColours;
    auto fill = [&](std::int64_t vertex) {
        const auto at = static_cast<std::size_t>(vertex);
        if (vertex < 0 || 4 * at + 4 > fogColours.size()) {
            return;  // the validator rules this out
        }
        const Vertex& source = spriteFace
                                   ? effects.scratch.sprite[at - std::size_t(face.firstVertex)]
                                   : effects.vertices[at];
        writeFogColour(&fogColours[4 * at], *faceFog, eye.position, source.position);
    };
    forEachFaceVertex(face, effects.meshVertices, fill);
}

void MaterialFaceStyle::fillPatchFogColours(const BezierPatch& patch) {
    const std::span<const Vertex> vertices = patch.getVertices();
    std::vector<std::uint8_t>& fogColours = effects.scratch.patchFogColours;
    if (fogColours.size() < 4 * vertices.size()) {
        fogColours.resize(4 * vertices.size());
    }
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        writeFogColour(&fogColours[4 * i], *faceFog, eye.position, vertices[i].position);
    }
}

void MaterialFaceStyle::pointAtPatch(const Face&, const BezierPatch& patch) {
    const Vertex& first = patch.getVertices().front();
    pointAtCoords(first, [&](const StageTexCoords& coords, bool fromLightmapCoords,
                             TurbCoordScratch& scratch) {
        fillPatchTurbCoords(patch, coords, fromLightmapCoords, scratch.patch);
        return scratch.patch.data();
    });
    glDisableClientState(GL_COLOR_ARRAY);
    if (inFogPass()) {
        fillPatchFogColours(patch);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, effects.scratch.patchFogColours.data());
    } else if (colourArray != nullptr) {
        // Every tessellated vertex of a patch carries its first control's colour.
        const bool brightened = colourArray != &colours.whiteWithAlpha;
        const auto lit = brightenedColour(first.color[0], first.color[1], first.color[2]);
        const bool ownAlpha = colourArray != &colours.lit;
        glColor4ub(brightened ? lit[0] : 255, brightened ? lit[1] : 255, brightened ? lit[2] : 255,
                   ownAlpha ? first.color[3] : 255);
    }
}

void MaterialFaceStyle::endFace(const Face&) {
    glDisableClientState(GL_COLOR_ARRAY);
    if (faceFog != nullptr) {
        // The fog pass turned unit 0's texturing off; every other pass expects it on.
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glEnable(GL_TEXTURE_2D);
    }
    if (cullingChanged) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    }
    if (material->polygonOffset) {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
}

void MaterialFaceStyle::end() {
    setStageEnvironmentMapping(false);
    glActiveTextureARB(kOverlayUnit);
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    for (const GLenum unit : {kOverlayUnit, GLenum{GL_TEXTURE1_ARB}, GLenum{GL_TEXTURE0_ARB}}) {
        glActiveTextureARB(unit);
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glClientActiveTextureARB(unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glBlendFunc(GL_ONE, GL_ZERO);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // What the default view's frame finds after the sky.
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
}

std::uint64_t MaterialFaceStyle::runKey(const Face& face) const {
    // Everything a face's passes bind or set follows from its material and its lightmap page,
    // unless the face is drawn from arrays filled for it alone.
    return drawsAlone(face) ? kDrawAlone : textureAndPageKey(face);
}
