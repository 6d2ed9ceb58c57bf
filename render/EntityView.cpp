// Drawing a level's entities: reading the item models once, lighting their vertices from the
// light grid each frame, and the passes of their surfaces' materials; markers for the rest.
#include "render/EntityView.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <cmath>
#include <numbers>
#include <ostream>
#include <unordered_map>

#include "level/BSPMap.h"
#include "model/ModelLighting.h"
#include "render/Frustum.h"
#include "render/LevelMaterials.h"
#include "render/PassBinder.h"
#include "render/StageState.h"
#include "render/TextureUnits.h"
#include "texture/AssetStore.h"
#include "texture/FaceTextures.h"
#include "texture/MaterialMotion.h"

namespace {

// A sphere this wide around an entity's origin holds any item model or marker, for culling.
constexpr float kCullRadius = 48.0f;
// Without a light grid: a grey half from all round and half from above, before brightening.
constexpr float kFallbackLight = 32.0f;
// How far a spawn marker's pointer reaches, units.
constexpr float kPointerLength = 28.0f;

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

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

// How far along the ray from eye along direction it enters the box from low to high, if it
// meets the box at a positive distance; an eye inside the box meets it at 0.
std::optional<float> rayMeetsBox(const Point& eye, const Vec3& direction, const Point& low,
                                 const Point& high) {
    const float from[3] = {eye.getX(), eye.getY(), eye.getZ()};
    const float along[3] = {direction.getX(), direction.getY(), direction.getZ()};
    const float lows[3] = {low.getX(), low.getY(), low.getZ()};
    const float highs[3] = {high.getX(), high.getY(), high.getZ()};
    float enter = 0.0f;
    float leave = std::numeric_limits<float>::max();
    for (int axis = 0; axis < 3; ++axis) {
        if (along[axis] == 0.0f) {
            if (from[axis] < lows[axis] || from[axis] > highs[axis]) {
                return std::nullopt;
            }
            continue;
        }
        float near = (lows[axis] - from[axis]) / along[axis];
        float far = (highs[axis] - from[axis]) / along[axis];
        if (near > far) {
            std::swap(near, far);
        }
        enter = std::max(enter, near);
        leave = std::min(leave, far);
        if (enter > leave) {
            return std::nullopt;
        }
    }
    return enter;
}

}  // namespace

std::vector<EntityPlacement> placementsOf(const EntityList& entities) {
    std::vector<EntityPlacement> placements;
    for (std::size_t i = 0; i < entities.entities.size(); ++i) {
        const Entity& entity = entities.entities[i];
        if (const std::optional<Point> origin = entity.origin()) {
            placements.push_back({std::string(entity.className()), *origin, entity.angle(), i});
        }
    }
    return placements;
}

EntityView::EntityView(const BSPMap& levelToShow, std::vector<EntityPlacement> placements,
                       std::ostream& log)
    : level(levelToShow) {
    const std::vector<Model>& worldModels = level.getModels();
    if (!worldModels.empty()) {
        LightGridResult built =
            LightGrid::build(level.getLightVolumeBytes(), worldModels[0].mins, worldModels[0].maxs);
        if (!built.problem.empty()) {
            log << level.getLevelFile() << ": " << built.problem << "; models are lit from above"
                << std::endl;
        }
        grid = std::move(built.grid);
    }
    instances.reserve(placements.size());
    for (EntityPlacement& placement : placements) {
        Instance instance;
        instance.family = familyOf(placement.className);
        instance.cluster = level.clusterOfLeaf(level.findLeaf(placement.origin));
        instance.light = lightAt(placement.origin);
        instance.placement = std::move(placement);
        instances.push_back(std::move(instance));
    }
}

EntityView::~EntityView() = default;

LightSample EntityView::lightAt(const Point& position) const {
    if (grid) {
        return grid->sample(position);
    }
    LightSample fromAbove;
    fromAbove.ambient = {kFallbackLight, kFallbackLight, kFallbackLight};
    fromAbove.directed = fromAbove.ambient;
    return fromAbove;
}

