#include "cli/HeapPreparation.h"

#include <algorithm>
#include <cstdlib>

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace quillan::cli {

void prepareHeapForProject(uint64_t fileBytes)
{
#if defined(__GLIBC__) && defined(__linux__)
    constexpr uint64_t kMemoryPerFileByte = 6; // measured: 54 MB for a 10 MB project
    constexpr uint64_t kWorthIt = 16u << 20;
    constexpr uint64_t kAtMost = 1u << 30;
    constexpr uintptr_t kLargePage = 2u << 20;
    constexpr int kDefaultTopPad = 128 << 10;
    constexpr int kMmapAtMost = 32 << 20; // glibc refuses a larger threshold
    static bool prepared = false;
    const uint64_t wanted = std::min(fileBytes * kMemoryPerFileByte, kAtMost);
    if (prepared || wanted < kWorthIt) {
        return;
    }
    prepared = true;
    // One growth of the heap by the whole amount, kept when freed, with no large blocks
    // taken aside by mmap: the loaded project then lies in the one range advised below.
    // A block larger than whatever room the heap has left makes malloc grow it; malloc
    // writes only the block's header, so the rest stays untouched until advised.
    const int size = static_cast<int>(wanted);
    (void)mallopt(M_TRIM_THRESHOLD, 2 * size);
    (void)mallopt(M_MMAP_THRESHOLD, kMmapAtMost);
    (void)mallopt(M_TOP_PAD, size);
    auto* before = static_cast<char*>(sbrk(0));
    // Volatile: a block freed unused may otherwise never be asked for at all.
    void* volatile probe = std::malloc(kMmapAtMost / 2);
    std::free(probe);
    auto* after = static_cast<char*>(sbrk(0));
    (void)mallopt(M_TOP_PAD, kDefaultTopPad);
    const uintptr_t start = (reinterpret_cast<uintptr_t>(before) + kLargePage) & ~(kLargePage - 1);
    const uintptr_t end = reinterpret_cast<uintptr_t>(after) & ~(kLargePage - 1);
    if (end > start) {
        (void)madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
    }
#else
    (void)fileBytes;
#endif
}

} // namespace quillan::cli
