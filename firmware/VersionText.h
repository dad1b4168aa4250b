#pragma once
// The watch's firmware and Bluetooth versions as the firmware page shows them.

#include "DeviceLink.h"

#include <cstdint>
#include <optional>
#include <string>

namespace teedesk {

// Bytes of the version reply's payload.
namespace VersionByte {
constexpr size_t FirmwareMinor = 2;
constexpr size_t FirmwareMajor = 3;
constexpr size_t BluetoothThird = 14; // 0: a two-part version
constexpr size_t FirmwareThird = 15;  // 0: a two-part version
constexpr size_t BluetoothMinor = 16;
constexpr size_t BluetoothMajor = 17;
} // namespace VersionByte

// UTF-8; the LK-Band F has no Bluetooth part, the others get it after a TAB.
std::string FormatVersionText(const uint8_t* payload256, uint16_t modelIndex);

// One version query (command 1, block read, argument 0); nothing when it failed.
std::optional<std::string> QueryVersionText(DeviceLink& link);

} // namespace teedesk
