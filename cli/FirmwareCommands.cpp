#include "Commands.h"
#include "DeviceModel.h"
#include "FirmwareFile.h"
#include "FirmwareFormat.h"
#include "TerminalHost.h"
#include "VersionText.h"
#include "WriteFirmware.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

namespace teedesk::cli {

namespace {

// A failed version query is made again after this long, as the page's timer does.
constexpr std::chrono::seconds kVersionRetryPeriod{1};

struct CheckOptions {
    std::string path;
    uint16_t modelIndex = 0;
};

int CheckFirmwareFile(const CheckOptions& options)
{
    FirmwareFile file;
    if (const auto status = FirmwareFile::Load(options.path, file); status != FirmwareFile::Status::Ok) {
        PrintMessage(std::string(FileMessage(status).text));
        return kExitFailed;
    }
    const FirmwareCheck check = CheckFirmware(file.bytes(), kKnownModels.at(options.modelIndex).IdentityName());
    if (!check.kind) {
        PrintMessage(std::string(check.refusal.text));
        return kExitFailed;
    }
    const std::string_view name = FirmwareKindName(*check.kind);
    std::printf("%.*s\n", static_cast<int>(name.size()), name.data());
    return kExitOk;
}

int UpdateFirmware(CliContext& context, const std::string& path)
{
    DeviceLink* link = context.ConnectedLink();
    if (!link)
        return kExitNoWatch;
    TerminalHost host;
    const TransferResult result = WriteFirmware(*link, path, host);
    if (result.completed)
        return kExitOk;
    if (!result.reason.empty())
        std::fprintf(stderr, "%s\n", result.reason.c_str());
    return kExitFailed;
}

int ShowVersion(CliContext& context)
{
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(context.options().waitSeconds));
    DeviceLink* link = context.ConnectedLink();
    if (!link)
        return kExitNoWatch;
    for (;;) {
        if (const auto text = QueryVersionText(*link)) {
            std::printf("%s\n", text->c_str());
            return kExitOk;
        }
        if (std::chrono::steady_clock::now() + kVersionRetryPeriod > deadline)
            break;
        std::this_thread::sleep_for(kVersionRetryPeriod);
    }
    std::fprintf(stderr, "the watch did not answer the version query within %g seconds\n",
                 context.options().waitSeconds);
    return kExitFailed;
}

} // namespace

void AddFirmwareCommands(CLI::App& app, CommandRunner& run)
{
    auto check = std::make_shared<CheckOptions>();
    CLI::App* checkCommand = app.add_subcommand("check-firmware", "run the firmware file checks for a model");
    checkCommand->add_option("FILE", check->path, "the firmware file")->required();
    AddModelOption(*checkCommand, check->modelIndex);
    checkCommand->callback([&run, check] { run = [check](CliContext&) { return CheckFirmwareFile(*check); }; });

    auto updatePath = std::make_shared<std::string>();
    CLI::App* updateCommand = app.add_subcommand("update-firmware", "check the firmware file and write it to the watch");
    updateCommand->add_option("FILE", *updatePath, "the firmware file")->required();
    updateCommand->callback(
        [&run, updatePath] { run = [updatePath](CliContext& context) { return UpdateFirmware(context, *updatePath); }; });

    CLI::App* versionCommand = app.add_subcommand("version", "print the watch's firmware and Bluetooth versions");
    versionCommand->callback([&run] { run = ShowVersion; });
}

} // namespace teedesk::cli
