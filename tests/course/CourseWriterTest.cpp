#include "ByteOrder.h"
#include "CourseMaker.h"
#include "CourseStamp.h"
#include "CourseTestSupport.h"
#include "CourseWriter.h"
#include "Crc16.h"
#include "DeviceLink.h"
#include "DeviceModel.h"
#include "FakeHidBackend.h"
#include "RecordingHost.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>

using namespace teedesk;
using namespace teedesk::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kShortLimit = 100ms;

HidAttributes AttributesOf(uint16_t modelIndex)
{
    const DeviceModel& model = kKnownModels[modelIndex];
    return {model.vendorId, model.productId, model.releaseNumber};
}

// A watch that accepts everything except the blocks `refuse` names (it echoes another argument).
FakeHidHandle::Responder Watch(std::function<bool(const CommandPacket&)> refuse = {})
{
    return [refuse](std::span<const uint8_t> request) {
        const CommandPacket packet = PacketOf(request);
        if (refuse && refuse(packet))
            return std::vector<Report>{MakeReply(request, [](CommandPacket& p) { p.SetArgument(p.Argument() + 1); })};
        return std::vector<Report>{MakeReply(request)};
    };
}

class CourseWriting : public testing::Test {
protected:
    void Connect(uint16_t modelIndex, FakeHidHandle::Responder responder)
    {
        backend.Add({"/fake/watch", AttributesOf(modelIndex), std::move(responder)});
        ASSERT_TRUE(link.Discover());
        handle = backend.handle("/fake/watch");
    }

    std::string WriteFile(const std::vector<uint8_t>& bytes)
    {
        const std::string path = folder.File("course.dat");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::vector<CommandPacket> Sent() const
    {
        std::vector<CommandPacket> packets;
        for (const Report& report : handle->writes())
            packets.push_back(PacketOf(report));
        return packets;
    }

    FakeHidBackend backend;
    DeviceLink link{backend, kShortLimit};
    std::shared_ptr<FakeHidHandle> handle;
    RecordingHost host;
    TempDir folder;
};

HostEvent Event(HostEvent::Kind kind, std::string text = {}, std::string caption = {},
                MessageIcon icon = MessageIcon::None)
{
    HostEvent event{};
    event.kind = kind;
    event.text = std::move(text);
    event.caption = std::move(caption);
    event.icon = icon;
    return event;
}

HostEvent ErrorMessage(const char* text) { return Event(HostEvent::Message, text, kCaptionError, MessageIcon::Error); }

std::vector<uint8_t> Pattern(size_t length)
{
    std::vector<uint8_t> bytes(length);
    for (size_t n = 0; n < length; ++n)
        bytes[n] = static_cast<uint8_t>(n * 13 + 5);
    return bytes;
}

struct SizeCase {
    uint32_t size;
    std::vector<int> positions; // after each block, then 100
};

class ImageSizeWriting : public CourseWriting, public testing::WithParamInterface<SizeCase> {};

INSTANTIATE_TEST_SUITE_P(Rows, ImageSizeWriting,
                         testing::Values(SizeCase{300, {0, 85, 100}}, SizeCase{512, {0, 50, 100}},
                                         SizeCase{513, {0, 49, 99, 100}}, SizeCase{1000, {0, 25, 51, 76, 100}}));

} // namespace

TEST_P(ImageSizeWriting, BlocksCarryTheImageAndProgressIsTheShareBefore)
{
    const SizeCase& c = GetParam();
    Connect(kModelBandA, Watch());
    const size_t blocks = (c.size + 255) / 256;
    const std::vector<uint8_t> image = Pattern(blocks * 256);
    const TransferResult result = SendCourseImage(link, image.data(), image.size(), c.size, host);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(host.positions(), c.positions);
    EXPECT_EQ(host.events().back(), Event(HostEvent::Text, kTextCompleted));

    const std::vector<CommandPacket> sent = Sent();
    ASSERT_EQ(sent.size(), blocks + 1);
    EXPECT_EQ(sent[0].commandCode, Command::Course);
    EXPECT_EQ(sent[0].phase, 1);
    EXPECT_EQ(sent[0].Argument(), 0u);
    EXPECT_EQ(sent[0].FirstWord(), c.size);
    for (size_t i = 0; i < blocks; ++i) {
        EXPECT_EQ(sent[i + 1].commandCode, Command::Course);
        EXPECT_EQ(sent[i + 1].phase, 0);
        EXPECT_EQ(sent[i + 1].Argument(), i);
        EXPECT_TRUE(std::equal(sent[i + 1].payload, sent[i + 1].payload + 256, image.begin() + i * 256));
    }
}

TEST(BlockProgress, StaysExactPastThirtyTwoBits)
{
    EXPECT_EQ(BlockProgress(1, 300), 85);
    EXPECT_EQ(BlockProgress(200000, 60000000), 85); // 25600 * 200000 needs 33 bits
    EXPECT_EQ(BlockProgress(16777215, 0xFFFFFFFFu), 99);
}

TEST_F(CourseWriting, BlockRefusedTwiceStopsSilently)
{
    Connect(kModelBandA, Watch([](const CommandPacket& p) { return p.phase == 0 && p.Argument() == 1; }));
    const std::vector<uint8_t> image = Pattern(768);
    const TransferResult result = SendCourseImage(link, image.data(), image.size(), 700, host);
    EXPECT_FALSE(result.completed);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(host.messages().empty());
    EXPECT_EQ(host.positions(), std::vector<int>{0});
    const std::vector<CommandPacket> sent = Sent();
    ASSERT_EQ(sent.size(), 4u); // opening, block 0, block 1 twice
    EXPECT_EQ(sent[2].Argument(), 1u);
    EXPECT_EQ(sent[3].Argument(), 1u);
}

