#include "Screenshots.h"

#include "CButtonST.h"
#include "CTabBar.h"
#include "CTabCtrl.h"
#include "CTeeDeskDlg.h"
#include "CTextProgressCtrl.h"
#include "ConnectionState.h"
#include "RecordedMessageBoxes.h"
#include "ScriptedFileDialogs.h"
#include "TransferPage.h"
#include "TransferRunner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

const char* const kPageNames[] = {"play-data", "course-data", "firmware", "information"};

// Mid-transfer pictures are taken once the bar has passed this position.
constexpr int kMidTransferPosition = 40;
constexpr int kTransferTimeLimitMs = 120000;

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

void SpinFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// One operation on page `index` with `answer` for its file dialog: a picture while the bar
// moves (taken while the worker waits for the bar) and one when it is over.
bool RunOperation(CTeeDeskDlg& dialog, int index, const QString& answer, const QString& directory)
{
    ScriptedFileDialogs fileDialogs;
    RecordedMessageBoxes messages;
    fileDialogs.Answer(answer);
    dialog.SetDialogs(&fileDialogs, &messages);
    dialog.tabCtrl()->tabBar()->setCurrentIndex(index);
    QCoreApplication::processEvents();

    const QString base = QString("%1/main-%2-%3").arg(directory).arg(index).arg(kPageNames[index]);
    bool ok = true;
    bool midTaken = false;
    bool finished = false;
    QEventLoop loop;
    const QMetaObject::Connection progress =
        QObject::connect(&dialog.runner(), &TransferRunner::progressSet, &dialog, [&](int position) {
            if (midTaken || position < kMidTransferPosition)
                return;
            midTaken = true;
            ok &= Save(dialog, base + "-transfer.png");
        });
    const QMetaObject::Connection end =
        QObject::connect(&dialog.runner(), &TransferRunner::transferFinished, &dialog, [&] {
            finished = true;
            loop.quit();
        });
    QTimer::singleShot(kTransferTimeLimitMs, &loop, &QEventLoop::quit);

    static_cast<TransferPage*>(dialog.page(index))->button()->click();
    if (dialog.runner().running())
        loop.exec();
    QObject::disconnect(progress);
    QObject::disconnect(end);
    dialog.SetDialogs(nullptr, nullptr);

    if (!finished || !midTaken || !messages.messages().isEmpty()) {
        std::fprintf(stderr, "the operation of page %d did not run through%s\n", index,
                     messages.messages().isEmpty() ? ""
                                                   : qPrintable(": " + messages.messages().first().text));
        return false;
    }
    return ok && Save(dialog, base + "-done.png");
}

} // namespace

bool TakeScreenshots(CTeeDeskDlg& dialog, const QString& directory, const QString& inputs)
{
    QDir().mkpath(directory);
    // Give a watch on the bus the time to be found, so the pages show it connected.
    const QDeadlineTimer deadline(2000);
    while (g_bDeviceConnected == 0 && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    // The pages' timers see it, and the firmware page reads the version.
    SpinFor(1500);

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

    if (inputs.isEmpty())
        return ok;
    const QDir in(inputs);
    ok &= RunOperation(dialog, 0, QDir(directory).filePath("play-data.csv"), directory);
    ok &= RunOperation(dialog, 1, in.filePath("course.dat"), directory);
    ok &= RunOperation(dialog, 2, in.filePath("firmware.bin"), directory);
    return ok;
}
