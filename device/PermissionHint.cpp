#include "PermissionHint.h"

#include <filesystem>
#include <initializer_list>

namespace teedesk {

namespace {

// Where the rule takes effect once installed (the package puts it there).
constexpr const char* kActiveRule = "/usr/lib/udev/rules.d/70-teedesk.rules";

// Copies of the rule to install from: the package's, an installed build's, the source tree's.
std::string RuleCopy()
{
    std::error_code error;
    for (const char* candidate : {"/usr/share/teedesk/70-teedesk.rules", TEEDESK_RULE_COPY_INSTALLED,
                                  TEEDESK_RULE_COPY_SOURCE})
        if (std::filesystem::exists(candidate, error))
            return candidate;
    return "70-teedesk.rules";
}

} // namespace

std::string PermissionHint(const std::string& devicePath)
{
    std::error_code error;
    std::string hint = "A LINKORA watch is attached at " + devicePath +
                       ", but this user may not open it (permission denied). ";
    if (std::filesystem::exists(kActiveRule, error) || std::filesystem::exists("/etc/udev/rules.d/70-teedesk.rules", error)) {
        hint += "The access rule is installed but not yet in effect: as root, run "
                "\"udevadm control --reload-rules && udevadm trigger\", ";
    } else {
        hint += "Install the access rule as root: \"install -m 644 " + RuleCopy() +
                " /etc/udev/rules.d/70-teedesk.rules && udevadm control --reload-rules\", ";
    }
    hint += "then unplug the watch and plug it in again.";
    return hint;
}

} // namespace teedesk
