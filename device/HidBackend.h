#pragma once
// The seam between the device link and the system's HID devices. A real watch (hidapi),
// a virtual watch on a vhid bus and a scripted fake in a test look the same from above.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace teedesk {

struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t releaseNumber = 0;
};

enum class HidWriteStatus {
    Written,  // the report went out within the limit
    TimedOut, // still outstanding when the limit ran out
    Failed,   // refused at once (closed, gone, or a system error)
};

enum class HidReadStatus {
    Delivered, // `count` bytes of one input report are in the buffer
    TimedOut,
    Failed,    // closed or gone
};

struct HidReadResult {
    HidReadStatus status = HidReadStatus::Failed;
    size_t count = 0;
};

enum class HidOpenError {
    None,
    Busy,         // held by another program
    AccessDenied, // no permission on the node
    Failed,       // gone, or any other reason
};

// One open interface. Every call may come from any thread; Close() from another thread
// makes a waiting Write or Read end at once, and a closed interface is never used again.
class HidHandle {
public:
    virtual ~HidHandle() = default;

    // One output report (269 bytes, report id 0 first).
    virtual HidWriteStatus Write(std::span<const uint8_t> report, std::chrono::milliseconds limit) = 0;
    // One input report, as delivered: report id byte 0 first, never padded.
    virtual HidReadResult Read(std::span<uint8_t> buffer, std::chrono::milliseconds limit) = 0;
    // Forget input reports that arrived before the next request is written.
    virtual void DropPending() = 0;
    virtual void Close() = 0;
};

struct HidOpenResult {
    std::shared_ptr<HidHandle> handle; // null when the open failed
    HidOpenError error = HidOpenError::Failed;
};

class HidBackend {
public:
    using RemovalCallback = std::function<void(const std::string& path)>;

    virtual ~HidBackend() = default;

    // Present HID interfaces in the system's order.
    virtual std::vector<std::string> Enumerate() = 0;
    virtual std::optional<HidAttributes> ReadAttributes(const std::string& path) = 0;
    virtual HidOpenResult Open(const std::string& path) = 0;
    // Called once per removal of an interface, on a thread of the backend's own; the owner
    // hands it to its user-interface or main thread. Set before devices are opened. Once a
    // new callback (or none) is set, no call of the old one is still running.
    virtual void SetRemovalCallback(RemovalCallback callback) = 0;
};

} // namespace teedesk
