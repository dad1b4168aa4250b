#include "Commands.h"

namespace teedesk::cli {

void AddPlayDataCommands(CLI::App&, CommandRunner&) {}

} // namespace teedesk::cli
