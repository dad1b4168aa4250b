// Every fault the simulated watch offers, against each of the four operations: what the user is
// told (or not), what reached the watch, what the file holds, that the lock is given back, and
// that nothing hangs (the exchange limit is short, the hang bound generous).

#include "ConnectionState.h"
#include "WatchRig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>

using namespace teedesk;
using namespace teedesk::test;
using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds kTimeLimit{300};

// What reached the watch, per transfer (each session of the import is one).
enum class Sent {
    Whole,               // the opening, every block once
    Block1Twice,         // ... block 1 twice (its first reply refused)
    Block1TwiceThenStop, // the opening, block 0, block 1 twice, nothing more
    UpToBlock1,          // the opening, blocks 0 and 1: then the watch was gone
    OpeningOnly,         // the first request only (the version query's block read)
    IdentityOnly,        // the identity request while connecting
    Nothing,
};

enum class Ends {
    Completed,       // the whole result: text, file, image or firmware in the watch
    NoSessionRead,   // import: completion text, the file holds the head only
    StoppedSilently, // no message, no completion text, nothing complete in the watch
    Unplugged,       // stopped, silently or with "Device removed!" (whichever the page saw first)
    NotConnected,    // the watch never counted as connected: no operation can start
};

struct Expected {
    Sent sent;
    Ends ends;
};

struct FaultRow {
    const char* name;
    sim::Faults faults;
    bool atPlug = false; // the fault is there from the start, not only from after connecting
    std::chrono::milliseconds replyDelay{0};
    // Version, ImportPlay, UpdateCourse, UpdateFirmware.
    std::array<Expected, 4> expected;
};

sim::Faults With(void (*change)(sim::Faults&))
{
    sim::Faults faults;
    change(faults);
    return faults;
}

constexpr Expected kWhole{Sent::Whole, Ends::Completed};
constexpr Expected kFirstRefused{Sent::OpeningOnly, Ends::StoppedSilently};
constexpr std::array<Expected, 4> kAllWhole{kWhole, kWhole, kWhole, kWhole};
constexpr std::array<Expected, 4> kAllRefused{kFirstRefused, kFirstRefused, kFirstRefused, kFirstRefused};
// The version query is no transfer block: the per-block faults leave it alone.
constexpr std::array<Expected, 4> kBlockRetried{
    kWhole, Expected{Sent::Block1Twice, Ends::Completed}, Expected{Sent::Block1Twice, Ends::Completed},
    Expected{Sent::Block1Twice, Ends::Completed}};
constexpr std::array<Expected, 4> kBlockFailsTwice{kWhole, Expected{Sent::Block1TwiceThenStop, Ends::NoSessionRead},
                                                   Expected{Sent::Block1TwiceThenStop, Ends::StoppedSilently},
                                                   Expected{Sent::Block1TwiceThenStop, Ends::StoppedSilently}};

const FaultRow kRows[] = {
    {"NoFault", {}, false, 0ms, kAllWhole},
    {"DirectionTwo", With([](sim::Faults& f) { f.directionTwo = true; }), false, 0ms, kAllWhole},
    {"SlowWatch", {}, false, 3ms, kAllWhole},
    {"BadCrcOnBlock1Once", With([](sim::Faults& f) { f.badCrcOnBlock = 1; }), false, 0ms, kBlockRetried},
    {"BadCrcOnBlock1Always", With([](sim::Faults& f) { f.badCrcOnBlock = 1, f.badCrcAlways = true; }), false, 0ms,
     kBlockFailsTwice},
    {"WrongArgumentOnBlock1Once", With([](sim::Faults& f) { f.wrongArgumentOnBlock = 1; }), false, 0ms,
     kBlockRetried},
    {"WrongArgumentOnBlock1Always",
     With([](sim::Faults& f) { f.wrongArgumentOnBlock = 1, f.wrongArgumentAlways = true; }), false, 0ms,
     kBlockFailsTwice},
    // Every reply refused: the version query, the session count, the opening exchanges.
    {"CrcLowByteFirst", With([](sim::Faults& f) { f.crcLowByteFirst = true; }), false, 0ms, kAllRefused},
    {"WrongCommandEcho", With([](sim::Faults& f) { f.wrongCommandEcho = true; }), false, 0ms, kAllRefused},
    {"ShortReply", With([](sim::Faults& f) { f.shortReply = true; }), false, 0ms, kAllRefused},
    {"LateOnce", With([](sim::Faults& f) { f.delayPastTimeoutOnce = true, f.lateBy = 4 * kTimeLimit; }), false, 0ms,
     kAllRefused},
    {"LateOnceWithinTheLimit", With([](sim::Faults& f) { f.delayPastTimeoutOnce = true, f.lateBy = kTimeLimit / 4; }),
     false, 0ms, kAllWhole},
    // Block 2 finds the watch going away; the import's second session finds it gone.
    {"UnpluggedAfterBlock1", With([](sim::Faults& f) { f.unplugAfterBlock = 1; }), false, 0ms,
     {kWhole, Expected{Sent::UpToBlock1, Ends::Unplugged}, Expected{Sent::UpToBlock1, Ends::Unplugged},
      Expected{Sent::UpToBlock1, Ends::Unplugged}}},
    // Faults of the connection: no page starts an operation without one.
    {"IdentityUnanswered", With([](sim::Faults& f) { f.silentIdentity = true; }), true, 0ms,
     {Expected{Sent::IdentityOnly, Ends::NotConnected}, Expected{Sent::IdentityOnly, Ends::NotConnected},
      Expected{Sent::IdentityOnly, Ends::NotConnected}, Expected{Sent::IdentityOnly, Ends::NotConnected}}},
    // Identity is asked only while connecting: once connected, the fault changes nothing.
    {"IdentityUnansweredAfterConnecting", With([](sim::Faults& f) { f.silentIdentity = true; }), false, 0ms,
     kAllWhole},
    {"OpenRefused", With([](sim::Faults& f) { f.refuseOpen = true; }), true, 0ms,
     {Expected{Sent::Nothing, Ends::NotConnected}, Expected{Sent::Nothing, Ends::NotConnected},
      Expected{Sent::Nothing, Ends::NotConnected}, Expected{Sent::Nothing, Ends::NotConnected}}},
};

