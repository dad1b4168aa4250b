#pragma once
// Seeds for a target's corpus: with TEEDESK_FUZZ_SEEDS=DIR set, the target writes its seeds
// into DIR and exits instead of fuzzing.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace teedesk::fuzz {

using SeedWriter = std::function<void(const std::string& name, const std::vector<uint8_t>& bytes)>;

inline void WriteSeedsIfAsked(const std::function<void(const SeedWriter&)>& make)
{
    const char* directory = std::getenv("TEEDESK_FUZZ_SEEDS");
    if (!directory)
        return;
    make([directory](const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = std::string(directory) + "/" + name;
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fclose(file);
        }
    });
    std::exit(0);
}

} // namespace teedesk::fuzz
