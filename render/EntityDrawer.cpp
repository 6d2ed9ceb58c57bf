// Drawing a level's entities: the visible copies of each model batched, lit from the light grid
// and drawn by their surfaces' looks; markers for the rest.
#include "render/EntityDrawer.h"

#include <cmath>
#include <numbers>

#include "level/BSPMap.h"
#include "model/ItemMotion.h"
#include "model/ModelLighting.h"
#include "render/Frustum.h"
#include "render/LevelMaterials.h"
#include "render/MaterialVertexSources.h"
#include "render/TextureUnits.h"
#include "texture/FaceTextures.h"
#include "material/MaterialMotion.h"

namespace {

// A sphere this wide around an entity's origin holds any item model or marker, for culling.
constexpr float kCullRadius = 48.0f;
// How far a spawn marker's pointer reaches, units.
constexpr float kPointerLength = 28.0f;

std::array<float, 3> familyColour(EntityFamily family) {
    switch (family) {
        case EntityFamily::spawn:
            return {0.2f, 1.0f, 0.2f};
        case EntityFamily::light:
            return {1.0f, 0.9f, 0.2f};
        case EntityFamily::item:
            return {1.0f, 0.2f, 1.0f};
        case EntityFamily::other:
            break;
    }
    return {0.3f, 0.7f, 1.0f};
}

// Whether a pass takes its colour from the model's lighting: the stages that read vertex colours
// (a model's are its light), and opaque white ones, which on a level face a lightmap would light.
bool litByGrid(const MaterialPass& pass) {
    if (pass.stage == nullptr || readsVertexColour(*pass.stage)) {
        return true;
    }
    const ColourGen colour = pass.stage->colourGen;
    return (colour == ColourGen::identity || colour == ColourGen::identityLighting) && !pass.blend;
}

// Appends a marker's triangle corners, offsets from its origin, to the marker arrays.
struct MarkerWriter {
    std::vector<float>& positions;
    std::vector<std::uint8_t>& colours;
    Point at;

    void vertex(const std::array<float, 3>& offset, const std::array<float, 3>& rgb) {
        positions.insert(positions.end(),
                         {at.getX() + offset[0], at.getY() + offset[1], at.getZ() + offset[2]});
        for (const float channel : rgb) {
            colours.push_back(static_cast<std::uint8_t>(std::lround(255 * channel)));
        }
        colours.push_back(255);
    }
};

// A diamond: eight faces, the upper four lighter and alternate sides darker, so that its shape
// reads without lighting.
void appendDiamond(MarkerWriter& writer, const std::array<float, 3>& colour) {
    const float h = EntityModelSet::kMarkerHalfSize;
    const std::array<float, 3> corners[6] = {{h, 0, 0},  {0, 0, h}, {-h, 0, 0},
                                             {0, 0, -h}, {0, h, 0}, {0, -h, 0}};
    for (int side = 0; side < 4; ++side) {
        for (int half = 0; half < 2; ++half) {
            const float shade = (half == 0 ? 1.0f : 0.6f) * (side % 2 == 0 ? 1.0f : 0.85f);
            const std::array<float, 3> shaded{colour[0] * shade, colour[1] * shade,
                                              colour[2] * shade};
            // Wound clockwise seen from outside, the level's front, so back faces are culled.
            const int first = half == 0 ? side : (side + 1) % 4;
            const int second = half == 0 ? (side + 1) % 4 : side;
            writer.vertex(corners[first], shaded);
            writer.vertex(corners[second], shaded);
            writer.vertex(corners[4 + half], shaded);
        }
    }
}

// A white pointer, flat and upright: the angle turns about the file's up axis from its +x, which
// is the viewer's +x, toward its +y, the viewer's -z.
void appendPointer(MarkerWriter& writer, float angleDegrees) {
    const float h = EntityModelSet::kMarkerHalfSize;
    const double radians = angleDegrees * std::numbers::pi / 180.0;
    const auto x = static_cast<float>(std::cos(radians));
    const auto z = static_cast<float>(-std::sin(radians));
    const std::array<float, 3> white{1.0f, 1.0f, 1.0f};
    const std::array<float, 3> tip{kPointerLength * x, 0.0f, kPointerLength * z};
    const std::array<float, 3> fin[4] = {{-z * h * 0.5f, 0.0f, x * h * 0.5f},
                                         {z * h * 0.5f, 0.0f, -x * h * 0.5f},
                                         {0.0f, h * 0.5f, 0.0f},
                                         {0.0f, -h * 0.5f, 0.0f}};
    // Each fin both ways round, seen from either side.
    for (int f = 0; f < 4; f += 2) {
        writer.vertex(tip, white);
        writer.vertex(fin[f], white);
        writer.vertex(fin[f + 1], white);
        writer.vertex(tip, white);
        writer.vertex(fin[f + 1], white);
        writer.vertex(fin[f], white);
    }
}

}  // namespace

