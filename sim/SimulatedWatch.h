#pragma once
// A watch of one model on a virtual HID bus that serves the whole command set: identity (200),
// version (1), firmware and course writes (2, 3) and the session reads (4, 5), with optional
// reply latency and injectable faults.

#include "CommandPacket.h"
#include "HidBackend.h"
#include "VhidDevice.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace teedesk::sim {

// Faults that drive every failure path of the host. Block numbers count from 0 per transfer and
// name the block exchanges of commands 2, 3 and 5; a transfer's "first attempt" is the first reply
// to that block after the transfer's opening exchange.
struct Faults {
    bool directionTwo = false;              // every reply carries direction 2 (still valid)
    std::optional<uint32_t> badCrcOnBlock;  // a wrong CRC in the reply to block k ...
    bool badCrcAlways = false;              // ... on every attempt, not only the first
    bool crcLowByteFirst = false;           // every reply's CRC stored low byte first
    bool wrongCommandEcho = false;          // every reply echoes another command code
    std::optional<uint32_t> wrongArgumentOnBlock; // block k's reply echoes k + 1 ...
    bool wrongArgumentAlways = false;       // ... on every attempt
    bool shortReply = false;                // every reply is a 268-byte datagram
    bool delayPastTimeoutOnce = false;      // the next reply comes after `lateBy`
    std::chrono::milliseconds lateBy{1500};
    bool silentIdentity = false;            // no answer to command 200
    std::optional<uint32_t> unplugAfterBlock; // unplugged right after answering block k (once)
    bool refuseOpen = false;                // held by another program
};

struct WatchOptions {
    uint16_t modelIndex = 2;
    // Version reply payload bytes 2, 3, 15 (firmware) and 16, 17, 14 (Bluetooth).
    uint8_t firmwareMinor = 5, firmwareMajor = 1, firmwareThird = 0;
    uint8_t bluetoothMinor = 1, bluetoothMajor = 2, bluetoothThird = 3;
    std::chrono::milliseconds replyDelay{0}; // per exchange, as a real USB link takes
    Faults faults;
    // Where complete transfers are saved as firmware.bin and course.bin (empty: kept in memory only).
    std::string storeDirectory;
    // The stored sessions, each the bytes the watch sends for it.
    std::vector<std::vector<uint8_t>> sessions;
};

// Realistic rounds: a course name and course names in Japanese (code page 932), 18 holes of
// fixes once a second with their fix modes, shots and putts with clubs and lies, and
// acceleration events. The same seed gives the same bytes.
std::vector<std::vector<uint8_t>> GenerateSessions(uint32_t seed, int count, uint16_t modelIndex);

// Socket file name of a watch on a bus: "watch-pin.hid", "watch-bandF.hid", "watch-bandA.hid".
std::string DefaultSocketName(uint16_t modelIndex);

class SimulatedWatch {
public:
    SimulatedWatch(std::string socketPath, WatchOptions options);
    ~SimulatedWatch();

    SimulatedWatch(const SimulatedWatch&) = delete;
    SimulatedWatch& operator=(const SimulatedWatch&) = delete;

    // False for an unknown model index or when the socket cannot be created.
    bool Plug();
    void Unplug();
    bool plugged() const;
    const std::string& path() const;

    void SetFaults(const Faults& faults);

    // The last complete transfer of each kind, exactly the announced size; empty if none.
    std::vector<uint8_t> ReceivedFirmware() const;
    std::vector<uint8_t> ReceivedCourse() const;
    // Every request as it arrived (command, phase, argument), for tests that check the sequence.
    struct Request {
        uint8_t command;
        uint8_t phase;
        uint32_t argument;
        uint32_t firstWord;
    };
    std::vector<Request> requests() const;
    void ClearRequests();

    uint16_t modelIndex() const { return modelIndex_; }

private:
    struct Transfer {
        bool active = false;
        uint32_t size = 0;
        uint32_t nextBlock = 0;
        std::vector<uint8_t> data;
    };
    struct Reply {
        CommandPacket packet{};
        bool silent = false;
        bool unplug = false;
        std::chrono::milliseconds delay{0};
    };

    void OnReport(std::span<const uint8_t> report);
    Reply Answer(const CommandPacket& request);
    void FillPayload(const CommandPacket& request, CommandPacket& reply);
    void ReceiveBlock(Transfer& transfer, uint8_t command, const CommandPacket& request);
    void StoreComplete(uint8_t command, const std::vector<uint8_t>& bytes) const;
    // False when the watch was unplugged during the wait.
    bool SleepUnlessUnplugged(std::chrono::steady_clock::time_point deadline);
    void ControlLoop();

    const uint16_t modelIndex_;
    VhidDevice device_;
    std::atomic<bool> plugged_{false};

    mutable std::mutex mutex_; // everything below up to the sleep members
    WatchOptions options_;
    Transfer firmware_;
    Transfer course_;
    std::vector<uint8_t> receivedFirmware_;
    std::vector<uint8_t> receivedCourse_;
    std::optional<size_t> selectedSession_;
    std::vector<Request> requests_;
    std::vector<uint32_t> badCrcAnswered_;       // blocks of this transfer already given a bad CRC
    std::vector<uint32_t> wrongArgumentAnswered_; // ... a wrong argument

    // Delays end early when the watch is unplugged, so Unplug never waits out a long reply.
    std::mutex sleepMutex_;
    std::condition_variable sleepCondition_;
    bool unplugging_ = false;

    // The device thread cannot unplug itself (that joins it), so a helper thread does.
    std::mutex lifecycleMutex_; // Plug and Unplug
    std::mutex controlMutex_;
    std::condition_variable controlCondition_;
    bool unplugRequested_ = false;
    bool quit_ = false;
    // Between the last answer and the removal the watch answers nothing more.
    std::atomic<bool> goingAway_{false};
    std::thread control_;
};

} // namespace teedesk::sim
