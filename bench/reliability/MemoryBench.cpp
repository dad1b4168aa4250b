// Peak heap of the host during a 20-round import and during the write of a national-size course
// file, against the largest single item (a session, the image) and the total moved. The goal:
// the peak follows the largest item, not the total.

#include "AllocationCounter.h"
#include "ConnectionState.h"
#include "CourseMaker.h"
#include "CourseWriter.h"
#include "DeviceLink.h"
#include "PlayDataDownload.h"
#include "QuietHost.h"
#include "SimulatedWatch.h"
#include "TransferHost.h"
#include "VhidBackend.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace teedesk;

namespace {

constexpr int kRounds = 20;
constexpr uint32_t kSeed = 9;
constexpr uint16_t kModel = kModelBandA;

using bench::QuietHost;

// teedesk-watchsim on a bus folder of its own, stopped and removed at the end.
class SimulatorProcess {
public:
    SimulatorProcess()
    {
        char pattern[] = "/tmp/teedesk-bench-memory-XXXXXX";
        if (!mkdtemp(pattern))
            return;
        folder_ = pattern;
        const std::string bus = folder_ + "/bus";
        const std::string rounds = std::to_string(kRounds), seed = std::to_string(kSeed);
        const char* argv[] = {TEEDESK_WATCHSIM, "--bus", bus.c_str(), "--watch", "bandA", "--sessions",
                              rounds.c_str(), "--seed", seed.c_str(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        for (int wait = 0; pid_ > 0 && wait < 1000 && !std::filesystem::exists(bus + "/watch-bandA.hid"); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        bus_ = bus;
    }
    ~SimulatorProcess()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        std::error_code ignored;
        if (!folder_.empty())
            std::filesystem::remove_all(folder_, ignored);
    }
    bool ok() const { return pid_ > 0 && std::filesystem::exists(bus_ + "/watch-bandA.hid"); }
    const std::string& bus() const { return bus_; }
    std::string File(const std::string& name) const { return folder_ + "/" + name; }

private:
    pid_t pid_ = -1;
    std::string folder_, bus_;
};

struct Peak {
    uint64_t bytes = 0;
    bool ok = false;
};

template <class Run>
Peak MeasurePeak(Run&& run)
{
    Peak peak;
    const uint64_t before = bench::HeapInUse();
    bench::ResetHeapPeak();
    peak.ok = run();
    peak.bytes = bench::HeapPeak() - before;
    return peak;
}

// The CSV file's write buffer: a fixed cost of the import whatever the sessions.
constexpr double kWriteBufferKiB = 64;

void PrintImportFigures(const Peak& peak, uint64_t largest, uint64_t total)
{
    const double peakKiB = peak.bytes / 1024.0, largestKiB = largest / 1024.0;
    std::printf("figure: import20_peak_heap %.1f KiB (goal <= %.1f KiB: 1.5 x the largest session + the %.0f KiB "
                "write buffer)\n",
                peakKiB, 1.5 * largestKiB + kWriteBufferKiB, kWriteBufferKiB);
    std::printf("figure: import20_largest_session %.1f KiB (goal reference)\n", largestKiB);
    std::printf("figure: import20_total_read %.1f KiB (goal reference)\n", total / 1024.0);
    std::printf("figure: import20_peak_over_largest %.2f x (goal reference: the write buffer comes on top)\n",
                peakKiB / largestKiB);
    std::printf("figure: import20_peak_over_total %.2f x (goal <= 0.5 x)\n", double(peak.bytes) / double(total));
}

void PrintCourseFigures(const Peak& peak, uint64_t image, uint64_t file)
{
    std::printf("figure: national_course_write_peak_heap %.1f MiB (goal <= %.1f MiB: 1.5 x the image)\n",
                peak.bytes / 1048576.0, 1.5 * image / 1048576.0);
    std::printf("figure: national_course_write_image %.1f MiB (goal reference)\n", image / 1048576.0);
    std::printf("figure: national_course_write_file %.1f MiB (goal reference)\n", file / 1048576.0);
    std::printf("figure: national_course_write_peak_over_image %.2f x (goal <= 1.5 x)\n",
                double(peak.bytes) / double(image));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--figures") != 0) {
        std::fprintf(stderr, "usage: %s [--figures]\n", argv[0]);
        return 2;
    }

    // The rounds the simulator holds: the same seed gives the same bytes.
    uint64_t largestSession = 0, totalSessions = 0;
    {
        const std::vector<std::vector<uint8_t>> sessions = sim::GenerateSessions(kSeed, kRounds, kModel);
        for (const auto& session : sessions) {
            largestSession = std::max<uint64_t>(largestSession, session.size());
            totalSessions += session.size();
        }
    }
    SimulatorProcess simulator;
    if (!simulator.ok()) {
        std::fprintf(stderr, "cannot start %s\n", TEEDESK_WATCHSIM);
        return 1;
    }
    const std::string coursePath = simulator.File("national.dat");
    uint64_t fileSize = 0;
    {
        const std::vector<uint8_t> file = tools::MakeCourseFile(tools::MakeNationalDescription(4));
        std::ofstream(coursePath, std::ios::binary).write(reinterpret_cast<const char*>(file.data()),
                                                          static_cast<std::streamsize>(file.size()));
        fileSize = file.size();
    }
    uint64_t imageSize = 0;
    {
        CourseImage image;
        if (PrepareCourseImage(coursePath, kModel, image) != CoursePrepareStatus::Ready) {
            std::fprintf(stderr, "the national course file does not build\n");
            return 1;
        }
        imageSize = image.size();
    }

    VhidBackend backend(simulator.bus());
    DeviceLink link(backend);
    if (!link.Discover() || !link.Identify()) {
        std::fprintf(stderr, "the simulated watch does not answer\n");
        return 1;
    }
    g_bDeviceConnected = 1;
    QuietHost host(&g_bDeviceConnected);

    const std::optional<uint32_t> count = CountSessions(link);
    const std::string csvPath = simulator.File("play.csv");
    const Peak import = MeasurePeak([&] {
        DownloadSummary summary;
        const TransferResult result = DownloadPlayData(link, csvPath, count.value_or(0), host, {}, &summary);
        return result.completed && summary.sessionsWritten == kRounds;
    });
    const Peak course = MeasurePeak([&] { return WriteCourseImage(link, coursePath, host).completed; });
    link.Close();
    g_bDeviceConnected = 0;
    if (!import.ok || !course.ok) {
        std::fprintf(stderr, "the %s failed\n", import.ok ? "course write" : "import");
        return 1;
    }

    if (argc == 1)
        std::printf("# %d rounds, %.1f KiB in all; course file %.1f KiB, image %.1f KiB\n", kRounds,
                    totalSessions / 1024.0, fileSize / 1024.0, imageSize / 1024.0);
    PrintImportFigures(import, largestSession, totalSessions);
    PrintCourseFigures(course, imageSize, fileSize);
    return 0;
}
