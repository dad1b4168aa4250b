#include "TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace teedesk::test {

TempDir::TempDir()
{
    char pattern[] = "/tmp/teedesk-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

} // namespace teedesk::test
