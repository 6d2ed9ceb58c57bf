// BrushEntities: the per-frame choice of the brush entities to draw and their drawing.
#include <epoxy/gl.h>

#include "render/BrushEntities.h"

#include <algorithm>
#include <cmath>
#include <limits>
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

// A box that every frustum meets, for a face whose drawn vertices its own do not bound.
constexpr BrushBox kEverywhere = {{-kFarthest, -kFarthest, -kFarthest},
                                  {kFarthest, kFarthest, kFarthest}};

// The box of a face's vertices: a patch's control points bound its surface, and the other
// kinds' vertices are the ones drawn. A face with none (or none in the lump) is never ruled out.
BrushBox faceBoxOf(const Face& face, const std::vector<Vertex>& vertices) {
    const std::int64_t first = face.firstVertex;
    const std::int64_t end = first + face.numVertices;
    if (face.numVertices <= 0 || first < 0 || end > std::int64_t(vertices.size())) {
        return kEverywhere;
    }
    BrushBox box;
    box.low.fill(std::numeric_limits<float>::max());
    box.high.fill(std::numeric_limits<float>::lowest());
    for (std::int64_t v = first; v < end; ++v) {
        const float* coordinates = vertices[std::size_t(v)].position;
        for (int k = 0; k < 3; ++k) {
            box.low[k] = std::min(box.low[k], coordinates[k]);
            box.high[k] = std::max(box.high[k], coordinates[k]);
        }
    }
    return box;
}

// The box about box's eight corners moved by placement.
BrushBox placed(const BrushBox& box, const BrushTransform& m) {
    BrushBox out;
    out.low.fill(std::numeric_limits<float>::max());
    out.high.fill(std::numeric_limits<float>::lowest());
    for (int corner = 0; corner < 8; ++corner) {
        const float x = (corner & 1) != 0 ? box.high[0] : box.low[0];
        const float y = (corner & 2) != 0 ? box.high[1] : box.low[1];
        const float z = (corner & 4) != 0 ? box.high[2] : box.low[2];
        for (int k = 0; k < 3; ++k) {
            const float moved = m[k] * x + m[4 + k] * y + m[8 + k] * z + m[12 + k];
            out.low[k] = std::min(out.low[k], moved);
            out.high[k] = std::max(out.high[k], moved);
        }
    }
    return out;
}

bool isIdentity(const BrushTransform& m) {
    for (int k = 0; k < 16; ++k) {
        if (m[k] != (k % 5 == 0 ? 1.0f : 0.0f)) {
            return false;
        }
    }
    return true;
}

}  // namespace

BrushEntities::BrushEntities(const BSPMap& level, std::ostream& log) : brushModels(level, log) {
    const std::vector<Face>& faces = level.getFaces();
    for (const BrushEntity& brush : brushModels.entities()) {
        std::vector<std::uint32_t> order(std::size_t(brush.numFaces));
        std::vector<BrushBox> boxes(order.size());
        for (std::size_t k = 0; k < order.size(); ++k) {
            order[k] = static_cast<std::uint32_t>(std::size_t(brush.firstFace) + k);
            boxes[k] = faceBoxOf(faces[order[k]], level.getVertices());
        }
        faceOrders.push_back(std::move(order));
        faceBoxes.push_back(std::move(boxes));
        opaqueCounts.push_back(std::size_t(brush.numFaces));
    }
    gatheredEntities.reserve(faceOrders.size());
    keptRuns.reserve(faceOrders.size());
    keptFaces.reserve(brushModels.faceCount());
}

