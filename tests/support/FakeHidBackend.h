#pragma once
// A scripted HID backend for unit tests: each interface answers written reports through a
// responder, and a test can inject late reports, fail writes or watch what was sent.

#include "CommandPacket.h"
#include "HidBackend.h"
#include "ReportQueue.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace teedesk::test {

using Report = std::vector<uint8_t>;

// A valid 269-byte reply to `request`: same command, argument echoed, direction 1.
Report MakeReply(std::span<const uint8_t> request, const std::function<void(CommandPacket&)>& change = {});
// Parses report bytes 1..268 into a packet.
CommandPacket PacketOf(std::span<const uint8_t> report);

class FakeHidHandle final : public HidHandle {
public:
    using Responder = std::function<std::vector<Report>(std::span<const uint8_t> request)>;

    explicit FakeHidHandle(Responder responder) : responder_(std::move(responder)) {}

    HidWriteStatus Write(std::span<const uint8_t> report, std::chrono::milliseconds limit) override;
    HidReadResult Read(std::span<uint8_t> buffer, std::chrono::milliseconds limit) override;
    void DropPending() override { queue_.Clear(); }
    void Close() override;

    // A report arriving now, unasked.
    void Inject(const Report& report) { queue_.Push(report.data(), report.size()); }
    void FailNextWrite(HidWriteStatus status) { nextWrite_ = status; }

    std::vector<Report> writes() const;
    bool closed() const { return closed_; }
    int usesAfterClose() const { return usesAfterClose_; }

private:
    Responder responder_;
    ReportQueue queue_;
    mutable std::mutex mutex_;
    std::vector<Report> writes_;
    std::atomic<bool> closed_{false};
    std::atomic<int> usesAfterClose_{0};
    std::atomic<HidWriteStatus> nextWrite_{HidWriteStatus::Written};
};

class FakeHidBackend final : public HidBackend {
public:
    struct Interface {
        std::string path;
        HidAttributes attributes;
        FakeHidHandle::Responder responder;
        HidOpenError refuse = HidOpenError::None;
    };

    void Add(Interface interface);
    std::shared_ptr<FakeHidHandle> handle(const std::string& path) const;
    int openCount() const { return openCount_; }

    std::vector<std::string> Enumerate() override;
    std::optional<HidAttributes> ReadAttributes(const std::string& path) override;
    HidOpenResult Open(const std::string& path) override;
    void SetRemovalCallback(RemovalCallback callback) override;
    void Remove(const std::string& path); // notifies like a removal

private:
    mutable std::mutex mutex_;
    std::vector<Interface> interfaces_;
    std::vector<std::pair<std::string, std::shared_ptr<FakeHidHandle>>> handles_;
    RemovalCallback callback_;
    std::atomic<int> openCount_{0};
};

// Answers every request with a valid reply whose payload is filled by `fill` (may be empty).
FakeHidHandle::Responder EchoResponder(std::function<void(CommandPacket&)> fill = {});

} // namespace teedesk::test
