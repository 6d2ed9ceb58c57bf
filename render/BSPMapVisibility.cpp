// BSPMap's per-frame visibility: the leaf holding a position, the PVS bit of a cluster pair and the
// gathering of the faces of every leaf in the PVS and the frustum.
#include <cstdint>

#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/Frustum.h"

namespace {

constexpr int kBitsPerByte = 8;
constexpr int kBitShift = 3;
constexpr std::int32_t kBitIndexMask = 7;

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
    // Without a row for the camera's cluster nothing can be ruled out.
    if (visData == nullptr || !visData->hasRows() || cameraCluster < 0 ||
        cameraCluster >= visData->numClusters) {
        return true;
    }
    // A leaf cluster outside the row has no bit: it is not visible.
    const std::int64_t bitsPerRow = std::int64_t(kBitsPerByte) * visData->bytesPerCluster;
    if (leafCluster < 0 || leafCluster >= bitsPerRow) {
        return false;
    }
    const std::uint64_t byteIndex =
        std::uint64_t(cameraCluster) * std::uint64_t(visData->bytesPerCluster) +
        std::uint64_t(leafCluster >> kBitShift);
    if (byteIndex >= visData->bits.size()) {
        return false;
    }
    const unsigned mask = 1u << (leafCluster & kBitIndexMask);
    return (visData->bits[byteIndex] & mask) != 0;
}

void BSPMap::collectVisibleFaces(std::int32_t cameraCluster) {
    const Frustum& frustum = *camera->getFrustum();
    for (const Leaf& leaf : leaves) {
        // The cheap PVS test first: only its survivors pay for the eight-corner box test.
        if (!isClusterVisible(cameraCluster, leaf.cluster) || !frustum.leafInFrustum(leaf)) {
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
