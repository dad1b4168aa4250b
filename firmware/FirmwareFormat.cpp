#include "FirmwareFormat.h"

#include "ByteOrder.h"
#include "Crc16.h"

#include <algorithm>

namespace teedesk {

namespace {

bool BytesEqual(std::span<const uint8_t> bytes, std::string_view text)
{
    return bytes.size() == text.size() &&
           std::equal(bytes.begin(), bytes.end(), text.begin(),
                      [](uint8_t byte, char c) { return byte == static_cast<uint8_t>(c); });
}

// `text` at `offset`, only when it lies wholly inside the file.
bool HasTextAt(std::span<const uint8_t> file, size_t offset, std::string_view text)
{
    return offset <= file.size() && file.size() - offset >= text.size() &&
           BytesEqual(file.subspan(offset, text.size()), text);
}

bool VerifyNamedTrailer(std::span<const uint8_t> file, std::string_view name)
{
    if (file.size() < kNamedTrailerSize)
        return false;
    const size_t n = file.size();
    const std::span<const uint8_t> field = file.subspan(n - kNamedTrailerSize, kTrailerNameFieldSize);
    const auto nul = std::find(field.begin(), field.end(), uint8_t{0});
    if (nul == field.end())
        return false;
    // Exact up to and including the terminator: a longer text that begins with the name fails.
    if (!BytesEqual(std::span<const uint8_t>(field.begin(), nul), name))
        return false;
    const uint16_t stored = ReadU16Le(file.data() + n - 2);
    return Crc16(file.first(n - 2)) == stored;
}

bool VerifyMarkerTrailer(std::span<const uint8_t> file)
{
    if (file.size() < kMarkerTrailerSize)
        return false;
    const size_t n = file.size();
    if (!BytesEqual(file.subspan(n - 16, kTrailerMarker.size()), kTrailerMarker))
        return false;
    const uint16_t stored = ReadU16Le(file.data() + n - kMarkerTrailerSize);
    return Crc16(file.first(n - kMarkerTrailerSize)) == stored;
}

} // namespace

std::string_view FirmwareKindName(FirmwareKind kind)
{
    switch (kind) {
    case FirmwareKind::Boot: return "Boot";
    case FirmwareKind::Main: return "Main";
    case FirmwareKind::Font: return "Font";
    case FirmwareKind::TouchPanel: return "TouchPanel";
    case FirmwareKind::Bluetooth: return "Bluetooth";
    }
    return {};
}

bool VerifyFirmwareTrailer(std::span<const uint8_t> file, std::string_view identityName)
{
    // The name ends at its first NUL, as the model record's text does.
    const std::string_view name = identityName.substr(0, identityName.find('\0'));
    return name.empty() ? VerifyMarkerTrailer(file) : VerifyNamedTrailer(file, name);
}

uint32_t FirmwareTagOffset(uint32_t tagAddress)
{
    if (tagAddress == 0)
        return 0;
    if (tagAddress > 0xB8000)
        return tagAddress - 0xB7FFD;
    if (tagAddress > 0x10000)
        return tagAddress - 0xFFFD;
    return tagAddress + 3;
}

std::optional<FirmwareKind> ClassifyFirmware(std::span<const uint8_t> file)
{
    if (HasTextAt(file, 0, kTouchPanelHead))
        return FirmwareKind::TouchPanel;
    if (HasTextAt(file, 0, kBluetoothHead))
        return FirmwareKind::Bluetooth;
    if (file.size() < kTagAddressOffset + 4)
        return std::nullopt;
    const uint32_t offset = FirmwareTagOffset(ReadU32Le(file.data() + kTagAddressOffset));
    if (HasTextAt(file, offset, "BOOT"))
        return FirmwareKind::Boot;
    if (HasTextAt(file, offset, "MAIN"))
        return FirmwareKind::Main;
    if (HasTextAt(file, offset, "FONT"))
        return FirmwareKind::Font;
    return std::nullopt;
}

FirmwareCheck CheckFirmware(std::span<const uint8_t> file, std::string_view identityName)
{
    if (!VerifyFirmwareTrailer(file, identityName))
        return {std::nullopt, kMessageIncorrectFile};
    if (const auto kind = ClassifyFirmware(file))
        return {kind, {}};
    return {std::nullopt, kMessageInvalidType};
}

} // namespace teedesk
