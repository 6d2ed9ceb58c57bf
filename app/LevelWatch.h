// LevelWatch: notices that the level file has been rewritten (its modification time or size
// changed) and then held still long enough to be read whole. No GL; the clock is the caller's.
#pragma once

#include <string>

#include "assets/FileStamp.h"

class LevelWatch {
public:
    // Looks at the file at most this often.
    static constexpr double kLookIntervalSeconds = 0.5;
    // A compiler writes a level in several steps: a change counts once the file has stayed the
    // same this long.
    static constexpr double kSettleSeconds = 0.5;

    // The file as it is now counts as the one loaded. An empty path watches nothing.
    LevelWatch(std::string path, double nowSeconds);

    // Called as often as the caller likes (every frame): stats the file when kLookIntervalSeconds
    // have passed since the last look. True once, when a change has settled; the file's stamp
    // then counts as loaded, whether or not the load that follows succeeds, so a bad file is
    // tried once and not again until it changes.
    bool due(double nowSeconds);
    // The decision of due() from a stamp the caller took at nowSeconds.
    bool observe(const FileStamp& stamp, double nowSeconds);
    // The file as it is now counts as loaded (after a reload asked for by hand).
    void markLoaded(double nowSeconds);

    const std::string& path() const { return watchedPath; }
    // How many times the file has been looked at.
    std::uint64_t looks() const { return lookCount; }

private:
    std::string watchedPath;
    FileStamp loaded;
    // A stamp that differs from the loaded one, and when it was first seen.
    bool changing = false;
    FileStamp candidate;
    double candidateSince = 0.0;
    double lastLook = 0.0;
    std::uint64_t lookCount = 0;
};
