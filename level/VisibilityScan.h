// VisibilityScan: what each cluster's potentially visible set holds (faces, triangles, clusters),
// the places a player can stand on a 64-unit grid with each place's figures, and the direction
// from a place that sees the most. No GL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/Point.h"

class BSPMap;
class BrushModels;
class Face;

// What one cluster can see: the drawn faces and their triangles in its potentially visible set
// (world and brush-entity faces), and the level's clusters it sees, itself included.
struct ClusterLoad {
    std::int64_t faces = 0;
    std::int64_t triangles = 0;
    std::int32_t clustersSeen = 0;
};

// A player's eye over a floor, in viewer axes, and the cluster it stands in (never negative).
struct ScanPlace {
    Point eye;
    std::int32_t cluster = 0;
};

// The triangles the viewer draws for a face: a third of its mesh vertices for a polygon or mesh,
// each patch's grid at its tessellation level; none for a billboard or a face type it does not
// draw.
std::int64_t faceTriangles(const Face& face);

class VisibilityScan {
public:
    // Places lie on columns 32 + 64k on both horizontal axes, so they stay off the 64-unit grid
    // level makers build walls on.
    static constexpr float kPlaceSpacing = 64.0f;
    static constexpr float kPlaceOffset = 32.0f;

    // Scans a sound level with its brush entities (built for the same level); each place stands
    // eyeAboveFloor units over a floor: the top of a solid leaf, or a world face that points up.
    VisibilityScan(const BSPMap& level, const BrushModels& brushes, float eyeAboveFloor);

    // The level's clusters: the visibility data's, or one past the highest leaf cluster without
    // it (every cluster then sees every other).
    std::int32_t clusterCount() const { return static_cast<std::int32_t>(loads.size()); }
    bool hasVisibility() const { return visibility; }
    const std::vector<ClusterLoad>& clusters() const { return loads; }
    const std::vector<ScanPlace>& places() const { return placeList; }
    const ClusterLoad& loadAt(const ScanPlace& place) const { return loads[place.cluster]; }

    // The places by triangles in view, heaviest first (ties: the order they were found), at most
    // count of them.
    std::vector<std::size_t> heaviestPlaces(std::size_t count) const;
    // The triangles in view at the median place and at the worst; 0 without places.
    std::int64_t medianTriangles() const;
    std::int64_t worstTriangles() const;
    // Of the eight camera yaws 0, 45 .. 315, the one whose 90-degree view about the place holds
    // the most of its cluster's visible triangles (faces by the mean of their vertices); the
    // lowest yaw on a tie.
    int heaviestYaw(const ScanPlace& place) const;
    // Every triangle of a drawn face that a player could stand on, three corners each.
    const std::vector<Point>& floorTriangles() const { return floorCorners; }

private:
    // The triangles of a world face that a player can stand on, and their box across.
    struct FloorFace {
        float low[2] = {0.0f, 0.0f};  // x, z
        float high[2] = {0.0f, 0.0f};
        std::size_t first = 0;  // in floorCorners, three corners a triangle
        std::size_t count = 0;
    };
    void collectFloorFaces();
    // The floor's box across from its triangles.
    void frameFloor(FloorFace& floor) const;
    // Appends the heights (viewer y) where the vertical line at (x, z) meets the floor faces of
    // leaf between bottom and top.
    void floorHits(std::int32_t leaf, double x, double z, double bottom, double top,
                   std::vector<double>& heights) const;
    void collectClusterFaces(const BrushModels& brushes);
    void measureClusters();
    void findPlaces(float eyeAboveFloor);
    // The places over floors (viewer heights, the solid one first) of one column's run of empty
    // leaves up to runTop, each where the eye fits under the floor above it.
    void addPlaces(double x, double z, double runTop, std::vector<double>& floors,
                   float eyeAboveFloor);
    // The faces, each once, in the potentially visible set of cluster.
    std::vector<std::int32_t> visibleFaces(std::int32_t cluster) const;

    const BSPMap& level;
    bool visibility = false;
    // Per face: drawn triangles (0 for a face the viewer does not draw).
    std::vector<std::int64_t> triangles;
    // Per cluster: the drawn faces of its leaves and of the brush entities reaching into it.
    std::vector<std::vector<std::int32_t>> clusterFaces;
    std::vector<ClusterLoad> loads;
    std::vector<FloorFace> floorFaces;
    std::vector<Point> floorCorners;
    std::vector<ScanPlace> placeList;
};
