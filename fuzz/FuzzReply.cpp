// Arbitrary input reports as the reply to a block read: the link must never accept one that
// is not a whole, valid, echoing reply, and never read outside it.

#include "CommandPacket.h"
#include "DeviceLink.h"
#include "FuzzSeeds.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace teedesk;

namespace {

class ScriptedHandle final : public HidHandle {
public:
    std::vector<uint8_t>* reply = nullptr;

    HidWriteStatus Write(std::span<const uint8_t>, std::chrono::milliseconds) override
    {
        return HidWriteStatus::Written;
    }
    HidReadResult Read(std::span<uint8_t> buffer, std::chrono::milliseconds) override
    {
        const size_t copied = std::min(buffer.size(), reply->size());
        if (copied > 0)
            std::memcpy(buffer.data(), reply->data(), copied);
        return {HidReadStatus::Delivered, reply->size()};
    }
    void DropPending() override {}
    void Close() override {}
};

class ScriptedBackend final : public HidBackend {
public:
    std::shared_ptr<ScriptedHandle> handle = std::make_shared<ScriptedHandle>();
    std::vector<std::string> Enumerate() override { return {"fuzz"}; }
    std::optional<HidAttributes> ReadAttributes(const std::string&) override
    {
        return HidAttributes{0x10C4, 0x8ADB, 1};
    }
    HidOpenResult Open(const std::string&) override { return {handle, HidOpenError::None}; }
    void SetRemovalCallback(RemovalCallback) override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::WriteSeedsIfAsked([](const fuzz::SeedWriter& write) {
        for (uint8_t command : {Command::Version, Command::Session, Command::Identity}) {
            for (uint8_t argument : {0, 3}) {
                CommandPacket packet{};
                packet.SetArgument(argument);
                packet.payload[0] = 0x42;
                StampPacket(packet, command, argument == 0 ? 1 : 2);
                std::vector<uint8_t> seed{command, argument};
                seed.resize(2 + kReportSize);
                PacketToReport(packet, seed.data() + 2);
                write("reply-" + std::to_string(command) + "-" + std::to_string(argument), seed);
            }
        }
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static ScriptedBackend backend;
    static DeviceLink link(backend);
    static const bool opened = link.Discover();
    if (!opened || size < 2)
        return 0;

    // The first two bytes choose the command and the block asked for; the rest is the report.
    const uint8_t command = data[0];
    const uint32_t argument = data[1];
    std::vector<uint8_t> report(data + 2, data + size); // exact size: an overread is caught
    backend.handle->reply = &report;

    uint8_t block[kBlockSize];
    std::memset(block, 0xA5, sizeof block);
    const bool accepted = link.ReadBlock(command, argument, block);
    if (accepted) {
        CommandPacket packet{};
        if (report.size() != kReportSize)
            __builtin_trap();
        ReportToPacket(report.data(), packet);
        if (!IsAcceptableReply(packet, command) || packet.Argument() != argument ||
            std::memcmp(block, packet.payload, kBlockSize) != 0)
            __builtin_trap();
    } else {
        for (uint8_t byte : block)
            if (byte != 0xA5)
                __builtin_trap(); // a refused reply left its mark
    }
    return 0;
}
