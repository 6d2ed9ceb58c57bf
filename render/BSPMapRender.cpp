// BSPMap's per-frame render and face drawing, the camera and sky hand-over and the patch level.
#include <epoxy/gl.h>

#include <sstream>

#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "texture/FaceTextures.h"
#include "texture/SkyTexture.h"
#include "texture/Skybox.h"
#include "texture/TextureManager.h"

namespace {

constexpr char kVisibleFacesLabel[] = "  Number of visible faces ";
// Follows the count only in the lit view, so the default view's line stays as it is.
constexpr char kLitViewNote[] = "  lightmaps";

}  // namespace

void BSPMap::setCamera(Camera* newCamera) {
    attachCamera(newCamera);
    skyTexture = loadSkyTexture(dataPath, dataPathAssets);
    uploadLightmaps();
}

void BSPMap::uploadLightmaps() {
    lightmaps.upload(lightmapBytes);
}

void BSPMap::setPatchLevel(int level) {
    patchTessellator.tessellate(level);
}

void BSPMap::render(std::ostringstream& overlayText, float timeStep, bool texturesEnabled,
                    bool lightingEnabled) {
    // Leaf and cluster come from where the camera was before this frame's move.
    locateCamera();

    glPushMatrix();
    camera->update(timeStep);
    // The faces are drawn in the texture state the sky leaves behind.
    skybox->draw(skyTexture);
    collectVisibleFaces(lastCameraCluster);
    lastVisibleFaceCount = visibleFaceSet.size();

    glEnable(GL_CULL_FACE);
    // In the lit view the lightmaps are the lighting: the fixed light stays off whatever the l
    // key says. The cluster view shows flat colours, with neither.
    const bool fixedLight = lightingEnabled && !lightmapsEnabled && !clusterView;
    if (clusterView) {
        drawClusterColouredFaces();
    } else if (lightmapsEnabled) {
        drawLitFaces(texturesEnabled);
    } else {
        if (fixedLight) {
            glEnable(GL_COLOR_MATERIAL);
            glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
            lighting->enable();
        }
        glColor3f(1.0f, 1.0f, 1.0f);
        for (const std::uint32_t faceIndex : faceDrawList) {
            drawFace(faces[faceIndex], texturesEnabled);
        }
    }
    glPopMatrix();

    resetTextureUnits();
    glDisable(GL_CULL_FACE);

    overlayText << kVisibleFacesLabel << lastVisibleFaceCount;
    if (lightmapsEnabled) {
        overlayText << kLitViewNote;
    }
    overlayLine.assign(overlayText.view());
    if (fixedLight) {
        lighting->disable();
        glDisable(GL_COLOR_MATERIAL);
    }
    display->drawOverlayLine(overlayLine.c_str());
}

void BSPMap::resetTextureUnits() {
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisable(GL_TEXTURE_2D);
}

void BSPMap::drawFace(const Face& face, bool texturesEnabled) {
    // Face images replace the sky texel the faces otherwise sample once they are loaded; the
    // coordinate array is on texture unit 0, the client unit the frame runs with.
    const bool faceImages = texturesEnabled && faceTextures != nullptr;
    if (faceImages) {
        glBindTexture(GL_TEXTURE_2D, faceTextures->textureFor(face.texture));
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    switch (face.type) {
        case kPolygonFace:
        case kMeshFace:
            if (faceImages) {
                const Vertex* first = vertices.data() + face.firstVertex;
                glTexCoordPointer(2, GL_FLOAT, kVertexStrideBytes, first->texCoord);
            }
            drawPolygonFace(face, texturesEnabled);
            break;
        case kPatchFace:
            // A curved surface is seen from both sides.
            glDisable(GL_CULL_FACE);
            if (faceImages) {
                for (const BezierPatch& patch : face.patches) {
                    if (!patch.getVertices().empty()) {
                        glTexCoordPointer(2, GL_FLOAT, kVertexStrideBytes,
                                          patch.getVertices().front().texCoord);
                        patch.drawStrips();
                    }
                }
            } else {
                face.drawPatches(face.texture, *textureManager, texturesEnabled);
            }
            glEnable(GL_CULL_FACE);
            break;
        default:
            // Billboards and unknown types are counted but not drawn.
            break;
    }
}

void BSPMap::drawPolygonFace(const Face& face, bool texturesEnabled) {
    glFrontFace(GL_CW);
    if (!textureManager->bindTexture(face.texture)) {
        return;
    }
    // GL reads the level's own arrays in place; the mesh vertices are offsets from the first
    // vertex. The vertex and normal arrays stay enabled: the patch draw relies on them.
    const Vertex* first = vertices.data() + face.firstVertex;
    if (texturesEnabled) {
        textureManager->setTexCoordPointer(face.texture, kVertexStrideBytes, first->texCoord);
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, kVertexStrideBytes, first->position);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, kVertexStrideBytes, first->normal);
    glDrawElements(GL_TRIANGLES, face.numMeshVertices, GL_UNSIGNED_INT,
                   meshVertices.data() + face.firstMeshVertex);
}
