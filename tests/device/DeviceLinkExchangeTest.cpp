#include "DeviceLink.h"
#include "FakeHidBackend.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>

using namespace teedesk;
using namespace teedesk::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kShortLimit = 100ms;
const HidAttributes kBandA{0x10C4, 0x8ADB, 1};

class ExchangeTest : public testing::Test {
protected:
    void Connect(FakeHidHandle::Responder responder)
    {
        backend.Add({"/fake/watch", kBandA, std::move(responder)});
        ASSERT_TRUE(link.Discover());
        handle = backend.handle("/fake/watch");
    }

    FakeHidBackend backend;
    DeviceLink link{backend, kShortLimit};
    std::shared_ptr<FakeHidHandle> handle;
};

} // namespace

TEST_F(ExchangeTest, ReadBlockDeliversPayload)
{
    Connect(EchoResponder([](CommandPacket& p) { p.payload[0] = 0xAB; p.payload[255] = 0xCD; }));
    uint8_t block[kBlockSize] = {};
    ASSERT_TRUE(link.ReadBlock(Command::Version, 0, block));
    EXPECT_EQ(block[0], 0xAB);
    EXPECT_EQ(block[255], 0xCD);
}

TEST_F(ExchangeTest, NoReplyTimesOutAndLeavesDestination)
{
    Connect([](std::span<const uint8_t>) { return std::vector<Report>{}; });
    uint8_t block[kBlockSize];
    std::memset(block, 0x77, sizeof block);
    EXPECT_FALSE(link.ReadBlock(Command::Version, 0, block));
    for (uint8_t byte : block)
        ASSERT_EQ(byte, 0x77);
}

TEST_F(ExchangeTest, ShortReportFailsEvenIfPacketValidates)
{
    Connect([](std::span<const uint8_t> request) {
        Report reply = MakeReply(request);
        reply.pop_back(); // 268 bytes, the end marker lost
        return std::vector<Report>{reply};
    });
    uint8_t block[kBlockSize];
    EXPECT_FALSE(link.ReadBlock(Command::Version, 0, block));
}

TEST_F(ExchangeTest, LongReportFails)
{
    Connect([](std::span<const uint8_t> request) {
        Report reply = MakeReply(request);
        reply.push_back(0);
        return std::vector<Report>{reply};
    });
    uint8_t block[kBlockSize];
    EXPECT_FALSE(link.ReadBlock(Command::Version, 0, block));
}

TEST_F(ExchangeTest, ArgumentNotEchoedFailsBlockOperations)
{
    Connect(EchoResponder([](CommandPacket& p) { p.SetArgument(p.Argument() + 1); }));
    uint8_t block[kBlockSize] = {};
    EXPECT_FALSE(link.ReadBlock(Command::Session, 3, block));
    EXPECT_FALSE(link.WriteBlock(Command::Firmware, block, 3));
    // An opening exchange does not look at the argument.
    EXPECT_TRUE(link.OpeningExchange(Command::Firmware, 0, 1000).has_value());
}

TEST_F(ExchangeTest, ReadRequestCarriesZeroPayloadAfterWrite)
{
    Connect(EchoResponder());
    uint8_t data[kBlockSize];
    std::memset(data, 0xEE, sizeof data);
    ASSERT_TRUE(link.WriteBlock(Command::Course, data, 0));
    uint8_t block[kBlockSize];
    ASSERT_TRUE(link.ReadBlock(Command::Session, 1, block));

    const auto writes = handle->writes();
    ASSERT_EQ(writes.size(), 2u);
    const CommandPacket write = PacketOf(writes[0]);
    const CommandPacket read = PacketOf(writes[1]);
    EXPECT_EQ(write.payload[100], 0xEE);
    EXPECT_EQ(read.phase, 0);
    EXPECT_EQ(read.Argument(), 1u);
    for (uint8_t byte : read.payload)
        ASSERT_EQ(byte, 0);
}

TEST_F(ExchangeTest, OpeningExchangeFramesFirstWordAndReturnsAnswer)
{
    Connect(EchoResponder([](CommandPacket& p) { p.SetFirstWord(42); }));
    const auto answer = link.OpeningExchange(Command::Session, 5, 0);
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(*answer, 42u);
    const CommandPacket sent = PacketOf(handle->writes().back());
    EXPECT_EQ(sent.phase, 1);
    EXPECT_EQ(sent.commandCode, Command::Session);
    EXPECT_EQ(sent.Argument(), 5u);
}

