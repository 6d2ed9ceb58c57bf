// Drawing a face pass by pass from its material.
#include "render/MaterialFaceStyle.h"

#include "level/BSPMap.h"
#include "render/LevelMaterials.h"
#include "texture/LightmapSet.h"
#include "texture/MaterialMotion.h"

namespace {

constexpr GLfloat kHalf = 0.5f;

void setUpUnit(GLenum unit) {
    glActiveTextureARB(unit);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glClientActiveTextureARB(unit);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void texCoordArray(GLenum unit, const float* coordinates) {
    glClientActiveTextureARB(unit);
    glTexCoordPointer(2, GL_FLOAT, kVertexStrideBytes, coordinates);
}

// Sets value through apply unless known is already that value.
template <typename Value, typename Apply>
void setOnce(Value& known, Value value, Apply apply) {
    if (known != value) {
        known = value;
        apply(value);
    }
}

void setAlphaTest(AlphaTest test) {
    switch (test) {
        case AlphaTest::none:
            glDisable(GL_ALPHA_TEST);
            return;
        case AlphaTest::greaterThanZero:
            glAlphaFunc(GL_GREATER, 0.0f);
            break;
        case AlphaTest::lessThan128:
            glAlphaFunc(GL_LESS, kHalf);
            break;
        case AlphaTest::atLeast128:
            glAlphaFunc(GL_GEQUAL, kHalf);
            break;
    }
    glEnable(GL_ALPHA_TEST);
}

// The texture matrix of a column-major 4 x 4 GL matrix from a 2 x 3 one.
void loadTexCoordMatrix(const TexCoordMatrix& matrix) {
    const auto& m = matrix.m;
    const GLfloat gl[16] = {m[0], m[3], 0, 0, m[1], m[4], 0, 0, 0, 0, 1, 0, m[2], m[5], 0, 1};
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(gl);
    glMatrixMode(GL_MODELVIEW);
}

void setEnvironmentMapping(bool on) {
    if (on) {
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}

bool readsVertexColour(const MaterialStage& stage) {
    return stage.colourGen == ColourGen::vertex || stage.colourGen == ColourGen::exactVertex ||
           stage.colourGen == ColourGen::oneMinusVertex;
}

bool readsVertexAlpha(const MaterialStage& stage) {
    return stage.alphaGen == AlphaGen::vertex || stage.alphaGen == AlphaGen::oneMinusVertex;
}

}  // namespace

MaterialFaceStyle::MaterialFaceStyle(const LevelMaterials& levelMaterials,
                                     const LightmapSet& lightmapSet,
                                     const VertexColourArrays& vertexColours, double clockSeconds)
    : materials(levelMaterials),
      lightmaps(lightmapSet),
      colours(vertexColours),
      seconds(clockSeconds) {}

void MaterialFaceStyle::begin() {
    state = PassState();
    setUpUnit(GL_TEXTURE1_ARB);
    setUpUnit(GL_TEXTURE0_ARB);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

bool MaterialFaceStyle::beginFace(const Face& face, std::uint32_t) {
    material = &materials.of(face.texture);
    if (!material->drawn) {
        return false;
    }
    facePage = lightmaps.pageOrWhite(face.lightmap);
    vertexLit = face.lightmap == kVertexLitLightmap;
    // Patches are drawn from both sides whatever the material says; the loop has culling off.
    cullingChanged = face.type != kPatchFace && material->cull != CullMode::front;
    if (cullingChanged) {
        if (material->cull == CullMode::none) {
            glDisable(GL_CULL_FACE);
        } else {
            glCullFace(GL_FRONT);
        }
    }
    if (material->polygonOffset) {
        glEnable(GL_POLYGON_OFFSET_FILL);
        glPolygonOffset(-1.0f, -2.0f);
    }
    return true;
}

std::size_t MaterialFaceStyle::passCount(const Face&) const {
    return material->passes.size();
}

void MaterialFaceStyle::beginPass(const Face&, std::size_t index) {
    pass = &material->passes[index];
    setBlendAndDepth(*pass);
    bindUnits(*pass);
    chooseColours(*pass);
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
            [](int test) { setAlphaTest(static_cast<AlphaTest>(test)); });
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
    setOnce(state.image, image, [](GLuint texture) { glBindTexture(GL_TEXTURE_2D, texture); });
    const bool moves = current.stage != nullptr && !current.stage->texCoordMods.empty();
    if (moves) {
        loadTexCoordMatrix(texCoordMatrix(*current.stage, seconds));
        state.identityMatrix = 0;
    } else {
        setOnce(state.identityMatrix, 1, [](int) { loadTexCoordMatrix(TexCoordMatrix()); });
    }
    setOnce(state.environmentMapping,
            int(current.stage != nullptr && current.stage->texCoordGen == TexCoordGen::environment),
            [](int on) { setEnvironmentMapping(on != 0); });
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

void MaterialFaceStyle::pointAtFaceVertices(const Face&, const Vertex& first,
                                            std::size_t firstVertexIndex) {
    const bool lightmapCoords =
        pass->unit0IsLightmap ||
        (pass->stage != nullptr && pass->stage->texCoordGen == TexCoordGen::lightmap);
    texCoordArray(GL_TEXTURE0_ARB, lightmapCoords ? first.lightmapCoord : first.texCoord);
    texCoordArray(GL_TEXTURE1_ARB, first.lightmapCoord);
    if (colourArray != nullptr) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, colourArray->data() + 4 * firstVertexIndex);
    } else {
        glDisableClientState(GL_COLOR_ARRAY);
    }
}

void MaterialFaceStyle::pointAtPatch(const Face&, const BezierPatch& patch) {
    const Vertex& first = patch.getVertices().front();
    const bool lightmapCoords =
        pass->unit0IsLightmap ||
        (pass->stage != nullptr && pass->stage->texCoordGen == TexCoordGen::lightmap);
    texCoordArray(GL_TEXTURE0_ARB, lightmapCoords ? first.lightmapCoord : first.texCoord);
    texCoordArray(GL_TEXTURE1_ARB, first.lightmapCoord);
    glDisableClientState(GL_COLOR_ARRAY);
    if (colourArray != nullptr) {
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
    if (cullingChanged) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    }
    if (material->polygonOffset) {
        glDisable(GL_POLYGON_OFFSET_FILL);
    }
}

void MaterialFaceStyle::end() {
    setEnvironmentMapping(false);
    for (GLenum unit : {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB}) {
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
    // Everything a face's passes bind or set follows from its material and its lightmap page.
    return textureAndPageKey(face);
}
