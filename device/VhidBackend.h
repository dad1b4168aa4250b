#pragma once
// HID interfaces on a virtual bus: a directory of SOCK_SEQPACKET sockets named *.hid.

#include "HidBackend.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace teedesk {

class VhidHandle;

class VhidBackend final : public HidBackend {
public:
    explicit VhidBackend(std::string busDirectory);
    ~VhidBackend() override;

    std::vector<std::string> Enumerate() override;
    std::optional<HidAttributes> ReadAttributes(const std::string& path) override;
    HidOpenResult Open(const std::string& path) override;
    void SetRemovalCallback(RemovalCallback callback) override;

    const std::string& busDirectory() const { return directory_; }

    // From a handle whose connection ended, once it has claimed the removal (once per open).
    void ConnectionEnded(const std::string& path);

private:
    void MonitorLoop();
    void FileRemoved(const std::string& path);
    void Notify(const std::string& path);

    std::string directory_;
    int inotifyFd_ = -1;
    int wakeFd_ = -1;
    std::thread monitor_;

    std::mutex mutex_; // pending_, open_
    // Held while the callback runs, so that once it is replaced no call of the old one is
    // under way: its owner may go right after.
    std::mutex callbackMutex_;
    RemovalCallback callback_;
    std::vector<std::string> pending_;
    struct OpenInterface {
        std::string path;
        std::weak_ptr<VhidHandle> handle;
        std::shared_ptr<std::atomic<bool>> removalReported; // once per open, by either path
    };
    std::vector<OpenInterface> open_;
};

} // namespace teedesk
