// BSPMap's lit view: faces drawn as their maker lit them, the face image (or white) on texture
// unit 0 and the lightmap page (or white) on unit 1, modulated; faces without a page take their
// brightened vertex colours. Sky and no-draw faces are left out so the sky cube shows.
#include <epoxy/gl.h>

#include <iostream>

#include "level/BSPMap.h"
#include "texture/AssetStore.h"
#include "texture/FaceTextures.h"

namespace {

// Surface flags of a texture record.
constexpr std::int32_t kSkySurface = 0x4;
constexpr std::int32_t kNoDrawSurface = 0x80;
constexpr GLfloat kAlphaCutoff = 0.5f;

// Points the texture coordinate array of a unit at a vertex field.
void texCoordArray(GLenum unit, const float* coordinates) {
    glClientActiveTextureARB(unit);
    glTexCoordPointer(2, GL_FLOAT, kVertexStrideBytes, coordinates);
}

void setUpUnit(GLenum unit) {
    glActiveTextureARB(unit);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glClientActiveTextureARB(unit);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace

std::int32_t BSPMap::textureFlagsOf(std::int32_t textureIndex) const {
    if (textureIndex < 0 || static_cast<std::size_t>(textureIndex) >= textureFlags.size()) {
        return 0;
    }
    return textureFlags[static_cast<std::size_t>(textureIndex)];
}

void BSPMap::loadFaceTextures() {
    if (faceTextures != nullptr) {
        return;
    }
    faceTextures = std::make_unique<FaceTextures>(dataPathAssets.get(), textureNames, std::cerr);
}

GLuint BSPMap::faceTexture(std::int32_t textureIndex) const {
    return faceTextures != nullptr ? faceTextures->textureFor(textureIndex) : lightmaps.white();
}

bool BSPMap::faceTextureHasAlpha(std::int32_t textureIndex) const {
    return faceTextures != nullptr && faceTextures->hasAlpha(textureIndex);
}

void BSPMap::drawLitFaces(bool texturesEnabled) {
    // The sky leaves blending and the alpha test on for the default view; here only images with
    // alpha are tested, face by face.
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GEQUAL, kAlphaCutoff);
    setUpUnit(GL_TEXTURE1_ARB);
    setUpUnit(GL_TEXTURE0_ARB);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // Nothing is known to be bound on either unit yet this frame.
    boundFaceTexture = 0;
    boundLightmap = 0;

    for (const std::uint32_t faceIndex : faceDrawList) {
        drawLitFace(faces[faceIndex], texturesEnabled);
    }

    glDisableClientState(GL_COLOR_ARRAY);
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glClientActiveTextureARB(GL_TEXTURE1_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glClientActiveTextureARB(GL_TEXTURE0_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    // What the default view's frame finds after the sky.
    glEnable(GL_BLEND);
    glEnable(GL_ALPHA_TEST);
}

void BSPMap::bindLitTextures(const Face& face, bool texturesEnabled) {
    const GLuint image = texturesEnabled ? faceTexture(face.texture) : lightmaps.white();
    if (image != boundFaceTexture) {
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glBindTexture(GL_TEXTURE_2D, image);
        boundFaceTexture = image;
    }
    const GLuint page = lightmaps.pageOrWhite(face.lightmap);
    if (page != boundLightmap) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        glBindTexture(GL_TEXTURE_2D, page);
        boundLightmap = page;
    }
    if (texturesEnabled && faceTextureHasAlpha(face.texture)) {
        glEnable(GL_ALPHA_TEST);
    } else {
        glDisable(GL_ALPHA_TEST);
    }
}

void BSPMap::drawLitFace(const Face& face, bool texturesEnabled) {
    if ((textureFlagsOf(face.texture) & (kSkySurface | kNoDrawSurface)) != 0) {
        return;
    }
    if (face.type != kPolygonFace && face.type != kMeshFace && face.type != kPatchFace) {
        return;  // billboards and unknown types are counted but not drawn
    }
    bindLitTextures(face, texturesEnabled);
    // Faces lit by their vertices take the brightened colours; a face with a page, or with an
    // index that names none, takes white.
    const bool vertexLit = face.lightmap == kVertexLitLightmap;

    if (face.type == kPatchFace) {
        // Every tessellated vertex of a patch carries its first control's colour.
        glDisable(GL_CULL_FACE);
        for (const BezierPatch& patch : face.patches) {
            if (patch.getVertices().empty()) {
                continue;
            }
            const Vertex& first = patch.getVertices().front();
            if (vertexLit) {
                const auto lit = brightenedColour(first.color[0], first.color[1], first.color[2]);
                glColor4ub(lit[0], lit[1], lit[2], 255);
            }
            texCoordArray(GL_TEXTURE0_ARB, first.texCoord);
            texCoordArray(GL_TEXTURE1_ARB, first.lightmapCoord);
            patch.drawStrips();
        }
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glEnable(GL_CULL_FACE);
        return;
    }

    glFrontFace(GL_CW);
    const Vertex* first = vertices.data() + face.firstVertex;
    glVertexPointer(3, GL_FLOAT, kVertexStrideBytes, first->position);
    glNormalPointer(GL_FLOAT, kVertexStrideBytes, first->normal);
    texCoordArray(GL_TEXTURE0_ARB, first->texCoord);
    texCoordArray(GL_TEXTURE1_ARB, first->lightmapCoord);
    if (vertexLit) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0,
                       litVertexColours.data() + 4 * static_cast<std::size_t>(face.firstVertex));
    }
    glDrawElements(GL_TRIANGLES, face.numMeshVertices, GL_UNSIGNED_INT,
                   meshVertices.data() + face.firstMeshVertex);
    if (vertexLit) {
        glDisableClientState(GL_COLOR_ARRAY);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }
}
