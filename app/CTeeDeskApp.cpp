#include "CTeeDeskApp.h"

#include "CTeeDeskDlg.h"
#include "DeviceModel.h"
#include "FirstPaintHook.h"
#include "HidapiBackend.h"
#include "PrivateBus.h"
#include "Screenshots.h"
#include "UiFont.h"
#include "VhidBackend.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <unistd.h>

const char* const CTeeDeskApp::kInstanceName = "Dravik GOLF";

namespace {

// The simulated watch holds the same rounds as the CLI's.
constexpr uint32_t kSimulatedSeed = 20160512;
constexpr int kSimulatedRounds = 3;

QString LockPath(const QString& chosenDirectory)
{
    const QString name = QString::fromUtf8(CTeeDeskApp::kInstanceName);
    if (!chosenDirectory.isEmpty())
        return QDir(chosenDirectory).filePath(name + ".lock");
    // The runtime folder belongs to the user alone; the temporary folder is shared, so the
    // user's id goes into the name there.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return QDir(runtime).filePath(name + ".lock");
    return QDir(QDir::tempPath()).filePath(QString("%1-%2.lock").arg(name).arg(getuid()));
}

} // namespace

CTeeDeskApp::CTeeDeskApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("teedesk"));
    setApplicationVersion(QStringLiteral(TEEDESK_VERSION));
}

CTeeDeskApp::~CTeeDeskApp()
{
    // The backend's threads end before the bus and its watch go.
    m_backend.reset();
    m_bus.reset();
}

int CTeeDeskApp::ParseOptions(Options& options)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("TeeDesk: import play data, write course data and update the firmware of a LINKORA watch."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption hidDir(QStringLiteral("hid-dir"),
                                    QStringLiteral("use the virtual HID bus in DIR instead of the system's HID devices"),
                                    QStringLiteral("DIR"));
    const QCommandLineOption simulate(
        QStringLiteral("simulate"),
        QStringLiteral("start a built-in simulated watch of MODEL (pin, bandF, bandA or 0, 1, 2) and use it"),
        QStringLiteral("MODEL"));
    const QCommandLineOption device(QStringLiteral("device"), QStringLiteral("consider only the HID interface at PATH"),
                                    QStringLiteral("PATH"));
    QCommandLineOption lockDir(QStringLiteral("lock-dir"), QStringLiteral("folder of the single-instance lock"),
                               QStringLiteral("DIR"));
    QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                  QStringLiteral("write pictures of the window into DIR and end"), QStringLiteral("DIR"));
    QCommandLineOption screenshotInputs(QStringLiteral("screenshot-inputs"),
                                        QStringLiteral("with --screenshot, also run each operation with the files in DIR"),
                                        QStringLiteral("DIR"));
    QCommandLineOption quitWhenShown(QStringLiteral("quit-when-shown"),
                                     QStringLiteral("print the wall-clock time the window was shown, and end"));
    for (QCommandLineOption* hidden : {&lockDir, &screenshot, &screenshotInputs, &quitWhenShown})
        hidden->setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({hidDir, simulate, device, lockDir, screenshot, screenshotInputs, quitWhenShown});

    if (!parser.parse(arguments())) {
        std::fprintf(stderr, "teedesk: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return -1;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("teedesk %s\n", TEEDESK_VERSION);
        return -1;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "teedesk: unexpected argument '%s'\n", qPrintable(parser.positionalArguments().first()));
        return 2;
    }
    options.hidDirectory = parser.value(hidDir);
    options.simulateModel = parser.value(simulate);
    options.devicePath = parser.value(device);
    options.lockDirectory = parser.value(lockDir);
    options.screenshotDirectory = parser.value(screenshot);
    options.screenshotInputs = parser.value(screenshotInputs);
    options.quitWhenShown = parser.isSet(quitWhenShown);
    if (!options.hidDirectory.isEmpty() && !options.simulateModel.isEmpty()) {
        std::fprintf(stderr, "teedesk: --hid-dir and --simulate cannot be used together\n");
        return 2;
    }
    if (!options.simulateModel.isEmpty() && !teedesk::ParseModel(options.simulateModel.toStdString())) {
        std::fprintf(stderr, "teedesk: unknown model '%s' for --simulate (pin, bandF, bandA, 0, 1, 2)\n",
                     qPrintable(options.simulateModel));
        return 2;
    }
    return 0;
}

bool CTeeDeskApp::InitInstance(const Options& options)
{
    m_instanceLock = std::make_unique<QLockFile>(LockPath(options.lockDirectory));
    // Held for the life of the process. Never stale by age; a lock left by a process that
    // has died is taken over.
    m_instanceLock->setStaleLockTime(0);
    return m_instanceLock->tryLock(0);
}

bool CTeeDeskApp::CreateBackend(const Options& options)
{
    if (!options.simulateModel.isEmpty()) {
        const uint16_t model = *teedesk::ParseModel(options.simulateModel.toStdString());
        teedesk::sim::WatchOptions watch;
        watch.modelIndex = model;
        watch.sessions = teedesk::sim::GenerateSessions(kSimulatedSeed, kSimulatedRounds, model);
        m_bus = std::make_unique<teedesk::sim::PrivateBus>(std::move(watch));
        if (!m_bus->ok()) {
            std::fprintf(stderr, "teedesk: cannot start the simulated watch in /tmp\n");
            return false;
        }
        m_backend = std::make_unique<teedesk::VhidBackend>(m_bus->directory());
    } else if (!options.hidDirectory.isEmpty()) {
        m_backend = std::make_unique<teedesk::VhidBackend>(options.hidDirectory.toStdString());
    } else {
        m_backend = std::make_unique<teedesk::HidapiBackend>();
    }
    return true;
}

int CTeeDeskApp::Run()
{
    Options options;
    if (const int status = ParseOptions(options); status != 0)
        return status < 0 ? 0 : status;
    // A second instance, or no lock at all, ends here without a word.
    if (!InitInstance(options))
        return 0;
    if (!CreateBackend(options))
        return 1;
    InstallFontSubstitutions();

    int status = 0;
    {
        CTeeDeskDlg dialog(*m_backend, options.devicePath.toStdString());
        if (options.quitWhenShown) {
            new FirstPaintHook(dialog, [&dialog] {
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                std::printf("shown-at-ns %lld\n",
                            static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                std::fflush(stdout);
                dialog.done(0);
            });
        } else if (!options.screenshotDirectory.isEmpty()) {
            new FirstPaintHook(dialog, [&dialog, &status, directory = options.screenshotDirectory,
                                        inputs = options.screenshotInputs] {
                status = TakeScreenshots(dialog, directory, inputs) ? 0 : 1;
                dialog.done(0);
            });
        }
        dialog.exec();
    }
    return status;
}
