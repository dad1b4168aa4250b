#pragma once

#include <string>

namespace teedesk {

// Plain words for a watch that is present but may not be opened: where the udev rule is and
// the command that installs it, then to plug the watch in again.
std::string PermissionHint(const std::string& devicePath);

} // namespace teedesk
