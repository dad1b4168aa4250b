#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace teedesk {

enum ModelIndex : uint16_t {
    kModelPin = 0,   // LKR-Pin
    kModelBandF = 1, // LK-Band F
    kModelBandA = 2, // LK-Band A
};

// One entry of the known-model table; the watch's identity reply begins with its own copy.
struct DeviceModel {
    uint16_t modelIndex;
    uint16_t reserved2;     // 2 in every entry, not interpreted
    uint16_t vendorId;
    uint16_t productId;
    uint16_t releaseNumber; // compared with the HID attributes' version number
    uint16_t reserved0;     // 0 in every entry, not interpreted
    char identityName[64];  // NUL-terminated ASCII, empty for the LKR-Pin

    std::string_view IdentityName() const;
};

static_assert(sizeof(DeviceModel) == 76);
static_assert(offsetof(DeviceModel, vendorId) == 4);
static_assert(offsetof(DeviceModel, productId) == 6);
static_assert(offsetof(DeviceModel, releaseNumber) == 8);
static_assert(offsetof(DeviceModel, identityName) == 12);

constexpr size_t kModelCount = 3;
extern const std::array<DeviceModel, kModelCount> kKnownModels;

// The byte-for-byte record as the watch sends it (little-endian fields).
void EncodeModelRecord(const DeviceModel& model, uint8_t* out76);

// "LKR-Pin", "LK-Band F", "LK-Band A"; empty for an unknown index.
std::string_view ModelName(unsigned modelIndex);

// "pin", "bandF", "bandA" in any letter case, or "0", "1", "2".
std::optional<uint16_t> ParseModel(std::string_view text);

// The first known model whose USB ids and release number all match.
const DeviceModel* MatchKnownModel(uint16_t vendorId, uint16_t productId, uint16_t releaseNumber);

} // namespace teedesk
