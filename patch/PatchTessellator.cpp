// PatchTessellator: one vertex store for every patch of a level, filled by the calling thread and
// a helper thread; on a new highest level the two first map in half of the fresh memory each.
#include "patch/PatchTessellator.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <utility>

namespace {

// A claim is a run of patches small enough that the two threads finish close together.
constexpr std::size_t kPatchesPerClaim = 8;

std::size_t pageBytes() {
    static const std::size_t bytes = [] {
        const long page = sysconf(_SC_PAGESIZE);
        return page > 0 ? static_cast<std::size_t>(page) : std::size_t{4096};
    }();
    return bytes;
}

// Fresh memory costs a page fault per page on its first write; faults taken one page at a time
// cost about twice what the kernel charges for mapping a whole range in one call. Where the
// kernel cannot do that, each page is written once.
void mapIn(std::byte* memory, std::size_t bytes) {
    if (bytes == 0) {
        return;
    }
#if defined(MADV_POPULATE_WRITE)
    if (madvise(memory, bytes, MADV_POPULATE_WRITE) == 0) {
        return;
    }
#endif
    auto* pages = static_cast<volatile std::byte*>(memory);
    for (std::size_t offset = 0; offset < bytes; offset += pageBytes()) {
        pages[offset] = std::byte{0};
    }
}

}  // namespace

PatchTessellator::Store::~Store() {
    if (base != nullptr) {
        munmap(base, size);
    }
}

void PatchTessellator::Store::grow(std::size_t newBytes) {
    newBytes = (newBytes + pageBytes() - 1) / pageBytes() * pageBytes();
    void* grown = base == nullptr ? mmap(nullptr, newBytes, PROT_READ | PROT_WRITE,
                                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                  : mremap(base, size, newBytes, MREMAP_MAYMOVE);
    // On failure the old mapping is left as it was.
    if (grown == MAP_FAILED) {
        throw std::bad_alloc();
    }
    base = static_cast<std::byte*>(grown);
    size = newBytes;
}

PatchTessellator::~PatchTessellator() {
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (helper.joinable()) {
        helper.join();
    }
}

void PatchTessellator::attach(std::vector<BezierPatch*> levelPatches) {
    patches = std::move(levelPatches);
    if (patches.size() > kPatchesPerClaim && !helper.joinable()) {
        helper = std::thread([this] { helperLoop(); });
    }
}

void PatchTessellator::tessellate(int level) {
    if (patches.empty()) {
        return;
    }
    level = std::clamp(level, 1, kTopPatchLevel);
    const std::size_t slotBytes = BezierPatch::storageBytes(level);
    const std::size_t mappedBytes = store.bytes();
    if (slotBytes * patches.size() > mappedBytes) {
        store.grow(slotBytes * patches.size());
    }
    job.level = level;
    job.slotBytes = slotBytes;
    job.nextPatch.store(0, std::memory_order_relaxed);
    const std::size_t freshBytes = store.bytes() - mappedBytes;

    if (!helper.joinable()) {
        mapIn(store.data() + mappedBytes, freshBytes);
        fillClaimedPatches();
        return;
    }
    // The calling thread maps in the front half and fills from the front, so its first writes
    // land in memory it mapped; by the time the claims reach the back half, the helper has
    // mapped that in. Were it not yet, a write would only take the usual page fault.
    const std::size_t frontBytes = freshBytes / 2 / pageBytes() * pageBytes();
    job.helperMapFrom = mappedBytes + frontBytes;
    {
        const std::lock_guard lock(mutex);
        ++jobsPosted;
    }
    wake.notify_all();
    mapIn(store.data() + mappedBytes, frontBytes);
    fillClaimedPatches();
    std::unique_lock lock(mutex);
    wake.wait(lock, [this] { return jobsFinished == jobsPosted; });
}

void PatchTessellator::helperLoop() {
    std::uint64_t jobsSeen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [&] { return stopping || jobsPosted != jobsSeen; });
            if (stopping) {
                return;
            }
            jobsSeen = jobsPosted;
        }
        mapIn(store.data() + job.helperMapFrom, store.bytes() - job.helperMapFrom);
        fillClaimedPatches();
        {
            const std::lock_guard lock(mutex);
            jobsFinished = jobsSeen;
        }
        wake.notify_all();
    }
}

void PatchTessellator::fillClaimedPatches() {
    const std::size_t count = patches.size();
    for (;;) {
        const std::size_t begin =
            job.nextPatch.fetch_add(kPatchesPerClaim, std::memory_order_relaxed);
        if (begin >= count) {
            return;
        }
        const std::size_t end = std::min(begin + kPatchesPerClaim, count);
        for (std::size_t p = begin; p < end; ++p) {
            patches[p]->tessellateInto(job.level,
                                       reinterpret_cast<Vertex*>(store.data() + p * job.slotBytes));
        }
    }
}
