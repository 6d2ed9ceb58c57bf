// BSPMap's per-frame render through the one face loop, the camera and sky hand-over, the patch
// level and the level's views.
#include <epoxy/gl.h>

#include <iostream>
#include <sstream>

#include "app/OnScreenDisplay.h"
#include "app/ViewOptions.h"
#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/DepthPass.h"
#include "render/FaceStyles.h"
#include "render/MaterialFaceStyle.h"
#include "render/MaterialVertexSources.h"
#include "render/PassBinder.h"
#include "render/LevelViews.h"
#include "render/ViewChoice.h"
#include "texture/FaceTextures.h"
#include "texture/ImageLibrary.h"
#include "assets/AssetStore.h"
#include "texture/SkyTexture.h"
#include "texture/Skybox.h"
#include "texture/TextureManager.h"

namespace {

constexpr char kVisibleFacesLabel[] = "  Number of visible faces ";
// Follows the count only in the lit view, so the default view's line stays as it is.
constexpr char kLitViewNote[] = "  lightmaps";
// Follows the count in the lit and material views of a level with brush entities.
constexpr char kBrushFacesLabel[] = "  brush faces ";

// For measuring: from here to the frame's end, the views' shading query counts the samples drawn.
void beginShadingQuery(const LevelViews& views) {
    if (views.getShadingQuery() != 0) {
        glBeginQuery(GL_SAMPLES_PASSED, views.getShadingQuery());
    }
}

}  // namespace

void BSPMap::DeleteViews::operator()(LevelViews* views) const {
    delete views;
}

LevelViews& BSPMap::views() {
    if (levelViews == nullptr) {
        levelViews.reset(new LevelViews(*this, stores.assets, stores.textures));
    }
    return *levelViews;
}

void BSPMap::setCamera(Camera* newCamera) {
    attachCamera(newCamera);
    skyTexture = loadSkyTexture(dataPath, stores.assets);
    views().uploadLightmaps();
}

void BSPMap::setPatchLevel(int level) {
    patchTessellator.tessellate(level);
}

void BSPMap::render(std::ostringstream& overlayText, float timeStep, bool texturesEnabled,
                    bool lightingEnabled) {
    render(overlayText, timeStep, texturesEnabled, lightingEnabled, ViewOptions());
}

const Frustum& BSPMap::locateForFrame(bool cullingFrozen) {
    FrozenCulling& frozen = views().frozenCulling();
    if (!cullingFrozen) {
        frozen.active = false;
        locateCamera();
        return *camera->getFrustum();
    }
    if (!frozen.active) {
        // The camera's frustum is still the one of the last frame drawn.
        frozen = {true, lastCameraLeaf, lastCameraCluster, *camera->getFrustum()};
    }
    lastCameraLeaf = frozen.leaf;
    lastCameraCluster = frozen.cluster;
    return frozen.frustum;
}

void BSPMap::render(std::ostringstream& overlayText, float timeStep, bool texturesEnabled,
                    bool lightingEnabled, const ViewOptions& options) {
    // Leaf and cluster come from where the camera was before this frame's move; the live frustum
    // is the camera's own, which its update refreshes in place.
    const Frustum& gatheringFrustum = locateForFrame(options.cullingFrozen);

    LevelViews& resources = views();
    const VertexBuffers* buffers = resources.vertexBuffers();
    const LevelView view = chooseView(options, texturesEnabled, resources);
    const bool materialView = view == LevelView::materials;
    const FaceTextures* faceImages = texturesEnabled ? resources.getFaceTextures() : nullptr;

    if (const FaceTextures* images = resources.getFaceTextures(); images != nullptr) {
        // The material view samples as the game does by default; the others as they always have.
        images->images().useMipSampling(materialView ? MipSampling::nearestLevel
                                                     : MipSampling::blended);
    }
    glPushMatrix();
    camera->update(timeStep);
    // The material view draws its sky after the opaque faces, behind them, where it shows.
    if (!materialView) {
        beginShadingQuery(resources);
        skybox->draw(skyTexture);
    }
    collectVisibleFaces(lastCameraCluster, gatheringFrustum);
    lastVisibleFaceCount = visibleFaceSet.size();

    // The default view with the entities hidden shows the world's faces alone.
    BrushEntities* brushEntities = nullptr;
    if ((options.litView || options.showEntities) && options.brushEntities) {
        brushEntities = &resources.brushEntities(std::cerr);
        // The gathering keeps each entity's faces in drawing order, so that order comes first.
        if (materialView) {
            brushEntities->sortByMaterials(*resources.getMaterials(), *this);
        }
        brushEntities->gather(*this, lastCameraCluster, gatheringFrustum, options.clockSeconds);
    }
    const auto drawBrushes = [&](FaceStyle& style, BrushEntities::Part part) {
        return brushEntities == nullptr
                   ? std::size_t{0}
                   : brushEntities->draw(*this, style, buffers, options.clockSeconds, part,
                                         resources.runCorners());
    };

    FrameCostViews& cost = resources.frameCost();
    cost.beginFaces(options, std::cerr);
    glEnable(GL_CULL_FACE);
    switch (view) {
        case LevelView::clusters: {
            ClusterFaceStyle style(*this);
            lastDrawCount = drawFaces(*this, faceDrawList, style, buffers, resources.runCorners());
            lastDrawCount += drawBrushes(style, BrushEntities::Part::all);
            break;
        }
        case LevelView::materials:
            drawMaterialView(resources, buffers, options, gatheringFrustum, brushEntities);
            break;
        case LevelView::lit: {
            LitFaceStyle style(resources.getLightmaps(), textureFlags,
                               resources.getLitVertexColours());
            lastDrawCount = drawFaces(*this, faceDrawList, style, buffers, resources.runCorners());
            lastDrawCount += drawBrushes(style, BrushEntities::Part::all);
            break;
        }
        case LevelView::plain: {
            // The faces are drawn in the texture state the sky leaves behind.
            PlainFaceStyle style(*textureManager, faceImages, texturesEnabled, lightingEnabled,
                                 lighting);
            lastDrawCount = drawFaces(*this, faceDrawList, style, buffers, resources.runCorners());
            lastDrawCount += drawBrushes(style, BrushEntities::Part::all);
            break;
        }
    }
    // The material view draws its entities among its faces.
    if (options.showEntities && !materialView) {
        drawEntities(resources, options, false, faceImages != nullptr, gatheringFrustum);
    }
    cost.endFaces(options, display->getWidth() * display->getHeight());
    cost.showOverdraw(options);
    cost.drawWireframe(*this, faceDrawList, brushEntities, options, resources.runCorners());
    glPopMatrix();
    if (resources.getShadingQuery() != 0) {
        glEndQuery(GL_SAMPLES_PASSED);
    }

    resetTextureUnits();
    glDisable(GL_CULL_FACE);

    overlayText << kVisibleFacesLabel << lastVisibleFaceCount;
    if (options.litView && brushEntities != nullptr &&
        !brushEntities->models().entities().empty()) {
        overlayText << kBrushFacesLabel << brushEntities->gatheredFaceCount();
    }
    if (options.litView) {
        overlayText << kLitViewNote;
    }
    overlayLine.assign(overlayText.view());
    display->drawOverlayLine(overlayLine.c_str());
    cost.drawLines(*this, faceDrawList, brushEntities, options, timeStep * 1000.0, *display);
}

