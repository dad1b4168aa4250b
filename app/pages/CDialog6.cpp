#include "CDialog6.h"

#include "CTeeDeskDlg.h"
#include "CTextProgressCtrl.h"
#include "ConnectionState.h"
#include "FileDialogs.h"
#include "PlayDataDownload.h"
#include "WindowTransferHost.h"

#include <QFile>

#include <ctime>

const TransferPageValues CDialog6::kValues = {
    {138, 137, 151, 150, 152, 139},
    1128,
    "\n LINKORAに保存したプレーデータをPCに取り込みます。",
};

const char* const CDialog6::kTextNoPlayData = "プレーデータがありません。";

CDialog6::CDialog6(QWidget* parent) : TransferPage(kValues, parent) {}

QList<FileFilter> CDialog6::Filters()
{
    return {{QStringLiteral("CSV Files(*.csv)"), QStringLiteral("*.csv")},
            {QStringLiteral("All File(*.*)"), QStringLiteral("*.*")}};
}

void CDialog6::OnStart()
{
    m_nSessionCount = 0;
    // On this thread, before the dialog: the answer decides whether there is a dialog at all.
    const std::optional<uint32_t> count = teedesk::CountSessions(mainDlg()->link());
    if (!count) {
        RestoreButton();
        return;
    }
    m_nSessionCount = *count;
    if (m_nSessionCount == 0) {
        RestoreButton();
        mainDlg()->progress()->SetPos(100);
        mainDlg()->progress()->setText(QString::fromUtf8(kTextNoPlayData));
        return;
    }

    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const QString preset = QString::fromStdString(teedesk::PresetCsvFileName(local));

    m_strCsvPath.clear();
    const std::optional<QString> path = fileDialogs().GetSaveFileName(this, preset, Filters());
    if (!path) {
        RestoreButton();
        return;
    }
    m_strCsvPath = *path;
    const uint32_t sessions = m_nSessionCount;
    StartWorker(
        [file = QFile::encodeName(*path).toStdString(), sessions](WindowTransferHost& host) {
            teedesk::DownloadSeams seams;
            // The watch's own flag, as the watcher keeps it; none once the window is going.
            seams.deviceConnected = [&host] { return !host.ending() && g_bDeviceConnected != 0; };
            return teedesk::DownloadPlayData(host.link(), file, sessions, host, seams, nullptr);
        },
        [this, csvPath = *path](const teedesk::TransferResult& result) { emit importFinished(csvPath, result.completed); });
}
