#include "WatchRig.h"

#include "ConnectionState.h"
#include "ConnectionWatcher.h"
#include "CourseFormat.h"
#include "CourseMaker.h"
#include "CourseWriter.h"
#include "CsvOutput.h"
#include "CsvSections.h"
#include "CsvWriter.h"
#include "FirmwareMaker.h"
#include "PlayDataDownload.h"
#include "VersionText.h"
#include "WriteFirmware.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace teedesk::test {

namespace {

class StringOutput final : public CsvOutput {
public:
    bool Write(std::string_view bytes) override
    {
        text.append(bytes);
        return true;
    }
    bool Close() override { return true; }
    bool isOpen() const override { return true; }
    std::string text;
};

std::string Converted(uint16_t model, const std::vector<std::vector<uint8_t>>& sessions)
{
    StringOutput output;
    CsvWriter file(output, model);
    WriteFileStart(file);
    for (size_t k = 0; k < sessions.size(); ++k)
        WriteSession(file, static_cast<uint32_t>(k), sessions[k]);
    return output.text;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::optional<std::string> Contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::unique_ptr<OperationInputs> MakeInputs(uint16_t model)
{
    auto inputs = std::make_unique<OperationInputs>();
    inputs->model = model;

    // The course fixture of the model's file version: a few courses, 53 or so blocks.
    const char* fixture = RequiredFormatVersion(model) == 4 ? "banda-v4.json" : "kanto-v2.json";
    std::ifstream description(std::string(RELIABILITY_COURSE_FIXTURES) + "/" + fixture);
    const std::vector<uint8_t> course =
        tools::MakeCourseFile(tools::ParseCourseDescription(nlohmann::json::parse(description)));
    inputs->coursePath = inputs->folder.File("course.dat");
    WriteFile(inputs->coursePath, course);
    CourseImage image;
    if (PrepareCourseImage(inputs->coursePath, model, image) != CoursePrepareStatus::Ready)
        throw std::runtime_error("the course fixture does not build");
    inputs->courseImage.assign(image.data(), image.data() + image.size());

    // Three blocks, the last one short.
    tools::FirmwareRecipe recipe;
    recipe.modelIndex = model;
    recipe.bodySize = 600;
    recipe.seed = 77;
    inputs->firmware = tools::MakeFirmware(recipe).bytes;
    inputs->firmwarePath = inputs->folder.File("firmware.bin");
    WriteFile(inputs->firmwarePath, inputs->firmware);

    // Two rounds cut to four blocks each, the last one short.
    inputs->sessions = sim::GenerateSessions(5, 2, model);
    for (std::vector<uint8_t>& session : inputs->sessions)
        session.resize(1000);
    inputs->wholeCsv = Converted(model, inputs->sessions);
    inputs->headOnlyCsv = Converted(model, {});

    sim::WatchOptions defaults;
    uint8_t payload[kBlockSize] = {};
    payload[2] = defaults.firmwareMinor;
    payload[3] = defaults.firmwareMajor;
    payload[15] = defaults.firmwareThird;
    payload[16] = defaults.bluetoothMinor;
    payload[17] = defaults.bluetoothMajor;
    payload[14] = defaults.bluetoothThird;
    inputs->versionText = FormatVersionText(payload, model);
    return inputs;
}

} // namespace

const char* OperationName(Operation operation)
{
    switch (operation) {
    case Operation::Version: return "Version";
    case Operation::ImportPlay: return "ImportPlay";
    case Operation::UpdateCourse: return "UpdateCourse";
    case Operation::UpdateFirmware: return "UpdateFirmware";
    }
    return "";
}

const OperationInputs& OperationInputs::For(uint16_t model)
{
    static std::mutex mutex;
    static std::map<uint16_t, std::unique_ptr<OperationInputs>> made;
    std::lock_guard lock(mutex);
    std::unique_ptr<OperationInputs>& inputs = made[model];
    if (!inputs)
        inputs = MakeInputs(model);
    return *inputs;
}

bool PageHost::IsConnected() { return g_bDeviceConnected != 0; }

void PageHost::LockTransfer()
{
    g_bTransferBusy = 1;
    RecordingHost::LockTransfer();
}

void PageHost::UnlockTransfer()
{
    RecordingHost::UnlockTransfer();
    g_bTransferBusy = 0; // last, as the page's release does
}

struct WatchRig::Watcher {
    explicit Watcher(DeviceLink& link, std::chrono::milliseconds period)
        : watcher(link, g_hDetectEvent, g_bDeviceConnected, period)
    {
    }
    ConnectionWatcher watcher;
};

WatchRig::WatchRig(const OperationInputs& inputs, sim::WatchOptions options, std::chrono::milliseconds timeLimit)
    : inputs_(inputs), backend_(bus_.path()), link_(backend_, timeLimit)
{
    g_bDeviceConnected = 0;
    g_bTransferBusy = 0;
    options.modelIndex = inputs.model;
    if (options.sessions.empty())
        options.sessions = inputs.sessions;
    watch_ = std::make_unique<sim::SimulatedWatch>(bus_.File(sim::DefaultSocketName(inputs.model)), options);
    if (!watch_->Plug())
        throw std::runtime_error("the simulated watch does not plug");
}

WatchRig::~WatchRig()
{
    if (watcher_)
        watcher_->watcher.Stop();
    link_.RegisterDeviceNotifications({});
    link_.Close();
    g_bDeviceConnected = 0;
    g_bTransferBusy = 0;
}

void WatchRig::HandleRemovals()
{
    link_.RegisterDeviceNotifications([this](const std::string& path) {
        HandleDeviceRemoval(link_, path, g_hDetectEvent, g_bDeviceConnected);
    });
}

bool WatchRig::ConnectOnce()
{
    const bool connected = link_.Discover() && link_.Identify();
    g_bDeviceConnected = connected ? 1 : 0;
    return connected;
}

void WatchRig::StartWatcher(std::chrono::milliseconds pollPeriod)
{
    watcher_ = std::make_unique<Watcher>(link_, pollPeriod);
    watcher_->watcher.Start();
    g_hDetectEvent.Signal();
}

int WatchRig::watcherChecks() const { return watcher_ ? watcher_->watcher.checks() : 0; }

bool WatchRig::WaitConnected(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (g_bDeviceConnected != 1) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

OperationRun WatchRig::Run(Operation operation, TransferHost& host)
{
    std::error_code ignored;
    std::filesystem::remove(csvPath(), ignored);

    auto body = [this, operation, &host] {
        OperationRun run;
        switch (operation) {
        case Operation::Version:
            run.versionText = QueryVersionText(link_);
            break;
        case Operation::ImportPlay:
            run.sessionCount = CountSessions(link_);
            if (run.sessionCount && *run.sessionCount != 0) {
                run.workerRan = true;
                run.result = DownloadPlayData(link_, csvPath(), *run.sessionCount, host);
            }
            run.csv = Contents(csvPath());
            break;
        case Operation::UpdateCourse:
            run.workerRan = true;
            run.result = WriteCourseImage(link_, inputs_.coursePath, host);
            break;
        case Operation::UpdateFirmware:
            run.workerRan = true;
            run.result = WriteFirmware(link_, inputs_.firmwarePath, host);
            break;
        }
        run.finished = true;
        return run;
    };
    std::future<OperationRun> running = std::async(std::launch::async, body);
    if (running.wait_for(kHangBound) != std::future_status::ready) {
        // Waiting for it would hang the test program as well.
        std::fprintf(stderr, "%s did not return within %lld s: hung\n", OperationName(operation),
                     static_cast<long long>(kHangBound.count()));
        std::abort();
    }
    return running.get();
}

} // namespace teedesk::test