EntityDrawer::EntityDrawer(const BSPMap& levelValue, const EntityModelSet& models)
    : level(levelValue), set(models) {}

EntityDrawer::~EntityDrawer() = default;

void EntityDrawer::build() {
    buildBatches();
    buildMarkers();
}

void EntityDrawer::loadSurfaceLooks(const AssetStore& assets, const MaterialFinder& scripts,
                                    GLuint white, ImageLibrary& images, std::ostream& log) {
    if (surfaceImages != nullptr) {
        return;
    }
    const std::vector<std::string>& lookNames = set.lookNames();
    surfaceImages = std::make_unique<FaceTextures>(assets, lookNames, log, scripts, images);
    surfaceMaterials = std::make_unique<LevelMaterials>(
        lookNames, std::vector<std::int32_t>(lookNames.size(), 0), scripts, *surfaceImages, white);
}

bool EntityDrawer::visible(const EntityInstance& instance,
                           const EntityDrawSettings& settings) const {
    if (settings.cameraCluster >= 0 && instance.cluster >= 0 &&
        !level.isClusterVisible(settings.cameraCluster, instance.cluster)) {
        return false;
    }
    if (settings.frustum == nullptr) {
        return true;
    }
    const Point& at = instance.placement.origin;
    for (int i = 0; i < Frustum::kPlaneCount; ++i) {
        const double* plane = settings.frustum->plane(i);
        if (plane[0] * at.getX() + plane[1] * at.getY() + plane[2] * at.getZ() + plane[3] <
            -kCullRadius) {
            return false;
        }
    }
    return true;
}

void EntityDrawer::draw(const EntityDrawSettings& settings) {
    markerIndices.clear();
    setPlainState();
    binder.forget();
    binder.setEye(eyeOfCurrentModelview());
    glDisable(GL_LIGHTING);
    // Items are seen from every side and their surfaces are thin: both sides are drawn.
    glDisable(GL_CULL_FACE);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_2D);
    glClientActiveTextureARB(GL_TEXTURE1_ARB);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    setUpModulatedUnit(GL_TEXTURE0_ARB);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    const std::vector<EntityInstance>& instances = set.instances();
    for (std::size_t i = 0; i < instances.size(); ++i) {
        const EntityInstance& instance = instances[i];
        if (!visible(instance, settings)) {
            continue;
        }
        if (instance.parts.empty()) {
            if (!settings.markers) {
                continue;
            }
            for (std::uint32_t v = 0; v < markers[i].count; ++v) {
                markerIndices.push_back(markers[i].first + v);
            }
        } else {
            placeInstance(instance,
                          ItemMotion::at(instance.placement.origin, settings.clockSeconds));
        }
    }
    drawBatches(settings);
    // Every visible marker in one call.
    drawMarkers();
}

void EntityDrawer::buildBatches() {
    for (const EntityModel& loaded : set.models()) {
        const std::size_t copies = loaded.instanceCount;
        ModelBatches& modelBatches = batches.emplace_back();
        for (const Md3Surface& surface : loaded.model.surfaces) {
            SurfaceBatch batch;
            const std::size_t vertices = surface.vertexCount();
            batch.positions.resize(3 * vertices * copies);
            batch.normals.resize(3 * vertices * copies);
            batch.colours.resize(4 * vertices * copies);
            batch.texCoords.reserve(2 * vertices * copies);
            batch.indices.reserve(surface.indices.size() * copies);
            for (std::size_t copy = 0; copy < copies; ++copy) {
                batch.texCoords.insert(batch.texCoords.end(), surface.texCoords.begin(),
                                       surface.texCoords.end());
                for (const std::uint32_t index : surface.indices) {
                    batch.indices.push_back(static_cast<std::uint32_t>(copy * vertices + index));
                }
            }
            modelBatches.surfaces.push_back(std::move(batch));
        }
    }
}

