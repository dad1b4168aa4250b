// teedesk-watchsim: simulated watches on a virtual HID bus, for the desktop program, the CLI and
// scripts to meet without hardware. Runs until SIGINT or SIGTERM, then removes its sockets.

#include "DeviceModel.h"
#include "ReplayWatch.h"
#include "SimulatedWatch.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <pthread.h>

using namespace teedesk;
using namespace teedesk::sim;

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Served {
    uint16_t modelIndex;
    std::string socketName;
};

// MODEL[:NAME]; NAME gets ".hid" when it lacks it, as the bus ignores other names.
std::optional<Served> ParseWatch(const std::string& text, std::string& error)
{
    const size_t colon = text.find(':');
    const std::optional<uint16_t> model = ParseModel(text.substr(0, colon));
    if (!model) {
        error = "unknown model in --watch " + text + " (pin, bandF, bandA, 0, 1, 2)";
        return std::nullopt;
    }
    std::string name = colon == std::string::npos ? DefaultSocketName(*model) : text.substr(colon + 1);
    if (name.empty() || name.find('/') != std::string::npos) {
        error = "bad socket name in --watch " + text;
        return std::nullopt;
    }
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".hid") != 0)
        name += ".hid";
    return Served{*model, name};
}

// MAJOR.MINOR[.THIRD], each 0 to 255.
bool ParseVersion(const std::string& text, uint8_t& major, uint8_t& minor, uint8_t& third)
{
    unsigned a = 0, b = 0, c = 0;
    char extra = 0;
    const int fields = std::sscanf(text.c_str(), "%u.%u.%u%c", &a, &b, &c, &extra);
    if ((fields != 2 && fields != 3) || a > 255 || b > 255 || c > 255)
        return false;
    major = static_cast<uint8_t>(a);
    minor = static_cast<uint8_t>(b);
    third = fields == 3 ? static_cast<uint8_t>(c) : 0;
    return true;
}

std::optional<std::vector<uint8_t>> ReadSessionFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad())
        return std::nullopt;
    return bytes;
}

sigset_t BlockStopSignals()
{
    // The watches' threads inherit this mask, so only the main thread's wait sees the signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    return stopSignals;
}

