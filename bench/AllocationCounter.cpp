#include "AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<uint64_t> allocations{0};
std::atomic<uint64_t> inUse{0};
std::atomic<uint64_t> peak{0};

void* Allocate(std::size_t size)
{
    void* p = std::malloc(size ? size : 1);
    if (!p)
        throw std::bad_alloc();
    allocations.fetch_add(1, std::memory_order_relaxed);
    const uint64_t now = inUse.fetch_add(malloc_usable_size(p), std::memory_order_relaxed) + malloc_usable_size(p);
    uint64_t seen = peak.load(std::memory_order_relaxed);
    while (now > seen && !peak.compare_exchange_weak(seen, now, std::memory_order_relaxed)) {
    }
    return p;
}

void Free(void* p)
{
    if (!p)
        return;
    inUse.fetch_sub(malloc_usable_size(p), std::memory_order_relaxed);
    std::free(p);
}

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }

namespace teedesk::bench {

uint64_t AllocationCount() { return allocations.load(); }
uint64_t HeapInUse() { return inUse.load(); }
uint64_t HeapPeak() { return peak.load(); }
void ResetHeapPeak() { peak.store(inUse.load()); }

} // namespace teedesk::bench
