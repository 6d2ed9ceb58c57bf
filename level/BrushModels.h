// BrushModels: the level's brush entities (an entity whose "model" is "*N"), the submodel faces
// each one draws, the clusters its reach touches, and where it stands at a clock time. No GL.
#pragma once

#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/Point.h"

class BSPMap;

enum class BrushMotion { fixed, plat, bobbing, rotating, pendulum, train };

// An axis-aligned box in viewer axes; low is not above high on any axis.
struct BrushBox {
    std::array<float, 3> low{};
    std::array<float, 3> high{};
};

// One corner of a train's path, in viewer axes.
struct TrainCorner {
    Point place;
    // Seconds the train stands here each time it arrives (and at the start, for the first).
    float waitSeconds = 0.0f;
    // The speed of the leg that starts here, units per second.
    float unitsPerSecond = 100.0f;
};

struct BrushEntity {
    std::size_t entity = 0;  // its place in the level's entity list
    std::string className;
    std::string targetName;  // "" when it has none
    std::int32_t model = 0;  // the submodel, 1 or more
    std::int32_t firstFace = 0;
    std::int32_t numFaces = 0;
    // The submodel's box as compiled (about origin when the entity has one).
    BrushBox box;
    // Every place the box reaches over its motion, in the level.
    BrushBox reach;
    BrushMotion motion = BrushMotion::fixed;
    Point origin;  // viewer axes; (0, 0, 0) when the entity has none
    // The file axis (0 x, 1 y, 2 z) it moves along or turns about.
    int axis = 2;
    // Plat: how far it is lowered; bobbing: the swing either way (level units).
    float height = 0.0f;
    // Bobbing and pendulum: seconds per cycle and the part of a cycle it starts at.
    float periodSeconds = 1.0f;
    float phase = 0.0f;
    // Rotating: degrees per second; pendulum: the swing either way in degrees.
    float degrees = 0.0f;
    // Train: its corners in travel order, its own speed (units per second) for the corners that
    // give none, and the corner the path goes back to after the last; -1 when it stops there
    // (the path ends at a corner whose wait is -1).
    std::vector<TrainCorner> path;
    float unitsPerSecond = 100.0f;
    std::int32_t loopStart = -1;
    // Sorted, each once; empty when the reach lies in no cluster.
    std::vector<std::int32_t> clusters;
};

// A column-major 4 x 4 matrix in viewer axes, as glMultMatrixf takes it.
using BrushTransform = std::array<float, 16>;

class BrushModels {
public:
    BrushModels() = default;
    // Reads the brush entities of a sound level; one line on log per entity that names no
    // usable submodel (left out) or has a number that is not finite (its default used).
    BrushModels(const BSPMap& level, std::ostream& log);

    const std::vector<BrushEntity>& entities() const { return brushEntities; }
    // The brush entity whose submodel holds face; null for a world face.
    const BrushEntity* ownerOfFace(std::int32_t face) const;
    // The placement of entity at clockSeconds: identity for one drawn where compiled.
    static BrushTransform transformAt(const BrushEntity& entity, double clockSeconds);
    // Every face of every brush entity.
    std::size_t faceCount() const { return totalFaces; }

private:
    std::vector<BrushEntity> brushEntities;
    std::size_t totalFaces = 0;
};

// "*N" as a submodel number; -1 when the text is not "*" and decimal digits.
std::int32_t submodelNumber(std::string_view modelKey);
