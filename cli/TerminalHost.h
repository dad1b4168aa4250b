#pragma once
// The CLI's transfer host: a live bar on a terminal's standard error, messages as lines.

#include "TransferHost.h"

#include <chrono>
#include <cstdint>
#include <string>

namespace teedesk::cli {

class TerminalHost final : public TransferHost {
public:
    TerminalHost();
    ~TerminalHost() override;

    void SetProgressPos(int position) override;
    void SetProgressText(const std::string& text) override;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
    bool IsConnected() override;
    void LockTransfer() override;
    void UnlockTransfer() override;
    void ReportBytes(uint64_t done, uint64_t total) override;

    const std::string& progressText() const { return text_; }

private:
    void Draw();
    void EndBar();

    const bool live_;
    bool barShown_ = false;
    int position_ = 0;
    uint64_t done_ = 0;
    uint64_t total_ = 0;
    std::string text_;
    std::chrono::steady_clock::time_point started_;
};

} // namespace teedesk::cli
