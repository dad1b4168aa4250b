#include "ConnectionState.h"
#include "CsvSections.h"
#include "DeviceLink.h"
#include "FakeHidBackend.h"
#include "MemoryOutput.h"
#include "PlayDataDownload.h"
#include "RecordingHost.h"
#include "SessionBuilder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>

using namespace teedesk;
using namespace teedesk::test;
using namespace std::chrono_literals;

namespace {

constexpr auto kShortLimit = 20ms;

const HidAttributes kAttributes[] = {{0x10C4, 0x8A3B, 1}, {0x10C4, 0x8A3B, 2}, {0x10C4, 0x8ADB, 1}};

// The watch's side of commands 4 and 5, with sessions held in memory and scripted silences.
struct FakeWatch {
    std::vector<std::vector<uint8_t>> sessions;
    std::set<uint32_t> silentOpenings;               // session indices whose selection gets no reply
    std::map<std::pair<uint32_t, uint32_t>, int> silentBlocks; // (session, block) -> attempts left unanswered
    std::map<uint32_t, uint32_t> announced;          // session index -> byte count announced instead
    struct Request {
        uint8_t command, phase;
        uint32_t argument, firstWord;
    };
    std::vector<Request> requests;
    uint32_t selected = 0;

    FakeHidHandle::Responder Responder()
    {
        return [this](std::span<const uint8_t> report) -> std::vector<Report> {
            const CommandPacket request = PacketOf(report);
            requests.push_back({request.commandCode, request.phase, request.Argument(), request.FirstWord()});
            if (request.commandCode == Command::SessionCount)
                return {MakeReply(report, [&](CommandPacket& p) { p.SetFirstWord(static_cast<uint32_t>(sessions.size())); })};
            if (request.commandCode != Command::Session)
                return {MakeReply(report)};
            if (request.phase == 1) {
                selected = request.Argument();
                if (silentOpenings.count(selected) || selected >= sessions.size())
                    return {};
                const auto count = announced.count(selected) ? announced[selected]
                                                             : static_cast<uint32_t>(sessions[selected].size());
                return {MakeReply(report, [&](CommandPacket& p) { p.SetFirstWord(count); })};
            }
            const uint32_t block = request.Argument();
            auto silent = silentBlocks.find({selected, block});
            if (silent != silentBlocks.end() && silent->second > 0) {
                --silent->second;
                return {};
            }
            return {MakeReply(report, [&](CommandPacket& p) {
                std::memset(p.payload, 0xEE, sizeof p.payload); // past n: must be ignored
                const std::vector<uint8_t>& bytes = sessions[selected];
                for (size_t i = 0; i < kBlockSize && block * kBlockSize + i < bytes.size(); ++i)
                    p.payload[i] = bytes[block * kBlockSize + i];
            })};
        };
    }

