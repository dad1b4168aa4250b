#include "DeviceLink.h"
#include "PrivateBus.h"
#include "SimulatedWatch.h"
#include "TempDir.h"
#include "VhidBackend.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

using namespace teedesk;
using namespace teedesk::sim;
using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kLimit{300};

std::vector<uint8_t> Pattern(size_t size, uint8_t salt)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 7 + salt + i / 256);
    return bytes;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WatchFixture {
public:
    explicit WatchFixture(WatchOptions options)
    {
        if (options.storeDirectory.empty())
            options.storeDirectory = store.path();
        const uint16_t model = options.modelIndex;
        watch = std::make_unique<SimulatedWatch>(bus.File(DefaultSocketName(model)), std::move(options));
        EXPECT_TRUE(watch->Plug());
        EXPECT_TRUE(link.Discover());
    }

    // Sends the whole image as the writers do: opening, then every block once, in order.
    bool WriteAll(uint8_t command, const std::vector<uint8_t>& image, size_t blocks = SIZE_MAX)
    {
        if (!link.OpeningExchange(command, 0, static_cast<uint32_t>(image.size())))
            return false;
        const size_t total = (image.size() + kBlockSize - 1) / kBlockSize;
        for (size_t i = 0; i < std::min(total, blocks); ++i) {
            uint8_t block[kBlockSize] = {};
            std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(i * kBlockSize),
                        std::min(kBlockSize, image.size() - i * kBlockSize), block);
            if (!link.WriteBlock(command, block, static_cast<uint32_t>(i)))
                return false;
        }
        return true;
    }

    test::TempDir bus;
    test::TempDir store;
    VhidBackend backend{bus.path()};
    DeviceLink link{backend, kLimit};
    std::unique_ptr<SimulatedWatch> watch;
};

WatchOptions Options(uint16_t model, std::vector<std::vector<uint8_t>> sessions = {})
{
    WatchOptions options;
    options.modelIndex = model;
    options.sessions = std::move(sessions);
    return options;
}

class EveryModel : public testing::TestWithParam<uint16_t> {};

INSTANTIATE_TEST_SUITE_P(Models, EveryModel, testing::Values(kModelPin, kModelBandF, kModelBandA),
                         [](const auto& info) { return std::to_string(info.param); });

} // namespace

TEST_P(EveryModel, IsFoundAsItsModelAndAnswersIdentityWithItsRecord)
{
    WatchFixture fixture(Options(GetParam()));
    EXPECT_EQ(fixture.link.model().modelIndex, GetParam());
    EXPECT_TRUE(fixture.link.Identify());

    std::array<uint8_t, kBlockSize> payload{};
    ASSERT_TRUE(fixture.link.ReadBlock(Command::Identity, 0, payload.data()));
    std::array<uint8_t, 76> record{};
    EncodeModelRecord(kKnownModels[GetParam()], record.data());
    EXPECT_TRUE(std::equal(record.begin(), record.end(), payload.begin()));
}

TEST_P(EveryModel, VersionBytesComeFromTheOptions)
{
    WatchOptions options = Options(GetParam());
    options.firmwareMinor = 21, options.firmwareMajor = 3, options.firmwareThird = 7;
    options.bluetoothMinor = 4, options.bluetoothMajor = 5, options.bluetoothThird = 6;
    WatchFixture fixture(options);

    std::array<uint8_t, kBlockSize> payload{};
    ASSERT_TRUE(fixture.link.ReadBlock(Command::Version, 0, payload.data()));
    EXPECT_EQ(payload[2], 21);
    EXPECT_EQ(payload[3], 3);
    EXPECT_EQ(payload[15], 7);
    EXPECT_EQ(payload[16], 4);
    EXPECT_EQ(payload[17], 5);
    EXPECT_EQ(payload[14], 6);
}