void PrintTo(const FaultRow& row, std::ostream* out) { *out << row.name; }

struct Step {
    uint8_t command;
    uint8_t phase;
    uint32_t argument;
    uint32_t firstWord; // compared for openings only

    bool operator==(const Step& other) const
    {
        return command == other.command && phase == other.phase && argument == other.argument &&
               (phase == 0 || firstWord == other.firstWord);
    }
};

std::ostream& operator<<(std::ostream& out, const Step& step)
{
    return out << int(step.command) << (step.phase == 1 ? "/open " : "/") << step.argument
               << (step.phase == 1 ? " (" + std::to_string(step.firstWord) + ")" : "");
}

// One transfer as `sent` describes it: its opening, then its blocks.
void AppendTransfer(std::vector<Step>& steps, uint8_t command, uint32_t argument, uint32_t firstWord, uint32_t blocks,
                    Sent sent)
{
    steps.push_back({command, 1, argument, firstWord});
    std::vector<uint32_t> numbers;
    for (uint32_t k = 0; k < blocks; ++k)
        numbers.push_back(k);
    switch (sent) {
    case Sent::Block1Twice:
        numbers.insert(numbers.begin() + 1, 1);
        break;
    case Sent::Block1TwiceThenStop:
        numbers = {0, 1, 1};
        break;
    case Sent::UpToBlock1:
        numbers = {0, 1};
        break;
    default:
        break;
    }
    for (uint32_t k : numbers)
        steps.push_back({command, 0, k, 0});
}

std::vector<Step> ExpectedSteps(Operation operation, Sent sent, const OperationInputs& inputs)
{
    if (sent == Sent::Nothing)
        return {};
    if (sent == Sent::IdentityOnly)
        return {{Command::Identity, 0, 0, 0}};
    std::vector<Step> steps;
    switch (operation) {
    case Operation::Version:
        return {{Command::Version, 0, 0, 0}};
    case Operation::ImportPlay:
        steps.push_back({Command::SessionCount, 1, 0, 0});
        if (sent == Sent::OpeningOnly)
            break;
        for (uint32_t i = 0; i < inputs.sessions.size(); ++i) {
            AppendTransfer(steps, Command::Session, i, 0, inputs.SessionBlocks(i), sent);
            if (sent == Sent::UpToBlock1)
                break; // the next session's opening finds the link closed
        }
        break;
    case Operation::UpdateCourse:
        if (sent == Sent::OpeningOnly)
            return {{Command::Course, 1, 0, static_cast<uint32_t>(inputs.courseImage.size())}};
        AppendTransfer(steps, Command::Course, 0, static_cast<uint32_t>(inputs.courseImage.size()),
                       inputs.CourseBlocks(), sent);
        break;
    case Operation::UpdateFirmware:
        if (sent == Sent::OpeningOnly)
            return {{Command::Firmware, 1, 0, static_cast<uint32_t>(inputs.firmware.size())}};
        AppendTransfer(steps, Command::Firmware, 0, static_cast<uint32_t>(inputs.firmware.size()),
                       inputs.FirmwareBlocks(), sent);
        break;
    }
    return steps;
}

std::vector<Step> StepsOf(const std::vector<sim::SimulatedWatch::Request>& requests)
{
    std::vector<Step> steps;
    for (const auto& request : requests)
        steps.push_back({request.command, request.phase, request.argument, request.firstWord});
    return steps;
}

bool HasText(const RecordingHost& host, const std::string& text)
{
    const auto events = host.events();
    return std::any_of(events.begin(), events.end(),
                       [&](const HostEvent& event) { return event.kind == HostEvent::Text && event.text == text; });
}