    std::vector<uint32_t> BlockReads(uint32_t session) const
    {
        std::vector<uint32_t> blocks;
        uint32_t current = 0;
        for (const Request& r : requests) {
            if (r.command == Command::Session && r.phase == 1)
                current = r.argument;
            else if (r.command == Command::Session && current == session)
                blocks.push_back(r.argument);
        }
        return blocks;
    }
};

// Hands the worker a MemoryOutput the test keeps.
class ForwardingOutput final : public CsvOutput {
public:
    explicit ForwardingOutput(MemoryOutput& target) : target_(target) {}
    bool Write(std::string_view bytes) override { return target_.Write(bytes); }
    bool Close() override { return target_.Close(); }
    bool isOpen() const override { return target_.isOpen(); }

private:
    MemoryOutput& target_;
};

std::vector<uint8_t> SmallRound(const char* name, int fixes)
{
    SessionBuilder round;
    round.GolfCourseName(name).Bases(83820000, 21394800);
    for (int second = 0; second <= fixes; ++second)
        round.AddFix(PackTime(2016, 5, 12, 9, 0, second));
    return round.Bytes();
}

std::string SessionCsv(uint16_t model, uint32_t index, const std::vector<uint8_t>& session)
{
    MemoryOutput output;
    CsvWriter file(output, model);
    WriteSession(file, index, session);
    return output.text;
}

std::string FileStart(uint16_t model)
{
    MemoryOutput output;
    CsvWriter file(output, model);
    WriteFileStart(file);
    return output.text;
}

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class DownloadTest : public testing::Test {
protected:
    void Connect(uint16_t model = kModelBandA)
    {
        backend.Add({"/fake/watch", kAttributes[model], watch.Responder()});
        ASSERT_TRUE(link.Discover());
    }

    TransferResult Run(DownloadSeams seams = {})
    {
        if (!seams.deviceConnected)
            seams.deviceConnected = [this] { return connected; };
        return DownloadPlayData(link, path, static_cast<uint32_t>(watch.sessions.size()), host, seams, &summary);
    }

    DownloadSeams IntoMemory()
    {
        DownloadSeams seams;
        seams.createFile = [this](const std::string&, std::string*) { return std::make_unique<ForwardingOutput>(memory); };
        return seams;
    }

    void ExpectLockedThroughout() const
    {
        const auto events = host.events();
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.front().kind, HostEvent::Lock);
        EXPECT_EQ(events.back().kind, HostEvent::Unlock);
        EXPECT_EQ(host.locks(), 1);
        EXPECT_EQ(host.unlocks(), 1);
    }

    bool CompletionShown() const
    {
        for (const HostEvent& e : host.events())
            if (e.kind == HostEvent::Text && e.text == kTextCompleted)
                return true;
        return false;
    }

    TempDir folder;
    std::string path = folder.File("play.csv");
    FakeWatch watch;
    FakeHidBackend backend;
    DeviceLink link{backend, kShortLimit};
    RecordingHost host;
    DownloadSummary summary;
    MemoryOutput memory;
    bool connected = true;
};

TEST_F(DownloadTest, SessionsAreNumberedByIndexWithGapsForFailedOnes)
{
    watch.sessions = {SmallRound("One", 3), SmallRound("Two", 40), SmallRound("Three", 2), SmallRound("Four", 1)};
    watch.silentOpenings = {1};
    watch.silentBlocks[{2, 0}] = 2; // both attempts
    Connect();
    const TransferResult result = Run();
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(Contents(path), FileStart(kModelBandA) + SessionCsv(kModelBandA, 0, watch.sessions[0]) +
                                  SessionCsv(kModelBandA, 3, watch.sessions[3]));
    EXPECT_EQ(summary.sessionsWritten, 2u);
    EXPECT_EQ(summary.sessionsLeftOut, (std::vector<uint32_t>{1, 2}));
    EXPECT_FALSE(summary.writeFailed);
    EXPECT_EQ(watch.BlockReads(2), (std::vector<uint32_t>{0, 0})); // given up after two attempts
    EXPECT_TRUE(CompletionShown());
    ExpectLockedThroughout();
}

TEST_F(DownloadTest, ProgressAndRequestsFollowTheBlocks)
{
    std::vector<uint8_t> session = SmallRound("P", 60); // 272 + 61 * 16 = 1248 bytes: 5 blocks
    session.resize(1000);
    watch.sessions = {session};
    watch.silentBlocks[{0, 2}] = 1; // the second attempt succeeds
    Connect();
    ASSERT_TRUE(Run().completed);
    EXPECT_EQ(host.positions(), (std::vector<int>{0, 0, 25, 51, 76, 100}));
    EXPECT_EQ(watch.BlockReads(0), (std::vector<uint32_t>{0, 1, 2, 2, 3}));
    ASSERT_FALSE(watch.requests.empty());
    EXPECT_EQ(watch.requests[0].command, Command::Session);
    EXPECT_EQ(watch.requests[0].phase, 1);
    EXPECT_EQ(watch.requests[0].argument, 0u);
    EXPECT_EQ(watch.requests[0].firstWord, 0u);
    EXPECT_EQ(Contents(path), FileStart(kModelBandA) + SessionCsv(kModelBandA, 0, session));
    const auto events = host.events();
    EXPECT_EQ(events[events.size() - 2], (HostEvent{HostEvent::Text, 0, kTextCompleted, {}, MessageIcon::None}));
}

