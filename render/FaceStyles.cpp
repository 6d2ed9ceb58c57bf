// The default, lit and cluster ways of drawing a face.
#include "render/FaceStyles.h"

#include "app/LightingModule.h"
#include "level/BSPMap.h"
#include "render/ClusterColours.h"
#include "render/PassBinder.h"
#include "render/TextureUnits.h"
#include "render/VertexBuffers.h"
#include "texture/FaceTextures.h"
#include "texture/LightmapSet.h"
#include "texture/TextureManager.h"

namespace {

void setUpUnit(GLenum unit) {
    setUpModulatedUnit(unit);
    glEnable(GL_TEXTURE_2D);
}

std::int32_t flagsOf(const std::vector<std::int32_t>& textureFlags, std::int32_t textureIndex) {
    if (textureIndex < 0 || static_cast<std::size_t>(textureIndex) >= textureFlags.size()) {
        return 0;
    }
    return textureFlags[static_cast<std::size_t>(textureIndex)];
}

}  // namespace

PlainFaceStyle::PlainFaceStyle(const TextureManager& textureManagerValue,
                               const FaceTextures* faceImagesValue, bool texturesEnabledValue,
                               bool fixedLightValue, LightingModule* lightingValue)
    : textureManager(textureManagerValue),
      faceImages(texturesEnabledValue ? faceImagesValue : nullptr),
      texturesEnabled(texturesEnabledValue),
      fixedLight(fixedLightValue),
      lighting(lightingValue) {}

void PlainFaceStyle::begin() {
    // The texture state is the sky's: the default view's faces sample the sky image bound on unit
    // 0 at the coordinate the sky leaves current, unless face images take their place.
    setPlainState();
    if (fixedLight) {
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        lighting->enable();
    }
    glColor3f(1.0f, 1.0f, 1.0f);
}

bool PlainFaceStyle::beginFace(const Face& face, std::uint32_t) {
    if (face.type != kPatchFace && !textureManager.bindTexture(face.texture)) {
        return false;
    }
    if (faceImages != nullptr) {
        // The coordinate array is on texture unit 0, the client unit the frame runs with.
        glBindTexture(GL_TEXTURE_2D, faceImages->textureFor(face.texture));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    return true;
}

void PlainFaceStyle::pointAt(const Face& face, const FaceVertices& vertices) {
    const float* texCoord = vertices.first->texCoord;
    if (faceImages != nullptr) {
        pointAtRecords(vertices, texCoord, [](const void* address) {
            glTexCoordPointer(2, GL_FLOAT, kVertexStrideBytes, address);
        });
    } else if (texturesEnabled) {
        textureManager.setTexCoordPointer(face.texture, kVertexStrideBytes, texCoord);
    }
}

void PlainFaceStyle::end() {
    if (fixedLight) {
        lighting->disable();
        glDisable(GL_COLOR_MATERIAL);
    }
}

LitFaceStyle::LitFaceStyle(const LightmapSet& lightmapsValue,
                           const std::vector<std::int32_t>& textureFlagsValue,
                           const std::vector<std::uint8_t>& litVertexColoursValue)
    : lightmaps(lightmapsValue),
      textureFlags(textureFlagsValue),
      litVertexColours(litVertexColoursValue) {}

void LitFaceStyle::begin() {
    setPlainState();
    setUpUnit(GL_TEXTURE1_ARB);
    setUpUnit(GL_TEXTURE0_ARB);
    glBindTexture(GL_TEXTURE_2D, lightmaps.white());
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

bool LitFaceStyle::beginFace(const Face& face, std::uint32_t) {
    if (isUndrawnSurface(flagsOf(textureFlags, face.texture))) {
        return false;
    }
    const GLuint page = lightmaps.pageOrWhite(face.lightmap);
    if (page != boundPage) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, page);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        boundPage = page;
    }
    return true;
}

void LitFaceStyle::pointAt(const Face& face, const FaceVertices& vertices) {
    const Vertex& first = *vertices.first;
    texCoordsAtRecords(GL_TEXTURE0_ARB, vertices, first.texCoord);
    texCoordsAtRecords(GL_TEXTURE1_ARB, vertices, first.lightmapCoord);
    if (face.lightmap != kVertexLitLightmap) {
        return;
    }
    if (vertices.patchGrid) {
        // Every tessellated vertex of a patch carries its first control's colour.
        const auto lit = brightenedColour(first.color[0], first.color[1], first.color[2]);
        glColor4ub(lit[0], lit[1], lit[2], 255);
    } else {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, litVertexColours.data() + 4 * vertices.levelIndex);
    }
}

void LitFaceStyle::endFace(const Face& face) {
    // A face with a page, or with an index that names none, is drawn in white.
    if (face.lightmap == kVertexLitLightmap) {
        glDisableClientState(GL_COLOR_ARRAY);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }
}

std::uint64_t LitFaceStyle::runKey(const Face& face) const {
    // The texture record decides whether the face is drawn at all.
    return textureAndPageKey(face);
}

void ClusterFaceStyle::begin() {
    setPlainState();
    // The colours are to be seen as they are.
    glDisable(GL_TEXTURE_2D);
}

bool ClusterFaceStyle::beginFace(const Face&, std::uint32_t faceIndex) {
    const ClusterColour colour = clusterColour(level.clusterOfFace(faceIndex));
    glColor3f(colour.red, colour.green, colour.blue);
    return true;
}
