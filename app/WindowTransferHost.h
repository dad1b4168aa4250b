#pragma once
// The transfer host of the window: a worker's calls carried out by the user-interface thread
// on its page and the main window while the worker waits.

#include "TransferHost.h"

#include <atomic>

class TransferPage;
class TransferRunner;
class UiCallBridge;

namespace teedesk {
class DeviceLink;
}

class WindowTransferHost : public teedesk::TransferHost {
public:
    WindowTransferHost(UiCallBridge& bridge, TransferPage& page, TransferRunner& runner,
                       teedesk::DeviceLink& link);

    void SetProgressPos(int position) override;
    void SetProgressText(const std::string& textUtf8) override;
    void ShowMessage(const std::string& textUtf8, const std::string& caption, teedesk::MessageIcon icon) override;
    bool IsConnected() override;
    // The lock is already held when the worker starts; this asserts it again.
    void LockTransfer() override;
    void UnlockTransfer() override;

    teedesk::DeviceLink& link() const { return m_link; }
    // True once the window is going: the worker should stop at its next check.
    bool ending() const;
    bool released() const { return m_bReleased.load(); }

private:
    UiCallBridge& m_bridge;
    TransferPage& m_page;
    TransferRunner& m_runner;
    teedesk::DeviceLink& m_link;
    std::atomic<bool> m_bReleased{false};
};