void EntityView::loadModels(const AssetStore& assets, std::ostream& log) {
    if (modelsRead) {
        return;
    }
    modelsRead = true;
    const auto start = std::chrono::steady_clock::now();
    // Each path once: its model's index, or nothing when it is missing or bad.
    std::unordered_map<std::string, std::optional<std::size_t>> byPath;
    std::unordered_map<std::string, std::int32_t> lookIndex;
    std::vector<std::uint8_t> bytes;
    for (Instance& instance : instances) {
        for (const std::string_view pathView : modelPathsOf(instance.placement.className)) {
            const std::string path(pathView);
            auto [slot, fresh] = byPath.try_emplace(path);
            if (fresh) {
                if (!assets.read(path, bytes)) {
                    log << path << ": no such model under the data path; drawn as a marker"
                        << std::endl;
                    continue;
                }
                Md3ReadResult read = readMd3(bytes);
                if (!read.problem.empty()) {
                    log << assets.describe(path) << ": bad model: " << read.problem
                        << "; drawn as a marker" << std::endl;
                    continue;
                }
                LoadedModel loaded;
                loaded.path = path;
                loaded.model = std::move(read.model);
                sweepBox(loaded);
                for (const Md3Surface& surface : loaded.model.surfaces) {
                    SurfaceLook look;
                    if (!surface.shader.empty()) {
                        const auto [name, added] = lookIndex.try_emplace(
                            surface.shader, static_cast<std::int32_t>(lookNames.size()));
                        if (added) {
                            lookNames.push_back(surface.shader);
                        }
                        look.name = name->second;
                    }
                    loaded.looks.push_back(look);
                }
                slot->second = models.size();
                models.push_back(std::move(loaded));
            }
            if (slot->second) {
                instance.parts.push_back(*slot->second);
            }
        }
    }
    buildBatches();
    buildMarkers();
    modelMs = millisecondsSince(start);
}

