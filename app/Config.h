// The viewer's configuration file: white-space-separated key, separator and value tokens.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include <optional>

#include "app/EyePose.h"
#include "geometry/Point.h"

inline constexpr int kDefaultWindowWidth = 1024;
inline constexpr int kDefaultWindowHeight = 768;
// Larger sizes, like zero, negative and non-numeric ones, give way to the default with a note.
inline constexpr int kMaxWindowSize = 16384;
// Degrees of turn per pixel of mouse drag: a full-width drag across the default window is
// roughly a half turn.
inline constexpr float kDefaultMouseSensitivity = 0.18f;

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
    float mouseSensitivity = kDefaultMouseSensitivity;
    // The fly speed factor at start; the camera clamps it to its wheel's range.
    float speed = 1.0f;
    // The lit view and the face images at start; keys m and t flip them while the viewer runs.
    bool lightmaps = false;
    bool textures = false;
    // A level opened without a configuration file: its data folders, the winning one last (empty:
    // dataPath alone), whether levelFile is a name in them rather than a path, and whether the
    // eye starts at the first player spawn rather than at start.
    std::vector<std::string> dataFolders;
    bool levelInDataFolders = false;
    // The one search path for all the level needs, the winning folder last: the data folders, or
    // the datapath alone when the configuration gives no folders.
    std::vector<std::string> searchPath() const {
        return dataFolders.empty() ? std::vector<std::string>{dataPath} : dataFolders;
    }
    bool startAtFirstSpawn = false;
    // Given on the command line (--at): the eye starts there, turned and pitched so; start is
    // its position.
    std::optional<EyePose> startPose;
    // Entities shown as models and markers at start; key e flips it.
    bool entities = false;
    // With the entities, markers for those without a model; key x flips it.
    bool markers = true;
    // The frame-cost line over the overlay line at start; key v flips it.
    bool stats = false;
};

// Reads path into config, overwriting only the values whose keys appear, and echoes each entry to
// log. A width or height that is not a whole number from 1 to kMaxWindowSize gets one more line,
// naming the key, the value and the default size used instead. Returns false, after a message
// naming the path and the reason, when the file cannot be opened.
bool readConfig(const std::string& path, ViewerConfig& config, std::ostream& log);
