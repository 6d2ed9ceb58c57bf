// Cluster colours: one colour per visibility cluster, for the view that shows the partition.
#pragma once

#include <cstdint>

struct ClusterColour {
    float red;
    float green;
    float blue;
};

// A fixed colour for each cluster number, the same in every run: hues a golden-ratio turn apart,
// so consecutive numbers differ by about 137 degrees of hue. Negative clusters (outside the level)
// are mid grey.
ClusterColour clusterColour(std::int32_t cluster);
