#include "DeviceLink.h"
#include "TempDir.h"
#include "VhidBackend.h"
#include "VhidDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <fstream>
#include <memory>
#include <thread>

using namespace teedesk;
using namespace std::chrono_literals;

namespace {

constexpr HidAttributes kPin{0x10C4, 0x8A3B, 1};
constexpr HidAttributes kBandF{0x10C4, 0x8A3B, 2};
constexpr HidAttributes kBandA{0x10C4, 0x8ADB, 1};

// A watch on the bus that answers every request validly, unless told to stay silent.
class BusWatch {
public:
    BusWatch(const std::string& path, HidAttributes attributes) : device_(path, attributes)
    {
        device_.SetHandler([this](std::span<const uint8_t> report) {
            if (report.size() != kReportSize)
                return;
            CommandPacket packet{};
            ReportToPacket(report.data(), packet);
            commands_.push_back(packet.commandCode);
            ++requests;
            if (silent)
                return;
            StampPacket(packet, packet.commandCode, 1);
            uint8_t reply[kReportSize];
            PacketToReport(packet, reply);
            device_.Send(reply);
        });
        EXPECT_TRUE(device_.Plug());
    }

    sim::VhidDevice& device() { return device_; }
    std::atomic<int> requests{0};
    std::atomic<bool> silent{false};
    std::vector<uint8_t> commands_;

private:
    sim::VhidDevice device_;
};

class DiscoveryTest : public testing::Test {
protected:
    std::unique_ptr<BusWatch> Add(const std::string& name, HidAttributes attributes)
    {
        return std::make_unique<BusWatch>(bus.File(name), attributes);
    }

    test::TempDir bus;
    VhidBackend backend{bus.path()};
    DeviceLink link{backend, 200ms};
};

} // namespace

TEST_F(DiscoveryTest, FirstKnownWatchInBusOrderIsOpened)
{
    auto stranger = Add("0-keyboard.hid", {0x046D, 0xC31C, 1});
    auto second = Add("b-pin.hid", kPin);
    auto first = Add("a-band.hid", kBandA);
    std::ofstream(bus.File("9-not-a-socket.hid")) << "x";

    ASSERT_TRUE(link.Discover());
    EXPECT_EQ(link.devicePath(), bus.File("a-band.hid"));
    EXPECT_EQ(link.model().modelIndex, kModelBandA);
    EXPECT_EQ(link.model().IdentityName(), "QRT_LK_BAND_A");
}

TEST_F(DiscoveryTest, ReleaseNumberDecidesTheModel)
{
    auto unknown = Add("a.hid", {0x10C4, 0x8A3B, 3});
    EXPECT_FALSE(link.Discover());

    auto pin = Add("b.hid", kPin);
    ASSERT_TRUE(link.Discover());
    EXPECT_EQ(link.model().modelIndex, kModelPin);
    EXPECT_TRUE(link.Identify());
    EXPECT_EQ(pin->requests, 0) << "the LKR-Pin has no identity exchange";
}

TEST_F(DiscoveryTest, BandFMustAnswerTheIdentityCommand)
{
    auto bandF = Add("a.hid", kBandF);
    ASSERT_TRUE(link.Discover());
    EXPECT_EQ(link.model().modelIndex, kModelBandF);
    EXPECT_TRUE(link.Identify());
    ASSERT_EQ(bandF->requests, 1);
    EXPECT_EQ(bandF->commands_[0], Command::Identity);

    bandF->silent = true;
    EXPECT_FALSE(link.Identify());
    EXPECT_TRUE(link.isOpen()) << "a failed identity check keeps the watch open";
}

TEST_F(DiscoveryTest, HeldInterfaceIsSkipped)
{
    auto held = Add("a.hid", kBandA);
    held->device().SetRefuseOpen(true);
    EXPECT_FALSE(link.Discover());
    EXPECT_EQ(link.lastOpenError(), HidOpenError::Busy);

    auto free = Add("b.hid", kPin);
    ASSERT_TRUE(link.Discover());
    EXPECT_EQ(link.devicePath(), bus.File("b.hid"));
}

TEST_F(DiscoveryTest, DiscoverOnOpenLinkTouchesNothing)
{
    auto pin = Add("b.hid", kPin);
    ASSERT_TRUE(link.Discover());
    auto earlier = Add("a.hid", kBandA);
    EXPECT_TRUE(link.Discover());
    EXPECT_EQ(link.devicePath(), bus.File("b.hid"));
    EXPECT_EQ(link.model().modelIndex, kModelPin);
}

TEST_F(DiscoveryTest, CloseClearsTheModel)
{
    auto bandA = Add("a.hid", kBandA);
    ASSERT_TRUE(link.Discover());
    link.Close();
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(link.model().modelIndex, 0);
    EXPECT_TRUE(link.model().IdentityName().empty());
    // The interface is free again for the next discovery.
    EXPECT_TRUE(link.Discover());
}

TEST_F(DiscoveryTest, DeviceFilterConsidersOnlyThatPath)
{
    auto first = Add("a.hid", kBandA);
    auto second = Add("b.hid", kPin);
    link.SetDeviceFilter(bus.File("b.hid"));
    ASSERT_TRUE(link.Discover());
    EXPECT_EQ(link.devicePath(), bus.File("b.hid"));
}

TEST_F(DiscoveryTest, MatchesDevicePathIgnoresLetterCase)
{
    auto watch = Add("Watch.hid", kPin);
    ASSERT_TRUE(link.Discover());
    std::string upper = bus.File("WATCH.HID");
    EXPECT_TRUE(link.MatchesDevicePath(upper));
    EXPECT_FALSE(link.MatchesDevicePath(bus.File("other.hid")));
}

TEST_F(DiscoveryTest, ExchangeOverTheBus)
{
    auto bandA = Add("a.hid", kBandA);
    ASSERT_TRUE(link.Discover());
    uint8_t block[kBlockSize];
    EXPECT_TRUE(link.ReadBlock(Command::Version, 0, block));
    EXPECT_TRUE(link.WriteBlock(Command::Firmware, block, 9));
}

TEST_F(DiscoveryTest, UnplugIsReportedOnceWithItsPath)
{
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> removed;
    link.RegisterDeviceNotifications([&](const std::string& path) {
        std::lock_guard lock(mutex);
        removed.push_back(path);
        changed.notify_all();
    });
    auto watch = Add("a.hid", kBandA);
    ASSERT_TRUE(link.Discover());
    watch->device().Unplug();

    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 5s, [&] { return !removed.empty(); }));
    lock.unlock();
    std::this_thread::sleep_for(100ms); // a second notice would come now
    lock.lock();
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0], bus.File("a.hid"));
    EXPECT_TRUE(link.MatchesDevicePath(removed[0]));
}
