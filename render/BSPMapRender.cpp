// BSPMap's per-frame render and face drawing, the camera and sky hand-over and the patch level.
#include <epoxy/gl.h>

#include <sstream>

#include "app/LightingModule.h"
#include "app/OnScreenDisplay.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "texture/SkyTexture.h"
#include "texture/Skybox.h"
#include "texture/TextureManager.h"

namespace {

constexpr char kVisibleFacesLabel[] = "  Number of visible faces ";

}  // namespace

void BSPMap::setCamera(Camera* newCamera) {
    attachCamera(newCamera);
    skyTexture = loadSkyTexture(dataPath);
}

void BSPMap::setPatchLevel(int level) {
    for (Face& face : faces) {
        if (face.type == kPatchFace) {
            face.tessellatePatches(level);
        }
    }
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
    // The cluster view shows flat colours: no light.
    const bool lit = lightingEnabled && !clusterView;
    if (lit) {
        glEnable(GL_COLOR_MATERIAL);
        glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
        lighting->enable();
    }
    if (clusterView) {
        drawClusterColouredFaces();
    } else {
        glColor3f(1.0f, 1.0f, 1.0f);
        for (const std::uint32_t faceIndex : faceDrawList) {
            drawFace(faces[faceIndex], texturesEnabled);
        }
    }
    glPopMatrix();

    resetTextureUnits();
    glDisable(GL_CULL_FACE);

    overlayText << kVisibleFacesLabel << lastVisibleFaceCount;
    overlayLine.assign(overlayText.view());
    if (lit) {
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
    switch (face.type) {
        case kPolygonFace:
        case kMeshFace:
            drawPolygonFace(face, texturesEnabled);
            break;
        case kPatchFace:
            // A curved surface is seen from both sides.
            glDisable(GL_CULL_FACE);
            face.drawPatches(face.texture, *textureManager, texturesEnabled);
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