void EntityDrawer::placeInstance(const EntityInstance& instance, const ItemPose& pose) {
    // As a turn about the vertical axis by the pose's: x' = x c + z s, z' = z c - x s.
    const float c = std::cos(pose.turnRadians);
    const float s = std::sin(pose.turnRadians);
    const Point& at = instance.placement.origin;
    const float height = at.getY() + pose.lift;
    for (const std::size_t part : instance.parts) {
        const EntityModel& loaded = set.models()[part];
        const std::size_t copy = batches[part].placed++;
        for (std::size_t i = 0; i < loaded.model.surfaces.size(); ++i) {
            const Md3Surface& surface = loaded.model.surfaces[i];
            SurfaceBatch& batch = batches[part].surfaces[i];
            const std::size_t vertices = surface.vertexCount();
            float* positions = batch.positions.data() + 3 * vertices * copy;
            float* normals = batch.normals.data() + 3 * vertices * copy;
            for (std::size_t v = 0; v < 3 * vertices; v += 3) {
                const float* p = &surface.positions[v];
                const float* n = &surface.normals[v];
                positions[v] = at.getX() + p[0] * c + p[2] * s;
                positions[v + 1] = height + p[1];
                positions[v + 2] = at.getZ() + p[2] * c - p[0] * s;
                normals[v] = n[0] * c + n[2] * s;
                normals[v + 1] = n[1];
                normals[v + 2] = n[2] * c - n[0] * s;
            }
            lightModelVertices({normals, 3 * vertices}, instance.light, 0.0f,
                               {batch.colours.data() + 4 * vertices * copy, 4 * vertices});
        }
    }
}

void EntityDrawer::drawBatches(const EntityDrawSettings& settings) {
    // Blended surfaces over every opaque one, so that a power-up's sphere shows what it holds
    // and the items behind it.
    drawBatchRound(settings, false);
    if (settings.look == EntityLook::materials) {
        drawBatchRound(settings, true);
    }
    for (ModelBatches& modelBatches : batches) {
        modelBatches.placed = 0;
    }
}

bool EntityDrawer::translucent(std::int32_t look, const EntityDrawSettings& settings) const {
    return settings.look == EntityLook::materials && look >= 0 && surfaceMaterials != nullptr &&
           surfaceMaterials->of(look).sort > MaterialSort::kOpaque;
}

void EntityDrawer::drawBatchRound(const EntityDrawSettings& settings, bool translucentRound) {
    for (std::size_t model = 0; model < batches.size(); ++model) {
        const EntityModel& loaded = set.models()[model];
        const ModelBatches& modelBatches = batches[model];
        if (modelBatches.placed == 0) {
            continue;
        }
        for (std::size_t i = 0; i < loaded.model.surfaces.size(); ++i) {
            if (translucent(loaded.looks[i], settings) != translucentRound) {
                continue;
            }
            const SurfaceBatch& batch = modelBatches.surfaces[i];
            glVertexPointer(3, GL_FLOAT, 0, batch.positions.data());
            glNormalPointer(GL_FLOAT, 0, batch.normals.data());
            glTexCoordPointer(2, GL_FLOAT, 0, batch.texCoords.data());
            glColorPointer(4, GL_UNSIGNED_BYTE, 0, batch.colours.data());
            const std::size_t indices =
                loaded.model.surfaces[i].indices.size() * modelBatches.placed;
            drawSurface(static_cast<GLsizei>(indices), batch.indices.data(), loaded.looks[i],
                        settings);
        }
    }
}