TEST_F(DownloadTest, ByteCountsOnBlockBoundariesAndZero)
{
    std::vector<uint8_t> exact = SmallRound("E", 60);
    exact.resize(512);
    watch.sessions = {exact, {}};
    Connect();
    ASSERT_TRUE(Run().completed);
    EXPECT_EQ(watch.BlockReads(0), (std::vector<uint32_t>{0, 1}));
    EXPECT_TRUE(watch.BlockReads(1).empty());
    EXPECT_EQ(Contents(path), FileStart(kModelBandA) + SessionCsv(kModelBandA, 0, exact) +
                                  "\"SESSION2\",\"20140101_000000\",\"\"\n\"GPS\"\n" +
                                  SessionCsv(kModelBandA, 1, {}).substr(SessionCsv(kModelBandA, 1, {}).find("\"date\"")));
}

TEST_F(DownloadTest, DeviceRemovedInTheMiddleOfASession)
{
    watch.sessions = {SmallRound("A", 40), SmallRound("B", 2)};
    Connect();
    int checks = 0;
    DownloadSeams seams;
    seams.deviceConnected = [&] { return ++checks != 2; }; // gone before block 1 of session 0, back after
    host.connected = true; // the page's cached copy says nothing of it
    ASSERT_TRUE(Run(seams).completed);
    const std::vector<HostEvent> messages = host.messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], (HostEvent{HostEvent::Message, 0, kTextDeviceRemoved, kCaptionError, MessageIcon::Error}));
    EXPECT_EQ(watch.BlockReads(0), (std::vector<uint32_t>{0}));
    EXPECT_EQ(summary.sessionsLeftOut, (std::vector<uint32_t>{0}));
    EXPECT_EQ(Contents(path), FileStart(kModelBandA) + SessionCsv(kModelBandA, 1, watch.sessions[1]));
    ExpectLockedThroughout();
}

TEST_F(DownloadTest, ReadsTheProcessWideFlagByDefault)
{
    watch.sessions = {SmallRound("A", 2)};
    Connect();
    g_bDeviceConnected = 0;
    const TransferResult result = DownloadPlayData(link, path, 1, host);
    g_bDeviceConnected = 0;
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(host.messages().size(), 1u);
    EXPECT_TRUE(watch.BlockReads(0).empty());
}

class ModelTag : public DownloadTest, public testing::WithParamInterface<uint16_t> {};

TEST_P(ModelTag, FileStartsWithTheTagOfTheModelConnected)
{
    watch.sessions = {SmallRound("A", 2)};
    Connect(GetParam());
    ASSERT_TRUE(Run().completed);
    const char* tags[] = {"", "\"bandF\"\n", "\"bandA\"\n"};
    EXPECT_EQ(Contents(path).substr(0, 3 + std::strlen(tags[GetParam()]) + 10),
              "\xEF\xBB\xBF" + std::string(tags[GetParam()]) + "\"SESSION1\"");
}

INSTANTIATE_TEST_SUITE_P(Models, ModelTag, testing::Values(kModelPin, kModelBandF, kModelBandA));

TEST_F(DownloadTest, EverySessionFailingLeavesTheFileStartAndCompletes)
{
    watch.sessions = {SmallRound("A", 2), SmallRound("B", 2)};
    watch.silentOpenings = {0, 1};
    Connect(kModelBandF);
    ASSERT_TRUE(Run().completed);
    EXPECT_EQ(Contents(path), "\xEF\xBB\xBF\"bandF\"\n");
    EXPECT_TRUE(CompletionShown());
}

