// Finds the real levels through VELMORA_MAPS_DIR, and says why when there are none.
#include "support/RealLevels.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>

RealLevels findRealLevels() {
    RealLevels found;
    const char* configured = std::getenv("VELMORA_MAPS_DIR");
    if (configured == nullptr || *configured == '\0') {
        found.unavailable = "VELMORA_MAPS_DIR is not set";
        return found;
    }
    const std::filesystem::path dir = configured;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(dir, error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->path().extension() == ".bsp" && entry->is_regular_file(error)) {
            found.files.push_back(entry->path());
        }
    }
    std::sort(found.files.begin(), found.files.end());
    if (found.files.empty()) {
        found.unavailable = "VELMORA_MAPS_DIR (" + dir.string() + ") holds no .bsp";
    }
    return found;
}
