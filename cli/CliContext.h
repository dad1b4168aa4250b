#pragma once
// What every command of teedesk-cli shares: the global options, the chosen HID backend and,
// for device commands, the link and the connection watcher.

#include "DeviceLink.h"
#include "HidBackend.h"

#include <memory>
#include <optional>
#include <string>

namespace teedesk::cli {

enum ExitStatus {
    kExitOk = 0,
    kExitFailed = 1,
    kExitUsage = 2,
    kExitNoWatch = 3,
};

struct GlobalOptions {
    std::string hidDirectory;
    std::string simulateModel;
    std::string devicePath;
    double waitSeconds = 5.0;
    std::string recordPath;
};

class CliContext {
public:
    explicit CliContext(GlobalOptions options);
    ~CliContext();

    const GlobalOptions& options() const { return options_; }

    // The backend the options choose; created on first use. Null after a message on stderr.
    HidBackend* backend();

    // Starts the link and the connection watcher and waits up to --wait for a watch.
    // Null (after a message) when none counted as connected in time.
    DeviceLink* ConnectedLink();

private:
    bool CreateBackend();

    struct Devices;
    GlobalOptions options_;
    std::unique_ptr<Devices> devices_;
};

// Prints a message the window program shows in a box: one line on stderr, line feeds as spaces.
void PrintMessage(const std::string& text);

} // namespace teedesk::cli
