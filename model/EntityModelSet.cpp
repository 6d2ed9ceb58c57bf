// Placing a level's entities, reading their models once, and the view ray's nearest entity.
#include "model/EntityModelSet.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <ostream>

#include "level/BSPMap.h"
#include "model/ItemMotion.h"
#include "assets/AssetStore.h"

namespace {

// Without a light grid: a grey half from all round and half from above, before brightening.
constexpr float kFallbackLight = 32.0f;

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

void sweepBox(EntityModel& loaded) {
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

}  // namespace

std::vector<EntityPlacement> placementsOf(const EntityList& entities) {
    std::vector<EntityPlacement> placements;
    for (std::size_t i = 0; i < entities.entities.size(); ++i) {
        const Entity& entity = entities.entities[i];
        if (const std::optional<Point> origin = entity.placedAt()) {
            placements.push_back({std::string(entity.className()), *origin, entity.angle(), i});
        }
    }
    return placements;
}

EntityModelSet::EntityModelSet(const BSPMap& level, std::vector<EntityPlacement> placements,
                               std::ostream& log) {
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
    placed.reserve(placements.size());
    for (EntityPlacement& placement : placements) {
        EntityInstance instance;
        instance.family = familyOf(placement.className);
        instance.cluster = level.clusterOfLeaf(level.findLeaf(placement.origin));
        instance.light = lightAt(placement.origin);
        instance.placement = std::move(placement);
        placed.push_back(std::move(instance));
    }
}

LightSample EntityModelSet::lightAt(const Point& position) const {
    if (grid) {
        return grid->sample(position);
    }
    LightSample fromAbove;
    fromAbove.ambient = {kFallbackLight, kFallbackLight, kFallbackLight};
    fromAbove.directed = fromAbove.ambient;
    return fromAbove;
}

void EntityModelSet::loadModels(const AssetStore& assets, std::ostream& log) {
    if (modelsRead) {
        return;
    }
    modelsRead = true;
    // Each path once: its model's index, or nothing when it is missing or bad.
    std::unordered_map<std::string, std::optional<std::size_t>> byPath;
    std::unordered_map<std::string, std::int32_t> lookIndex;
    for (EntityInstance& instance : placed) {
        for (const std::string_view pathView : modelPathsOf(instance.placement.className)) {
            const std::string path(pathView);
            auto [slot, fresh] = byPath.try_emplace(path);
            if (fresh) {
                slot->second = readModel(assets, path, lookIndex, log);
            }
            if (slot->second) {
                instance.parts.push_back(*slot->second);
                ++read[*slot->second].instanceCount;
            }
        }
    }
}

std::optional<std::size_t> EntityModelSet::readModel(
    const AssetStore& assets, const std::string& path,
    std::unordered_map<std::string, std::int32_t>& lookIndex, std::ostream& log) {
    std::vector<std::uint8_t> bytes;
    if (!assets.read(path, bytes)) {
        log << path << ": no such model under the data path; drawn as a marker" << std::endl;
        return std::nullopt;
    }
    Md3ReadResult result = readMd3(bytes);
    if (!result.problem.empty()) {
        log << assets.describe(path) << ": bad model: " << result.problem << "; drawn as a marker"
            << std::endl;
        return std::nullopt;
    }
    EntityModel loaded;
    loaded.path = path;
    loaded.model = std::move(result.model);
    sweepBox(loaded);
    for (const Md3Surface& surface : loaded.model.surfaces) {
        std::int32_t look = -1;
        if (!surface.shader.empty()) {
            const auto [name, added] =
                lookIndex.try_emplace(surface.shader, static_cast<std::int32_t>(names.size()));
            if (added) {
                names.push_back(surface.shader);
            }
            look = name->second;
        }
        loaded.looks.push_back(look);
    }
    read.push_back(std::move(loaded));
    return read.size() - 1;
}

std::optional<EntityHit> EntityModelSet::pick(const Point& eye, const Vec3& direction,
                                              const EntityPickSettings& settings) const {
    const float length =
        std::sqrt(direction.getX() * direction.getX() + direction.getY() * direction.getY() +
                  direction.getZ() * direction.getZ());
    if (!(length > 0.0f)) {
        return std::nullopt;
    }
    const Vec3 unit(direction.getX() / length, direction.getY() / length,
                    direction.getZ() / length);
    std::optional<EntityHit> nearest;
    for (const EntityInstance& instance : placed) {
        float radius = kMarkerHalfSize;
        float low = -kMarkerHalfSize;
        float high = kMarkerHalfSize;
        if (instance.parts.empty() && !settings.markers) {
            continue;
        }
        if (!instance.parts.empty()) {
            const float lift =
                ItemMotion::at(instance.placement.origin, settings.clockSeconds).lift;
            radius = 0.0f;
            low = std::numeric_limits<float>::max();
            high = -low;
            for (const std::size_t part : instance.parts) {
                radius = std::max(radius, read[part].radius);
                low = std::min(low, read[part].low);
                high = std::max(high, read[part].high);
            }
            low += lift;
            high += lift;
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
            nearest->modelFiles.push_back(read[part].path);
        }
    }
    return nearest;
}
