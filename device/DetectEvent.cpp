#include "DetectEvent.h"

namespace teedesk {

void DetectEvent::Signal()
{
    {
        std::lock_guard lock(mutex_);
        signalled_ = true;
    }
    condition_.notify_one();
}

bool DetectEvent::Wait(std::optional<std::chrono::milliseconds> limit)
{
    std::unique_lock lock(mutex_);
    if (limit)
        condition_.wait_for(lock, *limit, [this] { return signalled_; });
    else
        condition_.wait(lock, [this] { return signalled_; });
    const bool was = signalled_;
    signalled_ = false;
    return was;
}

} // namespace teedesk
