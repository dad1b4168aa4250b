// Unplug storms: the watch is pulled out and put back at random moments (from a fixed seed)
// while an operation runs, fifty times per operation, with the programs' own removal handling
// and a real connection watcher. Nothing may crash or hang, the lock is always given back, and
// once the watch is back the same operation goes through whole.

#include "ConnectionState.h"
#include "WatchRig.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <thread>

using namespace teedesk;
using namespace teedesk::test;
using namespace std::chrono_literals;

namespace {

constexpr int kRounds = 50;
constexpr std::chrono::milliseconds kTimeLimit{200};
constexpr std::chrono::milliseconds kPollPeriod{10};
constexpr std::chrono::milliseconds kReplyDelay{1};
constexpr std::chrono::milliseconds kReconnectBound{15000};
constexpr std::chrono::microseconds kLongestGap{20000}; // the watch stays out at most this long

std::chrono::microseconds Elapsed(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - since);
}

// The operation went through whole: everything sent once and in order, the result complete.
void ExpectWhole(Operation operation, const OperationRun& run, const RecordingHost& host, WatchRig& rig)
{
    const OperationInputs& inputs = rig.inputs();
    EXPECT_TRUE(host.messages().empty());
    switch (operation) {
    case Operation::Version:
        EXPECT_EQ(run.versionText, inputs.versionText);
        break;
    case Operation::ImportPlay:
        EXPECT_TRUE(run.result.completed);
        EXPECT_EQ(run.csv, inputs.wholeCsv);
        break;
    case Operation::UpdateCourse:
        EXPECT_TRUE(run.result.completed) << run.result.reason;
        EXPECT_EQ(rig.watch().ReceivedCourse(), inputs.courseImage);
        break;
    case Operation::UpdateFirmware:
        EXPECT_TRUE(run.result.completed) << run.result.reason;
        EXPECT_EQ(rig.watch().ReceivedFirmware(), inputs.firmware);
        break;
    }
}

bool WentThrough(Operation operation, const OperationRun& run, const OperationInputs& inputs)
{
    switch (operation) {
    case Operation::Version: return run.versionText == inputs.versionText;
    case Operation::ImportPlay: return run.result.completed && run.csv == inputs.wholeCsv;
    default: return run.result.completed;
    }
}

class UnplugStorm : public testing::TestWithParam<Operation> {};

TEST_P(UnplugStorm, NothingLeftBehindAndTheNextOneGoesThrough)
{
    const Operation operation = GetParam();
    // A millisecond per answer, as a real link takes: the unplug can land while the watch works.
    sim::WatchOptions options;
    options.replyDelay = kReplyDelay;
    WatchRig rig(OperationInputs::For(kModelBandA), options, kTimeLimit);
    rig.HandleRemovals();
    rig.StartWatcher(kPollPeriod);
    ASSERT_TRUE(WatchRig::WaitConnected(kReconnectBound));

    // One undisturbed run tells how long the operation takes here (sanitizers slow it down).
    PageHost first;
    const auto started = std::chrono::steady_clock::now();
    ExpectWhole(operation, rig.Run(operation, first), first, rig);
    const std::chrono::microseconds duration = std::max(Elapsed(started), std::chrono::microseconds(500));

    std::mt19937 random(20160512u + static_cast<unsigned>(operation));
    std::uniform_int_distribution<int64_t> moment(0, duration.count() * 6 / 5);
    std::uniform_int_distribution<int64_t> gap(0, kLongestGap.count());
    int interrupted = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const auto unplugAt = std::chrono::microseconds(moment(random));
        const auto outFor = std::chrono::microseconds(gap(random));

        const int checksBefore = rig.watcherChecks();
        PageHost host;
        std::thread storm([&] {
            std::this_thread::sleep_for(unplugAt);
            rig.watch().Unplug();
            std::this_thread::sleep_for(outFor);
            rig.watch().Plug();
        });
        const OperationRun disturbed = rig.Run(operation, host);
        storm.join();
        ASSERT_TRUE(disturbed.finished);
        EXPECT_EQ(host.locks(), host.unlocks());
        EXPECT_FALSE(host.locked());
        EXPECT_EQ(g_bTransferBusy, 0);
        if (!WentThrough(operation, disturbed, rig.inputs()))
            ++interrupted;

        // The removal has been handled (it wakes the watcher) and the watch counts as back.
        const auto deadline = std::chrono::steady_clock::now() + kReconnectBound;
        while ((rig.watcherChecks() == checksBefore || g_bDeviceConnected != 1) &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(1ms);
        ASSERT_EQ(g_bDeviceConnected, 1) << "the watch never counted as connected again";

        rig.watch().ClearRequests();
        PageHost next;
        const OperationRun clean = rig.Run(operation, next);
        ExpectWhole(operation, clean, next, rig);
        EXPECT_EQ(next.locks(), next.unlocks());
        if (testing::Test::HasFailure())
            break; // one round's story is enough to read
    }
    std::printf("%s: %d of %d runs cut short by the unplug\n", OperationName(operation), interrupted, kRounds);
    // Moments up to 1.2 times the run's length: most land inside it, or the storm tested nothing.
    EXPECT_GT(interrupted, 0);
}

INSTANTIATE_TEST_SUITE_P(Operations, UnplugStorm,
                         testing::Values(Operation::Version, Operation::ImportPlay, Operation::UpdateCourse,
                                         Operation::UpdateFirmware),
                         [](const testing::TestParamInfo<Operation>& info) { return OperationName(info.param); });

} // namespace
