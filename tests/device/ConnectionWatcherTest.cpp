#include "ConnectionWatcher.h"
#include "DetectEvent.h"
#include "DeviceLink.h"
#include "SimulatedWatch.h"
#include "TempDir.h"
#include "VhidBackend.h"
#include "VhidDevice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

using namespace teedesk;
using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kPeriod{100};
constexpr std::chrono::milliseconds kExchangeLimit{150};
// Long enough that a check seen within a few periods can only come from a wake-up.
constexpr std::chrono::milliseconds kNeverByItself{60s};

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5s)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// What the removal handler saw, taken on the backend's notice thread.
struct RemovalSeen {
    int checksBefore = -1;
    int connectedAfter = -1;
    bool openAfter = true;
    std::string path;
};

class ConnectionWatcherTest : public testing::Test {
protected:
    explicit ConnectionWatcherTest(std::chrono::milliseconds period = kPeriod) : watcher(link, event, connected, period)
    {
        link.RegisterDeviceNotifications([this](const std::string& path) {
            RemovalSeen seen;
            seen.path = path;
            seen.checksBefore = watcher.checks();
            HandleDeviceRemoval(link, path, event, connected);
            seen.connectedAfter = connected;
            seen.openAfter = link.isOpen();
            std::lock_guard lock(mutex);
            removals.push_back(seen);
        });
    }

    ~ConnectionWatcherTest() override
    {
        watcher.Stop();
        backend.SetRemovalCallback({});
        watches.clear();
    }

    // As the main window starts it: the first check runs at once.
    void Start()
    {
        watcher.Start();
        event.Signal();
    }

    sim::SimulatedWatch& AddWatch(const std::string& name, uint16_t model, sim::Faults faults = {})
    {
        sim::WatchOptions options;
        options.modelIndex = model;
        options.faults = faults;
        watches.push_back(std::make_unique<sim::SimulatedWatch>(bus.File(name), options));
        EXPECT_TRUE(watches.back()->Plug());
        return *watches.back();
    }

    std::vector<RemovalSeen> Removals()
    {
        std::lock_guard lock(mutex);
        return removals;
    }

    bool WaitConnected(int value) { return WaitFor([&] { return connected == value; }); }

    test::TempDir bus;
    DetectEvent event;
    std::atomic<int> connected{0};
    std::mutex mutex;
    std::vector<RemovalSeen> removals;
    VhidBackend backend{bus.path()};
    DeviceLink link{backend, kExchangeLimit};
    ConnectionWatcher watcher;
    std::vector<std::unique_ptr<sim::SimulatedWatch>> watches;
};

class SleepyWatcherTest : public ConnectionWatcherTest {
protected:
    SleepyWatcherTest() : ConnectionWatcherTest(kNeverByItself) {}
};

size_t CountCommand(const sim::SimulatedWatch& watch, uint8_t command)
{
    const auto requests = watch.requests();
    return static_cast<size_t>(
        std::count_if(requests.begin(), requests.end(), [&](const auto& r) { return r.command == command; }));
}

} // namespace

TEST_F(ConnectionWatcherTest, WatchPluggedInLaterIsFoundByPolling)
{
    Start();
    ASSERT_TRUE(WaitFor([&] { return watcher.checks() >= 3; }));
    EXPECT_EQ(connected, 0);

    AddWatch("watch.hid", kModelBandA); // nobody signals the arrival
    ASSERT_TRUE(WaitConnected(1));
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(link.model().modelIndex, kModelBandA);
}

TEST_F(ConnectionWatcherTest, UnpluggingTheWatchClearsTheFlagAndClosesTheLinkFirst)
{
    sim::SimulatedWatch& watch = AddWatch("watch.hid", kModelBandF);
    Start();
    ASSERT_TRUE(WaitConnected(1));
    const int checksWhenConnected = watcher.checks();

    watch.Unplug();
    ASSERT_TRUE(WaitFor([&] { return !Removals().empty(); }));
    const RemovalSeen seen = Removals().front();
    EXPECT_EQ(seen.path, watch.path());
    EXPECT_EQ(seen.checksBefore, checksWhenConnected) << "the watcher ran before the removal was handled";
    EXPECT_EQ(seen.connectedAfter, 0);
    EXPECT_FALSE(seen.openAfter);

    // Woken, the watcher finds nothing; plugged in again, the watch counts once more.
    ASSERT_TRUE(WaitFor([&] { return watcher.checks() > checksWhenConnected; }));
    EXPECT_EQ(connected, 0);
    ASSERT_TRUE(watch.Plug());
    EXPECT_TRUE(WaitConnected(1));
    EXPECT_EQ(Removals().size(), 1u) << "one removal, reported once";
}

