#pragma once
// The firmware file's trailer and kind checks. Pure functions over the whole file in memory;
// they never read outside the span, whatever its length.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace teedesk {

enum class FirmwareKind {
    Boot,
    Main,
    Font,
    TouchPanel,
    Bluetooth,
};

// "Boot", "Main", "Font", "TouchPanel", "Bluetooth".
std::string_view FirmwareKindName(FirmwareKind kind);

// Named trailer: the 64-byte name field and the CRC sit in the last 66 bytes.
constexpr size_t kNamedTrailerSize = 66;
constexpr size_t kTrailerNameFieldSize = 64;
// Marker trailer: CRC, then the 14-byte marker, then two bytes nobody checks.
constexpr size_t kMarkerTrailerSize = 18;
constexpr std::string_view kTrailerMarker = "_QRT_WATCH_FW_";
constexpr std::string_view kTouchPanelHead = "_QRT_WATCH_TP_FW_";
constexpr std::string_view kBluetoothHead = "_QRT_WATCH_BLE_FW_";
// The tag address A is stored here when neither head marker is present.
constexpr size_t kTagAddressOffset = 4;

static_assert(kTrailerMarker.size() == 14);
static_assert(kTouchPanelHead.size() == 17);
static_assert(kBluetoothHead.size() == 18);

// A non-empty identity name asks for the named trailer, an empty one for the marker trailer.
bool VerifyFirmwareTrailer(std::span<const uint8_t> file, std::string_view identityName);

// The kind by head marker, else by the type tag at the offset the tag address gives.
std::optional<FirmwareKind> ClassifyFirmware(std::span<const uint8_t> file);

// Where the type tag lies for a tag address: A - base + 3 by band, and 0 for A = 0.
uint32_t FirmwareTagOffset(uint32_t tagAddress);

// A refusal as the user sees it.
struct FirmwareMessage {
    std::string_view text;
    std::string_view caption;
};

inline constexpr FirmwareMessage kMessageIncorrectFile{"Incorrect firmwarefile!", "Open File"};
inline constexpr FirmwareMessage kMessageInvalidType{"Invalid firmware type!", "Error"};

struct FirmwareCheck {
    std::optional<FirmwareKind> kind;  // set when the file is accepted
    FirmwareMessage refusal{};         // set when it is not
};

// Both checks in their order: the trailer first, so a file failing both is "incorrect".
FirmwareCheck CheckFirmware(std::span<const uint8_t> file, std::string_view identityName);

} // namespace teedesk
