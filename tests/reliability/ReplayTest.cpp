// Recorded transcripts (fixtures/record.sh) replayed by teedesk-watchsim --replay against the
// same teedesk-cli command: the host must send exactly what it sent when it was recorded, and
// come to the same result from the same answers.

#include "TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace teedesk::test;
using namespace std::chrono_literals;

namespace {

const std::string kFixtures = RELIABILITY_FIXTURES;

std::string Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class Program {
public:
    Program(std::vector<std::string> arguments, const std::string& folder, const std::string& out,
            const std::string& err)
    {
        pid_ = fork();
        if (pid_ != 0)
            return;
        if (chdir(folder.c_str()) != 0)
            _exit(127);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        std::vector<char*> argv;
        for (std::string& argument : arguments)
            argv.push_back(argument.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ~Program()
    {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    // The exit status, or nothing when it is still running after `limit` (it is stopped then).
    std::optional<int> Wait(std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!status_) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (std::chrono::steady_clock::now() >= deadline)
                return std::nullopt;
            std::this_thread::sleep_for(10ms);
        }
        return status_;
    }

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct ReplayCase {
    const char* name; // the fixture's name: NAME.jsonl, NAME.stdout
    std::vector<std::string> command;
};

void PrintTo(const ReplayCase& replay, std::ostream* out) { *out << replay.name; }

const ReplayCase kCases[] = {
    {"version", {"version"}},
    {"import-play", {"import-play", "play.csv"}},
    {"update-course", {"update-course", kFixtures + "/course-bandA.dat"}},
    {"update-firmware", {"update-firmware", kFixtures + "/firmware-bandA.bin"}},
};

struct Outcome {
    std::optional<int> cli, replay;
    std::string cliOut, replayErr;
};

// teedesk-watchsim on a bus of its own with `watch`, and teedesk-cli against it running `command`
// after the global options `global`. A replaying watch ends by itself; any other is stopped.
Outcome Serve(const std::vector<std::string>& watch, const std::vector<std::string>& global,
              const std::vector<std::string>& command, const TempDir& work)
{
    TempDir bus;
    std::vector<std::string> simulator{TEEDESK_WATCHSIM, "--bus", bus.path()};
    simulator.insert(simulator.end(), watch.begin(), watch.end());
    Program replay(simulator, work.path(), work.File("replay.out"), work.File("replay.err"));
    // The interface is there once its socket file is.
    for (int wait = 0; wait < 500; ++wait) {
        bool present = false;
        for (const auto& entry : std::filesystem::directory_iterator(bus.path()))
            present = present || entry.path().extension() == ".hid";
        if (present)
            break;
        std::this_thread::sleep_for(10ms);
    }
    std::vector<std::string> arguments{TEEDESK_CLI, "--hid-dir", bus.path(), "--wait", "20"};
    arguments.insert(arguments.end(), global.begin(), global.end());
    arguments.insert(arguments.end(), command.begin(), command.end());
    Program cli(arguments, work.path(), work.File("cli.out"), work.File("cli.err"));

    Outcome outcome;
    outcome.cli = cli.Wait(120s);
    if (watch.front() == "--replay")
        outcome.replay = replay.Wait(20s);
    outcome.cliOut = Contents(work.File("cli.out"));
    outcome.replayErr = Contents(work.File("replay.err"));
    return outcome;
}

Outcome Replay(const std::string& transcript, const std::vector<std::string>& command, const TempDir& work)
{
    return Serve({"--replay", transcript}, {}, command, work);
}

class RecordedTranscript : public testing::TestWithParam<ReplayCase> {};

TEST_P(RecordedTranscript, ReplaysRequestForRequest)
{
    const ReplayCase& replay = GetParam();
    TempDir work;
    const Outcome outcome = Replay(kFixtures + "/" + replay.name + ".jsonl", replay.command, work);
    EXPECT_EQ(outcome.cli, 0) << Contents(work.File("cli.err"));
    EXPECT_EQ(outcome.replay, 0) << outcome.replayErr;
    EXPECT_EQ(outcome.cliOut, Contents(kFixtures + "/" + replay.name + ".stdout"));
    if (std::string(replay.name) == "import-play") {
        EXPECT_EQ(Contents(work.File("play.csv")), Contents(kFixtures + "/import-play.csv"));
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, RecordedTranscript, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<ReplayCase>& info) {
                             std::string name = info.param.name;
                             std::erase(name, '-');
                             return name;
                         });

// A host that stops early (here the checks refuse a changed file before anything is sent) leaves
// the recording unfinished: the replay says how far it got.
TEST(RecordedTranscript, ReportsAHostThatLeavesEarly)
{
    TempDir work;
    std::string firmware = Contents(kFixtures + "/firmware-bandA.bin");
    firmware[300] ^= 0x01;
    std::ofstream(work.File("changed.bin"), std::ios::binary) << firmware;

    const Outcome refused = Replay(kFixtures + "/update-firmware.jsonl", {"update-firmware", work.File("changed.bin")},
                                   work);
    EXPECT_EQ(refused.cli, 1) << Contents(work.File("cli.err"));
    EXPECT_EQ(refused.replay, 1);
    EXPECT_NE(refused.replayErr.find("host closed the interface after 1 of 5"), std::string::npos)
        << refused.replayErr;
}

TEST(RecordedTranscript, ReportsWhereARequestDiffers)
{
    // The firmware transcript against a course command: the opening request carries command 3.
    TempDir work;
    const Outcome differs =
        Replay(kFixtures + "/update-firmware.jsonl", {"update-course", kFixtures + "/course-bandA.dat"}, work);
    EXPECT_EQ(differs.cli, 1) << Contents(work.File("cli.err"));
    EXPECT_EQ(differs.replay, 1);
    EXPECT_NE(differs.replayErr.find("request 1 (line 4) differs from the recording at byte 3 of 269"),
              std::string::npos)
        << differs.replayErr;
    EXPECT_NE(differs.replayErr.find("from byte 0, recorded: 00 23 01 02 01"), std::string::npos) << differs.replayErr;
}

// A removal in the recording: the replaying watch is pulled out where the recorded one was, and
// the host ends the same way.
TEST(RecordedTranscript, ReplaysAnUnplug)
{
    TempDir work;
    const std::vector<std::string> update{"update-firmware", kFixtures + "/firmware-bandA.bin"};
    const Outcome recorded =
        Serve({"--watch", "bandA", "--unplug-after-block", "1"}, {"--record", work.File("unplug.jsonl")}, update, work);
    ASSERT_EQ(recorded.cli, 1);
    ASSERT_NE(Contents(work.File("unplug.jsonl")).find("\"event\":\"removed\""), std::string::npos);

    const Outcome replayed = Replay(work.File("unplug.jsonl"), update, work);
    EXPECT_EQ(replayed.cli, 1) << Contents(work.File("cli.err"));
    EXPECT_EQ(replayed.replay, 0) << replayed.replayErr;
}

} // namespace
