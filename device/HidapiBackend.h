#pragma once
// Real HID interfaces through hidapi (hidraw on Linux), removals from a libudev monitor.

#include "HidBackend.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace teedesk {

class HidapiBackend final : public HidBackend {
public:
    HidapiBackend();
    ~HidapiBackend() override;

    std::vector<std::string> Enumerate() override;
    std::optional<HidAttributes> ReadAttributes(const std::string& path) override;
    HidOpenResult Open(const std::string& path) override;
    void SetRemovalCallback(RemovalCallback callback) override;

private:
    void MonitorLoop();

    std::mutex mutex_; // attributes_
    std::map<std::string, HidAttributes> attributes_;
    // Held while the callback runs, so that once it is replaced no call of the old one is
    // under way: its owner may go right after.
    std::mutex callbackMutex_;
    RemovalCallback callback_;
    int wakeFd_ = -1;
    std::thread monitor_;
};

} // namespace teedesk