// --replay: one interface answering from the transcript until it ends, differs or is stopped.
int RunReplay(const CLI::App& app, const std::string& replayPath, const std::string& bus,
              const std::vector<std::string>& watchTexts)
{
    for (const char* option : {"--store", "--delay", "--sessions", "--seed", "--session-file", "--firmware-version",
                               "--bluetooth-version", "--direction-two", "--bad-crc-on-block", "--crc-low-byte-first",
                               "--wrong-command-echo", "--wrong-argument-on-block", "--short-reply", "--late-once",
                               "--silent-identity", "--unplug-after-block", "--refuse-open"})
        if (app.count(option) != 0) {
            std::fprintf(stderr, "%s does not apply to --replay: the transcript gives every answer\n", option);
            return kExitUsage;
        }
    if (watchTexts.size() > 1) {
        std::fprintf(stderr, "--replay serves one watch: give --watch once\n");
        return kExitUsage;
    }

    std::ifstream in(replayPath);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", replayPath.c_str());
        return kExitFailed;
    }
    std::string error;
    std::optional<Transcript> transcript = Transcript::Parse(in, error);
    if (!transcript) {
        std::fprintf(stderr, "%s: %s\n", replayPath.c_str(), error.c_str());
        return kExitFailed;
    }

    // The model: as told, else from the recorded identity reply, else from the opened socket's name.
    std::optional<Served> served;
    if (!watchTexts.empty()) {
        served = ParseWatch(watchTexts.front(), error);
        if (!served) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return kExitUsage;
        }
        const std::string opened = transcript->FirstOpenedName();
        if (watchTexts.front().find(':') == std::string::npos && opened.size() > 4 && opened.ends_with(".hid"))
            served->socketName = opened; // where the host found it, so a --device filter still fits
    } else {
        const std::string opened = transcript->FirstOpenedName();
        std::optional<uint16_t> model = transcript->IdentityModel();
        for (uint16_t index = 0; !model && index < kModelCount; ++index)
            if (opened == DefaultSocketName(index))
                model = index;
        if (!model) {
            std::fprintf(stderr, "%s does not tell the model (no identity reply): give --watch MODEL\n",
                         replayPath.c_str());
            return kExitUsage;
        }
        served = Served{*model, opened.size() > 4 && opened.ends_with(".hid") ? opened : DefaultSocketName(*model)};
    }

    std::error_code fsError;
    std::filesystem::create_directories(bus, fsError);
    const std::filesystem::path busPath = std::filesystem::absolute(bus, fsError).lexically_normal();
    if (!std::filesystem::is_directory(busPath)) {
        std::fprintf(stderr, "cannot use %s as the bus folder\n", bus.c_str());
        return kExitFailed;
    }

    const sigset_t stopSignals = BlockStopSignals();
    const size_t exchanges = transcript->exchangeCount();
    ReplayWatch watch((busPath / served->socketName).string(), served->modelIndex, std::move(*transcript));
    if (!watch.Plug()) {
        std::fprintf(stderr, "cannot create the socket %s\n", watch.path().c_str());
        return kExitFailed;
    }
    std::printf("%s\t%s\treplaying %zu exchanges\n", std::string(ModelName(served->modelIndex)).c_str(),
                watch.path().c_str(), exchanges);
    std::fflush(stdout);

    const timespec tick{0, 50 * 1000 * 1000};
    ReplayWatch::State state = ReplayWatch::State::Replaying;
    while (state == ReplayWatch::State::Replaying) {
        if (sigtimedwait(&stopSignals, nullptr, &tick) >= 0) {
            std::fprintf(stderr, "replay stopped: %s\n", watch.report().c_str());
            return kExitFailed;
        }
        state = watch.Wait(std::chrono::milliseconds(0));
    }
    if (state != ReplayWatch::State::Finished) {
        std::fprintf(stderr, "replay %s: %s\n", ReplayStateName(state), watch.report().c_str());
        return kExitFailed;
    }
    std::fprintf(stderr, "replay finished: %s\n", watch.report().c_str());
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"teedesk-watchsim: simulated LINKORA watches on a virtual HID bus. Runs until interrupted "
                 "(SIGINT or SIGTERM), then removes its sockets."};

    std::string bus;
    std::vector<std::string> watchTexts;
    std::string store;
    int delayMs = 0;
    int sessionCount = 3;
    uint32_t seed = 1;
    std::vector<std::string> sessionFiles;
    std::string firmwareVersion = "1.5.0";
    std::string bluetoothVersion = "2.1.3";
    Faults faults;
    int lateByMs = 1500;
    uint32_t badCrcBlock = 0, wrongArgumentBlock = 0, unplugBlock = 0;

    app.add_option("--bus", bus, "the bus folder (created when missing)")->type_name("DIR")->required();
    app.add_option("--watch", watchTexts,
                   "serve a watch of MODEL (pin, bandF, bandA or 0, 1, 2) as socket NAME in the bus (.hid added when "
                   "missing; default watch-MODEL.hid); "
                   "repeat for several")
        ->type_name("MODEL[:NAME]");
    app.add_option("--store", store,
                   "save complete firmware and course transfers as firmware.bin and course.bin in DIR "
                   "(in DIR/NAME/ with several watches); default: kept in memory only")
        ->type_name("DIR");
    app.add_option("--delay", delayMs, "answer each request after MS milliseconds (default 0)")
        ->type_name("MS")
        ->check(CLI::Range(0, 60000));
    auto* sessionsOption =
        app.add_option("--sessions", sessionCount, "hold N generated rounds (default 3)")->type_name("N")->check(
            CLI::Range(0, 1000));
    auto* seedOption = app.add_option("--seed", seed, "seed of the generated rounds (default 1)")->type_name("S");
    app.add_option("--session-file", sessionFiles,
                   "hold the session whose bytes are in FILE, as the watch sends them, in place of generated "
                   "rounds; repeat for several, in order")
        ->type_name("FILE")
        ->excludes(sessionsOption)
        ->excludes(seedOption);
    app.add_option("--firmware-version", firmwareVersion,
                   "firmware version the version command reports (default 1.5.0)")
        ->type_name("MAJOR.MINOR[.THIRD]");
    app.add_option("--bluetooth-version", bluetoothVersion,
                   "Bluetooth version the version command reports (default 2.1.3)")
        ->type_name("MAJOR.MINOR[.THIRD]");

    app.add_flag("--direction-two", faults.directionTwo, "fault: every reply carries direction 2 (still valid)");
    auto* badCrc = app.add_option("--bad-crc-on-block", badCrcBlock,
                                  "fault: the first reply to block K of each transfer has a wrong CRC")
                       ->type_name("K");
    app.add_flag("--bad-crc-always", faults.badCrcAlways, "fault: with --bad-crc-on-block, on every attempt")
        ->needs(badCrc);
    app.add_flag("--crc-low-byte-first", faults.crcLowByteFirst, "fault: every reply's CRC stored low byte first");
    app.add_flag("--wrong-command-echo", faults.wrongCommandEcho, "fault: every reply echoes another command code");
    auto* wrongArgument = app.add_option("--wrong-argument-on-block", wrongArgumentBlock,
                                         "fault: the first reply to block K of each transfer echoes K + 1")
                              ->type_name("K");
    app.add_flag("--wrong-argument-always", faults.wrongArgumentAlways,
                 "fault: with --wrong-argument-on-block, on every attempt")
        ->needs(wrongArgument);
    app.add_flag("--short-reply", faults.shortReply, "fault: every reply is a 268-byte datagram");
    auto* lateOnce = app.add_flag("--late-once", faults.delayPastTimeoutOnce,
                                  "fault: the first reply comes --late-by milliseconds late");
    app.add_option("--late-by", lateByMs, "how late --late-once answers (default 1500)")
        ->type_name("MS")
        ->check(CLI::Range(0, 60000))
        ->needs(lateOnce);
    app.add_flag("--silent-identity", faults.silentIdentity, "fault: no answer to the identity command (200)");
    auto* unplug = app.add_option("--unplug-after-block", unplugBlock,
                                  "fault: unplugged right after answering block K of the first transfer that "
                                  "reaches it; the socket is removed and stays away")
                       ->type_name("K");
    app.add_flag("--refuse-open", faults.refuseOpen, "fault: refuse every open, as when held by another program");

    std::string replayPath;
    auto* replayOption =
        app.add_option("--replay", replayPath,
                       "answer a host from a transcript recorded with teedesk-cli --record, request by request, "
                       "and end at its end (0) or at the first request that differs from the recorded one (1); "
                       "the model comes from --watch or from the recorded identity reply")
            ->type_name("FILE");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return status == 0 ? kExitOk : kExitUsage;
    }

    if (*replayOption)
        return RunReplay(app, replayPath, bus, watchTexts);
    if (watchTexts.empty()) {
        std::fprintf(stderr, "--watch is required (or --replay FILE)\n");
        return kExitUsage;
    }

    if (*badCrc)
        faults.badCrcOnBlock = badCrcBlock;
    if (*wrongArgument)
        faults.wrongArgumentOnBlock = wrongArgumentBlock;
    if (*unplug)
        faults.unplugAfterBlock = unplugBlock;
    faults.lateBy = std::chrono::milliseconds(lateByMs);

    WatchOptions common;
    common.replyDelay = std::chrono::milliseconds(delayMs);
    common.faults = faults;
    if (!ParseVersion(firmwareVersion, common.firmwareMajor, common.firmwareMinor, common.firmwareThird) ||
        !ParseVersion(bluetoothVersion, common.bluetoothMajor, common.bluetoothMinor, common.bluetoothThird)) {
        std::fprintf(stderr, "a version is written MAJOR.MINOR or MAJOR.MINOR.THIRD, each 0 to 255\n");
        return kExitUsage;
    }
    for (const std::string& path : sessionFiles) {
        std::optional<std::vector<uint8_t>> bytes = ReadSessionFile(path);
        if (!bytes) {
            std::fprintf(stderr, "cannot read session file %s\n", path.c_str());
            return kExitFailed;
        }
        common.sessions.push_back(std::move(*bytes));
    }

    std::vector<Served> served;
    for (const std::string& text : watchTexts) {
        std::string error;
        std::optional<Served> watch = ParseWatch(text, error);
        if (!watch) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return kExitUsage;
        }
        for (const Served& other : served)
            if (other.socketName == watch->socketName) {
                std::fprintf(stderr, "two watches named %s; give one a NAME\n", watch->socketName.c_str());
                return kExitUsage;
            }
        served.push_back(*watch);
    }

    std::error_code fsError;
    std::filesystem::create_directories(bus, fsError);
    const std::filesystem::path busPath = std::filesystem::absolute(bus, fsError).lexically_normal();
    if (!std::filesystem::is_directory(busPath)) {
        std::fprintf(stderr, "cannot use %s as the bus folder\n", bus.c_str());
        return kExitFailed;
    }

    const sigset_t stopSignals = BlockStopSignals();

    std::vector<std::unique_ptr<SimulatedWatch>> watches;
    for (const Served& entry : served) {
        WatchOptions options = common;
        options.modelIndex = entry.modelIndex;
        if (common.sessions.empty() && sessionFiles.empty())
            options.sessions = GenerateSessions(seed, sessionCount, entry.modelIndex);
        if (!store.empty()) {
            std::filesystem::path folder = store;
            if (served.size() > 1)
                folder /= entry.socketName.substr(0, entry.socketName.size() - 4);
            std::filesystem::create_directories(folder, fsError);
            if (!std::filesystem::is_directory(folder)) {
                std::fprintf(stderr, "cannot use %s as the store folder\n", folder.c_str());
                return kExitFailed;
            }
            options.storeDirectory = folder.string();
        }
        const size_t sessions = options.sessions.size();
        auto watch = std::make_unique<SimulatedWatch>((busPath / entry.socketName).string(), std::move(options));
        if (!watch->Plug()) {
            std::fprintf(stderr, "cannot create the socket %s\n", watch->path().c_str());
            return kExitFailed;
        }
        std::printf("%s\t%s\t%zu sessions\n", std::string(ModelName(entry.modelIndex)).c_str(), watch->path().c_str(),
                    sessions);
        watches.push_back(std::move(watch));
    }
    std::fflush(stdout);

    int signal = 0;
    while (sigwait(&stopSignals, &signal) != 0) {
    }
    watches.clear(); // unplugs: the sockets are removed
    return kExitOk;
}
