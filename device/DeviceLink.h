#pragma once
// The one connection to the watch: discovery, identity check, framed exchanges and block
// transfers over a HID backend. Exchanges are serialised inside the link, and Close from
// another thread ends a waiting exchange at once.

#include "CommandPacket.h"
#include "DeviceModel.h"
#include "HidBackend.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace teedesk {

// Each of the write and the read of one exchange gets this long.
constexpr std::chrono::milliseconds kExchangeTimeLimit{1000};

class DeviceLink {
public:
    explicit DeviceLink(HidBackend& backend, std::chrono::milliseconds timeLimit = kExchangeTimeLimit);
    ~DeviceLink();

    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Opens the first present interface that matches a known model; true at once when open.
    bool Discover();
    // LKR-Pin: true without an exchange; the others must answer command 200.
    bool Identify();
    void Close();
    // Case-insensitive, as the path of a removal notice is compared with the examined one.
    bool MatchesDevicePath(const std::string& path) const;
    // Removal notices of the backend go to `onRemoval`, on a thread of the backend's.
    void RegisterDeviceNotifications(HidBackend::RemovalCallback onRemoval);
    // Consider only this interface path in discovery (empty: all).
    void SetDeviceFilter(std::string path);

    bool isOpen() const { return isOpen_.load(); }
    DeviceModel model() const;
    std::string devicePath() const;
    // Why the last discovery could not open a matching interface (None when it did or found none).
    HidOpenError lastOpenError() const;
    std::string lastOpenFailurePath() const;

    // Opening exchange of a transfer: phase 1, the argument, the first payload word.
    // Returns the reply's first payload word, or nothing when the exchange failed.
    std::optional<uint32_t> OpeningExchange(uint8_t command, uint32_t argument, uint32_t firstWord);
    // Block exchanges; the reply must echo the argument. On failure `destination` is untouched.
    bool ReadBlock(uint8_t command, uint32_t argument, uint8_t* destination);
    bool WriteBlock(uint8_t command, const uint8_t* source, uint32_t argument);

    std::chrono::milliseconds timeLimit() const { return timeLimit_; }

private:
    // These three work on request_/reply_ and run with exchangeMutex_ held.
    void BuildRequest(uint8_t command);
    bool Exchange();
    bool ValidateReply();

    std::shared_ptr<HidHandle> CurrentHandle() const;

    HidBackend& backend_;
    const std::chrono::milliseconds timeLimit_;

    mutable std::mutex stateMutex_; // handle_, model_, devicePath_, filter_, lastOpenError_
    std::shared_ptr<HidHandle> handle_;
    DeviceModel model_{};
    std::string devicePath_;
    std::string filter_;
    HidOpenError lastOpenError_ = HidOpenError::None;
    std::string lastOpenFailurePath_;
    std::atomic<bool> isOpen_{false};
    bool registered_ = false; // this link's removal callback is with the backend

    std::mutex exchangeMutex_; // one exchange at a time: request_, reply_, the reports, commandCode_
    CommandPacket request_{};
    CommandPacket reply_{};
    std::array<uint8_t, kReportSize> inReport_{};
    std::array<uint8_t, kReportSize> outReport_{};
    uint8_t commandCode_ = 0;
};

} // namespace teedesk
