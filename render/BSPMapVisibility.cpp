// BSPMap's per-frame visibility: the leaf holding a position, the PVS bit of a cluster pair and the
// gathering of the faces of every leaf in the PVS and the frustum.
#include <algorithm>
#include <cstdint>

#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/Frustum.h"

namespace {

constexpr int kBitsPerByte = 8;
constexpr int kBitShift = 3;
constexpr std::int32_t kBitIndexMask = 7;

// The camera cluster's row of the PVS. Without a row for that cluster nothing can be ruled out;
// a leaf cluster that has no bit in the row (negative, beyond the row, or beyond the stored bytes)
// is not visible.
class PvsRow {
public:
    PvsRow(const VisData* visData, std::int32_t cameraCluster) {
        if (visData == nullptr || !visData->hasRows() || cameraCluster < 0 ||
            cameraCluster >= visData->numClusters) {
            return;
        }
        seesAll = false;
        if (visData->bytesPerCluster <= 0) {
            return;
        }
        const std::uint64_t start =
            std::uint64_t(cameraCluster) * std::uint64_t(visData->bytesPerCluster);
        if (start >= visData->bits.size()) {
            return;
        }
        const std::uint64_t storedBits = kBitsPerByte * (visData->bits.size() - start);
        const std::uint64_t rowBits = std::uint64_t(kBitsPerByte) * visData->bytesPerCluster;
        bitCount = static_cast<std::int64_t>(std::min(storedBits, rowBits));
        row = visData->bits.data() + start;
    }

    bool sees(std::int32_t leafCluster) const {
        if (seesAll) {
            return true;
        }
        if (leafCluster < 0 || leafCluster >= bitCount) {
            return false;
        }
        const unsigned mask = 1u << (leafCluster & kBitIndexMask);
        return (row[leafCluster >> kBitShift] & mask) != 0;
    }

private:
    bool seesAll = true;
    const std::uint8_t* row = nullptr;
    std::int64_t bitCount = 0;
};

}  // namespace

std::int32_t BSPMap::findCameraLeaf() const {
    return findLeaf(camera->getPosition());
}

std::int32_t BSPMap::findLeaf(const Point& position) const {
    // The validator has checked every child and plane index and that the tree has no cycle; the
    // bound and the range tests only keep a level that slipped past it from looping or straying.
    std::int32_t index = 0;
    for (std::size_t steps = 0; index >= 0; ++steps) {
        if (steps >= nodes.size() || static_cast<std::size_t>(index) >= nodes.size()) {
            return 0;
        }
        const Node& node = nodes[index];
        if (node.plane < 0 || static_cast<std::size_t>(node.plane) >= planes.size()) {
            return 0;
        }
        const Plane& plane = planes[node.plane];
        const Vec3 normal = plane.getNormal();
        // The dot product is rounded to single precision; the distance is then taken off in
        // double precision. On the plane counts as in front.
        const float dot = static_cast<float>(
            (double(normal.getY()) * position.getY() + double(normal.getX()) * position.getX()) +
            double(normal.getZ()) * position.getZ());
        const double side = double(dot) - double(plane.getDistance());
        index = side >= 0.0 ? node.front : node.back;
    }
    return -(index + 1);
}

std::int32_t BSPMap::clusterOfLeaf(std::int32_t leaf) const {
    if (leaf < 0 || static_cast<std::size_t>(leaf) >= leaves.size()) {
        return -1;
    }
    return leaves[leaf].cluster;
}

bool BSPMap::isClusterVisible(std::int32_t cameraCluster, std::int32_t leafCluster) const {
    return PvsRow(visData, cameraCluster).sees(leafCluster);
}

void BSPMap::collectVisibleFaces(std::int32_t cameraCluster) {
    collectVisibleFaces(cameraCluster, *camera->getFrustum());
}

void BSPMap::setCullingFrozen(bool frozen) {
    if (frozen && !cullingFrozen) {
        frozenFrustum = *camera->getFrustum();
        frozenLeaf = lastCameraLeaf;
        frozenCluster = lastCameraCluster;
    }
    cullingFrozen = frozen;
}

void BSPMap::collectVisibleFaces(std::int32_t cameraCluster, const Frustum& frustum) {
    // The camera's row is looked up once for the whole walk over the leaves.
    const PvsRow pvsRow(visData, cameraCluster);
    for (const Leaf& leaf : leaves) {
        // The cheap PVS test first: only its survivors pay for the eight-corner box test.
        if (!pvsRow.sees(leaf.cluster) || !frustum.leafInFrustum(leaf)) {
            continue;
        }
        if (leaf.numLeafFaces <= 0 || leaf.firstLeafFace < 0 ||
            std::int64_t(leaf.firstLeafFace) + leaf.numLeafFaces >
                static_cast<std::int64_t>(leafFaces.size())) {
            continue;
        }
        for (std::int32_t k = 0; k < leaf.numLeafFaces; ++k) {
            const std::int32_t face = leafFaces[leaf.firstLeafFace + k];
            // The draw list keeps the order in which faces first appear.
            if (visibleFaceSet.insert(face).second) {
                faceDrawList.push_back(static_cast<std::uint32_t>(face));
            }
        }
    }
}

std::size_t BSPMap::runVisibilityPass() {
    const std::int32_t cluster = clusterOfLeaf(findCameraLeaf());
    faceDrawList.clear();
    collectVisibleFaces(cluster);
    const std::size_t gathered = visibleFaceSet.size();
    visibleFaceSet.clear();
    return gathered;
}
