#include "CDialog1.h"

#include "CButtonST.h"
#include "CTeeDeskDlg.h"
#include "ConnectionState.h"
#include "DialogUnits.h"
#include "FileDialogs.h"
#include "VersionText.h"
#include "WindowTransferHost.h"
#include "WriteFirmware.h"

#include <QFile>
#include <QLabel>

#include <algorithm>

namespace {
constexpr int kGapAboveButton = 2; // pixels
} // namespace

const TransferPageValues CDialog1::kValues = {
    {141, 140, 148, 153, 149, 142},
    1124,
    "\n LINKORAのファームウェアをアップデートします。\n アップデートには約1分かかります。\n"
    " 書き込み中はUSBケーブルを抜かないでください。\n データが破損する恐れがあります。",
};

CDialog1::CDialog1(QWidget* parent) : TransferPage(kValues, parent), m_version(new QLabel(this))
{
    // The template's rectangle, in its dialog units, reaches into the button that is placed
    // in pixels below it; the line keeps its size and ends just above the button.
    QRect line = DialogUnitsToPixels(8, 14, 312, 11);
    line.moveBottom(std::min(line.bottom(), button()->geometry().top() - kGapAboveButton - 1));
    m_version->setGeometry(line);
    m_version->setFont(description()->font());
}

QList<FileFilter> CDialog1::Filters()
{
    return {{QStringLiteral("Bin Files(*.bin)"), QStringLiteral("*.bin")},
            {QStringLiteral("All File(*.*)"), QStringLiteral("*.*")}};
}

void CDialog1::OnTimerWork()
{
    // A running transfer owns the link; the query waits until it is over.
    if (m_bVersionShown != 0 || g_bDeviceConnected == 0 || g_bTransferBusy != 0)
        return;
    const std::optional<std::string> text = teedesk::QueryVersionText(mainDlg()->link());
    if (!text)
        return; // asked again at the next tick
    m_version->setText(QString::fromStdString(*text));
    m_bVersionShown = 1;
}

void CDialog1::OnDisconnected()
{
    m_version->clear();
    m_bVersionShown = 0;
}

void CDialog1::OnStart()
{
    m_szFirmwarePath.clear();
    const std::optional<QString> path =
        fileDialogs().GetOpenFileName(this, QStringLiteral("開く"), Filters());
    if (!path) {
        RestoreButton();
        return;
    }
    m_szFirmwarePath = *path;
    StartWorker([file = QFile::encodeName(*path).toStdString()](WindowTransferHost& host) {
        return teedesk::WriteFirmware(host.link(), file, host);
    });
}
