// BrushEntities: the per-frame choice of the brush entities to draw and their drawing.
#include <epoxy/gl.h>

#include "render/BrushEntities.h"

#include <algorithm>
#include <cmath>
#include <tuple>

#include "level/BSPMap.h"
#include "render/FaceStyle.h"
#include "render/Frustum.h"
#include "render/VertexSource.h"
#include "render/LevelMaterials.h"
#include "material/Material.h"

namespace {

// Leaf boxes are whole numbers; a reach beyond this is clamped so the conversion stays defined.
constexpr float kFarthest = 1.0e6f;

// The reach as a leaf box, outward to whole units, for the frustum's leaf test.
Leaf leafBoxOf(const BrushBox& box) {
    Leaf leaf;
    for (int k = 0; k < 3; ++k) {
        leaf.mins[k] =
            static_cast<std::int32_t>(std::floor(std::clamp(box.low[k], -kFarthest, kFarthest)));
        leaf.maxs[k] =
            static_cast<std::int32_t>(std::ceil(std::clamp(box.high[k], -kFarthest, kFarthest)));
    }
    return leaf;
}

bool seenFrom(const BSPMap& level, std::int32_t cameraCluster, const BrushEntity& brush) {
    if (brush.clusters.empty()) {
        // Only an eye outside the level, which rules nothing out, sees what lies in no cluster.
        return level.isClusterVisible(cameraCluster, -1);
    }
    return std::any_of(brush.clusters.begin(), brush.clusters.end(), [&](std::int32_t cluster) {
        return level.isClusterVisible(cameraCluster, cluster);
    });
}

}  // namespace

BrushEntities::BrushEntities(const BSPMap& level, std::ostream& log) : brushModels(level, log) {
    for (const BrushEntity& brush : brushModels.entities()) {
        std::vector<std::uint32_t> order(std::size_t(brush.numFaces));
        for (std::size_t k = 0; k < order.size(); ++k) {
            order[k] = static_cast<std::uint32_t>(std::size_t(brush.firstFace) + k);
        }
        faceOrders.push_back(std::move(order));
        opaqueCounts.push_back(std::size_t(brush.numFaces));
    }
    gatheredEntities.reserve(faceOrders.size());
}

void BrushEntities::gather(const BSPMap& level, std::int32_t cameraCluster,
                           const Frustum& frustum) {
    gatheredEntities.clear();
    gatheredFaces = 0;
    const std::vector<BrushEntity>& all = brushModels.entities();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (seenFrom(level, cameraCluster, all[i]) &&
            frustum.leafInFrustum(leafBoxOf(all[i].reach)) != 0) {
            gatheredEntities.push_back(i);
            gatheredFaces += std::size_t(all[i].numFaces);
        }
    }
}

void BrushEntities::sortByMaterials(const LevelMaterials& materials, const BSPMap& level) {
    if (sorted) {
        return;
    }
    sorted = true;
    const std::vector<Face>& faces = level.getFaces();
    // Sort, then texture record and page, so faces of one material draw as one run; stable, so
    // equal faces keep the submodel's order.
    const auto key = [&](std::uint32_t face) {
        const Face& f = faces[face];
        return std::make_tuple(std::max(materials.of(f.texture).sort, MaterialSort::kOpaque),
                               f.texture, f.lightmap);
    };
    for (std::size_t i = 0; i < faceOrders.size(); ++i) {
        std::vector<std::uint32_t>& order = faceOrders[i];
        std::stable_sort(order.begin(), order.end(),
                         [&](std::uint32_t a, std::uint32_t b) { return key(a) < key(b); });
        opaqueCounts[i] = static_cast<std::size_t>(
            std::count_if(order.begin(), order.end(), [&](std::uint32_t face) {
                return materials.of(faces[face].texture).sort <= MaterialSort::kOpaque;
            }));
    }
}

std::size_t BrushEntities::draw(const BSPMap& level, FaceStyle& style, double clockSeconds,
                                Part part, std::vector<std::uint32_t>& runCorners) const {
    LevelVertexSource levelArrays(level.getVertices(), level.getMeshVertices());
    LevelVertexSources sources(levelArrays);
    return draw(level, style, sources, clockSeconds, part, runCorners);
}

std::size_t BrushEntities::draw(const BSPMap& level, FaceStyle& style, VertexSources& sources,
                                double clockSeconds, Part part,
                                std::vector<std::uint32_t>& runCorners) const {
    std::size_t draws = 0;
    for (const std::size_t i : gatheredEntities) {
        std::span<const std::uint32_t> faces = faceOrders[i];
        if (part == Part::opaque) {
            faces = faces.first(opaqueCounts[i]);
        } else if (part == Part::translucent) {
            faces = faces.subspan(opaqueCounts[i]);
        }
        if (faces.empty()) {
            continue;
        }
        const BrushTransform placement =
            BrushModels::transformAt(brushModels.entities()[i], clockSeconds);
        glPushMatrix();
        glMultMatrixf(placement.data());
        sources.modelviewChanged();
        draws += drawFaces(level, faces, style, sources, runCorners);
        glPopMatrix();
        sources.modelviewChanged();
    }
    return draws;
}

namespace {

// The placement's turn applied to (x, y, z), plus its shift when point is true.
Point applied(const BrushTransform& m, double x, double y, double z, bool point) {
    const double w = point ? 1.0 : 0.0;
    return Point(static_cast<float>(m[0] * x + m[4] * y + m[8] * z + m[12] * w),
                 static_cast<float>(m[1] * x + m[5] * y + m[9] * z + m[13] * w),
                 static_cast<float>(m[2] * x + m[6] * y + m[10] * z + m[14] * w));
}

// The same through the inverse of a placement, which is a turn and a shift: the turn's transpose
// after taking the shift off.
Point unapplied(const BrushTransform& m, double x, double y, double z, bool point) {
    if (point) {
        x -= m[12];
        y -= m[13];
        z -= m[14];
    }
    return Point(static_cast<float>(m[0] * x + m[1] * y + m[2] * z),
                 static_cast<float>(m[4] * x + m[5] * y + m[6] * z),
                 static_cast<float>(m[8] * x + m[9] * y + m[10] * z));
}

}  // namespace

BrushEntities::Hit BrushEntities::pick(const BSPMap& level, const Point& eye, const Vec3& direction,
                                       const PickRule& rule, double clockSeconds,
                                       const PickVertices& moved) const {
    Hit nearest;
    for (const std::size_t i : gatheredEntities) {
        const BrushEntity& brush = brushModels.entities()[i];
        const BrushTransform placement = BrushModels::transformAt(brush, clockSeconds);
        const Point localEye = unapplied(placement, eye.getX(), eye.getY(), eye.getZ(), true);
        const Point along =
            unapplied(placement, direction.getX(), direction.getY(), direction.getZ(), false);
        FacePick hit = pickFaceAmong(level, faceOrders[i], localEye,
                                     Vec3(along.getX(), along.getY(), along.getZ()), rule, moved);
        if (hit.hit() && (!nearest.face.hit() || hit.distance < nearest.face.distance)) {
            // A turn keeps lengths, so the distance along the ray holds in the level too.
            hit.point =
                applied(placement, hit.point.getX(), hit.point.getY(), hit.point.getZ(), true);
            nearest = {hit, &brush};
        }
    }
    return nearest;
}
