#pragma once

#include <cstdint>

namespace teedesk::bench {

// Heap allocations (operator new calls) made by this process so far.
uint64_t AllocationCount();
// Bytes currently allocated and the highest figure since the last reset.
uint64_t HeapInUse();
uint64_t HeapPeak();
void ResetHeapPeak();

} // namespace teedesk::bench
