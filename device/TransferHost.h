#pragma once
// What a transfer worker reaches through its page and the main window: the progress bar,
// message boxes, the page's last-seen connection state and the transfer lock. The window
// program, the CLI and the tests each implement it.

#include <cstdint>
#include <string>

namespace teedesk {

enum class MessageIcon {
    None,
    Error,
    Exclamation,
};

class TransferHost {
public:
    virtual ~TransferHost() = default;

    virtual void SetProgressPos(int position) = 0;
    virtual void SetProgressText(const std::string& textUtf8) = 0;
    // Shows a message and returns once it has been closed.
    virtual void ShowMessage(const std::string& textUtf8, const std::string& caption, MessageIcon icon) = 0;
    // The page's last-seen connection state (its cached copy of g_bDeviceConnected).
    virtual bool IsConnected() = 0;
    // Busy flag set, Close item grayed, Exit button disabled.
    virtual void LockTransfer() = 0;
    // Page button back to its connected pair and enabled, Exit and Close enabled,
    // and the busy flag cleared last.
    virtual void UnlockTransfer() = 0;
    // Bytes moved so far of the whole transfer, after each block; for the CLI's bar.
    virtual void ReportBytes(uint64_t /*done*/, uint64_t /*total*/) {}
};

// What a worker procedure tells its caller; the window shows only the messages and the bar.
struct TransferResult {
    bool completed = false;
    // Why a stop showed no message, in one English line; empty when completed or a message said it.
    std::string reason;
};

// The texts the workers and pages share.
inline constexpr const char* kTextCompleted = "完了しました。";
inline constexpr const char* kTextDeviceRemoved = "Device removed!";
inline constexpr const char* kCaptionError = "Error";
inline constexpr const char* kTextCheckConnection = "端末とUSBの接続を確認してください";

} // namespace teedesk
