#include "Screenshots.h"

#include "CTabBar.h"
#include "CTabCtrl.h"
#include "CTeeDeskDlg.h"
#include "CTextProgressCtrl.h"
#include "ConnectionState.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <cstdio>

namespace {

const char* const kPageNames[] = {"play-data", "course-data", "firmware", "information"};

bool Save(QWidget& widget, const QString& path)
{
    QCoreApplication::processEvents();
    if (widget.grab().save(path, "PNG")) {
        std::printf("%s\n", qPrintable(path));
        return true;
    }
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

bool TakeScreenshots(CTeeDeskDlg& dialog, const QString& directory)
{
    QDir().mkpath(directory);
    // Give a watch on the bus the time to be found, so the pages show it connected.
    const QDeadlineTimer deadline(2000);
    while (g_bDeviceConnected == 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);

    bool ok = true;
    for (int i = 0; i < 4; ++i) {
        dialog.tabCtrl()->tabBar()->setCurrentIndex(i); // as a click on the item does
        ok &= Save(dialog, QString("%1/main-%2-%3.png").arg(directory).arg(i).arg(kPageNames[i]));
    }
    dialog.tabCtrl()->tabBar()->setCurrentIndex(0);
    dialog.progress()->SetPos(51);
    ok &= Save(*dialog.progress(), directory + "/progress-51.png");
    ok &= Save(dialog, directory + "/main-progress-51.png");
    dialog.progress()->setText(QString::fromUtf8("完了しました。"));
    dialog.progress()->SetPos(100);
    ok &= Save(*dialog.progress(), directory + "/progress-done.png");
    return ok;
}