class FaultMatrix : public testing::TestWithParam<std::tuple<FaultRow, Operation>> {};

TEST_P(FaultMatrix, OutcomeAsPrescribed)
{
    const auto& [row, operation] = GetParam();
    const Expected expected = row.expected[static_cast<size_t>(operation)];
    const OperationInputs& inputs = OperationInputs::For(kModelBandA);

    sim::WatchOptions options;
    options.replyDelay = row.replyDelay;
    if (row.atPlug)
        options.faults = row.faults;
    WatchRig rig(inputs, options, kTimeLimit);
    rig.HandleRemovals();

    const bool connected = rig.ConnectOnce();
    if (expected.ends == Ends::NotConnected) {
        EXPECT_FALSE(connected);
        EXPECT_EQ(g_bDeviceConnected, 0);
        EXPECT_EQ(StepsOf(rig.watch().requests()), ExpectedSteps(operation, expected.sent, inputs));
        return;
    }
    ASSERT_TRUE(connected);
    rig.watch().ClearRequests();
    if (!row.atPlug)
        rig.watch().SetFaults(row.faults);

    PageHost host;
    const OperationRun run = rig.Run(operation, host);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(StepsOf(rig.watch().requests()), ExpectedSteps(operation, expected.sent, inputs));

    // The lock: given back on every path, and taken only by a worker that ran.
    EXPECT_EQ(host.locks(), host.unlocks());
    EXPECT_FALSE(host.locked());
    EXPECT_EQ(g_bTransferBusy, 0);
    EXPECT_EQ(host.locks(), run.workerRan ? 1 : 0);

    const std::vector<HostEvent> messages = host.messages();
    const bool completionShown = HasText(host, kTextCompleted);
    switch (operation) {
    case Operation::Version:
        EXPECT_TRUE(host.events().empty()); // the page shows the text, or nothing
        if (expected.ends == Ends::Completed)
            EXPECT_EQ(run.versionText, inputs.versionText);
        else
            EXPECT_FALSE(run.versionText.has_value());
        break;
    case Operation::ImportPlay:
        if (expected.ends == Ends::StoppedSilently) {
            EXPECT_FALSE(run.sessionCount.has_value());
            EXPECT_FALSE(run.workerRan);
            EXPECT_FALSE(run.csv.has_value()) << "no file without a session count";
            EXPECT_TRUE(host.events().empty());
            break;
        }
        ASSERT_EQ(run.sessionCount, inputs.sessions.size());
        EXPECT_TRUE(run.result.completed);
        EXPECT_TRUE(completionShown); // also when every session was left out
        EXPECT_EQ(run.csv, expected.ends == Ends::Completed ? inputs.wholeCsv : inputs.headOnlyCsv);
        if (expected.ends == Ends::Unplugged) {
            EXPECT_LE(messages.size(), 1u);
            for (const HostEvent& message : messages)
                EXPECT_EQ(message.text, kTextDeviceRemoved);
        } else {
            EXPECT_TRUE(messages.empty());
        }
        break;
    case Operation::UpdateCourse:
    case Operation::UpdateFirmware: {
        const std::vector<uint8_t> received = operation == Operation::UpdateCourse ? rig.watch().ReceivedCourse()
                                                                                   : rig.watch().ReceivedFirmware();
        const std::vector<uint8_t>& whole =
            operation == Operation::UpdateCourse ? inputs.courseImage : inputs.firmware;
        if (expected.ends == Ends::Completed) {
            EXPECT_TRUE(run.result.completed);
            EXPECT_TRUE(completionShown);
            EXPECT_EQ(host.positions().back(), 100);
            EXPECT_TRUE(messages.empty());
            EXPECT_EQ(received, whole);
            break;
        }
        EXPECT_FALSE(run.result.completed);
        EXPECT_FALSE(completionShown);
        EXPECT_TRUE(received.empty()) << "nothing complete reached the watch";
        if (expected.ends == Ends::Unplugged) {
            EXPECT_LE(messages.size(), 1u);
            for (const HostEvent& message : messages)
                EXPECT_EQ(message.text, kTextDeviceRemoved);
            if (messages.empty()) {
                EXPECT_FALSE(run.result.reason.empty());
            }
        } else {
            EXPECT_TRUE(messages.empty());
            EXPECT_FALSE(run.result.reason.empty()) << "a silent stop still tells the CLI why";
        }
        break;
    }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultMatrix,
    testing::Combine(testing::ValuesIn(kRows), testing::Values(Operation::Version, Operation::ImportPlay,
                                                               Operation::UpdateCourse, Operation::UpdateFirmware)),
    [](const testing::TestParamInfo<FaultMatrix::ParamType>& info) {
        return std::string(std::get<0>(info.param).name) + "_" + OperationName(std::get<1>(info.param));
    });

} // namespace
