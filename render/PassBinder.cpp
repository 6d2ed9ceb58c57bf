// Setting a pass's GL state, each part only when it changes.
#include "render/PassBinder.h"

#include "render/StageState.h"
#include "render/TextureUnits.h"

namespace {

// Sets value through apply unless known is already that value.
template <typename Value, typename Apply>
void setOnce(Value& known, Value value, Apply apply) {
    if (known != value) {
        known = value;
        apply(value);
    }
}

void setTexturing(bool on) {
    on ? glEnable(GL_TEXTURE_2D) : glDisable(GL_TEXTURE_2D);
}

// Unit 0's texturing is left as it was; every other unit is turned off.
void setPlainUnit(GLenum unit) {
    glActiveTextureARB(unit);
    if (unit != GL_TEXTURE0_ARB) {
        glDisable(GL_TEXTURE_2D);
    }
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glClientActiveTextureARB(unit);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace

PassBlend blendOf(const MaterialPass& pass) {
    return {pass.blend,      pass.source,     pass.destination,
            pass.depthWrite, pass.depthEqual, pass.alphaTest};
}

PassBlend blendOf(const MaterialStage& stage) {
    return {stage.blends,
            glBlendFactor(stage.source),
            glBlendFactor(stage.destination),
            stage.depthWrite,
            stage.depthEqual,
            stage.alphaTest};
}

bool readsVertexColour(const MaterialStage& stage) {
    return stage.colourGen == ColourGen::vertex || stage.colourGen == ColourGen::exactVertex ||
           stage.colourGen == ColourGen::oneMinusVertex;
}

bool readsVertexAlpha(const MaterialStage& stage) {
    return stage.alphaGen == AlphaGen::vertex || stage.alphaGen == AlphaGen::oneMinusVertex;
}

void setPlainState() {
    glDisable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glDisableClientState(GL_COLOR_ARRAY);
    for (std::size_t slot = overlayUnitCount(); slot-- > 0;) {
        setPlainUnit(kOverlayUnits[slot]);
    }
    if (hasFogUnit()) {
        setPlainUnit(kFogUnit);
    }
    setPlainUnit(GL_TEXTURE1_ARB);
    setPlainUnit(GL_TEXTURE0_ARB);
    setStageEnvironmentMapping(false);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

void PassBinder::setBlend(const PassBlend& wanted) {
    setOnce(known.blend, int(wanted.blend),
            [](int on) { on ? glEnable(GL_BLEND) : glDisable(GL_BLEND); });
    if (wanted.blend &&
        (known.source != wanted.source || known.destination != wanted.destination)) {
        known.source = wanted.source;
        known.destination = wanted.destination;
        glBlendFunc(wanted.source, wanted.destination);
    }
    setOnce(known.depthWrite, int(wanted.depthWrite),
            [](int on) { glDepthMask(on ? GL_TRUE : GL_FALSE); });
    setOnce(known.depthEqual, int(wanted.depthEqual),
            [](int equal) { glDepthFunc(equal ? GL_EQUAL : GL_LEQUAL); });
    setOnce(known.alphaTest, int(wanted.alphaTest),
            [](int test) { setStageAlphaTest(static_cast<AlphaTest>(test)); });
}

void PassBinder::setImage(GLuint image) {
    const bool textured = image != 0;
    setOnce(known.unit0, int(textured), [](int on) { setTexturing(on != 0); });
    if (textured) {
        setOnce(known.image, image, [](GLuint texture) { glBindTexture(GL_TEXTURE_2D, texture); });
    }
}

void PassBinder::setPage(bool on, GLuint page) {
    if (known.unit1 == int(on) && (!on || known.page == page)) {
        return;
    }
    glActiveTextureARB(GL_TEXTURE1_ARB);
    setOnce(known.unit1, int(on), [](int enable) { setTexturing(enable != 0); });
    if (on) {
        setOnce(known.page, page, [](GLuint texture) { glBindTexture(GL_TEXTURE_2D, texture); });
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

void PassBinder::setMatrix(const TexCoordMatrix* moving, bool environment) {
    setOnce(known.environmentMapping, int(environment),
            [](int on) { setStageEnvironmentMapping(on != 0); });
    if (moving == nullptr && !environment) {
        setOnce(known.identityMatrix, 1, [](int) { loadStageTexCoordMatrix(TexCoordMatrix()); });
        return;
    }
    loadStageTexCoordMatrix(moving != nullptr ? *moving : TexCoordMatrix());
    if (environment) {
        glMatrixMode(GL_TEXTURE);
        glMultMatrixf(environmentMatrix.data());
        glMatrixMode(GL_MODELVIEW);
    }
    known.identityMatrix = 0;
}

void PassBinder::setOverlay(std::size_t slot, OverlayCombine combine, GLuint image,
                            const TexCoordMatrix* moving) {
    if (slot >= kMaxOverlays) {
        return;
    }
    KnownOverlay& unit = known.overlays[slot];
    const int overlay = int(combine);
    if (overlay != 0 && image == 0) {
        image = unit.image;
    }
    if (unit.combine == overlay &&
        (overlay == 0 || (image == unit.image && moving == nullptr && unit.identityMatrix == 1))) {
        return;
    }
    glActiveTextureARB(kOverlayUnits[slot]);
    if (unit.combine != overlay) {
        setTexturing(overlay != 0);
        if (overlay != 0) {
            setOverlayCombine(combine);
        }
        unit.combine = overlay;
    }
    if (overlay != 0) {
        setOnce(unit.image, image, [](GLuint texture) { glBindTexture(GL_TEXTURE_2D, texture); });
        if (moving != nullptr) {
            loadStageTexCoordMatrix(*moving);
            unit.identityMatrix = 0;
        } else {
            setOnce(unit.identityMatrix, 1, [](int) { loadStageTexCoordMatrix(TexCoordMatrix()); });
        }
    }
    glActiveTextureARB(GL_TEXTURE0_ARB);
}

void PassBinder::setFog(bool on, GLuint white) {
    setOnce(known.fog, int(on), [white](int mix) {
        if (mix != 0) {
            glActiveTextureARB(kFogUnit);
            glBindTexture(GL_TEXTURE_2D, white);
            glEnable(GL_TEXTURE_2D);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_PRIMARY_COLOR);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PREVIOUS);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_PRIMARY_COLOR);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
            glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
            glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_ALPHA, GL_PREVIOUS);
            glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_ALPHA, GL_SRC_ALPHA);
        } else {
            glActiveTextureARB(kFogUnit);
            glDisable(GL_TEXTURE_2D);
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
        }
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, mix != 0 ? GL_REPLACE : GL_MODULATE);
    });
}

void PassBinder::setColourArray(bool on) {
    setOnce(known.colourArray, int(on), [](int enable) {
        enable ? glEnableClientState(GL_COLOR_ARRAY) : glDisableClientState(GL_COLOR_ARRAY);
    });
}
