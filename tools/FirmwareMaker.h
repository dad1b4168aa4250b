#pragma once
// Firmware files for tests, benchmarks and trying things out: a body (random from a seed or
// given), the head marker or type tag of the chosen kind, and the trailer for a model.

#include "FirmwareFormat.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace teedesk::tools {

struct FirmwareRecipe {
    FirmwareKind kind = FirmwareKind::Main;
    // Boot, Main and Font: the tag goes where this address places it.
    uint32_t tagAddress = 0x10010;
    // Image version bytes after the tag (left out where they would overwrite the tag address).
    int8_t versionMajor = 1;
    int8_t versionMinor = 0;

    // The body: these bytes when given, else `bodySize` random bytes from `seed`.
    std::optional<std::vector<uint8_t>> body;
    size_t bodySize = 4096;
    uint32_t seed = 1;

    // The trailer: the model's identity name (named trailer), or the marker trailer for an
    // empty name (the LKR-Pin). `trailerName` overrides the model's name, to make wrong files.
    uint16_t modelIndex = 2;
    std::optional<std::string> trailerName;
};

struct MadeFirmware {
    std::vector<uint8_t> bytes; // empty when `error` says why
    std::string error;
};

MadeFirmware MakeFirmware(const FirmwareRecipe& recipe);

// Trailers alone, over whatever `file` holds so far.
void AppendNamedTrailer(std::vector<uint8_t>& file, const std::string& name);
void AppendMarkerTrailer(std::vector<uint8_t>& file);

// Random bytes; the same seed gives the same bytes on every platform.
std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed);

} // namespace teedesk::tools
