// Course image figures: building the image of a national-size course file against one RC4
// pass over as many bytes, and the heap the build needs at its peak.

#include "AllocationCounter.h"
#include "CourseImage.h"
#include "CourseMaker.h"
#include "DeviceModel.h"
#include "Rc4.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using namespace teedesk;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 5;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string WriteNationalFile(uint16_t version, size_t& size)
{
    char path[] = "/tmp/teedesk-course-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0)
        return {};
    const std::vector<uint8_t> file = tools::MakeCourseFile(tools::MakeNationalDescription(version));
    size = file.size();
    const bool ok = ::write(fd, file.data(), file.size()) == static_cast<ssize_t>(file.size());
    ::close(fd);
    if (!ok) {
        ::unlink(path);
        return {};
    }
    return path;
}

struct Figures {
    double buildSeconds = 1e9;
    double rc4Seconds = 1e9;
    uint64_t peakHeap = 0;
    uint32_t imageSize = 0;
    bool ok = true;
};

Figures Measure(const std::string& path, size_t fileSize, uint16_t modelIndex)
{
    Figures figures;
    {
        CourseImage warm; // brings the file into the page cache
        figures.ok = warm.Build(path, modelIndex);
    }
    for (int round = 0; round < kRounds && figures.ok; ++round) {
        const uint64_t before = bench::HeapInUse();
        bench::ResetHeapPeak();
        const auto start = Clock::now();
        CourseImage image;
        figures.ok = image.Build(path, modelIndex);
        figures.buildSeconds = std::min(figures.buildSeconds, Seconds(start));
        figures.peakHeap = std::max(figures.peakHeap, bench::HeapPeak() - before);
        figures.imageSize = image.size();
    }

    std::vector<uint8_t> bytes(fileSize, 0x5A);
    const uint8_t key[kRc4KeySize] = {'L', 'i', 'n', 'k', 'o', 'r', 'a', 'C', 1, 2, 3, 4, 5, 6, 7, 8};
    for (int round = 0; round < kRounds; ++round) {
        const auto start = Clock::now();
        Rc4State state;
        Rc4Init(state, key);
        Rc4Crypt(state, bytes.data(), bytes.size());
        figures.rc4Seconds = std::min(figures.rc4Seconds, Seconds(start));
    }
    volatile uint8_t sink = bytes[bytes.size() / 2]; // keeps the pass from being dropped
    (void)sink;
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

    struct Case {
        uint16_t version;
        uint16_t modelIndex;
        const char* tag;
    };
    bool allOk = true;
    for (const Case& c : {Case{2, kModelPin, "pin"}, Case{4, kModelBandA, "bandA"}}) {
        size_t fileSize = 0;
        const std::string path = WriteNationalFile(c.version, fileSize);
        if (path.empty()) {
            std::fprintf(stderr, "cannot write the national course file\n");
            return 1;
        }
        const Figures f = Measure(path, fileSize, c.modelIndex);
        ::unlink(path.c_str());
        if (!f.ok) {
            std::fprintf(stderr, "the national course file (%s) did not build\n", c.tag);
            allOk = false;
            continue;
        }
        if (!figuresOnly)
            std::printf("%s: file %zu bytes, image %u bytes\n", c.tag, fileSize, f.imageSize);
        std::printf("figure: course_build_time_%s %.1f ms (goal <= 1.5 x the RC4 pass)\n", c.tag, f.buildSeconds * 1e3);
        std::printf("figure: course_rc4_pass_time_%s %.1f ms (goal reference)\n", c.tag, f.rc4Seconds * 1e3);
        std::printf("figure: course_build_over_rc4_%s %.2f x (goal <= 1.5 x)\n", c.tag, f.buildSeconds / f.rc4Seconds);
        std::printf("figure: course_build_peak_heap_%s %.1f MB (goal <= %.1f MB)\n", c.tag, f.peakHeap / 1e6,
                    3.0 * static_cast<double>(fileSize) / 1e6);
        std::printf("figure: course_build_peak_heap_over_file_%s %.2f x (goal <= 3 x)\n", c.tag,
                    static_cast<double>(f.peakHeap) / static_cast<double>(fileSize));
    }
    return allOk ? 0 : 1;
}
