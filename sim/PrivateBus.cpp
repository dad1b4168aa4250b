#include "PrivateBus.h"

#include <cstdlib>
#include <filesystem>

namespace teedesk::sim {

PrivateBus::PrivateBus(WatchOptions options)
{
    // Short and under /tmp, so that socket paths stay within the limit of a Unix socket address.
    std::string pattern = "/tmp/teedesk-bus-XXXXXX";
    if (mkdtemp(pattern.data()))
        directory_ = pattern;
    // Without a folder the watch still exists, unplugged, so watch() is always usable.
    const std::string socket = directory_.empty() ? std::string() : directory_ + "/" + DefaultSocketName(options.modelIndex);
    watch_ = std::make_unique<SimulatedWatch>(socket, std::move(options));
    if (!directory_.empty())
        watch_->Plug();
}

PrivateBus::~PrivateBus()
{
    watch_.reset();
    if (!directory_.empty()) {
        std::error_code error;
        std::filesystem::remove_all(directory_, error);
    }
}

} // namespace teedesk::sim
