// The firmware writer against a scripted watch: the exact host calls, the requests sent, and
// that a refused file sends nothing at all.

#include "DeviceLink.h"
#include "DeviceModel.h"
#include "FakeHidBackend.h"
#include "FirmwareMaker.h"
#include "RecordingHost.h"
#include "TempDir.h"
#include "WriteFirmware.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace teedesk;
using namespace teedesk::test;
using namespace std::chrono_literals;
using Bytes = std::vector<uint8_t>;

namespace {

HostEvent Pos(int position) { return {HostEvent::Position, position, {}, {}, MessageIcon::None}; }
HostEvent Text(const std::string& text) { return {HostEvent::Text, 0, text, {}, MessageIcon::None}; }
HostEvent Msg(const std::string& text, const std::string& caption)
{
    return {HostEvent::Message, 0, text, caption, MessageIcon::Error};
}
const HostEvent kLock{HostEvent::Lock, 0, {}, {}, MessageIcon::None};
const HostEvent kUnlock{HostEvent::Unlock, 0, {}, {}, MessageIcon::None};

// A firmware file of exactly `size` bytes for the model, of the given kind.
Bytes MakeFile(uint16_t model, size_t size, FirmwareKind kind = FirmwareKind::Main, uint32_t seed = 3)
{
    tools::FirmwareRecipe recipe;
    recipe.kind = kind;
    recipe.modelIndex = model;
    recipe.seed = seed;
    recipe.bodySize = size - (model == kModelPin ? kMarkerTrailerSize : kNamedTrailerSize);
    tools::MadeFirmware made = tools::MakeFirmware(recipe);
    EXPECT_EQ(made.error, "");
    return made.bytes;
}

class WriteFirmwareTest : public testing::Test {
protected:
    void Connect(uint16_t model = kModelBandA)
    {
        const DeviceModel& known = kKnownModels.at(model);
        backend.Add({"/fake/watch", {known.vendorId, known.productId, known.releaseNumber},
                     [this](std::span<const uint8_t> request) {
                         return respond ? respond(request) : std::vector<Report>{MakeReply(request)};
                     }});
        ASSERT_TRUE(link.Discover());
        ASSERT_EQ(link.model().modelIndex, model);
    }

    std::string Save(const Bytes& bytes, const std::string& name = "firmware.bin")
    {
        const std::string path = folder.File(name);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::vector<CommandPacket> Sent() const
    {
        std::vector<CommandPacket> packets;
        for (const Report& report : backend.handle("/fake/watch")->writes())
            packets.push_back(PacketOf(report));
        return packets;
    }

    std::vector<uint32_t> BlockArguments() const
    {
        std::vector<uint32_t> arguments;
        for (const CommandPacket& packet : Sent())
            if (packet.phase == 0)
                arguments.push_back(packet.Argument());
        return arguments;
    }

    // Every block payload in order, each index once (the last attempt of each).
    Bytes SentImage() const
    {
        Bytes image;
        for (const CommandPacket& packet : Sent()) {
            if (packet.phase != 0)
                continue;
            image.resize(size_t{packet.Argument()} * kBlockSize);
            image.insert(image.end(), packet.payload, packet.payload + kBlockSize);
        }
        return image;
    }

    std::function<std::vector<Report>(std::span<const uint8_t>)> respond;
    FakeHidBackend backend;
    DeviceLink link{backend, 50ms};
    RecordingHost host;
    TempDir folder;
};

// Replies to block `block` with a wrong argument for its first `times` attempts.
std::function<std::vector<Report>(std::span<const uint8_t>)> FailBlock(uint32_t block, int times)
{
    auto left = std::make_shared<int>(times);
    return [block, left](std::span<const uint8_t> request) {
        const CommandPacket packet = PacketOf(request);
        if (packet.phase == 0 && packet.Argument() == block && *left > 0) {
            --*left;
            return std::vector<Report>{MakeReply(request, [](CommandPacket& p) { p.SetArgument(p.Argument() + 1); })};
        }
        return std::vector<Report>{MakeReply(request)};
    };
}

} // namespace

TEST_F(WriteFirmwareTest, ThousandBytesInFourBlocks)
{
    Connect();
    const Bytes file = MakeFile(kModelBandA, 1000);
    const TransferResult result = WriteFirmware(link, Save(file), host);
    ASSERT_TRUE(result.completed) << result.reason;
    EXPECT_EQ(result.reason, "");
    EXPECT_EQ(host.events(),
              (std::vector<HostEvent>{kLock, Pos(0), Pos(25), Pos(51), Pos(76), Pos(100), Text("完了しました。"), kUnlock}));

    const std::vector<CommandPacket> sent = Sent();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[0].commandCode, Command::Firmware);
    EXPECT_EQ(sent[0].phase, 1);
    EXPECT_EQ(sent[0].Argument(), 0u);
    EXPECT_EQ(sent[0].FirstWord(), 1000u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(sent[1 + i].commandCode, Command::Firmware);
        EXPECT_EQ(sent[1 + i].phase, 0);
        EXPECT_EQ(sent[1 + i].Argument(), i);
    }
    Bytes expected = file;
    expected.resize(4 * kBlockSize, 0); // the last block is padded with zeros
    EXPECT_EQ(SentImage(), expected);
}

