#pragma once
// A transfer host that records every call in order, so a test asserts the exact sequence of
// progress positions, texts, messages and lock steps a worker makes.

#include "TransferHost.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace teedesk::test {

struct HostEvent {
    enum Kind { Position, Text, Message, Lock, Unlock } kind;
    int position = 0;
    std::string text;    // progress text, or message text
    std::string caption; // messages only
    MessageIcon icon = MessageIcon::None;

    bool operator==(const HostEvent&) const = default;
};

class RecordingHost : public TransferHost {
public:
    void SetProgressPos(int position) override;
    void SetProgressText(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    bool IsConnected() override { return connected; }
    void LockTransfer() override;
    void UnlockTransfer() override;

    std::vector<HostEvent> events() const;
    std::vector<int> positions() const;
    std::vector<HostEvent> messages() const;
    int locks() const;
    int unlocks() const;
    bool locked() const { return locked_; }

    // The page's last-seen connection state, as the worker reads it before each block.
    std::atomic<bool> connected{true};
    // Runs inside SetProgressPos, after recording: lets a test act between blocks.
    std::function<void(int position)> onPosition;

private:
    void Record(HostEvent event);
    mutable std::mutex mutex_;
    std::vector<HostEvent> events_;
    std::atomic<bool> locked_{false};
};

} // namespace teedesk::test
