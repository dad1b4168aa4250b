#pragma once
// The device side of one interface on a virtual HID bus: a listening SOCK_SEQPACKET socket
// that sends its attributes, grants one open at a time and hands output reports to a handler.

#include "HidBackend.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace teedesk::sim {

class VhidDevice {
public:
    // Called on the device's thread for every output report of the granted connection.
    using ReportHandler = std::function<void(std::span<const uint8_t> report)>;

    VhidDevice(std::string socketPath, HidAttributes attributes);
    ~VhidDevice();

    VhidDevice(const VhidDevice&) = delete;
    VhidDevice& operator=(const VhidDevice&) = delete;

    void SetHandler(ReportHandler handler);
    // Refuse open requests, as an interface held by another program does.
    void SetRefuseOpen(bool refuse) { refuseOpen_ = refuse; }

    // Creates the socket file: the interface is present from now on.
    bool Plug();
    // Removes the socket file and closes every connection.
    void Unplug();
    bool plugged() const { return listenFd_ >= 0; }

    // One input report datagram to the granted connection (any length).
    bool Send(std::span<const uint8_t> datagram);

    const std::string& path() const { return path_; }
    bool hasGrantedConnection() const { return grantedFd_ >= 0; }

private:
    void ServeLoop();
    void StopServing();

    const std::string path_;
    const HidAttributes attributes_;
    std::atomic<bool> refuseOpen_{false};

    std::mutex handlerMutex_;
    ReportHandler handler_;

    int listenFd_ = -1;
    int wakeFd_ = -1;
    std::atomic<int> grantedFd_{-1};
    std::thread server_;
};

} // namespace teedesk::sim
