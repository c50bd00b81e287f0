#include "platform/engine/heappages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__GLIBC__) && defined(__linux__)
#include <malloc.h>
#include <sys/mman.h>
#endif

namespace xl {

void tuneHeapForLargeReads() {
#if defined(__GLIBC__) && defined(__linux__)
    // Opening the workbook makes hundreds of thousands of small allocations
    // at once: a heap grows in large steps rather than in a system call and
    // a few pages at a time; a thread's heap is writable whole from its start.
    mallopt(M_TOP_PAD, 64 << 20);
    // The largest threshold glibc takes on 64-bit systems: half a thread's heap.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
#endif
}

void adviseLargePagesForThreadHeap() {
#if defined(__SANITIZE_ADDRESS__)
#define VELMORA_OWN_ALLOCATOR 0 // the sanitizer's allocator stands in for glibc's
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VELMORA_OWN_ALLOCATOR 0
#endif
#endif
#ifndef VELMORA_OWN_ALLOCATOR
#define VELMORA_OWN_ALLOCATOR 1
#endif
#if VELMORA_OWN_ALLOCATOR && defined(__GLIBC__) && defined(__linux__) && defined(MADV_HUGEPAGE) &&                     \
    UINTPTR_MAX > 0xFFFFFFFFu
    // glibc gives a thread that is not the main one a heap in a region of
    // its own, 64 MB on 64-bit systems and aligned to that size; a chunk
    // from such a heap carries a flag (0x4) in the size word before it. The
    // program's M_TOP_PAD makes the region writable whole from the start,
    // so the advice covers all the heap will use.
    constexpr std::uintptr_t kHeapRegion = std::uintptr_t(64) << 20;
    constexpr std::size_t kNotMainHeap = 0x4;
    void* probe = std::malloc(1);
    if (!probe) return;
    const auto at = reinterpret_cast<std::uintptr_t>(probe);
    const std::size_t sizeWord = *reinterpret_cast<const std::size_t*>(at - sizeof(std::size_t));
    // The word is glibc's own only if it gives the block's usable size, as
    // glibc counts it; another allocator put in its place keeps other words.
    const bool ours = (sizeWord & ~std::size_t(7)) == malloc_usable_size(probe) + sizeof(std::size_t);
    std::free(probe);
    if (!ours || !(sizeWord & kNotMainHeap)) return;
    ::madvise(reinterpret_cast<void*>(at & ~(kHeapRegion - 1)), kHeapRegion, MADV_HUGEPAGE);
#endif
}

} // namespace xl
