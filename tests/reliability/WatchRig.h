#pragma once
// One simulated watch on a bus of its own, the real link over the vhid backend, and the four
// operations as the pages run them, with everything a test asserts afterwards: what the watch
// was sent and took in, what the host was told, what the file holds.

#include "DeviceLink.h"
#include "RecordingHost.h"
#include "SimulatedWatch.h"
#include "TempDir.h"
#include "VhidBackend.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace teedesk::test {

enum class Operation { Version, ImportPlay, UpdateCourse, UpdateFirmware };

const char* OperationName(Operation operation);

// Small inputs for one model and what a whole operation yields from them, made once.
struct OperationInputs {
    uint16_t model = kModelBandA;
    TempDir folder;
    std::string coursePath, firmwarePath;
    std::vector<std::vector<uint8_t>> sessions;
    std::vector<uint8_t> courseImage; // stamped, S bytes
    std::vector<uint8_t> firmware;
    std::string versionText;
    std::string wholeCsv; // every session
    std::string headOnlyCsv; // no session: the byte-order mark and the model tag

    static const OperationInputs& For(uint16_t model);
    uint32_t CourseBlocks() const { return Blocks(courseImage.size()); }
    uint32_t FirmwareBlocks() const { return Blocks(firmware.size()); }
    uint32_t SessionBlocks(size_t index) const { return Blocks(sessions[index].size()); }
    static uint32_t Blocks(size_t bytes) { return static_cast<uint32_t>((bytes + kBlockSize - 1) / kBlockSize); }
};

// The page's view for the workers: its connection copy follows g_bDeviceConnected at once, and
// the lock is the process-wide flag, as the programs' hosts keep it.
class PageHost : public RecordingHost {
public:
    bool IsConnected() override;
    void LockTransfer() override;
    void UnlockTransfer() override;
};

struct OperationRun {
    bool finished = false; // returned within the hang bound
    std::optional<std::string> versionText;
    std::optional<uint32_t> sessionCount;
    bool workerRan = false;
    TransferResult result;
    std::optional<std::string> csv; // the file, when one was created
};

// Generous: only a hang gets near it; the exchange limits are short.
constexpr std::chrono::seconds kHangBound{30};

class WatchRig {
public:
    WatchRig(const OperationInputs& inputs, sim::WatchOptions options, std::chrono::milliseconds timeLimit);
    ~WatchRig();

    sim::SimulatedWatch& watch() { return *watch_; }
    DeviceLink& link() { return link_; }
    const OperationInputs& inputs() const { return inputs_; }
    std::string csvPath() const { return folder_.File("play.csv"); }

    // Removal notices go to HandleDeviceRemoval on the backend's notice thread, as in the CLI.
    void HandleRemovals();
    // Discovery and identity once, as one watcher check does; sets g_bDeviceConnected on success.
    bool ConnectOnce();
    // A real connection watcher with a short period.
    void StartWatcher(std::chrono::milliseconds pollPeriod);
    // Checks the watcher has completed; a removal wakes it for one more.
    int watcherChecks() const;
    // Until g_bDeviceConnected is 1 (false after `limit`).
    static bool WaitConnected(std::chrono::milliseconds limit);

    // The operation as its page runs it (count first for the import), on a worker thread of its
    // own; aborts the process when it does not return within kHangBound.
    OperationRun Run(Operation operation, TransferHost& host);

private:
    const OperationInputs& inputs_;
    TempDir bus_;
    TempDir folder_;
    VhidBackend backend_;
    DeviceLink link_;
    std::unique_ptr<sim::SimulatedWatch> watch_;
    struct Watcher;
    std::unique_ptr<Watcher> watcher_;
};

} // namespace teedesk::test
