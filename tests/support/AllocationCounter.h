// Counts the heap allocations a stretch of code makes through operator new on the calling thread.
// The header replaces the global operator new and delete, so include it in exactly one source
// file of a program (the benchmark, one GL test file); other threads and C allocations (the GL
// driver's) are not counted.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

// Under AddressSanitizer the sanitizer's own operator new stays, so that its new/delete checks keep
// watching the whole program (and because, with its slow unwinder, a replacement deadlocks the
// first time the GL driver registers freshly compiled code). Nothing is counted there, and
// kAllocationsCounted says so.
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_COUNT_ALLOCATIONS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_COUNT_ALLOCATIONS 0
#endif
#endif
#ifndef VELMORA_COUNT_ALLOCATIONS
#define VELMORA_COUNT_ALLOCATIONS 1
#endif

inline constexpr bool kAllocationsCounted = VELMORA_COUNT_ALLOCATIONS == 1;

namespace allocation_counter {
inline thread_local bool counting = false;
inline thread_local std::size_t allocations = 0;

// Out of line so the compiler, seeing through an inlined delete, does not take the free for a
// mismatch with the new it can see.
[[gnu::noinline]] inline void release(void* block) noexcept {
    std::free(block);
}
}  // namespace allocation_counter

// Counts the allocations made between its construction and count().
class AllocationCount {
public:
    AllocationCount() : start(allocation_counter::allocations) {
        allocation_counter::counting = true;
    }
    ~AllocationCount() { allocation_counter::counting = false; }
    AllocationCount(const AllocationCount&) = delete;
    AllocationCount& operator=(const AllocationCount&) = delete;

    std::size_t count() const { return allocation_counter::allocations - start; }

private:
    std::size_t start;
};

#if VELMORA_COUNT_ALLOCATIONS
void* operator new(std::size_t size) {
    if (allocation_counter::counting) {
        ++allocation_counter::allocations;
    }
    if (size == 0) {
        size = 1;
    }
    for (;;) {
        if (void* block = std::malloc(size)) {
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) {
            throw std::bad_alloc();
        }
        handler();
    }
}

void* operator new[](std::size_t size) {
    return ::operator new(size);
}

void operator delete(void* block) noexcept {
    allocation_counter::release(block);
}

void operator delete[](void* block) noexcept {
    allocation_counter::release(block);
}

void operator delete(void* block, std::size_t) noexcept {
    allocation_counter::release(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    allocation_counter::release(block);
}
#endif