TEST_F(ConnectionWatcherTest, UnpluggingAnotherInterfaceChangesNothing)
{
    AddWatch("a-watch.hid", kModelBandA);
    sim::VhidDevice keyboard(bus.File("z-keyboard.hid"), {0x046D, 0xC31C, 1});
    ASSERT_TRUE(keyboard.Plug());
    Start();
    ASSERT_TRUE(WaitConnected(1));
    const int checks = watcher.checks();

    keyboard.Unplug();
    ASSERT_TRUE(WaitFor([&] { return !Removals().empty(); }));
    EXPECT_EQ(Removals().front().path, bus.File("z-keyboard.hid"));
    std::this_thread::sleep_for(3 * kPeriod);
    EXPECT_EQ(connected, 1);
    EXPECT_TRUE(link.isOpen());
    EXPECT_EQ(watcher.checks(), checks);
}

TEST_F(SleepyWatcherTest, MatchingRemovalWhileNotConnectedOnlyWakesTheWatcher)
{
    // Discovery leaves the path of the last interface it examined, a device of no known model.
    sim::VhidDevice keyboard(bus.File("keyboard.hid"), {0x046D, 0xC31C, 1});
    ASSERT_TRUE(keyboard.Plug());
    Start();
    ASSERT_TRUE(WaitFor([&] { return watcher.checks() == 1; }));
    ASSERT_TRUE(link.MatchesDevicePath(bus.File("keyboard.hid")));

    keyboard.Unplug();
    ASSERT_TRUE(WaitFor([&] { return watcher.checks() == 2; })) << "the removal did not wake the watcher";
    EXPECT_EQ(connected, 0);
    EXPECT_FALSE(link.isOpen());
}

TEST_F(ConnectionWatcherTest, FailedIdentityKeepsTheFlagClearAndIsRetriedEachPeriod)
{
    sim::Faults silent;
    silent.silentIdentity = true;
    sim::SimulatedWatch& watch = AddWatch("watch.hid", kModelBandA, silent);
    Start();

    ASSERT_TRUE(WaitFor([&] {
        EXPECT_EQ(connected, 0);
        return CountCommand(watch, Command::Identity) >= 3;
    }));
    EXPECT_TRUE(link.isOpen()) << "a watch that fails its identity check stays open";

    watch.SetFaults({});
    EXPECT_TRUE(WaitConnected(1));
}

TEST_F(ConnectionWatcherTest, RemovingAnUnidentifiedWatchClosesTheLink)
{
    sim::Faults silent;
    silent.silentIdentity = true;
    sim::SimulatedWatch& watch = AddWatch("watch.hid", kModelBandA, silent);
    Start();
    ASSERT_TRUE(WaitFor([&] { return CountCommand(watch, Command::Identity) >= 1; }));

    watch.Unplug();
    ASSERT_TRUE(WaitFor([&] { return !Removals().empty(); }));
    EXPECT_FALSE(Removals().front().openAfter);
    EXPECT_EQ(connected, 0);
}

TEST_F(ConnectionWatcherTest, ConnectedWatcherSleepsUntilWoken)
{
    sim::SimulatedWatch& watch = AddWatch("watch.hid", kModelBandA);
    Start();
    ASSERT_TRUE(WaitConnected(1));
    ASSERT_TRUE(WaitFor([&] { return CountCommand(watch, Command::Identity) == 1; }));
    watch.ClearRequests();
    const int checks = watcher.checks();

    std::this_thread::sleep_for(5 * kPeriod);
    EXPECT_TRUE(watch.requests().empty());
    EXPECT_EQ(watcher.checks(), checks);

    // Woken with the link still open, the check amounts to repeating the identity exchange.
    event.Signal();
    ASSERT_TRUE(WaitFor([&] { return watcher.checks() == checks + 1; }));
    ASSERT_TRUE(WaitFor([&] { return CountCommand(watch, Command::Identity) == 1; }));
    EXPECT_EQ(connected, 1);
}

class WatcherShutdown : public SleepyWatcherTest, public testing::WithParamInterface<bool> {};

INSTANTIATE_TEST_SUITE_P(Connected, WatcherShutdown, testing::Bool(),
                         [](const auto& info) { return info.param ? "WithWatch" : "WithoutWatch"; });

TEST_P(WatcherShutdown, StopJoinsTheThread)
{
    if (GetParam())
        AddWatch("watch.hid", kModelPin);
    Start();
    ASSERT_TRUE(WaitFor([&] { return watcher.checks() == 1; }));
    EXPECT_EQ(connected, GetParam() ? 1 : 0);

    watcher.Stop(); // sleeping without a time limit or for a whole minute: must still end now
    const int checks = watcher.checks();
    event.Signal();
    std::this_thread::sleep_for(2 * kPeriod);
    EXPECT_EQ(watcher.checks(), checks);
    link.Close(); // the link may go once the watcher is joined
    watcher.Stop();
}
