// BSPMap's cluster view: the face-to-cluster table made at load and the cluster-coloured drawing.
#include <epoxy/gl.h>

#include <algorithm>
#include <cstdint>

#include "level/BSPMap.h"
#include "render/ClusterColours.h"

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

void BSPMap::drawClusterColouredFaces() {
    // The sky leaves unit 0 textured; the colours are to be seen as they are.
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    for (const std::uint32_t faceIndex : faceDrawList) {
        const ClusterColour colour = clusterColour(clusterOfFace(faceIndex));
        glColor3f(colour.red, colour.green, colour.blue);
        drawFace(faces[faceIndex], false);
    }
}
