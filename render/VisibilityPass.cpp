// The visibility work of a frame without the drawing, so that it can be timed on its own.
#include "level/BSPMap.h"

std::size_t BSPMap::runVisibilityPass() {
    const std::int32_t leaf = findCameraLeaf();
    const std::int32_t cluster =
        leaf >= 0 && static_cast<std::size_t>(leaf) < leaves.size() ? leaves[leaf].cluster : -1;
    faceDrawList.clear();
    collectVisibleFaces(cluster);
    const std::size_t gathered = visibleFaceSet.size();
    visibleFaceSet.clear();
    return gathered;
}
