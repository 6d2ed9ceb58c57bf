// LevelFog: a level's fog volumes (its effects whose shader is a material with fogParms, each
// bounded by its brush's planes) and which faces each one fogs.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "geometry/ConvexClip.h"

class BSPMap;
class Face;
class LevelMaterials;
class MaterialFinder;
struct Material;

struct FogVolume {
    // The fog colour, 0..255 each, as the fog pass's colour array carries it.
    std::array<std::uint8_t, 3> colour{};
    // How far through the fog the eye sees before it is the fog colour alone.
    float distanceToOpaque = 1.0f;
    std::vector<BoundingPlane> planes;
};

class LevelFog {
public:
    // Reads the level's effects and brushes once; an effect whose shader is not a fog material,
    // or whose brush names sides or planes the level does not have, fogs nothing.
    LevelFog(const BSPMap& level, const MaterialFinder& scripts, const LevelMaterials& materials);

    bool empty() const { return volumes.empty(); }
    // The volume a face lies in: its effect's, or for a face of a fog material without one, the
    // volume of that material whose brush holds the face's first vertex (the first of them when
    // none does). Null for a face in no fog.
    const FogVolume* ofFace(const Face& face) const;

private:
    const FogVolume* volume(std::int32_t index) const;
    const FogVolume* holding(const Face& face, const Material* material) const;

    const BSPMap& level;
    std::vector<FogVolume> volumes;
    // The material each volume is drawn with.
    std::vector<const Material*> volumeMaterials;
    // Per effect, and per texture record of a fog material: a volume index, or -1.
    std::vector<std::int32_t> volumeOfEffect;
    std::vector<std::int32_t> volumeOfTexture;
};

// How much of the fog the eye sees a point through: the length of the segment eye..point inside
// the volume over its distance to opaque, 0..1.
float fogAlpha(const FogVolume& volume, const Point3& eye, const Point3& point);
