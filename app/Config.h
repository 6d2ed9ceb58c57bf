// The viewer's configuration file: white-space-separated key, separator and value tokens.
#pragma once

#include <iosfwd>
#include <string>

#include "geometry/Point.h"

inline constexpr int kDefaultWindowWidth = 1024;
inline constexpr int kDefaultWindowHeight = 768;

struct ViewerConfig {
    int width = kDefaultWindowWidth;
    int height = kDefaultWindowHeight;
    bool widthGiven = false;
    bool heightGiven = false;
    std::string bpp;
    std::string vsync;
    std::string dataPath;
    std::string levelFile;
    std::string lightingFile;
    Point start{0.0f, 0.0f, 0.0f};
    // The lit view and the face images at start; keys m and t flip them while the viewer runs.
    bool lightmaps = false;
    bool textures = false;
};

// Reads path into config, overwriting only the values whose keys appear, and echoes each entry to
// log. Returns false, after a message naming the path and the reason, when the file cannot be
// opened.
bool readConfig(const std::string& path, ViewerConfig& config, std::ostream& log);
