#include "ReplayWatch.h"

#include "CommandPacket.h"
#include "DeviceModel.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

namespace teedesk::sim {

namespace {

// The cable comes out a moment after the last answer before it, as the simulator pulls it.
constexpr std::chrono::milliseconds kUnplugGrace{50};
constexpr std::chrono::milliseconds kControlPeriod{10};
constexpr size_t kShownBytes = 16;

std::optional<std::vector<uint8_t>> FromHex(const std::string& text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return bytes;
}

std::string HexAt(const std::vector<uint8_t>& bytes, size_t from)
{
    std::string text;
    char piece[4];
    for (size_t i = from; i < bytes.size() && i < from + kShownBytes; ++i) {
        std::snprintf(piece, sizeof piece, "%02x ", bytes[i]);
        text += piece;
    }
    if (!text.empty())
        text.pop_back();
    return text.empty() ? "(ends)" : text;
}

HidAttributes AttributesOf(uint16_t modelIndex)
{
    if (modelIndex >= kModelCount)
        return {};
    const DeviceModel& model = kKnownModels[modelIndex];
    return {model.vendorId, model.productId, model.releaseNumber};
}

} // namespace

std::optional<Transcript> Transcript::Parse(std::istream& in, std::string& error)
{
    Transcript transcript;
    std::string text;
    int line = 0;
    bool headerSeen = false;
    while (std::getline(in, text)) {
        ++line;
        if (text.empty())
            continue;
        const nlohmann::json json = nlohmann::json::parse(text, nullptr, false);
        if (json.is_discarded() || !json.is_object()) {
            error = "line " + std::to_string(line) + " is not a JSON object";
            return std::nullopt;
        }
        if (!headerSeen) {
            if (!json.contains("teedesk_record")) {
                error = "not a teedesk record (the first line has no \"teedesk_record\")";
                return std::nullopt;
            }
            headerSeen = true;
            continue;
        }
        TranscriptEntry entry;
        entry.line = line;
        if (json.contains("event")) {
            const std::string event = json.value("event", "");
            if (event != "open" && event != "removed") {
                error = "line " + std::to_string(line) + ": unknown event \"" + event + "\"";
                return std::nullopt;
            }
            entry.kind = event == "open" ? TranscriptEntry::Open : TranscriptEntry::Removed;
            entry.path = json.value("path", "");
            transcript.entries.push_back(std::move(entry));
            continue;
        }
        const auto out = json.contains("out") && json["out"].is_string()
                             ? FromHex(json["out"].get<std::string>())
                             : std::nullopt;
        if (!out || !json.contains("in")) {
            error = "line " + std::to_string(line) + " is neither an event nor an exchange";
            return std::nullopt;
        }
        entry.out = *out;
        if (json["in"].is_string()) {
            entry.in = FromHex(json["in"].get<std::string>());
            if (!entry.in) {
                error = "line " + std::to_string(line) + ": \"in\" is not hex";
                return std::nullopt;
            }
        } else {
            entry.outcome = json.value("outcome", "timeout");
        }
        transcript.entries.push_back(std::move(entry));
    }
    if (!headerSeen) {
        error = "empty record";
        return std::nullopt;
    }
    return transcript;
}

size_t Transcript::exchangeCount() const
{
    return static_cast<size_t>(std::count_if(entries.begin(), entries.end(), [](const TranscriptEntry& entry) {
        return entry.kind == TranscriptEntry::Exchange;
    }));
}

std::optional<uint16_t> Transcript::IdentityModel() const
{
    for (const TranscriptEntry& entry : entries) {
        if (entry.kind != TranscriptEntry::Exchange || !entry.in || entry.out.size() != kReportSize ||
            entry.in->size() != kReportSize)
            continue;
        CommandPacket request{}, reply{};
        ReportToPacket(entry.out.data(), request);
        ReportToPacket(entry.in->data(), reply);
        if (request.commandCode != Command::Identity || !IsAcceptableReply(reply, Command::Identity))
            continue;
        const uint16_t model = static_cast<uint16_t>(reply.payload[0] | reply.payload[1] << 8);
        if (model < kModelCount)
            return model;
    }
    return std::nullopt;
}

std::string Transcript::FirstOpenedName() const
{
    for (const TranscriptEntry& entry : entries)
        if (entry.kind == TranscriptEntry::Open) {
            const size_t slash = entry.path.rfind('/');
            return slash == std::string::npos ? entry.path : entry.path.substr(slash + 1);
        }
    return {};
}

const char* ReplayStateName(ReplayWatch::State state)
{
    switch (state) {
    case ReplayWatch::State::Replaying: return "replaying";
    case ReplayWatch::State::Finished: return "finished";
    case ReplayWatch::State::Differed: return "differed";
    case ReplayWatch::State::HostLeft: return "host left";
    }
    return "";
}

ReplayWatch::ReplayWatch(std::string socketPath, uint16_t modelIndex, Transcript transcript)
    : modelIndex_(modelIndex), transcript_(std::move(transcript)),
      device_(std::move(socketPath), AttributesOf(modelIndex))
{
    device_.SetHandler([this](std::span<const uint8_t> report) { OnReport(report); });
}

ReplayWatch::~ReplayWatch()
{
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    if (control_.joinable())
        control_.join();
    device_.Unplug();
}

bool ReplayWatch::Plug()
{
    if (modelIndex_ >= kModelCount || !device_.Plug())
        return false;
    std::lock_guard lock(mutex_);
    plugged_ = true;
    AdvanceLocked();
    if (!control_.joinable())
        control_ = std::thread([this] { ControlLoop(); });
    return true;
}

ReplayWatch::State ReplayWatch::Wait(std::optional<std::chrono::milliseconds> limit)
{
    std::unique_lock lock(mutex_);
    auto ended = [this] { return state_ != State::Replaying; };
    if (limit)
        changed_.wait_for(lock, *limit, ended);
    else
        changed_.wait(lock, ended);
    return state_;
}

std::string ReplayWatch::report() const
{
    std::lock_guard lock(mutex_);
    if (!report_.empty())
        return report_;
    return std::to_string(answered_) + " of " + std::to_string(transcript_.exchangeCount()) +
           " recorded exchanges replayed";
}

size_t ReplayWatch::answered() const
{
    std::lock_guard lock(mutex_);
    return answered_;
}

void ReplayWatch::AdvanceLocked()
{
    while (cursor_ < transcript_.entries.size()) {
        const TranscriptEntry& entry = transcript_.entries[cursor_];
        if (entry.kind == TranscriptEntry::Exchange)
            return;
        if (entry.kind == TranscriptEntry::Removed) {
            unplugRequested_ = true;
            ++cursor_;
            changed_.notify_all();
            return; // requests already on their way are still compared with what follows
        }
        if (!plugged_)
            return; // an open after a removal: the control thread plugs again first
        ++cursor_;
    }
}

void ReplayWatch::EndLocked(State state, std::string report)
{
    if (state_ != State::Replaying)
        return;
    state_ = state;
    report_ = std::move(report);
    changed_.notify_all();
}

void ReplayWatch::OnReport(std::span<const uint8_t> report)
{
    std::vector<uint8_t> answer;
    bool send = false;
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::Replaying)
            return;
        hostSeen_ = true; // a request comes only over a granted connection
        AdvanceLocked();
        const std::vector<uint8_t> received(report.begin(), report.end());
        if (cursor_ >= transcript_.entries.size() ||
            transcript_.entries[cursor_].kind != TranscriptEntry::Exchange) {
            EndLocked(State::Differed, "request " + std::to_string(answered_) +
                                           " comes after the recording's last exchange: " + HexAt(received, 0));
            return;
        }
        const TranscriptEntry& entry = transcript_.entries[cursor_];
        const auto [recordedAt, receivedAt] =
            std::mismatch(entry.out.begin(), entry.out.end(), received.begin(), received.end());
        if (recordedAt != entry.out.end() || receivedAt != received.end()) {
            const size_t at = static_cast<size_t>(recordedAt - entry.out.begin());
            const size_t shown = at / 8 * 8;
            size_t differing = 0;
            for (size_t i = 0; i < std::max(entry.out.size(), received.size()); ++i)
                if (i >= entry.out.size() || i >= received.size() || entry.out[i] != received[i])
                    ++differing;
            EndLocked(State::Differed,
                      "request " + std::to_string(answered_) + " (line " + std::to_string(entry.line) +
                          ") differs from the recording at byte " + std::to_string(at) + " of " +
                          std::to_string(entry.out.size()) + " (" + std::to_string(differing) +
                          " bytes differ; received " + std::to_string(received.size()) + ")\n  from byte " +
                          std::to_string(shown) + ", recorded: " + HexAt(entry.out, shown) +
                          "\n  from byte " + std::to_string(shown) + ", received: " + HexAt(received, shown));
            return;
        }
        if (entry.in) {
            answer = *entry.in;
            send = true;
        }
        ++cursor_;
        ++answered_;
        AdvanceLocked();
    }
    if (send)
        device_.Send(answer);
}

