// LevelWatch: a stat() at most twice a second, and a change acted on only once it has settled.
#include "app/LevelWatch.h"

#include <utility>

LevelWatch::LevelWatch(std::string path, double nowSeconds)
    : watchedPath(std::move(path)), loaded(FileStamp::of(watchedPath)), lastLook(nowSeconds) {}

bool LevelWatch::due(double nowSeconds) {
    if (watchedPath.empty() || nowSeconds - lastLook < kLookIntervalSeconds) {
        return false;
    }
    lastLook = nowSeconds;
    ++lookCount;
    return observe(FileStamp::of(watchedPath), nowSeconds);
}

bool LevelWatch::observe(const FileStamp& stamp, double nowSeconds) {
    if (stamp == loaded) {
        changing = false;
        return false;
    }
    if (!changing || stamp != candidate) {
        changing = true;
        candidate = stamp;
        candidateSince = nowSeconds;
        return false;
    }
    if (nowSeconds - candidateSince < kSettleSeconds) {
        return false;
    }
    loaded = stamp;
    changing = false;
    return true;
}

void LevelWatch::markLoaded(double nowSeconds) {
    loaded = FileStamp::of(watchedPath);
    changing = false;
    lastLook = nowSeconds;
}
