// How long the window's thread can be kept from its events while a course image is written:
// a simulated LK-Band A that takes a while for every exchange, the course page's whole
// operation, and a 10 ms probe timer on the window's thread whose longest gap is reported.
//   app_ui_responsiveness [--delay MS] [--courses N] [--figures]

#include "CButtonST.h"
#include "CTeeDeskDlg.h"
#include "CTextProgressCtrl.h"
#include "ConnectionState.h"
#include "CourseMaker.h"
#include "RecordedMessageBoxes.h"
#include "ScriptedFileDialogs.h"
#include "SimulatedWatch.h"
#include "TransferPage.h"
#include "TransferRunner.h"
#include "UiFont.h"
#include "VhidBackend.h"
#include "pages/CDialog2.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

namespace {

constexpr std::chrono::milliseconds kProbePeriod{10};
constexpr int kGoalMs = 50;

bool SpinUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done() || elapsed.elapsed() > timeoutMs)
            loop.quit();
    });
    look.start(1);
    if (!done())
        loop.exec();
    return done();
}

} // namespace

int main(int argc, char** argv)
{
    int delayMs = 10;
    size_t courses = 20;
    bool figuresOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--delay") && i + 1 < argc)
            delayMs = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--courses") && i + 1 < argc)
            courses = static_cast<size_t>(std::atoi(argv[++i]));
        else if (!std::strcmp(argv[i], "--figures"))
            figuresOnly = true;
        else {
            std::fprintf(stderr, "usage: %s [--delay MS] [--courses N] [--figures]\n", argv[0]);
            return 2;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InstallFontSubstitutions();

    QTemporaryDir bus(QDir::tempPath() + "/teedesk-ui-XXXXXX");
    QTemporaryDir files;
    teedesk::tools::CourseFileDescription description = teedesk::tools::MakeNationalDescription(4);
    if (courses < description.courses.size())
        description.courses.resize(courses);
    const QString coursePath = files.filePath("national.dat");
    {
        const std::vector<uint8_t> bytes = teedesk::tools::MakeCourseFile(description);
        QFile file(coursePath);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size())) != qint64(bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(coursePath));
            return 1;
        }
    }

    teedesk::sim::WatchOptions options;
    options.modelIndex = 2;
    options.replyDelay = std::chrono::milliseconds(delayMs);
    teedesk::sim::SimulatedWatch watch((bus.path() + "/watch.hid").toStdString(), options);
    teedesk::VhidBackend backend(bus.path().toStdString());
    if (!watch.Plug()) {
        std::fprintf(stderr, "cannot start the simulated watch\n");
        return 1;
    }

    int status = 0;
    {
        ScriptedFileDialogs fileDialogs;
        RecordedMessageBoxes messages;
        CTeeDeskDlg dialog(backend);
        dialog.SetDialogs(&fileDialogs, &messages);
        dialog.show();
        CDialog2* page = dialog.coursePage();
        if (!SpinUntil([&] { return page->connected(); }, 30000)) {
            std::fprintf(stderr, "the simulated watch was not found\n");
            return 1;
        }
        SpinUntil([] { return false; }, 200); // the version query of the firmware page is over

        bool finished = false;
        bool completed = false;
        QObject::connect(&dialog.runner(), &TransferRunner::transferFinished, [&](bool done) {
            finished = true;
            completed = done;
        });

        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        long ticks = 0;
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            if (ticks++ > 0)
                longestGap = std::max(longestGap, sinceTick.elapsed());
            sinceTick.start();
        });
        probe.start(kProbePeriod);

        QElapsedTimer total;
        total.start();
        fileDialogs.Answer(coursePath);
        page->button()->click();
        SpinUntil([&] { return finished; }, 600000);
        probe.stop();
        const qint64 totalMs = total.elapsed();
        const uint32_t size = static_cast<uint32_t>(watch.ReceivedCourse().size());

        if (!figuresOnly)
            std::printf("course image %u bytes (%u blocks), %d ms per exchange, written in %lld ms, %ld probe ticks\n",
                        size, (size + 255) / 256, delayMs, static_cast<long long>(totalMs), ticks);
        if (!finished || !completed || size == 0) {
            std::fprintf(stderr, "the course image was not written\n");
            status = 1;
        }
        std::printf("figure: ui_longest_gap_during_course_write %lld ms (goal %d)\n",
                    static_cast<long long>(longestGap), kGoalMs);
    }
    return status;
}
