#include "CliContext.h"

#include "ConnectionState.h"
#include "ConnectionWatcher.h"
#include "HidapiBackend.h"
#include "PermissionHint.h"
#include "PrivateBus.h"
#include "RecordingBackend.h"
#include "VhidBackend.h"

#include <chrono>
#include <cstdio>
#include <thread>

namespace teedesk::cli {

namespace {
// The rounds a simulated watch holds: always the same, so runs can be compared.
constexpr uint32_t kSimulatedSeed = 20160512;
constexpr int kSimulatedRounds = 3;
} // namespace

struct CliContext::Devices {
    std::unique_ptr<sim::PrivateBus> bus; // first, so it goes last: after the backend and the link
    std::unique_ptr<HidBackend> backend;
    std::unique_ptr<RecordingBackend> recorder; // wraps `backend` with --record
    HidBackend* active = nullptr;
    std::unique_ptr<DeviceLink> link;
    std::unique_ptr<ConnectionWatcher> watcher;
};

CliContext::CliContext(GlobalOptions options) : options_(std::move(options)), devices_(std::make_unique<Devices>()) {}

CliContext::~CliContext()
{
    // The watcher is joined before the link goes, and the link before its backend.
    if (devices_->watcher)
        devices_->watcher->Stop();
    if (devices_->link) {
        g_pDeviceLink = nullptr;
        devices_->link->Close();
    }
    g_bDeviceConnected = 0;
    devices_->watcher.reset();
    devices_->link.reset();
    devices_->recorder.reset();
    devices_->backend.reset();
}

HidBackend* CliContext::backend()
{
    if (devices_->active)
        return devices_->active;
    if (!CreateBackend())
        return nullptr;
    devices_->active = devices_->backend.get();
    if (!options_.recordPath.empty()) {
        devices_->recorder = RecordingBackend::Create(*devices_->backend, options_.recordPath);
        if (!devices_->recorder) {
            std::fprintf(stderr, "cannot create the record file %s\n", options_.recordPath.c_str());
            return nullptr;
        }
        devices_->active = devices_->recorder.get();
    }
    return devices_->active;
}

bool CliContext::CreateBackend()
{
    if (!options_.simulateModel.empty()) {
        const std::optional<uint16_t> model = ParseModel(options_.simulateModel);
        if (!model) {
            std::fprintf(stderr, "unknown model '%s' for --simulate (pin, bandF, bandA, 0, 1, 2)\n",
                         options_.simulateModel.c_str());
            return false;
        }
        sim::WatchOptions watch;
        watch.modelIndex = *model;
        watch.sessions = sim::GenerateSessions(kSimulatedSeed, kSimulatedRounds, *model);
        devices_->bus = std::make_unique<sim::PrivateBus>(std::move(watch));
        if (!devices_->bus->ok()) {
            std::fprintf(stderr, "cannot start the simulated watch in /tmp\n");
            return false;
        }
        devices_->backend = std::make_unique<VhidBackend>(devices_->bus->directory());
        return true;
    }
    if (!options_.hidDirectory.empty())
        devices_->backend = std::make_unique<VhidBackend>(options_.hidDirectory);
    else
        devices_->backend = std::make_unique<HidapiBackend>();
    return true;
}

DeviceLink* CliContext::ConnectedLink()
{
    if (devices_->link)
        return devices_->link.get();
    HidBackend* hid = backend();
    if (!hid)
        return nullptr;

    g_bDeviceConnected = 0;
    g_bTransferBusy = 0;
    devices_->link = std::make_unique<DeviceLink>(*hid);
    DeviceLink& link = *devices_->link;
    link.SetDeviceFilter(options_.devicePath);
    g_pDeviceLink = &link;
    // Removals are handled on the backend's notice thread: everything they touch is guarded.
    link.RegisterDeviceNotifications([&link](const std::string& path) {
        HandleDeviceRemoval(link, path, g_hDetectEvent, g_bDeviceConnected);
    });
    devices_->watcher = std::make_unique<ConnectionWatcher>(link, g_hDetectEvent, g_bDeviceConnected);
    devices_->watcher->Start();
    g_hDetectEvent.Signal();

    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(options_.waitSeconds));
    bool hinted = false;
    while (g_bDeviceConnected == 0) {
        if (!hinted && link.lastOpenError() == HidOpenError::AccessDenied) {
            PrintMessage(PermissionHint(link.lastOpenFailurePath()));
            hinted = true;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            std::fprintf(stderr, "no watch connected within %g seconds\n", options_.waitSeconds);
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return &link;
}

void PrintMessage(const std::string& text)
{
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r')
            c = ' ';
    std::fprintf(stderr, "%s\n", line.c_str());
}

} // namespace teedesk::cli
