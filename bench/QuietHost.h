#pragma once
// A transfer host for benchmarks: nothing drawn, messages on stderr, connected throughout
// or as a flag says.

#include "TransferHost.h"

#include <atomic>
#include <cstdio>
#include <string>

namespace teedesk::bench {

class QuietHost final : public TransferHost {
public:
    explicit QuietHost(const std::atomic<int>* connected = nullptr) : connected_(connected) {}

    void SetProgressPos(int) override {}
    void SetProgressText(const std::string&) override {}
    void ShowMessage(const std::string& text, const std::string&, MessageIcon) override
    {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    bool IsConnected() override { return !connected_ || *connected_ != 0; }
    void LockTransfer() override {}
    void UnlockTransfer() override {}

private:
    const std::atomic<int>* connected_;
};

} // namespace teedesk::bench