TEST_F(CourseWriting, BlockRefusedOnceIsSentAgain)
{
    int refusals = 0;
    Connect(kModelBandA, Watch([&refusals](const CommandPacket& p) {
                return p.phase == 0 && p.Argument() == 0 && refusals++ == 0;
            }));
    const std::vector<uint8_t> image = Pattern(512);
    EXPECT_TRUE(SendCourseImage(link, image.data(), image.size(), 300, host).completed);
    EXPECT_EQ(Sent().size(), 4u);
}

TEST_F(CourseWriting, UnansweredOpeningSendsNoBlock)
{
    Connect(kModelBandA, [](std::span<const uint8_t>) { return std::vector<Report>{}; });
    const std::vector<uint8_t> image = Pattern(512);
    const TransferResult result = SendCourseImage(link, image.data(), image.size(), 300, host);
    EXPECT_FALSE(result.completed);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(host.events().empty());
    EXPECT_EQ(Sent().size(), 1u);
}

TEST_F(CourseWriting, RemovalBeforeABlockShowsTheMessage)
{
    Connect(kModelBandA, Watch());
    host.onPosition = [this](int) { host.connected = false; };
    const std::vector<uint8_t> image = Pattern(768);
    const TransferResult result = SendCourseImage(link, image.data(), image.size(), 700, host);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(host.messages(), std::vector<HostEvent>{ErrorMessage(kTextDeviceRemoved)});
    EXPECT_EQ(Sent().size(), 2u);
}

TEST_F(CourseWriting, WritesTheStampedImageUnderTheLock)
{
    Connect(kModelBandA, Watch());
    const std::string path = WriteFile(tools::MakeCourseFile(OneCourse(4)));
    CourseImage expected;
    ASSERT_EQ(PrepareCourseImage(path, kModelBandA, expected), CoursePrepareStatus::Ready);

    const TransferResult result = WriteCourseImage(link, path, host);
    EXPECT_TRUE(result.completed);
    const std::vector<HostEvent> events = host.events();
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events.front().kind, HostEvent::Lock);
    EXPECT_EQ(events.back().kind, HostEvent::Unlock);
    EXPECT_EQ(host.locks(), 1);
    EXPECT_EQ(host.unlocks(), 1);

    const std::vector<CommandPacket> sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].FirstWord(), expected.size());
    std::vector<uint8_t> received;
    for (size_t i = 1; i < sent.size(); ++i)
        received.insert(received.end(), sent[i].payload, sent[i].payload + 256);
    ASSERT_GE(received.size(), expected.size());
    received.resize(expected.size());
    EXPECT_EQ(received, std::vector<uint8_t>(expected.data(), expected.data() + expected.size()));
}

namespace {

struct PrepareFailure {
    const char* name;
    std::function<std::string(const TempDir&)> path;
    const char* message;
};

std::string Stored(const TempDir& folder, const std::vector<uint8_t>& bytes)
{
    const std::string path = folder.File("course.dat");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

const PrepareFailure kPrepareFailures[] = {
    {"MissingFile", [](const TempDir& f) { return f.File("missing.dat"); }, "Failed to Open course file"},
    {"Folder", [](const TempDir& f) { return f.path(); }, "Failed to Open course file"},
    {"Pipe",
     [](const TempDir& f) {
         const std::string path = f.File("pipe");
         mkfifo(path.c_str(), 0600);
         return path;
     },
     "Failed to Get the length of course file"},
    {"OtherModelsFile", [](const TempDir& f) { return Stored(f, tools::MakeCourseFile(OneCourse(2))); },
     "Failed to read course file"},
    {"EmptyFile", [](const TempDir& f) { return Stored(f, {}); }, "Failed to read course file"},
};

class CoursePrepareFailure : public CourseWriting, public testing::WithParamInterface<PrepareFailure> {};

INSTANTIATE_TEST_SUITE_P(Rows, CoursePrepareFailure, testing::ValuesIn(kPrepareFailures),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

TEST_P(CoursePrepareFailure, MessageUnderTheLockAndNothingSent)
{
    Connect(kModelBandA, Watch());
    const TransferResult result = WriteCourseImage(link, GetParam().path(folder), host);
    EXPECT_FALSE(result.completed);
    EXPECT_EQ(host.events(), (std::vector<HostEvent>{Event(HostEvent::Lock), ErrorMessage(GetParam().message),
                                                     Event(HostEvent::Unlock)}));
    EXPECT_TRUE(handle->writes().empty());
}

TEST(CourseStamp, SignatureSizeAndLittleEndianCrcOverTheFilledField)
{
    std::vector<uint8_t> image = Pattern(300 + 256);
    StampCourseImage(image.data(), 300);
    EXPECT_EQ(std::vector<uint8_t>(image.begin() + 60, image.begin() + 64), (std::vector<uint8_t>{0x66, 0x6C, 0x6F, 0x47}));
    EXPECT_EQ(ReadU32Le(image.data() + 64), 300u);
    const uint16_t stored = ReadU16Le(image.data() + 68);
    std::vector<uint8_t> check(image.begin(), image.begin() + 300);
    check[68] = check[69] = 0xFF;
    EXPECT_EQ(stored, Crc16(check.data(), check.data() + check.size()));
    EXPECT_EQ(image[68], static_cast<uint8_t>(stored));
    EXPECT_EQ(image[70], Pattern(71)[70]); // bytes 70-71 keep their value
    // The bytes past S take no part.
    std::vector<uint8_t> other = Pattern(300 + 256);
    other[400] ^= 0xFF;
    StampCourseImage(other.data(), 300);
    EXPECT_EQ(ReadU16Le(other.data() + 68), stored);
}
