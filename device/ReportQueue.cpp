#include "ReportQueue.h"

#include <algorithm>
#include <cstring>

namespace teedesk {

void ReportQueue::Push(const uint8_t* data, size_t count)
{
    {
        std::lock_guard lock(mutex_);
        if (failed_)
            return;
        if (count_ == kSlots) {
            head_ = (head_ + 1) % kSlots;
            --count_;
        }
        const size_t slot = (head_ + count_) % kSlots;
        const size_t kept = std::min(count, kSlotSize);
        std::memcpy(slots_[slot].data(), data, kept);
        sizes_[slot] = count;
        ++count_;
    }
    condition_.notify_all();
}

void ReportQueue::Fail()
{
    {
        std::lock_guard lock(mutex_);
        failed_ = true;
    }
    condition_.notify_all();
}

bool ReportQueue::failed() const
{
    std::lock_guard lock(mutex_);
    return failed_;
}

void ReportQueue::Clear()
{
    std::lock_guard lock(mutex_);
    head_ = 0;
    count_ = 0;
}

HidReadResult ReportQueue::Pop(std::span<uint8_t> out, std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    condition_.wait_for(lock, limit, [this] { return failed_ || count_ > 0; });
    // Reports that arrived before the connection ended are still delivered.
    if (count_ == 0)
        return {failed_ ? HidReadStatus::Failed : HidReadStatus::TimedOut, 0};
    const size_t size = sizes_[head_];
    const size_t copied = std::min({size, kSlotSize, out.size()});
    std::memcpy(out.data(), slots_[head_].data(), copied);
    head_ = (head_ + 1) % kSlots;
    --count_;
    // The true length, so that a longer report never passes for a whole one.
    return {HidReadStatus::Delivered, size};
}

} // namespace teedesk