namespace {

struct SizeCase {
    uint16_t model;
    size_t size;
    FirmwareKind kind;
    uint32_t blocks;
};

class SizeTest : public WriteFirmwareTest, public testing::WithParamInterface<SizeCase> {};

// 512 is two whole blocks, 513 needs a third carrying one byte; every kind goes whole.
INSTANTIATE_TEST_SUITE_P(Cases, SizeTest,
                         testing::Values(SizeCase{kModelBandF, 512, FirmwareKind::Boot, 2},
                                         SizeCase{kModelBandA, 513, FirmwareKind::Font, 3},
                                         SizeCase{kModelPin, 256, FirmwareKind::TouchPanel, 1},
                                         SizeCase{kModelPin, 4097, FirmwareKind::Bluetooth, 17},
                                         SizeCase{kModelBandA, 66 + 32, FirmwareKind::Main, 1}),
                         [](const auto& info) { return std::to_string(info.param.size); });

} // namespace

TEST_P(SizeTest, SendsTheWholeFileWithTrailer)
{
    const SizeCase& c = GetParam();
    Connect(c.model);
    const Bytes file = MakeFile(c.model, c.size, c.kind);
    ASSERT_EQ(file.size(), c.size);
    ASSERT_TRUE(WriteFirmware(link, Save(file), host).completed);

    EXPECT_EQ(Sent().front().FirstWord(), c.size);
    std::vector<uint32_t> expectedArguments(c.blocks);
    for (uint32_t i = 0; i < c.blocks; ++i)
        expectedArguments[i] = i;
    EXPECT_EQ(BlockArguments(), expectedArguments);
    Bytes expected = file;
    expected.resize(size_t{c.blocks} * kBlockSize, 0);
    EXPECT_EQ(SentImage(), expected);
    EXPECT_EQ(host.positions().size(), c.blocks + 1);
}

TEST_F(WriteFirmwareTest, BlockFailingOnceMovesTheBarOnce)
{
    respond = FailBlock(1, 1);
    Connect();
    const Bytes file = MakeFile(kModelBandA, 1000);
    ASSERT_TRUE(WriteFirmware(link, Save(file), host).completed);
    EXPECT_EQ(BlockArguments(), (std::vector<uint32_t>{0, 1, 1, 2, 3}));
    EXPECT_EQ(host.positions(), (std::vector<int>{0, 25, 51, 76, 100}));
}

TEST_F(WriteFirmwareTest, BlockFailingTwiceStopsSilently)
{
    respond = FailBlock(2, 2);
    Connect();
    const TransferResult result = WriteFirmware(link, Save(MakeFile(kModelBandA, 1000)), host);
    EXPECT_FALSE(result.completed);
    EXPECT_NE(result.reason.find("block 2"), std::string::npos) << result.reason;
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{kLock, Pos(0), Pos(25), kUnlock}));
    EXPECT_EQ(BlockArguments(), (std::vector<uint32_t>{0, 1, 2, 2}));
    EXPECT_FALSE(host.locked());
}

TEST_F(WriteFirmwareTest, OpeningExchangeFailingStopsSilently)
{
    respond = [](std::span<const uint8_t> request) {
        return PacketOf(request).phase == 1 ? std::vector<Report>{} : std::vector<Report>{MakeReply(request)};
    };
    Connect();
    const TransferResult result = WriteFirmware(link, Save(MakeFile(kModelBandA, 1000)), host);
    EXPECT_FALSE(result.completed);
    EXPECT_NE(result.reason, "");
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{kLock, kUnlock}));
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(WriteFirmwareTest, OpeningReplyArgumentIsNotExamined)
{
    respond = [](std::span<const uint8_t> request) {
        if (PacketOf(request).phase == 1)
            return std::vector<Report>{MakeReply(request, [](CommandPacket& p) { p.SetArgument(77); })};
        return std::vector<Report>{MakeReply(request)};
    };
    Connect();
    EXPECT_TRUE(WriteFirmware(link, Save(MakeFile(kModelBandA, 1000)), host).completed);
}

TEST_F(WriteFirmwareTest, DisconnectedBeforeFirstBlock)
{
    Connect();
    host.connected = false;
    const TransferResult result = WriteFirmware(link, Save(MakeFile(kModelBandA, 1000)), host);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{kLock, Msg("Device removed!", "Error"), kUnlock}));
    EXPECT_EQ(Sent().size(), 1u); // the opening exchange only
}

