#pragma once
// A watch that answers from a recorded transcript (teedesk-cli --record): each request must be
// the recorded one, byte for byte, and gets the recorded input report, or nothing where the
// recording had none. The first request that differs ends the replay with a report of where.

#include "VhidDevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <istream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace teedesk::sim {

struct TranscriptEntry {
    enum Kind { Open, Removed, Exchange } kind = Exchange;
    int line = 0;                            // in the file, from 1
    std::string path;                        // Open and Removed
    std::vector<uint8_t> out;                // Exchange: the output report
    std::optional<std::vector<uint8_t>> in;  // the input report; nothing after a time-out or failure
    std::string outcome;                     // "timeout", "read-failed", ... when `in` is empty
};

struct Transcript {
    std::vector<TranscriptEntry> entries;

    // JSON lines: the record header first, then event and exchange lines. Nothing, with the
    // reason in `error`, when the text is not such a record.
    static std::optional<Transcript> Parse(std::istream& in, std::string& error);

    size_t exchangeCount() const;
    // The model whose record the watch sent in its identity reply, if the recording has one.
    std::optional<uint16_t> IdentityModel() const;
    // The socket name of the first interface the host opened ("watch-bandA.hid"), if any.
    std::string FirstOpenedName() const;
};

class ReplayWatch {
public:
    enum class State {
        Replaying,
        Finished, // every recorded exchange answered, and the host has let go
        Differed, // a request was not the recorded one
        HostLeft, // the host closed the interface before the recording ended
    };

    ReplayWatch(std::string socketPath, uint16_t modelIndex, Transcript transcript);
    ~ReplayWatch();

    ReplayWatch(const ReplayWatch&) = delete;
    ReplayWatch& operator=(const ReplayWatch&) = delete;

    // False for an unknown model or when the socket cannot be created.
    bool Plug();
    const std::string& path() const { return device_.path(); }

    // Until the replay ends, or `limit` (nothing: no limit) has passed; the state then.
    State Wait(std::optional<std::chrono::milliseconds> limit);
    // What happened, for stderr: the difference, or how far the host got.
    std::string report() const;
    size_t answered() const;

private:
    void OnReport(std::span<const uint8_t> report);
    // Steps over the events at the cursor; a removal asks the control thread to unplug.
    void AdvanceLocked();
    void EndLocked(State state, std::string report);
    void ControlLoop();

    const uint16_t modelIndex_;
    const Transcript transcript_;
    VhidDevice device_;

    mutable std::mutex mutex_; // everything below
    std::condition_variable changed_;
    size_t cursor_ = 0;   // next entry
    size_t answered_ = 0; // exchanges replayed
    State state_ = State::Replaying;
    std::string report_;
    bool unplugRequested_ = false;
    bool plugged_ = false;
    bool hostSeen_ = false; // a host has held the interface since it was last plugged
    bool quit_ = false;
    std::thread control_;
};

const char* ReplayStateName(ReplayWatch::State state);

} // namespace teedesk::sim
