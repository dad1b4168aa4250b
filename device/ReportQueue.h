#pragma once
// Input reports between a backend's reading thread and the exchange that waits for them.
// Fixed slots: nothing is allocated per report.

#include "HidBackend.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>

namespace teedesk {

class ReportQueue {
public:
    static constexpr size_t kSlots = 8;
    static constexpr size_t kSlotSize = 1024; // longer reports are cut; their length still tells

    // Appends one report; when full, the oldest is dropped.
    void Push(const uint8_t* data, size_t count);
    // The connection is gone or closed: waiters wake; once the queued reports are taken,
    // every later Pop fails.
    void Fail();
    bool failed() const;
    void Clear();
    HidReadResult Pop(std::span<uint8_t> out, std::chrono::milliseconds limit);

private:
    mutable std::mutex mutex_;
    std::condition_variable condition_;
    std::array<std::array<uint8_t, kSlotSize>, kSlots> slots_{};
    std::array<size_t, kSlots> sizes_{};
    size_t head_ = 0;
    size_t count_ = 0;
    bool failed_ = false;
};

} // namespace teedesk
