// BSPMap's per-frame visibility: the leaf holding a position, the PVS bit of a cluster pair, the
// gathering of the faces of every leaf in the PVS and the frustum, and each face's cluster.
#include <algorithm>
#include <cassert>
#include <cstdint>

#include "geometry/Camera.h"
#include "level/BSPMap.h"
#include "render/Frustum.h"

namespace {

constexpr int kBitsPerByte = 8;

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
        return VisData::rowHasBit(row, leafCluster);
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

void BSPMap::locateCamera() {
    lastCameraLeaf = findCameraLeaf();
    lastCameraCluster = clusterOfLeaf(lastCameraLeaf);
}

std::int32_t BSPMap::findLeaf(const Point& position) const {
    // The validator guarantees every child and plane index and a tree without cycles, so the
    // descent ends in a leaf within nodes.size() steps; nothing is checked here.
    std::int32_t index = 0;
    while (index >= 0) {
        assert(static_cast<std::size_t>(index) < nodes.size());
        const Node& node = nodes[index];
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

void BSPMap::collectVisibleFaces(std::int32_t cameraCluster, const Frustum& frustum) {
    // The last gathering is dropped here rather than at the end of a frame, so that whoever
    // gathers (the frame or a measurement of it) pays for it the same way. clear() keeps the
    // list's capacity: it stops allocating once it has grown.
    visibleFaceSet.clear();
    faceDrawList.clear();
    // The camera's row is looked up once for the whole walk over the leaves.
    const PvsRow pvsRow(visData, cameraCluster);
    for (const Leaf& leaf : leaves) {
        // The cheap PVS test first: only its survivors pay for the eight-corner box test.
        if (!pvsRow.sees(leaf.cluster) || !frustum.leafInFrustum(leaf)) {
            continue;
        }
        // The validator guarantees that every leaf's face range lies inside leafFaces (a count of
        // 0 or less lists nothing) and that every entry names a face; nothing is checked here.
        for (std::int32_t k = 0; k < leaf.numLeafFaces; ++k) {
            const std::int32_t face = leafFaces[leaf.firstLeafFace + k];
            // The draw list keeps the order in which faces first appear.
            if (visibleFaceSet.insert(face).second) {
                faceDrawList.push_back(static_cast<std::uint32_t>(face));
            }
        }
    }
}

void BSPMap::assignFaceClusters() {
    // Load runs this whether or not the validator passed the level, hence the range checks.
    faceClusters.assign(faces.size(), -1);
    for (const Leaf& leaf : leaves) {
        if (leaf.cluster < 0 || leaf.numLeafFaces <= 0 || leaf.firstLeafFace < 0 ||
            std::int64_t(leaf.firstLeafFace) + leaf.numLeafFaces >
                static_cast<std::int64_t>(leafFaces.size())) {
            continue;
        }
        for (std::int32_t k = 0; k < leaf.numLeafFaces; ++k) {
            const std::int32_t face = leafFaces[leaf.firstLeafFace + k];
            if (face < 0 || static_cast<std::size_t>(face) >= faceClusters.size()) {
                continue;
            }
            std::int32_t& cluster = faceClusters[face];
            cluster = cluster < 0 ? leaf.cluster : std::min(cluster, leaf.cluster);
        }
    }
}
