#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace teedesk {

// An auto-reset event: Signal wakes one waiter (or the next one), and the wait resets it.
class DetectEvent {
public:
    void Signal();
    // Waits for the signal, at most `limit` (nothing: without limit). True when signalled.
    bool Wait(std::optional<std::chrono::milliseconds> limit);

private:
    std::mutex mutex_;
    std::condition_variable condition_;
    bool signalled_ = false;
};

} // namespace teedesk