TEST_F(DownloadTest, FileThatCannotBeCreatedEndsAtOnce)
{
    watch.sessions = {SmallRound("A", 2)};
    Connect();
    path = folder.File("missing/play.csv");
    const TransferResult result = Run();
    EXPECT_FALSE(result.completed);
    EXPECT_NE(result.reason.find("cannot create"), std::string::npos) << result.reason;
    EXPECT_TRUE(watch.requests.empty());
    EXPECT_FALSE(CompletionShown());
    ExpectLockedThroughout();
    EXPECT_EQ(host.events().size(), 2u);
}

TEST_F(DownloadTest, FailedTagLineEndsLikeAFailedCreation)
{
    watch.sessions = {SmallRound("A", 2)};
    Connect(kModelBandA);
    memory = MemoryOutput(5);
    const TransferResult result = Run(IntoMemory());
    EXPECT_FALSE(result.completed);
    EXPECT_FALSE(result.reason.empty());
    EXPECT_TRUE(watch.requests.empty());
    EXPECT_EQ(memory.closes, 1);
    EXPECT_FALSE(CompletionShown());
    ExpectLockedThroughout();
}

TEST_F(DownloadTest, FailedWriteInASectionStopsTheFileButNotTheLoop)
{
    watch.sessions = {SmallRound("A", 20), SmallRound("B", 20), SmallRound("C", 20)};
    Connect(kModelPin);
    const std::string first = SessionCsv(kModelPin, 0, watch.sessions[0]);
    memory = MemoryOutput(3 + first.size() + 200); // inside session 2's GPS lines
    ASSERT_TRUE(Run(IntoMemory()).completed);
    EXPECT_EQ(memory.closes, 1);
    EXPECT_EQ(memory.text, "\xEF\xBB\xBF" + (first + SessionCsv(kModelPin, 1, watch.sessions[1])).substr(0, first.size() + 200));
    EXPECT_FALSE(watch.BlockReads(2).empty()) << "the remaining sessions are still read";
    EXPECT_TRUE(summary.writeFailed);
    EXPECT_EQ(summary.sessionsWritten, 1u);
    EXPECT_TRUE(CompletionShown());
    ExpectLockedThroughout();
}

TEST_F(DownloadTest, ImplausibleByteCountSkipsTheSession)
{
    watch.sessions = {SmallRound("A", 2), SmallRound("B", 2), SmallRound("C", 2)};
    watch.announced[0] = kMaxSessionBytes + 1;
    watch.announced[1] = 0xFFFFFFFFu;
    Connect();
    ASSERT_TRUE(Run().completed);
    EXPECT_TRUE(watch.BlockReads(0).empty());
    EXPECT_TRUE(watch.BlockReads(1).empty());
    EXPECT_EQ(summary.sessionsLeftOut, (std::vector<uint32_t>{0, 1}));
    EXPECT_EQ(Contents(path), FileStart(kModelBandA) + SessionCsv(kModelBandA, 2, watch.sessions[2]));
}

TEST_F(DownloadTest, CountSessionsAsksCommandFourWithZero)
{
    watch.sessions.resize(7);
    Connect();
    EXPECT_EQ(CountSessions(link), 7u);
    ASSERT_EQ(watch.requests.size(), 1u);
    EXPECT_EQ(watch.requests[0].command, Command::SessionCount);
    EXPECT_EQ(watch.requests[0].phase, 1);
    EXPECT_EQ(watch.requests[0].argument, 0u);
    EXPECT_EQ(watch.requests[0].firstWord, 0u);
    link.Close();
    EXPECT_EQ(CountSessions(link), std::nullopt);
}

TEST(PresetName, LocalTimeAsDigits)
{
    std::tm time{};
    time.tm_year = 116;
    time.tm_mon = 4;
    time.tm_mday = 12;
    time.tm_hour = 9;
    time.tm_min = 30;
    time.tm_sec = 5;
    EXPECT_EQ(PresetCsvFileName(time), "20160512_093005.csv");
}

} // namespace
