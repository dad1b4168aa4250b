#pragma once
// The application: one instance per user, the chosen HID backend, and the main window run
// until it ends.

#include <QApplication>
#include <QString>
#include <memory>

class QLockFile;

namespace teedesk {
class HidBackend;
namespace sim {
class PrivateBus;
}
} // namespace teedesk

class CTeeDeskApp : public QApplication {
    Q_OBJECT

public:
    // The name the single-instance lock is made from.
    static const char* const kInstanceName;

    CTeeDeskApp(int& argc, char** argv);
    ~CTeeDeskApp() override;

    // Returns the process's exit status.
    int Run();

private:
    struct Options {
        QString hidDirectory;
        QString simulateModel;
        QString devicePath;
        QString lockDirectory; // tests keep their instances apart with it
        QString screenshotDirectory;
        QString screenshotInputs;
        bool quitWhenShown = false;
    };

    // 0 = go on; otherwise the exit status (after a message for a usage error).
    int ParseOptions(Options& options);
    bool InitInstance(const Options& options);
    bool CreateBackend(const Options& options);

    std::unique_ptr<QLockFile> m_instanceLock;
    std::unique_ptr<teedesk::sim::PrivateBus> m_bus;
    std::unique_ptr<teedesk::HidBackend> m_backend;
};
