#include "CliContext.h"
#include "Commands.h"
#include "DeviceModel.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <functional>
#include <string>

using namespace teedesk::cli;

int main(int argc, char** argv)
{
    CLI::App app{"teedesk-cli: import play data, write course data and update the firmware of a LINKORA watch."};
    app.set_version_flag("--version", std::string("teedesk-cli ") + TEEDESK_VERSION);
    app.require_subcommand(1);

    GlobalOptions options;
    app.add_option("--hid-dir", options.hidDirectory, "use the virtual HID bus in DIR instead of the system's HID devices")
        ->type_name("DIR");
    app.add_option("--simulate", options.simulateModel,
                   "start a built-in simulated watch of MODEL (pin, bandF, bandA or 0, 1, 2) and use it")
        ->type_name("MODEL");
    app.add_option("--device", options.devicePath, "consider only the HID interface at PATH")->type_name("PATH");
    app.add_option("--wait", options.waitSeconds, "how long a device command waits for a watch (default 5)")
        ->type_name("SECONDS")
        ->check(CLI::NonNegativeNumber);
    app.add_option("--record", options.recordPath, "write every exchange to FILE as JSON lines")->type_name("FILE");
    app.fallthrough();

    std::function<int(CliContext&)> run;
    AddDeviceListCommand(app, run);
    AddFirmwareCommands(app, run);
    AddCourseCommands(app, run);
    AddPlayDataCommands(app, run);
    AddRoundCommands(app, run);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        app.exit(error);
        return kExitUsage;
    }
    if (!options.simulateModel.empty() && !teedesk::ParseModel(options.simulateModel)) {
        std::fprintf(stderr, "--simulate: unknown model '%s' (pin, bandF, bandA or 0, 1, 2)\n",
                     options.simulateModel.c_str());
        return kExitUsage;
    }
    if (!options.hidDirectory.empty() && !options.simulateModel.empty()) {
        std::fprintf(stderr, "--hid-dir and --simulate cannot be used together\n");
        return kExitUsage;
    }
    CliContext context(options);
    return run ? run(context) : kExitUsage;
}
