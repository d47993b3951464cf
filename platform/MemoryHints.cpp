#include "platform/MemoryHints.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

void PreferHugePages(char* data, std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
    if (size < 4 * kHugePage) {
        return;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t begin = (start + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t end = (start + size) & ~(kHugePage - 1);
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

void PreferHugePagesForHeap(std::size_t size) {
#if defined(__linux__) && defined(__GLIBC__) && defined(MADV_HUGEPAGE)
    // The C library adds the padding to what the next heap extension needs. Allocations too
    // small to get mappings of their own, made until the free top of the heap runs out, make that
    // extension happen now; the new part of the heap is then advised. The trim threshold keeps
    // the heap from handing the part back when they are freed.
    constexpr std::size_t kNudge = 64 * 1024;
    constexpr std::size_t kMaxNudges = 1024;
    constexpr int kDefaultTopPad = 128 * 1024;
    const int padding = static_cast<int>(std::min<std::size_t>(size, 1u << 30));
    mallopt(M_TRIM_THRESHOLD, 2 * padding);
    mallopt(M_TOP_PAD, padding);
    auto* const before = static_cast<char*>(sbrk(0));
    std::vector<void*> nudges;
    char* after = before;
    while (after == before && nudges.size() < kMaxNudges) {
        void* const nudge = malloc(kNudge);
        if (nudge == nullptr) {
            break;
        }
        nudges.push_back(nudge);
        after = static_cast<char*>(sbrk(0));
    }
    for (void* nudge : nudges) {
        free(nudge);
    }
    mallopt(M_TOP_PAD, kDefaultTopPad);
    if (before == reinterpret_cast<char*>(-1) || after <= before) {
        return;
    }
    PreferHugePages(before, static_cast<std::size_t>(after - before));
#else
    (void)size;
#endif
}
