#include "Commands.h"

namespace teedesk::cli {

void AddCourseCommands(CLI::App&, CommandRunner&) {}

} // namespace teedesk::cli