TEST_P(EveryModel, ServesSessionsBlockByBlockZeroPadded)
{
    const std::vector<std::vector<uint8_t>> sessions = {Pattern(600, 1), Pattern(512, 2), {}};
    WatchFixture fixture(Options(GetParam(), sessions));
    DeviceLink& link = fixture.link;

    EXPECT_EQ(link.OpeningExchange(Command::SessionCount, 0, 0), 3u);
    for (uint32_t index = 0; index < sessions.size(); ++index) {
        const std::vector<uint8_t>& session = sessions[index];
        ASSERT_EQ(link.OpeningExchange(Command::Session, index, 0), session.size());
        std::vector<uint8_t> read;
        for (uint32_t k = 0; k * kBlockSize < session.size(); ++k) {
            std::array<uint8_t, kBlockSize> block{};
            ASSERT_TRUE(link.ReadBlock(Command::Session, k, block.data()));
            read.insert(read.end(), block.begin(), block.end());
        }
        ASSERT_EQ(read.size() % kBlockSize, 0u);
        EXPECT_TRUE(std::equal(session.begin(), session.end(), read.begin()));
        EXPECT_TRUE(std::all_of(read.begin() + static_cast<std::ptrdiff_t>(session.size()), read.end(),
                                [](uint8_t b) { return b == 0; }));
    }
}

TEST(SimulatedWatch, SessionIndexPastTheEndIsEmpty)
{
    WatchFixture fixture(Options(kModelBandA, {Pattern(300, 9)}));
    EXPECT_EQ(fixture.link.OpeningExchange(Command::Session, 1, 0), 0u);
    EXPECT_EQ(fixture.link.OpeningExchange(Command::Session, 0xFFFFFFFF, 0), 0u);
    std::array<uint8_t, kBlockSize> block{};
    block.fill(0xEE);
    ASSERT_TRUE(fixture.link.ReadBlock(Command::Session, 0, block.data()));
    EXPECT_TRUE(std::all_of(block.begin(), block.end(), [](uint8_t b) { return b == 0; }));
}

TEST(SimulatedWatch, RecordsEveryRequestAndEchoesTheArgument)
{
    WatchFixture fixture(Options(kModelBandF, {Pattern(300, 9)}));
    std::array<uint8_t, kBlockSize> block{};
    EXPECT_TRUE(fixture.link.Identify());
    EXPECT_EQ(fixture.link.OpeningExchange(Command::Session, 0, 77), 300u);
    EXPECT_TRUE(fixture.link.ReadBlock(Command::Session, 1, block.data()));

    const auto requests = fixture.watch->requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].command, Command::Identity);
    EXPECT_EQ(requests[1].command, Command::Session);
    EXPECT_EQ(requests[1].phase, 1);
    EXPECT_EQ(requests[1].firstWord, 77u);
    EXPECT_EQ(requests[2].phase, 0);
    EXPECT_EQ(requests[2].argument, 1u);
    fixture.watch->ClearRequests();
    EXPECT_TRUE(fixture.watch->requests().empty());
}

struct TransferCase {
    const char* name;
    uint8_t command;
    const char* file;
    size_t size;
};

class CompleteTransfer : public testing::TestWithParam<TransferCase> {};