void EntityView::loadSurfaceLooks(const AssetStore& assets, const MaterialScripts& scripts,
                                  GLuint white, ImageLibrary* images, std::ostream& log) {
    if (surfaceImages != nullptr) {
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    surfaceImages = std::make_unique<FaceTextures>(assets, lookNames, log, &scripts, images);
    surfaceMaterials = std::make_unique<LevelMaterials>(
        lookNames, std::vector<std::int32_t>(lookNames.size(), 0), scripts, *surfaceImages, white);
    lookMs = millisecondsSince(start);
}

void EntityView::prepare(const AssetStore& assets, const MaterialScripts* scripts, GLuint white,
                         ImageLibrary* images, std::ostream& log) {
    if (!modelsRead) {
        loadModels(assets, log);
        log << "entities: " << instances.size() << " placed, " << models.size()
            << " model files read in " << modelMs << " ms" << std::endl;
    }
    if (scripts != nullptr && surfaceImages == nullptr) {
        loadSurfaceLooks(assets, *scripts, white, images, log);
        log << "entities: " << lookNames.size() << " surface images and materials in " << lookMs
            << " ms" << std::endl;
    }
}

bool EntityView::visible(const Instance& instance, const EntityDrawSettings& settings) const {
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

void EntityView::draw(const EntityDrawSettings& settings) {
    lastModels = 0;
    lastMarkers = 0;
    markerIndices.clear();
    setPlainState();
    binder.forget();
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
    const double turnDegrees = std::fmod(settings.clockSeconds * kTurnDegreesPerSecond, 360.0);
    const auto turnRadians = static_cast<float>(turnDegrees * std::numbers::pi / 180.0);
    for (const Instance& instance : instances) {
        if (!visible(instance, settings)) {
            continue;
        }
        if (instance.parts.empty()) {
            for (std::uint32_t v = 0; v < instance.markerVertices; ++v) {
                markerIndices.push_back(instance.firstMarkerVertex + v);
            }
            ++lastMarkers;
        } else {
            placeInstance(instance, turnRadians);
            ++lastModels;
        }
    }
    drawBatches(settings);
    // Every visible marker in one call.
    drawMarkers();
}

void EntityView::buildBatches() {
    for (const Instance& instance : instances) {
        for (const std::size_t part : instance.parts) {
            ++models[part].instanceCount;
        }
    }
    for (LoadedModel& loaded : models) {
        const std::size_t copies = loaded.instanceCount;
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
            loaded.batches.push_back(std::move(batch));
        }
    }
}

void EntityView::placeInstance(const Instance& instance, float turnRadians) {
    // As a turn about the vertical axis by turnRadians: x' = x c + z s, z' = z c - x s.
    const float c = std::cos(turnRadians);
    const float s = std::sin(turnRadians);
    const Point& at = instance.placement.origin;
    for (const std::size_t part : instance.parts) {
        LoadedModel& loaded = models[part];
        const std::size_t copy = loaded.placed++;
        for (std::size_t i = 0; i < loaded.model.surfaces.size(); ++i) {
            const Md3Surface& surface = loaded.model.surfaces[i];
            SurfaceBatch& batch = loaded.batches[i];
            const std::size_t vertices = surface.vertexCount();
            float* positions = batch.positions.data() + 3 * vertices * copy;
            float* normals = batch.normals.data() + 3 * vertices * copy;
            for (std::size_t v = 0; v < 3 * vertices; v += 3) {
                const float* p = &surface.positions[v];
                const float* n = &surface.normals[v];
                positions[v] = at.getX() + p[0] * c + p[2] * s;
                positions[v + 1] = at.getY() + p[1];
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

void EntityView::drawBatches(const EntityDrawSettings& settings) {
    for (LoadedModel& loaded : models) {
        if (loaded.placed == 0) {
            continue;
        }
        for (std::size_t i = 0; i < loaded.model.surfaces.size(); ++i) {
            const SurfaceBatch& batch = loaded.batches[i];
            glVertexPointer(3, GL_FLOAT, 0, batch.positions.data());
            glNormalPointer(GL_FLOAT, 0, batch.normals.data());
            glTexCoordPointer(2, GL_FLOAT, 0, batch.texCoords.data());
            glColorPointer(4, GL_UNSIGNED_BYTE, 0, batch.colours.data());
            const std::size_t indices = loaded.model.surfaces[i].indices.size() * loaded.placed;
            drawSurface(static_cast<GLsizei>(indices), batch.indices.data(), loaded.looks[i],
                        settings);
        }
        loaded.placed = 0;
    }
}

void EntityView::drawSurface(GLsizei indexCount, const std::uint32_t* indices,
                             const SurfaceLook& look, const EntityDrawSettings& settings) {
    const bool hasLook = look.name >= 0 && surfaceImages != nullptr;
    if (settings.look == EntityLook::materials && hasLook) {
        const LevelMaterial& material = surfaceMaterials->of(look.name);
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
        image = surfaceImages->textureFor(look.name);
        blend.alphaTest =
            surfaceImages->hasAlpha(look.name) ? AlphaTest::atLeast128 : AlphaTest::none;
    }
    bindPlain(blend, image);
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, indices);
}

void EntityView::drawPass(GLsizei indexCount, const std::uint32_t* indices,
                          const MaterialPass& pass, const EntityDrawSettings& settings) {
    // A model has no lightmap page for a lightmap stage to show.
    if (pass.unit0IsLightmap || pass.frameCount == 0) {
        return;
    }
    const MaterialStage* stage = pass.stage;
    binder.setBlend(blendOf(pass));
    const std::size_t frame =
        stage == nullptr ? 0 : animationFrame(*stage, settings.clockSeconds) % pass.frameCount;
    binder.setImage(pass.frames[frame]);
    const bool moves = stage != nullptr && !stage->texCoordMods.empty();
    TexCoordMatrix matrix;
    if (moves) {
        matrix = wholeStageTexCoordMatrix(*stage, settings.clockSeconds);
    }
    binder.setMatrix(moves ? &matrix : nullptr);
    binder.setEnvironmentMapping(stage != nullptr &&
                                 stage->texCoordGen == TexCoordGen::environment);
    const bool lit = litByGrid(pass);
    binder.setColourArray(lit);
    if (!lit) {
        const std::array<float, 4> colour = stageColour(*stage, settings.clockSeconds);
        glColor4f(colour[0], colour[1], colour[2], colour[3]);
    }
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_INT, indices);
}

void EntityView::bindPlain(const PassBlend& blend, GLuint image) {
    binder.setBlend(blend);
    binder.setImage(image);
    binder.setMatrix(nullptr);
    binder.setEnvironmentMapping(false);
    binder.setColourArray(true);
}

void EntityView::buildMarkers() {
    const float h = kMarkerHalfSize;
    const std::array<float, 3> corners[6] = {{h, 0, 0},  {0, 0, h}, {-h, 0, 0},
                                             {0, 0, -h}, {0, h, 0}, {0, -h, 0}};
    for (Instance& instance : instances) {
        if (!instance.parts.empty()) {
            continue;
        }
        instance.firstMarkerVertex = static_cast<std::uint32_t>(markerPositions.size() / 3);
        const Point& at = instance.placement.origin;
        const std::array<float, 3> colour = familyColour(instance.family);
        const auto vertex = [&](const std::array<float, 3>& offset,
                                const std::array<float, 3>& rgb) {
            markerPositions.insert(
                markerPositions.end(),
                {at.getX() + offset[0], at.getY() + offset[1], at.getZ() + offset[2]});
            for (const float channel : rgb) {
                markerColours.push_back(static_cast<std::uint8_t>(std::lround(255 * channel)));
            }
            markerColours.push_back(255);
        };
        // A diamond: eight faces, the upper four lighter and alternate sides darker, so that its
        // shape reads without lighting.
        for (int side = 0; side < 4; ++side) {
            for (int half = 0; half < 2; ++half) {
                const float shade = (half == 0 ? 1.0f : 0.6f) * (side % 2 == 0 ? 1.0f : 0.85f);
                const std::array<float, 3> shaded{colour[0] * shade, colour[1] * shade,
                                                  colour[2] * shade};
                // Wound clockwise seen from outside, the level's front, so back faces are culled.
                const int first = half == 0 ? side : (side + 1) % 4;
                const int second = half == 0 ? (side + 1) % 4 : side;
                vertex(corners[first], shaded);
                vertex(corners[second], shaded);
                vertex(corners[4 + half], shaded);
            }
        }
        if (instance.family == EntityFamily::spawn) {
            // A white pointer, flat and upright: the angle turns about the file's up axis from
            // its +x, which is the viewer's +x, toward its +y, the viewer's -z.
            const double radians = instance.placement.angleDegrees * std::numbers::pi / 180.0;
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
                vertex(tip, white);
                vertex(fin[f], white);
                vertex(fin[f + 1], white);
                vertex(tip, white);
                vertex(fin[f + 1], white);
                vertex(fin[f], white);
            }
        }
        instance.markerVertices =
            static_cast<std::uint32_t>(markerPositions.size() / 3) - instance.firstMarkerVertex;
    }
    markerIndices.reserve(markerPositions.size() / 3);
}

void EntityView::drawMarkers() {
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

void EntityView::sweepBox(LoadedModel& loaded) {
    bool first = true;
    for (const Md3Surface& surface : loaded.model.surfaces) {
        for (std::size_t i = 0; i + 2 < surface.positions.size(); i += 3) {
            const float x = surface.positions[i];
            const float y = surface.positions[i + 1];
            const float z = surface.positions[i + 2];
            loaded.radius = std::max(loaded.radius, std::sqrt(x * x + z * z));
            loaded.low = first ? y : std::min(loaded.low, y);
            loaded.high = first ? y : std::max(loaded.high, y);
            first = false;
        }
    }
}

std::optional<EntityHit> EntityView::pick(const Point& eye, const Vec3& direction) const {
    const float length =
        std::sqrt(direction.getX() * direction.getX() + direction.getY() * direction.getY() +
                  direction.getZ() * direction.getZ());
    if (!(length > 0.0f)) {
        return std::nullopt;
    }
    const Vec3 unit(direction.getX() / length, direction.getY() / length,
                    direction.getZ() / length);
    std::optional<EntityHit> nearest;
    for (const Instance& instance : instances) {
        float radius = kMarkerHalfSize;
        float low = -kMarkerHalfSize;
        float high = kMarkerHalfSize;
        if (!instance.parts.empty()) {
            radius = 0.0f;
            low = std::numeric_limits<float>::max();
            high = -low;
            for (const std::size_t part : instance.parts) {
                radius = std::max(radius, models[part].radius);
                low = std::min(low, models[part].low);
                high = std::max(high, models[part].high);
            }
        }
        const Point& origin = instance.placement.origin;
        const std::optional<float> distance = rayMeetsBox(
            eye, unit, Point(origin.getX() - radius, origin.getY() + low, origin.getZ() - radius),
            Point(origin.getX() + radius, origin.getY() + high, origin.getZ() + radius));
        if (!distance || (nearest && *distance >= nearest->distance)) {
            continue;
        }
        nearest = EntityHit{instance.placement.entity, *distance, {}};
        for (const std::size_t part : instance.parts) {
            nearest->modelFiles.push_back(models[part].path);
        }
    }
    return nearest;
}
