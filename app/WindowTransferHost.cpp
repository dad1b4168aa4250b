#include "WindowTransferHost.h"

#include "CTeeDeskDlg.h"
#include "CTextProgressCtrl.h"
#include "MessageBoxes.h"
#include "TransferPage.h"
#include "TransferRunner.h"
#include "UiCallBridge.h"

#include <QString>

WindowTransferHost::WindowTransferHost(UiCallBridge& bridge, TransferPage& page,
                                       TransferRunner& runner, teedesk::DeviceLink& link)
    : m_bridge(bridge), m_page(page), m_runner(runner), m_link(link)
{
}

void WindowTransferHost::SetProgressPos(int position)
{
    m_bridge.Call([this, position] {
        m_page.mainDlg()->progress()->SetPos(position);
        m_runner.NotifyProgress(position);
    });
}

void WindowTransferHost::SetProgressText(const std::string& textUtf8)
{
    m_bridge.Call([this, &textUtf8] { m_page.mainDlg()->progress()->setText(QString::fromStdString(textUtf8)); });
}

void WindowTransferHost::ShowMessage(const std::string& textUtf8, const std::string& caption,
                                     teedesk::MessageIcon icon)
{
    m_bridge.Call([this, &textUtf8, &caption, icon] {
        m_page.mainDlg()->messageBoxes().Show(&m_page, QString::fromStdString(textUtf8),
                                              QString::fromStdString(caption), icon);
    });
}

bool WindowTransferHost::IsConnected()
{
    return !m_bridge.closed() && m_page.connected();
}

void WindowTransferHost::LockTransfer()
{
    m_bridge.Call([this] { m_runner.TakeLock(); });
}

void WindowTransferHost::UnlockTransfer()
{
    if (m_bridge.Call([this] { m_runner.ReleaseLock(m_page); }))
        m_bReleased = true;
}

bool WindowTransferHost::ending() const
{
    return m_bridge.closed();
}