TEST_F(ExchangeTest, LateReplyIsNotTakenForTheNextRequest)
{
    // The first request gets no answer in time; its reply then arrives before the next request.
    std::atomic<int> calls{0};
    Connect([&](std::span<const uint8_t> request) {
        if (calls++ == 0)
            return std::vector<Report>{};
        return std::vector<Report>{MakeReply(request, [](CommandPacket& p) { p.payload[0] = 2; })};
    });
    uint8_t block[kBlockSize] = {};
    EXPECT_FALSE(link.ReadBlock(Command::Session, 0, block));
    uint8_t firstRequest[kReportSize];
    std::memcpy(firstRequest, handle->writes()[0].data(), kReportSize);
    handle->Inject(MakeReply(firstRequest, [](CommandPacket& p) { p.payload[0] = 1; }));

    ASSERT_TRUE(link.ReadBlock(Command::Session, 0, block));
    EXPECT_EQ(block[0], 2) << "the stale reply to the first request was taken";
}

TEST_F(ExchangeTest, WriteFailingAtOnceLeavesTheOutcomeToTheRead)
{
    Connect(EchoResponder());
    handle->FailNextWrite(HidWriteStatus::Failed);
    uint8_t block[kBlockSize];
    EXPECT_FALSE(link.ReadBlock(Command::Version, 0, block)); // nothing arrives: the read times out
    // The read still happened: an unasked report that waits is taken.
    handle->FailNextWrite(HidWriteStatus::Failed);
    std::thread late([&] {
        std::this_thread::sleep_for(20ms);
        CommandPacket reply{};
        StampPacket(reply, Command::Version);
        Report report(kReportSize);
        PacketToReport(reply, report.data());
        handle->Inject(report);
    });
    EXPECT_TRUE(link.ReadBlock(Command::Version, 0, block));
    late.join();
}

TEST_F(ExchangeTest, WriteTimeOutFails)
{
    Connect(EchoResponder());
    handle->FailNextWrite(HidWriteStatus::TimedOut);
    uint8_t block[kBlockSize];
    EXPECT_FALSE(link.ReadBlock(Command::Version, 0, block));
}

TEST(ExchangeClose, CloseFromAnotherThreadEndsTheWaitAtOnce)
{
    FakeHidBackend backend;
    backend.Add({"/fake/watch", kBandA, [](std::span<const uint8_t>) { return std::vector<Report>{}; }});
    DeviceLink link(backend, 5s); // long enough that only the close can end it
    ASSERT_TRUE(link.Discover());
    const auto handle = backend.handle("/fake/watch");

    std::atomic<bool> done{false};
    bool result = true;
    std::thread worker([&] {
        uint8_t block[kBlockSize];
        result = link.ReadBlock(Command::Version, 0, block);
        done = true;
    });
    while (handle->writes().empty())
        std::this_thread::sleep_for(1ms);
    const auto closedAt = std::chrono::steady_clock::now();
    link.Close();
    worker.join();
    EXPECT_FALSE(result);
    EXPECT_LT(std::chrono::steady_clock::now() - closedAt, 4s);
    EXPECT_FALSE(link.isOpen());

    uint8_t block[kBlockSize];
    EXPECT_FALSE(link.ReadBlock(Command::Version, 0, block));
    EXPECT_EQ(handle->usesAfterClose(), 0) << "a closed handle was used again";
}

TEST(ExchangeClose, ClosedLinkFailsAndLeavesDestination)
{
    FakeHidBackend backend;
    DeviceLink link(backend, kShortLimit);
    uint8_t block[kBlockSize];
    std::memset(block, 0x11, sizeof block);
    EXPECT_FALSE(link.ReadBlock(Command::Version, 0, block));
    EXPECT_FALSE(link.OpeningExchange(Command::SessionCount, 0, 0).has_value());
    for (uint8_t byte : block)
        ASSERT_EQ(byte, 0x11);
}

TEST(ExchangeSerialisation, TwoCallersNeverInterleave)
{
    FakeHidBackend backend;
    // Each reply carries the request's command and argument; any mix-up fails a check.
    backend.Add({"/fake/watch", kBandA, EchoResponder([](CommandPacket& p) {
                     p.payload[0] = p.commandCode;
                     p.payload[1] = p.argument[0];
                 })});
    DeviceLink link(backend, kShortLimit);
    ASSERT_TRUE(link.Discover());

    auto caller = [&](uint8_t command, int* failures) {
        uint8_t block[kBlockSize];
        for (uint32_t i = 0; i < 2000; ++i) {
            if (!link.ReadBlock(command, i & 0xFF, block) || block[0] != command || block[1] != (i & 0xFF))
                ++*failures;
        }
    };
    int failuresA = 0, failuresB = 0;
    std::thread a(caller, Command::Version, &failuresA);
    std::thread b(caller, Command::Session, &failuresB);
    a.join();
    b.join();
    EXPECT_EQ(failuresA, 0);
    EXPECT_EQ(failuresB, 0);
}
