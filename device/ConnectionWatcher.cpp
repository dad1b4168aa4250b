#include "ConnectionWatcher.h"

#include <optional>

namespace teedesk {

ConnectionWatcher::ConnectionWatcher(DeviceLink& link, DetectEvent& detectEvent, std::atomic<int>& deviceConnected,
                                     std::chrono::milliseconds pollPeriod)
    : link_(link), detectEvent_(detectEvent), deviceConnected_(deviceConnected), pollPeriod_(pollPeriod)
{
}

ConnectionWatcher::~ConnectionWatcher() { Stop(); }

void ConnectionWatcher::Start()
{
    if (thread_.joinable())
        return;
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
}

void ConnectionWatcher::Stop()
{
    if (!thread_.joinable())
        return;
    stop_ = true;
    detectEvent_.Signal();
    thread_.join();
}

void ConnectionWatcher::Run()
{
    std::optional<std::chrono::milliseconds> limit = pollPeriod_;
    while (!stop_) {
        detectEvent_.Wait(limit); // a signal and a time-out are treated alike
        if (stop_)
            break;
        if (link_.Discover() && link_.Identify()) {
            deviceConnected_ = 1;
            limit.reset(); // connected: sleep until woken
        } else {
            deviceConnected_ = 0;
            limit = pollPeriod_;
        }
        ++checks_; // counted once its outcome is in the flag

    }
}

void HandleDeviceRemoval(DeviceLink& link, const std::string& removedPath, DetectEvent& detectEvent,
                         std::atomic<int>& deviceConnected)
{
    if (!link.MatchesDevicePath(removedPath))
        return;
    if (deviceConnected == 1 || link.isOpen()) {
        link.Close();
        deviceConnected = 0;
    }
    detectEvent.Signal();
}

} // namespace teedesk