void EntityDrawer::drawSurface(GLsizei indexCount, const std::uint32_t* indices, std::int32_t look,
                               const EntityDrawSettings& settings) {
    const bool hasLook = look >= 0 && surfaceImages != nullptr;
    if (settings.look == EntityLook::materials && hasLook) {
        const LevelMaterial& material = surfaceMaterials->of(look);
        if (!material.drawn) {
            return;
        }
        for (const MaterialPass& pass : material.passes) {
            drawPass(indexCount, indices, pass, settings);
        }
        return;
    }
    PassBlend blend;
    GLuint image = 0;
    if (settings.look != EntityLook::plain && hasLook) {
        image = surfaceImages->textureFor(look);
        blend.alphaTest = surfaceImages->hasAlpha(look) ? AlphaTest::atLeast128 : AlphaTest::none;
    }
    bindPlain(blend, image);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, indices);
}

void EntityDrawer::drawPass(GLsizei indexCount, const std::uint32_t* indices,
                            const MaterialPass& pass, const EntityDrawSettings& settings) {
    // A model has no lightmap page for a lightmap stage to show.
    if (!pass.unit0IsLightmap && pass.frameCount > 0) {
        drawStage(indexCount, indices, pass.stage, {pass.frames.data(), pass.frameCount},
                  blendOf(pass), litByGrid(pass), settings);
    }
    // Nor does it point the overlay units at coordinates: the stages folded over the pass are
    // blended over it one by one, as their scripts say.
    for (std::size_t slot = 0; slot < pass.overlayCount; ++slot) {
        const PassOverlay& overlay = pass.overlays[slot];
        drawStage(indexCount, indices, overlay.stage, {overlay.frames.data(), overlay.frameCount},
                  blendOf(*overlay.stage), false, settings);
    }
}

void EntityDrawer::drawStage(GLsizei indexCount, const std::uint32_t* indices,
                             const MaterialStage* stage, std::span<const GLuint> frames,
                             const PassBlend& blend, bool lit, const EntityDrawSettings& settings) {
    if (frames.empty()) {
        return;
    }
    binder.setBlend(blend);
    const std::size_t frame =
        stage == nullptr ? 0 : animationFrame(*stage, settings.clockSeconds) % frames.size();
    binder.setImage(frames[frame]);
    const bool moves = stage != nullptr && !stage->texCoordMods.empty();
    TexCoordMatrix matrix;
    if (moves) {
        matrix = wholeStageTexCoordMatrix(*stage, settings.clockSeconds);
    }
    binder.setMatrix(moves ? &matrix : nullptr,
                     stage != nullptr && stage->texCoordGen == TexCoordGen::environment);
    binder.setColourArray(lit);
    if (!lit) {
        const std::array<float, 4> colour = stageColour(*stage, settings.clockSeconds);
        glColor4f(colour[0], colour[1], colour[2], colour[3]);
    }
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, indices);
}

void EntityDrawer::bindPlain(const PassBlend& blend, GLuint image) {
    binder.setBlend(blend);
    binder.setImage(image);
    binder.setMatrix(nullptr);
    binder.setColourArray(true);
}

void EntityDrawer::buildMarkers() {
    markers.resize(set.instances().size());
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const EntityInstance& instance = set.instances()[i];
        if (!instance.parts.empty()) {
            continue;
        }
        markers[i].first = static_cast<std::uint32_t>(markerPositions.size() / 3);
        MarkerWriter writer{markerPositions, markerColours, instance.placement.origin};
        appendDiamond(writer, familyColour(instance.family));
        if (instance.family == EntityFamily::spawn) {
            appendPointer(writer, instance.placement.angleDegrees);
        }
        markers[i].count =
            static_cast<std::uint32_t>(markerPositions.size() / 3) - markers[i].first;
    }
    markerIndices.reserve(markerPositions.size() / 3);
}

void EntityDrawer::drawMarkers() {
    if (markerIndices.empty()) {
        return;
    }
    bindPlain(PassBlend{}, 0);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, markerPositions.data());
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, markerColours.data());
    // Closed solids: the hidden half need not be drawn. Clockwise is the level's front.
    glFrontFace(GL_CW);
    glCullFace(GL_BACK);
    glEnable(GL_CULL_FACE);
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(markerIndices.size()), GL_UNSIGNED_INT,
                   markerIndices.data());
    glDisable(GL_CULL_FACE);
}
