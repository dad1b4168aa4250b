#pragma once
// A virtual HID bus of one's own: a fresh folder under /tmp with one simulated watch on it,
// removed with everything in it when the bus goes. Serves --simulate MODEL.

#include "SimulatedWatch.h"

#include <memory>
#include <string>

namespace teedesk::sim {

class PrivateBus {
public:
    // The watch's model is options.modelIndex. ok() tells whether the folder and the watch came up.
    explicit PrivateBus(WatchOptions options);
    ~PrivateBus();

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool ok() const { return watch_ && watch_->plugged(); }
    const std::string& directory() const { return directory_; }
    SimulatedWatch& watch() { return *watch_; }

private:
    std::string directory_;
    std::unique_ptr<SimulatedWatch> watch_;
};

} // namespace teedesk::sim
