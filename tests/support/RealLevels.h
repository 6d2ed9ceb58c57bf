// The real levels some tests load: every .bsp in the folder named by VELMORA_MAPS_DIR, which
// `make test` sets to the extracted openarena-081-maps.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct RealLevels {
    std::vector<std::filesystem::path> files;  // sorted by name
    std::string unavailable;                   // why there are none; empty when there are some
};

RealLevels findRealLevels();
