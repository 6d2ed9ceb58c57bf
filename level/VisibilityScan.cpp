// VisibilityScan: the per-cluster sums over the potentially visible sets, the column traces that
// find the floors, and the yaw sectors of a place's view.
#include "level/VisibilityScan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>

#include "level/BSPMap.h"
#include "level/BrushModels.h"

namespace {

constexpr int kYawCount = 8;
constexpr double kYawStep = 360.0 / kYawCount;
constexpr double kHalfView = 45.0;
// The traces start and end this far beyond the leaves' boxes, in the level's outside.
constexpr double kTraceMargin = 16.0;
// A triangle is floor when its normal is within about 45 degrees of straight up.
constexpr double kFloorNormalY = 0.7;
// A brush of these contents is one a player cannot stand inside.
constexpr std::int32_t kSolidContents = 0x1;
// Floors closer than this (a decal over the floor, a face on the solid's top) are one floor.
constexpr double kSameFloor = 8.0;

// A stretch of a vertical line inside one leaf, from its top down to its bottom.
struct ColumnSpan {
    std::int32_t leaf = 0;
    double top = 0.0;
    double bottom = 0.0;
};

struct PendingSpan {
    std::int32_t child = 0;
    double top = 0.0;
    double bottom = 0.0;
};

// The leaves the vertical line at (x, z) passes through from top to bottom. The stack is explicit
// because a tree may be as deep as it has nodes; the validator guarantees it has no loops.
void traceColumn(const BSPMap& level, double x, double z, double top, double bottom,
                 std::vector<PendingSpan>& stack, std::vector<ColumnSpan>& spans) {
    spans.clear();
    stack.assign(1, {0, top, bottom});
    while (!stack.empty()) {
        const PendingSpan span = stack.back();
        stack.pop_back();
        if (span.child < 0) {
            spans.push_back({-(span.child + 1), span.top, span.bottom});
            continue;
        }
        const Node& node = level.getNodes()[std::size_t(span.child)];
        const Plane& plane = level.getPlanes()[std::size_t(node.plane)];
        const Vec3 n = plane.getNormal();
        const double across = n.getX() * x + n.getZ() * z - plane.getDistance();
        const double atTop = across + n.getY() * span.top;
        const double atBottom = across + n.getY() * span.bottom;
        if (atTop >= 0.0 && atBottom >= 0.0) {
            stack.push_back({node.front, span.top, span.bottom});
        } else if (atTop < 0.0 && atBottom < 0.0) {
            stack.push_back({node.back, span.top, span.bottom});
        } else {
            const double cut = span.top + (span.bottom - span.top) * atTop / (atTop - atBottom);
            // The lower part goes on the stack first, so the upper one is taken first.
            stack.push_back({atTop >= 0.0 ? node.back : node.front, cut, span.bottom});
            stack.push_back({atTop >= 0.0 ? node.front : node.back, span.top, cut});
        }
    }
}

// The leaves' box in viewer axes; the axis change may leave a leaf's mins above its maxs.
struct LeafBounds {
    std::array<double, 3> low{1e30, 1e30, 1e30};
    std::array<double, 3> high{-1e30, -1e30, -1e30};
    void add(const Leaf& leaf) {
        for (int k = 0; k < 3; ++k) {
            low[k] = std::min({low[k], double(leaf.mins[k]), double(leaf.maxs[k])});
            high[k] = std::max({high[k], double(leaf.mins[k]), double(leaf.maxs[k])});
        }
    }
    bool empty() const { return low[0] > high[0]; }
};

// The first grid column at or above low.
double firstColumn(double low) {
    const double step = VisibilityScan::kPlaceSpacing;
    return std::ceil((low - VisibilityScan::kPlaceOffset) / step) * step +
           VisibilityScan::kPlaceOffset;
}

// The camera yaw that looks from the eye toward a point dx, dz away (viewer axes): yaw 0 looks
// along -z, 90 along +x.
double yawToward(double dx, double dz) {
    return std::atan2(dx, -dz) * 180.0 / std::numbers::pi;
}

// True when point lies inside a solid brush the leaf lists (a detail brush, which the tree does not
// make a solid leaf). Every index comes from the file, hence the checks.
bool insideSolidBrush(const BSPMap& level, std::int32_t leafIndex, const Point& point) {
    const Leaf& leaf = level.getLeaves()[std::size_t(leafIndex)];
    const auto& leafBrushes = level.getLeafBrushes();
    const auto& brushes = level.getBrushes();
    const auto& sides = level.getBrushSides();
    const auto& planes = level.getPlanes();
    const auto& contents = level.getTextureContents();
    for (std::int64_t k = leaf.firstLeafBrush;
         k >= 0 && k < std::int64_t(leaf.firstLeafBrush) + leaf.numLeafBrushes &&
         k < std::int64_t(leafBrushes.size());
         ++k) {
        const std::int32_t brushIndex = leafBrushes[std::size_t(k)];
        if (brushIndex < 0 || std::size_t(brushIndex) >= brushes.size()) {
            continue;
        }
        const Brush& brush = brushes[std::size_t(brushIndex)];
        if (brush.texture < 0 || std::size_t(brush.texture) >= contents.size() ||
            (contents[std::size_t(brush.texture)] & kSolidContents) == 0 || brush.numSides <= 0 ||
            brush.firstSide < 0 ||
            std::int64_t(brush.firstSide) + brush.numSides > std::int64_t(sides.size())) {
            continue;
        }
        bool inside = true;
        for (std::int32_t side = 0; side < brush.numSides && inside; ++side) {
            const std::int32_t plane = sides[std::size_t(brush.firstSide + side)].plane;
            inside = plane >= 0 && std::size_t(plane) < planes.size() &&
                     !planes[std::size_t(plane)].isInFront(point);
        }
        if (inside) {
            return true;
        }
    }
    return false;
}

// Corner k of a polygon or mesh face; null where an index runs outside the level's arrays.
const Vertex* meshCorner(const BSPMap& level, const Face& face, std::int32_t k) {
    const auto& meshVertices = level.getMeshVertices();
    const auto& vertices = level.getVertices();
    const std::int64_t mesh = std::int64_t(face.firstMeshVertex) + k;
    if (mesh < 0 || mesh >= std::int64_t(meshVertices.size())) {
        return nullptr;
    }
    const std::int64_t vertex = std::int64_t(face.firstVertex) + meshVertices[std::size_t(mesh)];
    return vertex >= 0 && vertex < std::int64_t(vertices.size()) ? &vertices[std::size_t(vertex)]
                                                                 : nullptr;
}

// A triangle a player stands on: level enough by its slope, and facing up by faceUp (the face's
// normal's y) or, when that is negative, by its corners' normals, which tell a floor from a
// ceiling where the winding does not.
bool isFloorTriangle(const Vertex& a, const Vertex& b, const Vertex& c, double faceUp) {
    const double u[3] = {b.position[0] - a.position[0], b.position[1] - a.position[1],
                         b.position[2] - a.position[2]};
    const double v[3] = {c.position[0] - a.position[0], c.position[1] - a.position[1],
                         c.position[2] - a.position[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const double up = faceUp >= 0.0 ? faceUp : (a.normal[1] + b.normal[1] + c.normal[1]) / 3.0;
    return length > 0.0 && std::fabs(n[1]) >= kFloorNormalY * length && up >= kFloorNormalY;
}

}  // namespace

std::int64_t faceTriangles(const Face& face) {
    switch (face.type) {
        case kPolygonFace:
        case kMeshFace:
            return std::max(0, face.numMeshVertices) / 3;
        case kPatchFace: {
            std::int64_t count = 0;
            for (const BezierPatch& patch : face.patches) {
                count += 2 * std::int64_t(patch.getTessLevel()) * patch.getTessLevel();
            }
            return count;
        }
        default:
            return 0;
    }
}

VisibilityScan::VisibilityScan(const BSPMap& scanned, const BrushModels& brushes,
                               float eyeAboveFloor)
    : level(scanned) {
    const VisData& vis = level.getVisData();
    visibility = vis.hasRows() && vis.numClusters > 0;
    std::int32_t clusters = visibility ? vis.numClusters : 0;
    if (!visibility) {
        for (const Leaf& leaf : level.getLeaves()) {
            clusters = std::max(clusters, leaf.cluster + 1);
        }
    }
    loads.assign(std::size_t(clusters), ClusterLoad{});
    collectClusterFaces(brushes);
    measureClusters();
    collectFloorFaces();
    findPlaces(eyeAboveFloor);
}

void VisibilityScan::collectClusterFaces(const BrushModels& brushes) {
    const auto& faces = level.getFaces();
    const auto& flags = level.getTextureFlags();
    triangles.assign(faces.size(), 0);
    for (std::size_t face = 0; face < faces.size(); ++face) {
        const std::int32_t texture = faces[face].texture;
        const bool undrawn = texture >= 0 && std::size_t(texture) < flags.size() &&
                             isUndrawnSurface(flags[std::size_t(texture)]);
        triangles[face] = undrawn ? 0 : faceTriangles(faces[face]);
    }
    clusterFaces.assign(loads.size(), {});
    const auto addFace = [&](std::int32_t cluster, std::int32_t face) {
        if (cluster >= 0 && std::size_t(cluster) < clusterFaces.size() && face >= 0 &&
            std::size_t(face) < faces.size() && triangles[std::size_t(face)] > 0) {
            clusterFaces[std::size_t(cluster)].push_back(face);
        }
    };
    const auto& leafFaces = level.getLeafFaces();
    for (const Leaf& leaf : level.getLeaves()) {
        for (std::int32_t k = 0; k < leaf.numLeafFaces; ++k) {
            addFace(leaf.cluster, leafFaces[std::size_t(leaf.firstLeafFace + k)]);
        }
    }
    for (const BrushEntity& entity : brushes.entities()) {
        for (const std::int32_t cluster : entity.clusters) {
            for (std::int32_t k = 0; k < entity.numFaces; ++k) {
                addFace(cluster, entity.firstFace + k);
            }
        }
    }
    for (std::vector<std::int32_t>& list : clusterFaces) {
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
    }
}

void VisibilityScan::measureClusters() {
    // stamp[face] is one more than the last cluster that counted the face.
    std::vector<std::int32_t> stamp(level.getFaces().size(), 0);
    const std::int32_t count = clusterCount();
    for (std::int32_t cluster = 0; cluster < count; ++cluster) {
        ClusterLoad& load = loads[std::size_t(cluster)];
        for (std::int32_t seen = 0; seen < count; ++seen) {
            if (!level.isClusterVisible(cluster, seen)) {
                continue;
            }
            ++load.clustersSeen;
            for (const std::int32_t face : clusterFaces[std::size_t(seen)]) {
                if (stamp[std::size_t(face)] != cluster + 1) {
                    stamp[std::size_t(face)] = cluster + 1;
                    ++load.faces;
                    load.triangles += triangles[std::size_t(face)];
                }
            }
        }
    }
}

void VisibilityScan::collectFloorFaces() {
    const auto& faces = level.getFaces();
    floorFaces.assign(faces.size(), FloorFace{});
    for (std::size_t index = 0; index < faces.size(); ++index) {
        const Face& face = faces[index];
        FloorFace& floor = floorFaces[index];
        floor.first = floorCorners.size();
        const auto add = [&](const Vertex& a, const Vertex& b, const Vertex& c, double faceUp) {
            if (isFloorTriangle(a, b, c, faceUp)) {
                for (const Vertex* v : {&a, &b, &c}) {
                    floorCorners.emplace_back(v->position[0], v->position[1], v->position[2]);
                }
            }
        };
        if (triangles[index] == 0) {
            continue;
        }
        if (face.type == kPolygonFace || face.type == kMeshFace) {
            // A polygon's own normal is the one the compiler gave it; a mesh goes by its corners.
            const double faceUp = face.type == kPolygonFace ? face.normal[1] : -1.0;
            for (std::int32_t k = 0; k + 2 < face.numMeshVertices; k += 3) {
                const Vertex* a = meshCorner(level, face, k);
                const Vertex* b = meshCorner(level, face, k + 1);
                const Vertex* c = meshCorner(level, face, k + 2);
                if (a != nullptr && b != nullptr && c != nullptr) {
                    add(*a, *b, *c, faceUp);
                }
            }
        } else if (face.type == kPatchFace) {
            for (const BezierPatch& patch : face.patches) {
                const auto grid = patch.getVertices();
                const std::size_t side = std::size_t(patch.getTessLevel()) + 1;
                for (std::size_t row = 0; row + 1 < side && grid.size() >= side * side; ++row) {
                    for (std::size_t column = 0; column + 1 < side; ++column) {
                        const std::size_t at = row * side + column;
                        add(grid[at], grid[at + 1], grid[at + side], -1.0);
                        add(grid[at + 1], grid[at + side + 1], grid[at + side], -1.0);
                    }
                }
            }
        }
        floor.count = (floorCorners.size() - floor.first) / 3;
        frameFloor(floor);
    }
}

void VisibilityScan::frameFloor(FloorFace& floor) const {
    floor.low[0] = floor.low[1] = 1e30f;
    floor.high[0] = floor.high[1] = -1e30f;
    for (std::size_t k = floor.first; k < floor.first + 3 * floor.count; ++k) {
        floor.low[0] = std::min(floor.low[0], floorCorners[k].getX());
        floor.high[0] = std::max(floor.high[0], floorCorners[k].getX());
        floor.low[1] = std::min(floor.low[1], floorCorners[k].getZ());
        floor.high[1] = std::max(floor.high[1], floorCorners[k].getZ());
    }
}

void VisibilityScan::floorHits(std::int32_t leaf, double x, double z, double bottom, double top,
                               std::vector<double>& heights) const {
    const Leaf& record = level.getLeaves()[std::size_t(leaf)];
    for (std::int32_t k = 0; k < record.numLeafFaces; ++k) {
        const auto face = std::size_t(level.getLeafFaces()[std::size_t(record.firstLeafFace + k)]);
        const FloorFace& floor = floorFaces[face];
        if (floor.count == 0 || x < floor.low[0] || x > floor.high[0] || z < floor.low[1] ||
            z > floor.high[1]) {
            continue;
        }
        for (std::size_t t = 0; t < floor.count; ++t) {
            const Point& a = floorCorners[floor.first + 3 * t];
            const Point& b = floorCorners[floor.first + 3 * t + 1];
            const Point& c = floorCorners[floor.first + 3 * t + 2];
            const double area = (b.getX() - a.getX()) * (c.getZ() - a.getZ()) -
                                (b.getZ() - a.getZ()) * (c.getX() - a.getX());
            const double wa =
                ((b.getX() - x) * (c.getZ() - z) - (b.getZ() - z) * (c.getX() - x)) / area;
            const double wb =
                ((c.getX() - x) * (a.getZ() - z) - (c.getZ() - z) * (a.getX() - x)) / area;
            const double wc = 1.0 - wa - wb;
            if (area == 0.0 || wa < 0.0 || wb < 0.0 || wc < 0.0) {
                continue;
            }
            const double height = wa * a.getY() + wb * b.getY() + wc * c.getY();
            if (height > bottom && height < top) {
                heights.push_back(height);
            }
        }
    }
}

void VisibilityScan::findPlaces(float eyeAboveFloor) {
    LeafBounds world;
    LeafBounds open;
    for (const Leaf& leaf : level.getLeaves()) {
        world.add(leaf);
        if (leaf.cluster >= 0) {
            open.add(leaf);
        }
    }
    if (open.empty() || level.getNodes().empty()) {
        return;
    }
    const double top = world.high[1] + kTraceMargin;
    const double bottom = world.low[1] - kTraceMargin;
    std::vector<PendingSpan> stack;
    std::vector<ColumnSpan> spans;
    std::vector<double> heights;
    const auto isOpen = [&](const ColumnSpan& span) { return level.clusterOfLeaf(span.leaf) >= 0; };
    for (double x = firstColumn(open.low[0]); x <= open.high[0]; x += kPlaceSpacing) {
        for (double z = firstColumn(open.low[2]); z <= open.high[2]; z += kPlaceSpacing) {
            traceColumn(level, x, z, top, bottom, stack, spans);
            for (std::size_t k = 0; k < spans.size(); ++k) {
                // A run of empty leaves from spans[k] down to spans[last] that ends on a solid
                // one; a run that leaves the level at the bottom has no floor.
                if (!isOpen(spans[k]) || (k > 0 && isOpen(spans[k - 1]))) {
                    continue;
                }
                std::size_t last = k;
                while (last + 1 < spans.size() && isOpen(spans[last + 1])) {
                    ++last;
                }
                if (last + 1 == spans.size()) {
                    continue;
                }
                const double runTop = spans[k].top;
                heights.assign(1, spans[last].bottom);
                for (std::size_t in = k; in <= last; ++in) {
                    floorHits(spans[in].leaf, x, z, spans[last].bottom, runTop, heights);
                }
                addPlaces(x, z, runTop, heights, eyeAboveFloor);
            }
        }
    }
}

void VisibilityScan::addPlaces(double x, double z, double runTop, std::vector<double>& floors,
                               float eyeAboveFloor) {
    // Highest first; a floor just under the one above it is the same floor.
    std::sort(floors.begin(), floors.end(), std::greater<>());
    double ceiling = runTop;
    double above = runTop + kSameFloor;
    for (const double floor : floors) {
        if (above - floor < kSameFloor) {
            continue;
        }
        above = floor;
        const double eyeY = std::round(floor + eyeAboveFloor);
        const Point eye(static_cast<float>(x), static_cast<float>(eyeY), static_cast<float>(z));
        const std::int32_t leaf = level.findLeaf(eye);
        const std::int32_t cluster = level.clusterOfLeaf(leaf);
        if (eyeY < ceiling && cluster >= 0 && cluster < clusterCount() &&
            !insideSolidBrush(level, leaf, eye)) {
            placeList.push_back({eye, cluster});
        }
        ceiling = floor;
    }
}

std::vector<std::size_t> VisibilityScan::heaviestPlaces(std::size_t count) const {
    std::vector<std::size_t> order(placeList.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        order[k] = k;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return loadAt(placeList[a]).triangles > loadAt(placeList[b]).triangles;
    });
    order.resize(std::min(count, order.size()));
    return order;
}

std::int64_t VisibilityScan::medianTriangles() const {
    if (placeList.empty()) {
        return 0;
    }
    std::vector<std::int64_t> figures;
    figures.reserve(placeList.size());
    for (const ScanPlace& place : placeList) {
        figures.push_back(loadAt(place).triangles);
    }
    const auto middle = figures.begin() + std::ptrdiff_t(figures.size() / 2);
    std::nth_element(figures.begin(), middle, figures.end());
    return *middle;
}

std::int64_t VisibilityScan::worstTriangles() const {
    std::int64_t worst = 0;
    for (const ScanPlace& place : placeList) {
        worst = std::max(worst, loadAt(place).triangles);
    }
    return worst;
}

std::vector<std::int32_t> VisibilityScan::visibleFaces(std::int32_t cluster) const {
    std::vector<std::int32_t> faces;
    for (std::int32_t seen = 0; seen < clusterCount(); ++seen) {
        if (level.isClusterVisible(cluster, seen)) {
            const auto& list = clusterFaces[std::size_t(seen)];
            faces.insert(faces.end(), list.begin(), list.end());
        }
    }
    std::sort(faces.begin(), faces.end());
    faces.erase(std::unique(faces.begin(), faces.end()), faces.end());
    return faces;
}

int VisibilityScan::heaviestYaw(const ScanPlace& place) const {
    std::array<std::int64_t, kYawCount> inView{};
    const auto& vertices = level.getVertices();
    for (const std::int32_t index : visibleFaces(place.cluster)) {
        const Face& face = level.getFaces()[std::size_t(index)];
        double sum[3] = {0.0, 0.0, 0.0};
        std::int32_t used = 0;
        for (std::int32_t k = 0; k < face.numVertices; ++k) {
            const std::int64_t vertex = std::int64_t(face.firstVertex) + k;
            if (vertex < 0 || vertex >= std::int64_t(vertices.size())) {
                break;
            }
            for (int axis = 0; axis < 3; ++axis) {
                sum[axis] += vertices[std::size_t(vertex)].position[axis];
            }
            ++used;
        }
        if (used == 0) {
            continue;
        }
        const double dx = sum[0] / used - place.eye.getX();
        const double dz = sum[2] / used - place.eye.getZ();
        const double toward = yawToward(dx, dz);
        for (int yaw = 0; yaw < kYawCount; ++yaw) {
            const double off = std::remainder(toward - yaw * kYawStep, 360.0);
            if (std::fabs(off) <= kHalfView) {
                inView[std::size_t(yaw)] += triangles[std::size_t(index)];
            }
        }
    }
    const auto heaviest = std::max_element(inView.begin(), inView.end());
    return static_cast<int>(heaviest - inView.begin()) * static_cast<int>(kYawStep);
}
