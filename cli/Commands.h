#pragma once
// Each group of commands adds its subcommands to the app and, when chosen, sets `run`.

#include "CliContext.h"

#include <CLI/CLI.hpp>

#include <functional>

namespace teedesk::cli {

using CommandRunner = std::function<int(CliContext&)>;

void AddDeviceListCommand(CLI::App& app, CommandRunner& run);
void AddFirmwareCommands(CLI::App& app, CommandRunner& run);
void AddCourseCommands(CLI::App& app, CommandRunner& run);
void AddPlayDataCommands(CLI::App& app, CommandRunner& run);
// export, plot and stats: play data CSV files read back, no watch.
void AddRoundCommands(CLI::App& app, CommandRunner& run);

// A model option shared by the file commands: pin, bandF, bandA or 0, 1, 2.
CLI::Option* AddModelOption(CLI::App& command, uint16_t& modelIndex);

} // namespace teedesk::cli
