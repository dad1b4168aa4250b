// The download against the simulated watch on a virtual HID bus: the real packets, the real
// link, the generated rounds.

#include "ConnectionState.h"
#include "ConnectionWatcher.h"
#include "CsvSections.h"
#include "MemoryOutput.h"
#include "PlayDataDownload.h"
#include "RecordingHost.h"
#include "SimulatedWatch.h"
#include "TempDir.h"
#include "VhidBackend.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

using namespace teedesk;
using namespace teedesk::test;
using namespace std::chrono_literals;

namespace {

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What convert-session writes for these sessions: the download must write the same.
std::string Converted(uint16_t model, const std::vector<std::vector<uint8_t>>& sessions)
{
    MemoryOutput output;
    CsvWriter file(output, model);
    WriteFileStart(file);
    for (size_t k = 0; k < sessions.size(); ++k)
        WriteSession(file, static_cast<uint32_t>(k), sessions[k]);
    return output.text;
}

class OverBus : public testing::TestWithParam<uint16_t> {
protected:
    void Plug(sim::WatchOptions options)
    {
        watch = std::make_unique<sim::SimulatedWatch>(bus.File(sim::DefaultSocketName(options.modelIndex)), options);
        ASSERT_TRUE(watch->Plug());
        ASSERT_TRUE(link.Discover());
        ASSERT_TRUE(link.Identify());
        link.RegisterDeviceNotifications([this](const std::string& path) {
            HandleDeviceRemoval(link, path, g_hDetectEvent, g_bDeviceConnected);
        });
        g_bDeviceConnected = 1;
    }
    void TearDown() override { g_bDeviceConnected = 0; }

    TempDir bus;
    TempDir folder;
    VhidBackend backend{bus.path()};
    DeviceLink link{backend, 200ms};
    std::unique_ptr<sim::SimulatedWatch> watch;
    RecordingHost host;
};

TEST_P(OverBus, DownloadWritesWhatTheConverterWrites)
{
    sim::WatchOptions options;
    options.modelIndex = GetParam();
    options.sessions = sim::GenerateSessions(7, 3, GetParam());
    Plug(options);

    const std::optional<uint32_t> count = CountSessions(link);
    ASSERT_EQ(count, 3u);
    const std::string path = folder.File("play.csv");
    DownloadSummary summary;
    const TransferResult result = DownloadPlayData(link, path, *count, host, {}, &summary);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(summary.sessionsWritten, 3u);
    EXPECT_EQ(Contents(path), Converted(GetParam(), options.sessions));
    EXPECT_EQ(host.messages().size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Models, OverBus, testing::Values(kModelPin, kModelBandF, kModelBandA));

TEST_F(OverBus, UnpluggedMidSessionLeavesTheRestOutAndCompletes)
{
    sim::WatchOptions options;
    options.modelIndex = kModelBandA;
    options.sessions = sim::GenerateSessions(3, 3, kModelBandA);
    Plug(options);
    const std::string path = folder.File("play.csv");

    // Session 0 whole, then the watch goes away at block 5 of session 1.
    DownloadSummary summary;
    std::atomic<int> selections{0};
    DownloadSeams seams;
    seams.deviceConnected = [&] { return g_bDeviceConnected != 0; };
    host.onPosition = [&](int position) {
        if (position == 100 && ++selections == 1)
            watch->SetFaults([] {
                sim::Faults faults;
                faults.unplugAfterBlock = 5;
                return faults;
            }());
    };
    const TransferResult result = DownloadPlayData(link, path, 3, host, seams, &summary);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(summary.sessionsWritten, 1u);
    EXPECT_EQ(summary.sessionsLeftOut, (std::vector<uint32_t>{1, 2}));
    EXPECT_EQ(Contents(path), Converted(kModelBandA, {options.sessions[0]}));
    EXPECT_EQ(host.events().back().kind, HostEvent::Unlock);
}

} // namespace
