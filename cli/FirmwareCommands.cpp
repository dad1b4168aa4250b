#include "Commands.h"

namespace teedesk::cli {

void AddFirmwareCommands(CLI::App&, CommandRunner&) {}

} // namespace teedesk::cli
