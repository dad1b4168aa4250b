// Firmware figures: writing a 256 KiB file (1,024 blocks) to the simulated watch with a 10 ms
// reply delay, against the floor that the delay alone sets for the blocks.

#include "DeviceLink.h"
#include "FirmwareMaker.h"
#include "PrivateBus.h"
#include "QuietHost.h"
#include "VhidBackend.h"
#include "WriteFirmware.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <sys/prctl.h>
#include <vector>

using namespace teedesk;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kReplyDelay = std::chrono::milliseconds(10);
constexpr size_t kFileSize = 256 * 1024;
constexpr uint32_t kBlocks = kFileSize / kBlockSize;
constexpr double kGoalRatio = 1.005;

using bench::QuietHost;

struct WriteFigures {
    double seconds = 0;
    bool ok = false;
};

WriteFigures Write(std::chrono::milliseconds replyDelay)
{
    WriteFigures figures;
    sim::WatchOptions options;
    options.modelIndex = kModelBandA;
    options.replyDelay = replyDelay;
    sim::PrivateBus bus(options);
    if (!bus.ok())
        return figures;

    tools::FirmwareRecipe recipe;
    recipe.modelIndex = kModelBandA;
    recipe.bodySize = kFileSize - kNamedTrailerSize;
    const std::vector<uint8_t> file = tools::MakeFirmware(recipe).bytes;
    const std::string path = bus.directory() + "/firmware.bin";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));

    VhidBackend backend(bus.directory());
    DeviceLink link(backend);
    if (link.Discover() && link.Identify()) {
        QuietHost host;
        const auto start = Clock::now();
        const TransferResult result = WriteFirmware(link, path, host);
        figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
        figures.ok = result.completed && bus.watch().ReceivedFirmware() == file;
        if (!result.completed)
            std::fprintf(stderr, "%s\n", result.reason.c_str());
    }
    link.Close();
    return figures;
}

// The same number of bare timed waits as the simulator makes, for telling the host's share
// from the wake-up latency of the machine.
double BareSleeps(uint32_t count)
{
    std::mutex mutex;
    std::condition_variable condition;
    std::unique_lock lock(mutex);
    const auto start = Clock::now();
    for (uint32_t i = 0; i < count; ++i)
        condition.wait_for(lock, kReplyDelay, [] { return false; });
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    const bool figuresOnly = argc > 1 && std::strcmp(argv[1], "--figures") == 0;
    if (argc > 1 && !figuresOnly) {
        std::fprintf(stderr, "usage: %s [--figures]\n", argv[0]);
        return 2;
    }

    // The simulator's reply delay is a timed sleep; the default 50 us timer slack would be added
    // to each of the 1,025 sleeps and measured as if it were the link's. Threads inherit this.
    prctl(PR_SET_TIMERSLACK, 1UL);

    const WriteFigures delayed = Write(kReplyDelay);
    // The same write with instant replies: what the bus, the link and the writer cost alone.
    const WriteFigures instant = Write(std::chrono::milliseconds(0));
    if (!delayed.ok || !instant.ok) {
        std::fprintf(stderr, "firmware write to the simulated watch failed\n");
        return 1;
    }
    const double floor = kBlocks * std::chrono::duration<double>(kReplyDelay).count();
    const double ratio = delayed.seconds / floor;
    if (!figuresOnly) {
        std::printf("# %u blocks and the opening exchange, %.3f s (%.3f s without the delay)\n", kBlocks,
                    delayed.seconds, instant.seconds);
        std::printf("# %u bare %lld ms waits on this machine: %.3f s\n", kBlocks + 1,
                    static_cast<long long>(kReplyDelay.count()), BareSleeps(kBlocks + 1));
    }
    std::printf("figure: firmware_write_time %.3f s (goal <= %.3f x floor)\n", delayed.seconds, kGoalRatio);
    std::printf("figure: firmware_write_floor %.3f s (goal %u x %lld ms)\n", floor, kBlocks,
                static_cast<long long>(kReplyDelay.count()));
    std::printf("figure: firmware_write_ratio %.4f x (goal <= %.3f x)\n", ratio, kGoalRatio);
    return 0;
}
