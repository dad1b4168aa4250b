#include "Commands.h"
#include "DeviceModel.h"

#include <cstdio>

namespace teedesk::cli {

namespace {

int ListDevices(CliContext& context)
{
    HidBackend* backend = context.backend();
    if (!backend)
        return kExitFailed;
    const std::string& only = context.options().devicePath;
    for (const std::string& path : backend->Enumerate()) {
        if (!only.empty() && path != only)
            continue;
        const auto attributes = backend->ReadAttributes(path);
        if (!attributes)
            continue;
        const DeviceModel* model =
            MatchKnownModel(attributes->vendorId, attributes->productId, attributes->releaseNumber);
        if (model)
            std::printf("%.*s\t%s\n", static_cast<int>(ModelName(model->modelIndex).size()),
                        ModelName(model->modelIndex).data(), path.c_str());
    }
    return kExitOk;
}

} // namespace

void AddDeviceListCommand(CLI::App& app, CommandRunner& run)
{
    CLI::App* command = app.add_subcommand("devices", "list the present HID interfaces of known watches");
    command->callback([&run] { run = ListDevices; });
}

CLI::Option* AddModelOption(CLI::App& command, uint16_t& modelIndex)
{
    return command
        .add_option_function<std::string>(
            "--model",
            [&modelIndex](const std::string& text) {
                const auto parsed = ParseModel(text);
                if (!parsed)
                    throw CLI::ValidationError("--model", "must be pin, bandF, bandA or 0, 1, 2");
                modelIndex = *parsed;
            },
            "the watch model: pin, bandF, bandA or 0, 1, 2")
        ->type_name("MODEL")
        ->required();
}

} // namespace teedesk::cli