INSTANTIATE_TEST_SUITE_P(Kinds, CompleteTransfer,
                         testing::Values(TransferCase{"FirmwareUneven", Command::Firmware, "firmware.bin", 1000},
                                         TransferCase{"FirmwareWhole", Command::Firmware, "firmware.bin", 512},
                                         TransferCase{"CourseUneven", Command::Course, "course.bin", 3 * 256 + 1},
                                         TransferCase{"CourseOneByte", Command::Course, "course.bin", 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(CompleteTransfer, IsSavedByteExact)
{
    WatchFixture fixture(Options(kModelBandA));
    const std::vector<uint8_t> image = Pattern(GetParam().size, 3);
    ASSERT_TRUE(fixture.WriteAll(GetParam().command, image));

    const auto received =
        GetParam().command == Command::Firmware ? fixture.watch->ReceivedFirmware() : fixture.watch->ReceivedCourse();
    EXPECT_EQ(received, image);
    EXPECT_EQ(ReadFile(fixture.store.File(GetParam().file)), image);
    EXPECT_FALSE(std::filesystem::exists(fixture.store.File(std::string(GetParam().file) + ".part")));
}

TEST(SimulatedWatch, RepeatedBlockIsTakenAgain)
{
    WatchFixture fixture(Options(kModelBandA));
    std::vector<uint8_t> image = Pattern(700, 5);
    ASSERT_TRUE(fixture.link.OpeningExchange(Command::Course, 0, 700));
    std::array<uint8_t, kBlockSize> block{};
    ASSERT_TRUE(fixture.link.WriteBlock(Command::Course, image.data(), 0));
    ASSERT_TRUE(fixture.link.WriteBlock(Command::Course, block.data(), 1)); // garbled first try
    ASSERT_TRUE(fixture.link.WriteBlock(Command::Course, image.data() + 256, 1));
    std::copy_n(image.begin() + 512, 700 - 512, block.begin());
    ASSERT_TRUE(fixture.link.WriteBlock(Command::Course, block.data(), 2));
    EXPECT_EQ(fixture.watch->ReceivedCourse(), image);
}

TEST(SimulatedWatch, IncompleteTransfersAreNeverSaved)
{
    WatchFixture fixture(Options(kModelBandA));
    const std::vector<uint8_t> first = Pattern(800, 1);
    ASSERT_TRUE(fixture.WriteAll(Command::Firmware, first));

    // Stopped after two of four blocks, then a new transfer that skips a block.
    ASSERT_TRUE(fixture.WriteAll(Command::Firmware, Pattern(1000, 2), 2));
    ASSERT_TRUE(fixture.link.OpeningExchange(Command::Firmware, 0, 600));
    std::array<uint8_t, kBlockSize> block{};
    for (uint32_t i : {0u, 2u, 1u, 2u})
        ASSERT_TRUE(fixture.link.WriteBlock(Command::Firmware, block.data(), i));

    EXPECT_EQ(fixture.watch->ReceivedFirmware(), first);
    EXPECT_EQ(ReadFile(fixture.store.File("firmware.bin")), first);
    EXPECT_FALSE(std::filesystem::exists(fixture.store.File("course.bin")));
}

TEST(SimulatedWatch, UnplugAfterBlockCutsTheTransfer)
{
    WatchOptions options = Options(kModelBandA);
    options.faults.unplugAfterBlock = 1;
    WatchFixture fixture(options);
    const std::vector<uint8_t> image = Pattern(1024, 4);
    ASSERT_TRUE(fixture.link.OpeningExchange(Command::Firmware, 0, 1024));
    EXPECT_TRUE(fixture.link.WriteBlock(Command::Firmware, image.data(), 0));
    EXPECT_TRUE(fixture.link.WriteBlock(Command::Firmware, image.data() + 256, 1));
    EXPECT_FALSE(fixture.link.WriteBlock(Command::Firmware, image.data() + 512, 2));

    for (int i = 0; i < 100 && fixture.watch->plugged(); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_FALSE(fixture.watch->plugged());
    EXPECT_FALSE(std::filesystem::exists(fixture.watch->path()));
    EXPECT_TRUE(fixture.watch->ReceivedFirmware().empty());
    EXPECT_FALSE(std::filesystem::exists(fixture.store.File("firmware.bin")));

    // Plugged in again, the fault has been spent and a whole transfer goes through.
    fixture.link.Close();
    ASSERT_TRUE(fixture.watch->Plug());
    ASSERT_TRUE(fixture.link.Discover());
    ASSERT_TRUE(fixture.WriteAll(Command::Firmware, image));
    EXPECT_EQ(ReadFile(fixture.store.File("firmware.bin")), image);
}

struct FaultCase {
    const char* name;
    Faults faults;
    uint8_t command;
    bool firstAttempt;
    bool secondAttempt;
};

Faults With(auto change)
{
    Faults faults;
    change(faults);
    return faults;
}

class FaultThroughLink : public testing::TestWithParam<FaultCase> {};

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultThroughLink,
    testing::Values(
        FaultCase{"None", {}, Command::Session, true, true},
        FaultCase{"DirectionTwo", With([](Faults& f) { f.directionTwo = true; }), Command::Session, true, true},
        FaultCase{"BadCrcOnce", With([](Faults& f) { f.badCrcOnBlock = 0; }), Command::Session, false, true},
        FaultCase{"BadCrcOnceWrite", With([](Faults& f) { f.badCrcOnBlock = 0; }), Command::Firmware, false, true},
        FaultCase{"BadCrcOtherBlock", With([](Faults& f) { f.badCrcOnBlock = 1; }), Command::Session, true, true},
        FaultCase{"BadCrcAlways", With([](Faults& f) { f.badCrcOnBlock = 0, f.badCrcAlways = true; }), Command::Course,
                  false, false},
        FaultCase{"CrcLowByteFirst", With([](Faults& f) { f.crcLowByteFirst = true; }), Command::Session, false, false},
        FaultCase{"WrongCommand", With([](Faults& f) { f.wrongCommandEcho = true; }), Command::Session, false, false},
        FaultCase{"WrongArgumentOnce", With([](Faults& f) { f.wrongArgumentOnBlock = 0; }), Command::Firmware, false,
                  true},
        FaultCase{"WrongArgumentAlways",
                  With([](Faults& f) { f.wrongArgumentOnBlock = 0, f.wrongArgumentAlways = true; }), Command::Session,
                  false, false},
        FaultCase{"ShortReply", With([](Faults& f) { f.shortReply = true; }), Command::Session, false, false},
        FaultCase{"LateOnce", With([](Faults& f) { f.delayPastTimeoutOnce = true, f.lateBy = kLimit + 100ms; }),
                  Command::Session, false, true},
        FaultCase{"SilentIdentity", With([](Faults& f) { f.silentIdentity = true; }), Command::Identity, false, false},
        FaultCase{"SilentIdentityOnly", With([](Faults& f) { f.silentIdentity = true; }), Command::Session, true,
                  true}),
    [](const auto& info) { return std::string(info.param.name); });

// Block 0 of a transfer (or the identity read), tried twice as the block loops do.
TEST_P(FaultThroughLink, DecidesTheBlockOutcome)
{
    const FaultCase& row = GetParam();
    WatchFixture fixture(Options(kModelBandA, {Pattern(1000, 6)}));
    DeviceLink& link = fixture.link;
    if (row.command != Command::Identity) {
        ASSERT_TRUE(link.OpeningExchange(row.command, 0, 1000));
    }
    fixture.watch->SetFaults(row.faults);

    std::array<uint8_t, kBlockSize> block = {1, 2, 3};
    auto attempt = [&] {
        return row.command == Command::Session || row.command == Command::Identity
                   ? link.ReadBlock(row.command, 0, block.data())
                   : link.WriteBlock(row.command, block.data(), 0);
    };
    EXPECT_EQ(attempt(), row.firstAttempt);
    EXPECT_EQ(attempt(), row.secondAttempt);
}

TEST(SimulatedWatch, RefusedOpenIsSkippedAsBusy)
{
    test::TempDir bus;
    VhidBackend backend(bus.path());
    DeviceLink link(backend, kLimit);
    WatchOptions options = Options(kModelPin);
    options.faults.refuseOpen = true;
    SimulatedWatch watch(bus.File("a.hid"), options);
    ASSERT_TRUE(watch.Plug());
    EXPECT_FALSE(link.Discover());
    EXPECT_EQ(link.lastOpenError(), HidOpenError::Busy);

    watch.SetFaults({});
    EXPECT_TRUE(link.Discover());
}

TEST(SimulatedWatch, UnknownModelDoesNotPlug)
{
    test::TempDir bus;
    SimulatedWatch watch(bus.File("x.hid"), Options(7));
    EXPECT_FALSE(watch.Plug());
    EXPECT_FALSE(std::filesystem::exists(bus.File("x.hid")));
}

TEST(SimulatedWatch, UnplugEndsALongReplyDelay)
{
    WatchOptions options = Options(kModelBandA);
    options.replyDelay = 10s;
    WatchFixture fixture(options);
    std::thread unplugger([&] {
        std::this_thread::sleep_for(50ms);
        fixture.watch->Unplug();
    });
    std::array<uint8_t, kBlockSize> block{};
    EXPECT_FALSE(fixture.link.ReadBlock(Command::Version, 0, block.data()));
    unplugger.join(); // returns long before the delay would have run out
    EXPECT_FALSE(fixture.watch->plugged());
}

TEST(PrivateBus, ServesItsWatchAndRemovesTheFolder)
{
    std::string directory;
    {
        WatchOptions options = Options(kModelBandF);
        options.sessions = GenerateSessions(1, 2, kModelBandF);
        PrivateBus bus(options);
        ASSERT_TRUE(bus.ok());
        directory = bus.directory();
        EXPECT_EQ(bus.watch().path(), directory + "/watch-bandF.hid");

        VhidBackend backend(bus.directory());
        DeviceLink link(backend, kLimit);
        ASSERT_TRUE(link.Discover());
        EXPECT_EQ(link.model().modelIndex, kModelBandF);
        EXPECT_TRUE(link.Identify());
        EXPECT_EQ(link.OpeningExchange(Command::SessionCount, 0, 0), 2u);
        link.Close();
    }
    EXPECT_FALSE(std::filesystem::exists(directory));
}
