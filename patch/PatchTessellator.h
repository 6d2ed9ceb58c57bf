// PatchTessellator: tessellates every patch of a level into one vertex store, sharing the work
// between the calling thread and one helper thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "patch/BezierPatch.h"

class PatchTessellator {
public:
    PatchTessellator() = default;
    // Stops the helper thread, if one was started.
    ~PatchTessellator();
    PatchTessellator(const PatchTessellator&) = delete;
    PatchTessellator& operator=(const PatchTessellator&) = delete;

    // The patches to tessellate from now on; they must stay where they are (a loaded level's
    // faces never change) and may be drawn only from the thread that calls tessellate. Starts
    // the helper thread when there are enough patches to share.
    void attach(std::vector<BezierPatch*> levelPatches);

    // Every attached patch at level (clamped to 1..kTopPatchLevel), bit for bit what
    // BezierPatch::tessellate gives. The store grows only when level is above every level before
    // it; then each thread maps in half of the fresh memory before both fill the store.
    // Returns when every patch is done.
    void tessellate(int level);

    // The bytes the store holds: the grids of every patch at the highest level so far.
    std::size_t storeBytes() const { return store.bytes(); }

private:
    // Anonymous mapped memory rather than the heap, so that growing keeps the pages already
    // mapped in: the old grids are never read again, only their pages reused.
    class Store {
    public:
        Store() = default;
        ~Store();
        Store(const Store&) = delete;
        Store& operator=(const Store&) = delete;
        // Keeps the first bytes() bytes' pages; throws std::bad_alloc when there is no memory.
        void grow(std::size_t newBytes);
        std::byte* data() const { return base; }
        std::size_t bytes() const { return size; }

    private:
        std::byte* base = nullptr;
        std::size_t size = 0;
    };

    // One level change, shared by both threads.
    struct Job {
        int level = 0;
        std::size_t slotBytes = 0;
        // The helper maps in the store from here to its end; nothing when it did not grow.
        std::size_t helperMapFrom = 0;
        std::atomic<std::size_t> nextPatch{0};
    };

    void helperLoop();
    // Claims runs of patches until none are left.
    void fillClaimedPatches();

    std::vector<BezierPatch*> patches;
    Store store;
    Job job;

    std::thread helper;
    std::mutex mutex;
    std::condition_variable wake;
    std::uint64_t jobsPosted = 0;    // guarded by mutex
    std::uint64_t jobsFinished = 0;  // guarded by mutex
    bool stopping = false;           // guarded by mutex
};
