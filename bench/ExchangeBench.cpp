// One exchange round trip against a backend that answers at once, in the same thread.

#include "AllocationCounter.h"
#include "CommandPacket.h"
#include "DeviceLink.h"

#include <benchmark/benchmark.h>

#include <cstring>

using namespace teedesk;

namespace {

class InstantHandle final : public HidHandle {
public:
    HidWriteStatus Write(std::span<const uint8_t> report, std::chrono::milliseconds) override
    {
        ReportToPacket(report.data(), packet_);
        StampPacket(packet_, packet_.commandCode, 1);
        PacketToReport(packet_, reply_);
        return HidWriteStatus::Written;
    }
    HidReadResult Read(std::span<uint8_t> buffer, std::chrono::milliseconds) override
    {
        std::memcpy(buffer.data(), reply_, kReportSize);
        return {HidReadStatus::Delivered, kReportSize};
    }
    void DropPending() override {}
    void Close() override {}

private:
    CommandPacket packet_{};
    uint8_t reply_[kReportSize]{};
};

class InstantBackend final : public HidBackend {
public:
    std::vector<std::string> Enumerate() override { return {"instant"}; }
    std::optional<HidAttributes> ReadAttributes(const std::string&) override
    {
        return HidAttributes{0x10C4, 0x8ADB, 1};
    }
    HidOpenResult Open(const std::string&) override { return {std::make_shared<InstantHandle>(), HidOpenError::None}; }
    void SetRemovalCallback(RemovalCallback) override {}
};

void BM_ExchangeRoundTrip(benchmark::State& state)
{
    InstantBackend backend;
    DeviceLink link(backend);
    if (!link.Discover()) {
        state.SkipWithError("discovery failed");
        return;
    }
    uint8_t block[kBlockSize] = {};
    uint32_t argument = 0;
    const uint64_t allocationsBefore = bench::AllocationCount();
    for (auto _ : state) {
        const bool ok = link.WriteBlock(Command::Firmware, block, argument++);
        benchmark::DoNotOptimize(ok);
    }
    const double allocations = static_cast<double>(bench::AllocationCount() - allocationsBefore);
    state.counters["allocations_per_exchange"] = allocations / static_cast<double>(state.iterations());
    state.counters["exchanges_per_second"] = benchmark::Counter(static_cast<double>(state.iterations()),
                                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExchangeRoundTrip)->MeasureProcessCPUTime()->UseRealTime();

} // namespace

BENCHMARK_MAIN();
