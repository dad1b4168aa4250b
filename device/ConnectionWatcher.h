#pragma once
// The background thread that keeps g_bDeviceConnected current: it looks for a watch once a
// second while none is connected and sleeps while one is, until the event wakes it.

#include "DetectEvent.h"
#include "DeviceLink.h"

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

namespace teedesk {

constexpr std::chrono::milliseconds kWatcherPollPeriod{1000};

class ConnectionWatcher {
public:
    ConnectionWatcher(DeviceLink& link, DetectEvent& detectEvent, std::atomic<int>& deviceConnected,
                      std::chrono::milliseconds pollPeriod = kWatcherPollPeriod);
    ~ConnectionWatcher();

    ConnectionWatcher(const ConnectionWatcher&) = delete;
    ConnectionWatcher& operator=(const ConnectionWatcher&) = delete;

    void Start();
    // Asks the thread to stop and joins it; the link may be destroyed afterwards.
    void Stop();

    // How many checks have completed, their outcome already in the flag (for tests).
    int checks() const { return checks_; }

private:
    void Run();

    DeviceLink& link_;
    DetectEvent& detectEvent_;
    std::atomic<int>& deviceConnected_;
    const std::chrono::milliseconds pollPeriod_;
    std::atomic<bool> stop_{false};
    std::atomic<int> checks_{0};
    std::thread thread_;
};

// The device-change handling for a removed interface, run by the owner on its user-interface
// (or main) thread. A removal of the open interface closes the link, also when the watch is
// open but failed its identity check, then wakes the watcher.
void HandleDeviceRemoval(DeviceLink& link, const std::string& removedPath, DetectEvent& detectEvent,
                         std::atomic<int>& deviceConnected);

} // namespace teedesk
