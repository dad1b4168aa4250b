// Play data figures: CSV writing throughput over generated rounds, and the import of about
// 1,000 blocks from the simulated watch with a 10 ms reply delay against the floor that the
// delay alone sets.

#include "ConnectionState.h"
#include "CsvFile.h"
#include "CsvSections.h"
#include "CsvWriter.h"
#include "PlayDataDownload.h"
#include "QuietHost.h"
#include "SimulatedWatch.h"
#include "VhidBackend.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace teedesk;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kReplyDelay = std::chrono::milliseconds(10);
constexpr uint32_t kImportBlocks = 1000;
constexpr auto kThroughputRun = std::chrono::milliseconds(1500);

using bench::QuietHost;

uint32_t Blocks(size_t bytes) { return static_cast<uint32_t>((bytes + kBlockSize - 1) / kBlockSize); }

// Megabytes of session bytes turned into CSV per second, written through the file to /dev/null.
double CsvThroughput(uint16_t model)
{
    const std::vector<std::vector<uint8_t>> rounds = sim::GenerateSessions(11, 8, model);
    size_t roundBytes = 0;
    for (const auto& round : rounds)
        roundBytes += round.size();

    double best = 0;
    for (int run = 0; run < 3; ++run) {
        size_t bytes = 0;
        const auto start = Clock::now();
        auto elapsed = Clock::duration::zero();
        while (elapsed < kThroughputRun / 3) {
            auto file = CsvFile::Create("/dev/null");
            if (!file)
                return 0;
            CsvWriter writer(*file, model);
            WriteFileStart(writer);
            for (size_t k = 0; k < rounds.size(); ++k)
                WriteSession(writer, static_cast<uint32_t>(k), rounds[k]);
            file->Close();
            bytes += roundBytes;
            elapsed = Clock::now() - start;
        }
        best = std::max(best, bytes / std::chrono::duration<double>(elapsed).count() / 1e6);
    }
    return best;
}

struct ImportFigures {
    uint32_t blocks = 0;
    uint32_t sessions = 0;
    double seconds = 0;
    bool ok = false;
};

ImportFigures Import(std::chrono::milliseconds replyDelay)
{
    ImportFigures figures;
    char busTemplate[] = "/tmp/teedesk-bench-XXXXXX";
    if (!mkdtemp(busTemplate))
        return figures;
    const std::string bus = busTemplate;

    sim::WatchOptions options;
    options.modelIndex = kModelBandA;
    options.replyDelay = replyDelay;
    // Generated rounds until they hold about 1,000 blocks; the last one is cut to fit.
    for (uint32_t seed = 1; figures.blocks < kImportBlocks; ++seed) {
        std::vector<uint8_t> round = sim::GenerateSessions(seed, 1, kModelBandA).front();
        const uint32_t room = kImportBlocks - figures.blocks;
        if (Blocks(round.size()) > room)
            round.resize(size_t{room} * kBlockSize);
        figures.blocks += Blocks(round.size());
        options.sessions.push_back(std::move(round));
    }
    figures.sessions = static_cast<uint32_t>(options.sessions.size());

    {
        sim::SimulatedWatch watch(bus + "/" + sim::DefaultSocketName(kModelBandA), options);
        VhidBackend backend(bus);
        DeviceLink link(backend);
        if (watch.Plug() && link.Discover() && link.Identify()) {
            g_bDeviceConnected = 1;
            const std::optional<uint32_t> count = CountSessions(link);
            QuietHost host;
            DownloadSummary summary;
            const auto start = Clock::now();
            const TransferResult result =
                DownloadPlayData(link, bus + "/play.csv", count.value_or(0), host, {}, &summary);
            figures.seconds = std::chrono::duration<double>(Clock::now() - start).count();
            figures.ok = result.completed && count == figures.sessions && summary.sessionsWritten == figures.sessions;
            g_bDeviceConnected = 0;
        }
        link.Close();
    }
    std::filesystem::remove_all(bus);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    const bool figuresOnly = argc > 1 && std::strcmp(argv[1], "--figures") == 0;
    if (argc > 1 && !figuresOnly) {
        std::fprintf(stderr, "usage: %s [--figures]\n", argv[0]);
        return 2;
    }

    std::printf("figure: csv_write_throughput %.1f MB/s (goal > 20 MB/s)\n", CsvThroughput(kModelBandA));

    const ImportFigures import = Import(kReplyDelay);
    // The same import with instant replies: what the bus, the link and the worker cost alone.
    const ImportFigures instant = Import(std::chrono::milliseconds(0));
    if (!import.ok || !instant.ok) {
        std::fprintf(stderr, "import from the simulated watch failed\n");
        return 1;
    }
    const double delay = std::chrono::duration<double>(kReplyDelay).count();
    const double floor = import.blocks * delay;
    const uint32_t exchanges = import.blocks + import.sessions;
    if (!figuresOnly)
        std::printf("# %u blocks in %u sessions, %u exchanges, %.3f s (%.3f s without the delay)\n", import.blocks,
                    import.sessions, exchanges, import.seconds, instant.seconds);
    std::printf("figure: play_import_over_block_floor %.2f %% (goal < 0.5 %%)\n", (import.seconds / floor - 1) * 100);
    std::printf("figure: play_import_cost_per_exchange %.0f us (goal < 50 us)\n",
                (import.seconds - exchanges * delay) / exchanges * 1e6);
    std::printf("figure: play_import_cost_per_instant_exchange %.0f us (goal < 50 us)\n",
                instant.seconds / exchanges * 1e6);
    return 0;
}
