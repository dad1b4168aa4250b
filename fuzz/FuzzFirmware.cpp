// Arbitrary firmware files through the trailer checks of either form and the kind check on
// what passes. The checks must never read outside the file; a repaired CRC must make exactly
// the files with the right name field or marker pass.

#include "ByteOrder.h"
#include "Crc16.h"
#include "DeviceModel.h"
#include "FirmwareFormat.h"
#include "FirmwareMaker.h"
#include "FuzzSeeds.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

using namespace teedesk;

namespace {

// Byte 0 of an input: bits 0-1 the model whose name the check asks for, bit 2 "repair the CRC".
constexpr uint8_t kRepairCrc = 0x04;

bool NameFieldMatches(std::span<const uint8_t> file, std::string_view name)
{
    if (file.size() < kNamedTrailerSize)
        return false;
    const uint8_t* field = file.data() + file.size() - kNamedTrailerSize;
    const uint8_t* nul = std::find(field, field + kTrailerNameFieldSize, uint8_t{0});
    return nul != field + kTrailerNameFieldSize && static_cast<size_t>(nul - field) == name.size() &&
           std::memcmp(field, name.data(), name.size()) == 0;
}

bool MarkerMatches(std::span<const uint8_t> file)
{
    return file.size() >= kMarkerTrailerSize &&
           std::memcmp(file.data() + file.size() - 16, kTrailerMarker.data(), kTrailerMarker.size()) == 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::WriteSeedsIfAsked([](const fuzz::SeedWriter& write) {
        const FirmwareKind kinds[] = {FirmwareKind::Boot, FirmwareKind::Main, FirmwareKind::Font,
                                      FirmwareKind::TouchPanel, FirmwareKind::Bluetooth};
        for (uint16_t model = 0; model < kModelCount; ++model) {
            for (FirmwareKind kind : kinds) {
                for (uint32_t tagAddress : {0x10010u, 0x20u, 0xB8100u}) {
                    tools::FirmwareRecipe recipe;
                    recipe.kind = kind;
                    recipe.modelIndex = model;
                    recipe.tagAddress = tagAddress;
                    recipe.bodySize = 1024;
                    recipe.seed = model * 31 + tagAddress;
                    const tools::MadeFirmware made = tools::MakeFirmware(recipe);
                    if (made.bytes.empty())
                        continue;
                    std::vector<uint8_t> seed{static_cast<uint8_t>(model)};
                    seed.insert(seed.end(), made.bytes.begin(), made.bytes.end());
                    write("firmware-" + std::to_string(model) + "-" + std::string(FirmwareKindName(kind)) + "-" +
                              std::to_string(tagAddress),
                          seed);
                }
            }
        }
        // Short files around the trailer sizes.
        for (size_t size : {0u, 4u, 17u, 18u, 65u, 66u}) {
            std::vector<uint8_t> seed{kRepairCrc | 1};
            seed.resize(1 + size, 0x5F);
            write("short-" + std::to_string(size), seed);
        }
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t control = data[0];
    const uint16_t model = (control & 3) % kModelCount;
    const std::string_view name = kKnownModels[model].IdentityName();

    const size_t n = size - 1;
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[n]); // exact size: an overread is caught
    std::memcpy(buffer.get(), data + 1, n);
    std::span<const uint8_t> file(buffer.get(), n);

    if ((control & kRepairCrc) != 0) {
        // Put the right CRC in the trailer's field, so the fuzzer gets past it.
        if (name.empty() && n >= kMarkerTrailerSize)
            WriteU16Le(buffer.get() + n - kMarkerTrailerSize, Crc16(file.first(n - kMarkerTrailerSize)));
        else if (!name.empty() && n >= 2)
            WriteU16Le(buffer.get() + n - 2, Crc16(file.first(n - 2)));
        const bool expected = name.empty() ? MarkerMatches(file) : NameFieldMatches(file, name);
        if (VerifyFirmwareTrailer(file, name) != expected)
            __builtin_trap();
    }

    const bool trailerOk = VerifyFirmwareTrailer(file, name);
    const std::optional<FirmwareKind> kind = ClassifyFirmware(file);
    const FirmwareCheck check = CheckFirmware(file, name);
    // The combined check is the two in their order.
    if (check.kind.has_value() != (trailerOk && kind.has_value()))
        __builtin_trap();
    if (check.kind && *check.kind != *kind)
        __builtin_trap();
    if (!check.kind && check.refusal.text.empty())
        __builtin_trap(); // a refused file always gets its message
    if (kind && FirmwareKindName(*kind).empty())
        __builtin_trap();
    return 0;
}
