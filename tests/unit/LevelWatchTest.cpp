// LevelWatch with a clock the test turns: a change counts once it has settled, a storm of
// rewrites gives one reload at its end, and a file emptied, removed or replaced by a folder is
// a change like any other, tried once.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/LevelWatch.h"
#include "generators/AssetFiles.h"

namespace {

FileStamp stamp(std::int64_t modified, std::uint64_t size) {
    return {true, true, modified, size};
}

// Feeds the stamp at every look from from to to (seconds, 0.5 apart) and counts the reloads.
int reloadsWhileSeeing(LevelWatch& watch, const FileStamp& seen, double from, double to) {
    int reloads = 0;
    for (double now = from; now <= to + 1e-9; now += LevelWatch::kLookIntervalSeconds) {
        reloads += watch.observe(seen, now) ? 1 : 0;
    }
    return reloads;
}

}  // namespace

TEST(LevelWatchTest, aChangeCountsOnceItHasSettledAndThenOnlyOnce) {
    ScratchFolder folder("watch-settle");
    const std::string path = (folder.path() / "x.bsp").string();
    writeBytes(path, {1, 2, 3});
    LevelWatch watch(path, 0.0);
    const FileStamp loaded = FileStamp::of(path);
    EXPECT_TRUE(loaded.exists && loaded.regularFile);
    EXPECT_EQ(loaded.sizeBytes, 3u);
    EXPECT_EQ(reloadsWhileSeeing(watch, loaded, 0.5, 5.0), 0);
    const FileStamp written = stamp(loaded.modifiedNanoseconds + 1, 3);
    EXPECT_FALSE(watch.observe(written, 5.5));  // first seen
    EXPECT_FALSE(watch.observe(written, 5.9));  // not settled yet
    EXPECT_TRUE(watch.observe(written, 6.0));
    EXPECT_EQ(reloadsWhileSeeing(watch, written, 6.5, 10.0), 0);
}

TEST(LevelWatchTest, aStormOfRewritesGivesOneReloadAfterItEnds) {
    LevelWatch watch("", 0.0);
    int reloads = 0;
    // 50 rewrites in 10 s, one every 0.2 s, each a different stamp; looks every 0.5 s.
    double lastWrite = 0.0;
    for (int look = 1; look <= 20; ++look) {
        const double now = look * LevelWatch::kLookIntervalSeconds;
        const int writesSoFar = static_cast<int>(now / 0.2);
        lastWrite = writesSoFar * 0.2;
        reloads += watch.observe(stamp(writesSoFar, 1000 + writesSoFar % 3), now) ? 1 : 0;
    }
    EXPECT_EQ(reloads, 0) << "the file never held still";
    EXPECT_EQ(reloadsWhileSeeing(watch, stamp(50, 1002), 10.5, 20.0), 1);
    EXPECT_LT(lastWrite, 10.5);
}

TEST(LevelWatchTest, emptiedRemovedOrAFolderInItsPlaceIsTriedOnceEach) {
    ScratchFolder folder("watch-shapes");
    const std::filesystem::path path = folder.path() / "x.bsp";
    writeBytes(path, {1, 2, 3, 4});
    LevelWatch watch(path.string(), 0.0);
    double now = 0.0;
    // Real files through due(), with the clock stepped past the look interval each time.
    auto reloadsAfter = [&](auto change) {
        change();
        int reloads = 0;
        for (int look = 0; look < 6; ++look) {
            now += LevelWatch::kLookIntervalSeconds;
            reloads += watch.due(now) ? 1 : 0;
        }
        return reloads;
    };
    EXPECT_EQ(reloadsAfter([&] { std::filesystem::resize_file(path, 0); }), 1);
    EXPECT_EQ(FileStamp::of(path.string()).sizeBytes, 0u);
    EXPECT_EQ(reloadsAfter([&] { std::filesystem::remove(path); }), 1);
    EXPECT_FALSE(FileStamp::of(path.string()).exists);
    EXPECT_EQ(reloadsAfter([&] { std::filesystem::create_directory(path); }), 1);
    EXPECT_FALSE(FileStamp::of(path.string()).regularFile);
    EXPECT_EQ(reloadsAfter([] {}), 0);
    std::filesystem::remove(path);
    EXPECT_EQ(reloadsAfter([&] { writeBytes(path, {5, 6}); }), 1);
    // Looks come at most twice a second, however often the frame loop asks.
    const std::uint64_t looks = watch.looks();
    for (int frame = 0; frame < 100; ++frame) {
        watch.due(now + frame * 0.004);
    }
    EXPECT_EQ(watch.looks(), looks);
    // A reload by hand makes the file as it is the loaded one.
    writeBytes(path, {7, 8, 9});
    watch.markLoaded(now);
    EXPECT_EQ(reloadsAfter([] {}), 0);
}