void BrushEntities::gather(const BSPMap& level, std::int32_t cameraCluster, const Frustum& frustum,
                           double clockSeconds) {
    gatheredEntities.clear();
    keptRuns.clear();
    keptFaces.clear();
    gatheredFaces = 0;
    const std::vector<BrushEntity>& all = brushModels.entities();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!seenFrom(level, cameraCluster, all[i]) ||
            frustum.leafInFrustum(leafBoxOf(all[i].reach)) == 0) {
            continue;
        }
        const BrushTransform placement = BrushModels::transformAt(all[i], clockSeconds);
        // Most entities stand where compiled, and their boxes need no moving.
        const bool still = isIdentity(placement);
        const std::vector<BrushBox>& boxes = faceBoxes[i];
        const auto firstFace = static_cast<std::uint32_t>(all[i].firstFace);
        KeptRun run{keptFaces.size(), 0, 0};
        const std::vector<std::uint32_t>& order = faceOrders[i];
        for (std::size_t k = 0; k < order.size(); ++k) {
            const BrushBox& box = boxes[order[k] - firstFace];
            if (frustum.leafInFrustum(leafBoxOf(still ? box : placed(box, placement))) == 0) {
                continue;
            }
            keptFaces.push_back(order[k]);
            run.opaque += k < opaqueCounts[i] ? 1 : 0;
        }
        run.count = keptFaces.size() - run.first;
        if (run.count == 0) {
            continue;
        }
        gatheredEntities.push_back(i);
        keptRuns.push_back(run);
        gatheredFaces += run.count;
    }
}

std::span<const std::uint32_t> BrushEntities::gatheredFacesOf(std::size_t k) const {
    return std::span<const std::uint32_t>(keptFaces).subspan(keptRuns[k].first, keptRuns[k].count);
}

void BrushEntities::sortByMaterials(const LevelMaterials& materials, const BSPMap& level) {
    if (sorted) {
        return;
    }
    sorted = true;
    // The kept lists follow the old order; the next gathering makes them again.
    gatheredEntities.clear();
    keptRuns.clear();
    keptFaces.clear();
    gatheredFaces = 0;
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
        // A deform draws vertices away from the face's own, so its box rules nothing out.
        const auto firstFace = static_cast<std::uint32_t>(brushModels.entities()[i].firstFace);
        for (const std::uint32_t face : order) {
            const Material* material = materials.of(faces[face].texture).material;
            if (material != nullptr && !material->deforms.empty()) {
                faceBoxes[i][face - firstFace] = kEverywhere;
            }
        }
    }
}

std::size_t BrushEntities::draw(const BSPMap& level, FaceStyle& style, const VertexBuffers* buffers,
                                double clockSeconds, Part part,
                                std::vector<std::uint32_t>& runCorners) const {
    LevelVertexSource levelArrays(level.getVertices(), level.getMeshVertices(), buffers);
    LevelVertexSources sources(levelArrays);
    return draw(level, style, sources, clockSeconds, part, runCorners);
}

namespace {

bool standsAsCompiled(const BrushTransform& placement) {
    constexpr BrushTransform kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    return placement == kIdentity;
}

}  // namespace

void BrushEntities::appendStillFaces(double clockSeconds, std::vector<std::uint32_t>& faces) const {
    for (std::size_t k = 0; k < gatheredEntities.size(); ++k) {
        const BrushEntity& entity = brushModels.entities()[gatheredEntities[k]];
        if (standsAsCompiled(BrushModels::transformAt(entity, clockSeconds))) {
            const std::span<const std::uint32_t> kept = gatheredFacesOf(k);
            faces.insert(faces.end(), kept.begin(), kept.end());
        }
    }
}

std::size_t BrushEntities::draw(const BSPMap& level, FaceStyle& style, VertexSources& sources,
                                double clockSeconds, Part part,
                                std::vector<std::uint32_t>& runCorners, bool stillOnesToo) const {
    std::size_t draws = 0;
    for (std::size_t k = 0; k < gatheredEntities.size(); ++k) {
        const std::size_t i = gatheredEntities[k];
        std::span<const std::uint32_t> faces = gatheredFacesOf(k);
        if (part == Part::opaque) {
            faces = faces.first(keptRuns[k].opaque);
        } else if (part == Part::translucent) {
            faces = faces.subspan(keptRuns[k].opaque);
        }
        if (faces.empty()) {
            continue;
        }
        const BrushTransform placement =
            BrushModels::transformAt(brushModels.entities()[i], clockSeconds);
        if (!stillOnesToo && standsAsCompiled(placement)) {
            continue;
        }
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
