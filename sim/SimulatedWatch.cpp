#include "SimulatedWatch.h"

#include "ByteOrder.h"
#include "DeviceModel.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace teedesk::sim {

namespace {

constexpr std::chrono::milliseconds kUnplugGrace{50};

HidAttributes AttributesOf(uint16_t modelIndex)
{
    if (modelIndex >= kModelCount)
        return {};
    const DeviceModel& model = kKnownModels[modelIndex];
    return {model.vendorId, model.productId, model.releaseNumber};
}

uint32_t BlockCount(uint32_t size) { return static_cast<uint32_t>((uint64_t{size} + kBlockSize - 1) / kBlockSize); }

bool IsTransferBlock(const CommandPacket& request)
{
    return request.phase == 0 && (request.commandCode == Command::Firmware || request.commandCode == Command::Course ||
                                  request.commandCode == Command::Session);
}

// True the first time `block` is seen in `answered`; remembers it.
bool FirstTime(std::vector<uint32_t>& answered, uint32_t block)
{
    if (std::find(answered.begin(), answered.end(), block) != answered.end())
        return false;
    answered.push_back(block);
    return true;
}

// Written beside the target and renamed over it, so a reader never sees half a file.
bool WriteFileAtomically(const std::filesystem::path& target, const std::vector<uint8_t>& bytes)
{
    const std::filesystem::path temporary = target.string() + ".part";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return false;
    const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::remove(temporary.c_str());
        return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

std::string DefaultSocketName(uint16_t modelIndex)
{
    static constexpr const char* kNames[] = {"pin", "bandF", "bandA"};
    if (modelIndex >= kModelCount)
        return "watch-" + std::to_string(modelIndex) + ".hid";
    return std::string("watch-") + kNames[modelIndex] + ".hid";
}

SimulatedWatch::SimulatedWatch(std::string socketPath, WatchOptions options)
    : modelIndex_(options.modelIndex), device_(std::move(socketPath), AttributesOf(options.modelIndex)),
      options_(std::move(options))
{
    device_.SetHandler([this](std::span<const uint8_t> report) { OnReport(report); });
    control_ = std::thread([this] { ControlLoop(); });
}

SimulatedWatch::~SimulatedWatch()
{
    {
        std::lock_guard lock(controlMutex_);
        quit_ = true;
    }
    controlCondition_.notify_all();
    control_.join();
    Unplug();
}

bool SimulatedWatch::Plug()
{
    std::lock_guard lifecycle(lifecycleMutex_);
    if (modelIndex_ >= kModelCount)
        return false;
    {
        std::lock_guard lock(mutex_);
        device_.SetRefuseOpen(options_.faults.refuseOpen);
    }
    {
        std::lock_guard lock(sleepMutex_);
        unplugging_ = false;
    }
    goingAway_ = false;
    plugged_ = device_.Plug();
    return plugged_;
}

void SimulatedWatch::Unplug()
{
    std::lock_guard lifecycle(lifecycleMutex_);
    {
        std::lock_guard lock(sleepMutex_);
        unplugging_ = true;
    }
    sleepCondition_.notify_all();
    device_.Unplug();
    plugged_ = false;
    std::lock_guard lock(mutex_);
    // A transfer cut by the removal never completes; the next one starts with its opening.
    firmware_ = {};
    course_ = {};
    selectedSession_.reset();
}

bool SimulatedWatch::plugged() const { return plugged_; }

const std::string& SimulatedWatch::path() const { return device_.path(); }

void SimulatedWatch::SetFaults(const Faults& faults)
{
    std::lock_guard lock(mutex_);
    options_.faults = faults;
    device_.SetRefuseOpen(faults.refuseOpen);
}

std::vector<uint8_t> SimulatedWatch::ReceivedFirmware() const
{
    std::lock_guard lock(mutex_);
    return receivedFirmware_;
}

std::vector<uint8_t> SimulatedWatch::ReceivedCourse() const
{
    std::lock_guard lock(mutex_);
    return receivedCourse_;
}

std::vector<SimulatedWatch::Request> SimulatedWatch::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void SimulatedWatch::ClearRequests()
{
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void SimulatedWatch::OnReport(std::span<const uint8_t> report)
{
    const auto arrived = std::chrono::steady_clock::now();
    // A request the watch cannot frame is dropped unanswered, as a real one would.
    if (report.size() != kReportSize || report[0] != 0)
        return;
    CommandPacket request{};
    ReportToPacket(report.data(), request);
    if (!IsAcceptableReply(request, request.commandCode) || goingAway_)
        return;

    Reply reply = Answer(request);
    if (reply.delay.count() > 0 && !SleepUnlessUnplugged(arrived + reply.delay))
        return; // pulled out while it was still working on the answer
    if (!reply.silent) {
        uint8_t out[kReportSize];
        PacketToReport(reply.packet, out);
        bool shortReply;
        {
            std::lock_guard lock(mutex_);
            shortReply = options_.faults.shortReply;
        }
        device_.Send(std::span<const uint8_t>(out, shortReply ? kReportSize - 1 : kReportSize));
    }
    if (reply.unplug) {
        goingAway_ = true;
        {
            std::lock_guard lock(controlMutex_);
            unplugRequested_ = true;
        }
        controlCondition_.notify_all();
    }
}

SimulatedWatch::Reply SimulatedWatch::Answer(const CommandPacket& request)
{
    std::lock_guard lock(mutex_);
    requests_.push_back({request.commandCode, request.phase, request.Argument(), request.FirstWord()});
    Faults& faults = options_.faults;

    Reply reply;
    reply.delay = options_.replyDelay;
    if (faults.delayPastTimeoutOnce) {
        faults.delayPastTimeoutOnce = false;
        reply.delay += faults.lateBy;
    }

    if (request.phase == 1) {
        // An opening exchange starts a transfer afresh: the per-block faults count again.
        badCrcAnswered_.clear();
        wrongArgumentAnswered_.clear();
    }

    CommandPacket& packet = reply.packet;
    packet.phase = request.phase;
    packet.SetArgument(request.Argument());
    FillPayload(request, packet);

    const uint32_t block = request.Argument();
    const bool transferBlock = IsTransferBlock(request);
    bool badCrc = false;
    if (transferBlock && faults.badCrcOnBlock == block)
        badCrc = FirstTime(badCrcAnswered_, block) || faults.badCrcAlways;
    if (transferBlock && faults.wrongArgumentOnBlock == block &&
        (FirstTime(wrongArgumentAnswered_, block) || faults.wrongArgumentAlways))
        packet.SetArgument(block + 1);

    const uint8_t command = faults.wrongCommandEcho ? static_cast<uint8_t>(request.commandCode + 1) : request.commandCode;
    StampPacket(packet, command, faults.directionTwo ? 2 : 1);
    if (badCrc)
        packet.crcLow ^= 0x5A;
    if (faults.crcLowByteFirst)
        std::swap(packet.crcHigh, packet.crcLow);

    reply.silent = faults.silentIdentity && request.commandCode == Command::Identity;
    if (transferBlock && faults.unplugAfterBlock == block) {
        faults.unplugAfterBlock.reset();
        reply.unplug = true;
    }
    return reply;
}

void SimulatedWatch::FillPayload(const CommandPacket& request, CommandPacket& reply)
{
    std::memset(reply.payload, 0, sizeof reply.payload);
    switch (request.commandCode) {
    case Command::Identity:
        EncodeModelRecord(kKnownModels[modelIndex_], reply.payload);
        break;
    case Command::Version:
        reply.payload[2] = options_.firmwareMinor;
        reply.payload[3] = options_.firmwareMajor;
        reply.payload[15] = options_.firmwareThird;
        reply.payload[16] = options_.bluetoothMinor;
        reply.payload[17] = options_.bluetoothMajor;
        reply.payload[14] = options_.bluetoothThird;
        break;
    case Command::Firmware:
    case Command::Course: {
        Transfer& transfer = request.commandCode == Command::Firmware ? firmware_ : course_;
        if (request.phase == 1) {
            transfer = {};
            transfer.active = true;
            transfer.size = request.FirstWord();
            reply.SetFirstWord(transfer.size);
        } else {
            ReceiveBlock(transfer, request.commandCode, request);
        }
        break;
    }
    case Command::SessionCount:
        if (request.phase == 1)
            reply.SetFirstWord(static_cast<uint32_t>(options_.sessions.size()));
        break;
    case Command::Session:
        if (request.phase == 1) {
            const uint32_t index = request.Argument();
            // An index past the stored sessions is an empty session, not an error: n = 0.
            if (index < options_.sessions.size()) {
                selectedSession_ = index;
                reply.SetFirstWord(static_cast<uint32_t>(options_.sessions[index].size()));
            } else {
                selectedSession_.reset();
            }
        } else if (selectedSession_) {
            const std::vector<uint8_t>& session = options_.sessions[*selectedSession_];
            const uint64_t offset = uint64_t{request.Argument()} * kBlockSize;
            if (offset < session.size()) {
                const size_t count = std::min<uint64_t>(kBlockSize, session.size() - offset);
                std::memcpy(reply.payload, session.data() + offset, count);
            }
        }
        break;
    default:
        break;
    }
}

void SimulatedWatch::ReceiveBlock(Transfer& transfer, uint8_t command, const CommandPacket& request)
{
    if (!transfer.active)
        return;
    const uint32_t index = request.Argument();
    const uint32_t blocks = BlockCount(transfer.size);
    const uint64_t offset = uint64_t{index} * kBlockSize;
    if (index == transfer.nextBlock && index < blocks) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(kBlockSize, transfer.size - offset));
        transfer.data.insert(transfer.data.end(), request.payload, request.payload + count);
        ++transfer.nextBlock;
    } else if (index + 1 == transfer.nextBlock) {
        // The host repeats a block whose reply it did not accept: take the bytes again.
        const size_t count = transfer.data.size() - static_cast<size_t>(offset);
        std::memcpy(transfer.data.data() + offset, request.payload, count);
        return;
    } else {
        transfer.active = false; // out of order: this transfer can never complete
        return;
    }
    if (transfer.nextBlock < blocks)
        return;
    transfer.active = false;
    if (command == Command::Firmware)
        receivedFirmware_ = transfer.data;
    else
        receivedCourse_ = transfer.data;
    StoreComplete(command, transfer.data);
}

void SimulatedWatch::StoreComplete(uint8_t command, const std::vector<uint8_t>& bytes) const
{
    if (options_.storeDirectory.empty())
        return;
    const std::filesystem::path target =
        std::filesystem::path(options_.storeDirectory) / (command == Command::Firmware ? "firmware.bin" : "course.bin");
    if (!WriteFileAtomically(target, bytes))
        std::fprintf(stderr, "watch %s: cannot save %s\n", device_.path().c_str(), target.c_str());
}

bool SimulatedWatch::SleepUnlessUnplugged(std::chrono::steady_clock::time_point deadline)
{
    // The reply is due at a fixed time after the request arrived, as on a real link: sleep
    // until shortly before it and spin the rest, since a timed wait overshoots by a tenth of
    // a millisecond or more, which would add up over a thousand blocks.
    constexpr auto kSpin = std::chrono::microseconds(300);
    {
        std::unique_lock lock(sleepMutex_);
        if (sleepCondition_.wait_until(lock, deadline - kSpin, [this] { return unplugging_; }))
            return false;
    }
    while (std::chrono::steady_clock::now() < deadline) {
        std::lock_guard lock(sleepMutex_);
        if (unplugging_)
            return false;
    }
    return true;
}

void SimulatedWatch::ControlLoop()
{
    std::unique_lock lock(controlMutex_);
    for (;;) {
        controlCondition_.wait(lock, [this] { return quit_ || unplugRequested_; });
        if (quit_)
            return;
        unplugRequested_ = false;
        lock.unlock();
        // The cable comes out just after the answer went: the host has time to take it in.
        std::this_thread::sleep_for(kUnplugGrace);
        Unplug();
        lock.lock();
    }
}

} // namespace teedesk::sim