TEST_F(WriteFirmwareTest, DisconnectedBetweenBlocks)
{
    Connect();
    host.onPosition = [this](int position) {
        if (position == 25)
            host.connected = false;
    };
    EXPECT_FALSE(WriteFirmware(link, Save(MakeFile(kModelBandA, 1000)), host).completed);
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{kLock, Pos(0), Pos(25), Msg("Device removed!", "Error"), kUnlock}));
    EXPECT_EQ(BlockArguments(), (std::vector<uint32_t>{0, 1}));
}

namespace {

// A regular file whose size says 4096 and whose read gives fewer bytes.
const char* const kShortReadFile = "/sys/kernel/mm/transparent_hugepage/enabled";

struct BadInputCase {
    const char* name;
    uint16_t model;
    // Makes the file in `folder` and returns its path.
    std::function<std::string(TempDir& folder)> make;
    std::vector<HostEvent> events;
};

void PrintTo(const BadInputCase& c, std::ostream* out) { *out << c.name; }

std::string SaveIn(TempDir& folder, const Bytes& bytes)
{
    const std::string path = folder.File("bad.bin");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

Bytes UnknownKind()
{
    Bytes body(256, 0);
    std::memcpy(body.data() + 0x23, "MAIX", 4);
    body[4] = 0x20;
    tools::AppendNamedTrailer(body, "QRT_LK_BAND_A");
    return body;
}

const BadInputCase kBadInputs[] = {
    {"Missing", kModelBandA, [](TempDir& f) { return f.File("missing.bin"); },
     {Msg("Failed to Open firmware file", "Error"), kUnlock}},
    {"Directory", kModelBandA, [](TempDir& f) { return f.path(); },
     {Msg("Failed to Open firmware file", "Error"), kUnlock}},
    {"Fifo", kModelBandA,
     [](TempDir& f) {
         const std::string path = f.File("pipe.bin");
         EXPECT_EQ(mkfifo(path.c_str(), 0600), 0);
         return path;
     },
     {Msg("Failed to Open firmware file", "Error"), kUnlock}},
    {"LongerThan32Bits", kModelBandA,
     [](TempDir& f) {
         const std::string path = f.File("huge.bin");
         const int fd = ::open(path.c_str(), O_CREAT | O_WRONLY, 0600);
         EXPECT_EQ(::ftruncate(fd, off_t{0x100000000} + 16), 0); // sparse: no disk used
         ::close(fd);
         return path;
     },
     {Msg("Firmware file is too large (more than 4294967295 bytes)", "Error"), kUnlock}},
    {"ShortRead", kModelBandA, [](TempDir&) { return std::string(kShortReadFile); },
     {kLock, Msg("Failed to read firmware file!", "Open File"), kUnlock}},
    {"Empty", kModelBandA, [](TempDir& f) { return SaveIn(f, {}); },
     {kLock, Msg("Incorrect firmwarefile!", "Open File"), kUnlock}},
    {"MarkerTrailerOnBandA", kModelBandA, [](TempDir& f) { return SaveIn(f, MakeFile(kModelPin, 1000)); },
     {kLock, Msg("Incorrect firmwarefile!", "Open File"), kUnlock}},
    {"BandFFileOnBandA", kModelBandA, [](TempDir& f) { return SaveIn(f, MakeFile(kModelBandF, 1000)); },
     {kLock, Msg("Incorrect firmwarefile!", "Open File"), kUnlock}},
    {"NamedTrailerOnPin", kModelPin, [](TempDir& f) { return SaveIn(f, MakeFile(kModelBandA, 1000)); },
     {kLock, Msg("Incorrect firmwarefile!", "Open File"), kUnlock}},
    {"CrcWrong", kModelBandA,
     [](TempDir& f) {
         Bytes file = MakeFile(kModelBandA, 1000);
         file[500] ^= 1;
         return SaveIn(f, file);
     },
     {kLock, Msg("Incorrect firmwarefile!", "Open File"), kUnlock}},
    {"UnknownKind", kModelBandA, [](TempDir& f) { return SaveIn(f, UnknownKind()); },
     {kLock, Msg("Invalid firmware type!", "Error"), kUnlock}},
};

class BadInputTest : public WriteFirmwareTest, public testing::WithParamInterface<BadInputCase> {};

INSTANTIATE_TEST_SUITE_P(Cases, BadInputTest, testing::ValuesIn(kBadInputs),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_P(BadInputTest, RefusedWithNothingSent)
{
    const BadInputCase& c = GetParam();
    const std::string path = c.make(folder);
    if (path == kShortReadFile && access(kShortReadFile, R_OK) != 0)
        GTEST_SKIP() << kShortReadFile << " is not here";
    Connect(c.model);
    const TransferResult result = WriteFirmware(link, path, host);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(result.reason, ""); // a message said it
    EXPECT_EQ(host.events(), c.events);
    EXPECT_TRUE(backend.handle("/fake/watch")->writes().empty());
}
