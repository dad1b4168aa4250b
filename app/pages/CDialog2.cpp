#include "CDialog2.h"

#include "CourseWriter.h"
#include "FileDialogs.h"
#include "WindowTransferHost.h"

#include <QFile>

const TransferPageValues CDialog2::kValues = {
    {141, 140, 148, 153, 149, 142},
    1125,
    "\n LINKORAのゴルフ場データをアップデートします。\n アップデートには約10分かかります。\n"
    " 書き込み中はUSBケーブルを抜かないでください。\n データが破損する恐れがあります。",
};

CDialog2::CDialog2(QWidget* parent) : TransferPage(kValues, parent) {}

QList<FileFilter> CDialog2::Filters()
{
    return {{QStringLiteral("Golf Files(*.dat)"), QStringLiteral("*.dat")},
            {QStringLiteral("Golf Files(*.gof, *.gol)"), QStringLiteral("*.gof, *.gol")},
            {QStringLiteral("Bin Files(*.bin)"), QStringLiteral("*.bin")},
            {QStringLiteral("All File(*.*)"), QStringLiteral("*.*")}};
}

void CDialog2::OnStart()
{
    m_szCoursePath.clear();
    const std::optional<QString> path =
        fileDialogs().GetOpenFileName(this, QStringLiteral("開く"), Filters());
    if (!path) {
        RestoreButton();
        return;
    }
    m_szCoursePath = *path;
    StartWorker([file = QFile::encodeName(*path).toStdString()](WindowTransferHost& host) {
        return teedesk::WriteCourseImage(host.link(), file, host);
    });
}