void BSPMap::drawMaterialView(LevelViews& resources, const VertexBuffers* buffers,
                              const ViewOptions& options, const Frustum& frustum,
                              BrushEntities* brushEntities) {
    const double clockSeconds = options.clockSeconds;
    const FaceEffectSources faceEffects = resources.faceEffects();
    MaterialFaceStyle style(*resources.getMaterials(), resources.getLightmaps(),
                            resources.vertexColours(), clockSeconds, faceEffects);
    MaterialVertexSources sources(*resources.getMaterials(), faceEffects.vertices,
                                  faceEffects.meshVertices, eyeOfCurrentModelview(),
                                  faceEffects.scratch.sprite, clockSeconds,
                                  faceEffects.scratch.deformed, buffers);
    // Brush entities standing where they were compiled are drawn as world faces.
    std::vector<std::uint32_t>& drawn = resources.materialDrawList();
    drawn.assign(faceDrawList.begin(), faceDrawList.end());
    if (brushEntities != nullptr) {
        brushEntities->appendStillFaces(clockSeconds, drawn);
    }
    const std::span<const std::uint32_t> order =
        resources.inMaterialOrder(drawn, faces, camera->getPosition());
    const std::size_t opaque = resources.opaqueFaceCount();
    std::size_t depthDraws = 0;
    if (resources.depthPassOn()) {
        DepthFaceStyle depthStyle(*resources.getMaterials());
        depthDraws =
            drawFaces(*this, order.first(opaque), depthStyle, buffers, resources.runCorners());
        style.shadeOverLaidDepth(true);
    }
    resources.countDepthPassDraws(depthDraws);
    beginShadingQuery(resources);
    lastDrawCount = drawFaces(*this, order.first(opaque), style, sources, resources.runCorners());
    // The moving brush entities were not laid.
    style.shadeOverLaidDepth(false);
    if (brushEntities != nullptr) {
        lastDrawCount +=
            brushEntities->draw(*this, style, sources, clockSeconds, BrushEntities::Part::opaque,
                                resources.runCorners(), false);
    }
    resources.getSky()->draw(clockSeconds, skyTexture);
    if (options.showEntities) {
        // The translucent pass sets again all the state it uses, culling aside.
        drawEntities(resources, options, true, true, frustum);
    }
    glEnable(GL_CULL_FACE);
    lastDrawCount +=
        drawFaces(*this, order.subspan(opaque), style, sources, resources.runCorners());
    // Translucent brush faces blend over the world's, which is right for most.
    if (brushEntities != nullptr) {
        lastDrawCount +=
            brushEntities->draw(*this, style, sources, clockSeconds,
                                BrushEntities::Part::translucent, resources.runCorners(), false);
    }
}

void BSPMap::drawEntities(LevelViews& resources, const ViewOptions& options, bool materialView,
                          bool faceImages, const Frustum& frustum) {
    EntityView& entities = resources.entities(std::cerr);
    const FaceTextures* faceTextures = resources.getFaceTextures();
    entities.prepare(stores.assets.get(), resources.getScripts(), resources.getLightmaps().white(),
                     faceTextures != nullptr ? &faceTextures->images() : nullptr, std::cerr);
    const EntityLook look = options.clusterColours ? EntityLook::plain
                            : materialView         ? EntityLook::materials
                            : faceImages           ? EntityLook::images
                                                   : EntityLook::plain;
    entities.draw({options.clockSeconds, look, lastCameraCluster, &frustum, options.showMarkers});
}

void BSPMap::resetTextureUnits() {
    // The one place a frame leaves GL as its views found it: for the clear, the overlay line and
    // the next frame's sky.
    setPlainState();
    glDisable(GL_TEXTURE_2D);
}