void ReplayWatch::ControlLoop()
{
    std::unique_lock lock(mutex_);
    while (!quit_) {
        changed_.wait_for(lock, kControlPeriod);
        if (quit_)
            break;
        if (state_ != State::Replaying)
            continue;

        if (unplugRequested_) {
            unplugRequested_ = false;
            lock.unlock();
            std::this_thread::sleep_for(kUnplugGrace);
            device_.Unplug();
            lock.lock();
            plugged_ = false;
            hostSeen_ = false;
            // Requests the host sent into the removal went unanswered; those that never reached
            // this side are passed over.
            while (cursor_ < transcript_.entries.size() &&
                   transcript_.entries[cursor_].kind == TranscriptEntry::Exchange && !transcript_.entries[cursor_].in)
                ++cursor_;
            if (cursor_ < transcript_.entries.size() && transcript_.entries[cursor_].kind == TranscriptEntry::Open) {
                lock.unlock();
                const bool back = device_.Plug();
                lock.lock();
                plugged_ = back;
                if (!back)
                    EndLocked(State::HostLeft, "cannot plug the interface again");
            }
            AdvanceLocked();
            continue;
        }

        // A short session can open and close between two looks: a request seen counts as well.
        if (device_.hasGrantedConnection())
            hostSeen_ = true;
        else if (hostSeen_) {
            // The host let go: at the end of the recording that is the end of the replay.
            if (cursor_ >= transcript_.entries.size())
                EndLocked(State::Finished, {});
            else
                EndLocked(State::HostLeft, "the host closed the interface after " + std::to_string(answered_) +
                                               " of " + std::to_string(transcript_.exchangeCount()) +
                                               " recorded exchanges");
        }
        if (!plugged_ && cursor_ >= transcript_.entries.size())
            EndLocked(State::Finished, {}); // the recording ended with the watch pulled out
    }
}

} // namespace teedesk::sim
