// LevelFog: fog volumes from the effects lump, and the fog alpha of a point seen from the eye.
#include "render/LevelFog.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "level/BSPMap.h"
#include "render/LevelMaterials.h"
#include "texture/FaceTextures.h"
#include "material/Material.h"
#include "material/MaterialFinder.h"

namespace {

constexpr std::int32_t kNoVolume = -1;
// A distance to opaque below this is opaque at once.
constexpr float kShortestDistance = 1e-3f;
// How far outside its brush a fog surface's vertex may lie and still count as on it.
constexpr double kOnSurface = 1.0;

bool inRange(std::int64_t index, std::size_t size) {
    return index >= 0 && index < static_cast<std::int64_t>(size);
}

std::uint8_t colourByte(float value) {
    return static_cast<std::uint8_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

// The brush's planes, or nothing when the brush, a side or a plane is not in the level.
std::optional<std::vector<BoundingPlane>> brushPlanes(const BSPMap& level, std::int32_t brush) {
    if (!inRange(brush, level.getBrushes().size())) {
        return std::nullopt;
    }
    const Brush& record = level.getBrushes()[static_cast<std::size_t>(brush)];
    const std::int64_t first = record.firstSide;
    const std::int64_t end = first + record.numSides;
    if (record.numSides < 0 || first < 0 || end > std::int64_t(level.getBrushSides().size())) {
        return std::nullopt;
    }
    std::vector<BoundingPlane> planes;
    for (std::int64_t side = first; side < end; ++side) {
        const std::int32_t plane = level.getBrushSides()[static_cast<std::size_t>(side)].plane;
        if (!inRange(plane, level.getPlanes().size())) {
            return std::nullopt;
        }
        const Plane& bound = level.getPlanes()[static_cast<std::size_t>(plane)];
        const Vec3 normal = bound.getNormal();
        planes.push_back({{normal.getX(), normal.getY(), normal.getZ()}, bound.getDistance()});
    }
    return planes;
}

FogVolume volumeOf(const FogParms& parms, std::vector<BoundingPlane> planes) {
    FogVolume volume;
    for (std::size_t i = 0; i < volume.colour.size(); ++i) {
        volume.colour[i] = colourByte(parms.colour[i]);
    }
    volume.distanceToOpaque = std::max(parms.distanceToOpaque, kShortestDistance);
    volume.planes = std::move(planes);
    return volume;
}

bool holds(const FogVolume& volume, const Point3& point) {
    return std::all_of(volume.planes.begin(), volume.planes.end(), [&](const BoundingPlane& plane) {
        return dot(plane.normal, point) - plane.distance <= kOnSurface;
    });
}

}  // namespace

LevelFog::LevelFog(const BSPMap& levelValue, const MaterialFinder& scripts,
                   const LevelMaterials& materials)
    : level(levelValue) {
    const std::vector<Effect>& effects = level.getEffects();
    volumeOfEffect.assign(effects.size(), kNoVolume);
    for (std::size_t e = 0; e < effects.size(); ++e) {
        const Material* material = scripts.find(FaceTextures::withoutExtension(effects[e].shader));
        if (material == nullptr || !material->fogParms) {
            continue;
        }
        std::optional<std::vector<BoundingPlane>> planes = brushPlanes(level, effects[e].brush);
        if (!planes) {
            continue;
        }
        volumeOfEffect[e] = static_cast<std::int32_t>(volumes.size());
        volumes.push_back(volumeOf(*material->fogParms, std::move(*planes)));
        volumeMaterials.push_back(material);
    }
    volumeOfTexture.assign(level.getTextureNames().size(), kNoVolume);
    for (std::size_t t = 0; t < volumeOfTexture.size(); ++t) {
        const Material* material = materials.of(static_cast<std::int32_t>(t)).material;
        const auto found = std::find(volumeMaterials.begin(), volumeMaterials.end(), material);
        if (material != nullptr && found != volumeMaterials.end()) {
            volumeOfTexture[t] = static_cast<std::int32_t>(found - volumeMaterials.begin());
        }
    }
}

const FogVolume* LevelFog::volume(std::int32_t index) const {
    return index == kNoVolume ? nullptr : &volumes[static_cast<std::size_t>(index)];
}

const FogVolume* LevelFog::ofFace(const Face& face) const {
    if (inRange(face.effect, volumeOfEffect.size())) {
        if (const FogVolume* own = volume(volumeOfEffect[static_cast<std::size_t>(face.effect)])) {
            return own;
        }
    }
    if (!inRange(face.texture, volumeOfTexture.size())) {
        return nullptr;
    }
    const FogVolume* first = volume(volumeOfTexture[static_cast<std::size_t>(face.texture)]);
    if (first == nullptr) {
        return nullptr;
    }
    const FogVolume* own = holding(face, volumeMaterials[std::size_t(first - volumes.data())]);
    return own != nullptr ? own : first;
}

const FogVolume* LevelFog::holding(const Face& face, const Material* material) const {
    if (!inRange(face.firstVertex, level.getVertices().size())) {
        return nullptr;
    }
    const float* position = level.getVertices()[std::size_t(face.firstVertex)].position;
    const Point3 point{position[0], position[1], position[2]};
    for (std::size_t v = 0; v < volumes.size(); ++v) {
        if (volumeMaterials[v] == material && holds(volumes[v], point)) {
            return &volumes[v];
        }
    }
    return nullptr;
}

float fogAlpha(const FogVolume& volume, const Point3& eye, const Point3& point) {
    const double inside = lengthInside(eye, point, volume.planes);
    // Written so that a share that is not a number (a point from the file far off) is no fog.
    const double share = inside / volume.distanceToOpaque;
    return share > 0.0 ? static_cast<float>(std::min(share, 1.0)) : 0.0f;
}
