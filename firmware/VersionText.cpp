#include "VersionText.h"

#include "CommandPacket.h"
#include "DeviceModel.h"

#include <cstdio>

namespace teedesk {

namespace {

// "major.minor" with the minor part in two digits, or "major.minor.third".
std::string VersionNumber(unsigned major, unsigned minor, unsigned third)
{
    char text[32];
    if (third != 0)
        std::snprintf(text, sizeof text, "%u.%02u.%03u", major, minor, third);
    else
        std::snprintf(text, sizeof text, "%u.%02u", major, minor);
    return text;
}

} // namespace

std::string FormatVersionText(const uint8_t* v, uint16_t modelIndex)
{
    std::string text = "ファームウェアバージョン ";
    text += VersionNumber(v[VersionByte::FirmwareMajor], v[VersionByte::FirmwareMinor], v[VersionByte::FirmwareThird]);
    if (modelIndex != kModelBandF) {
        text += "\tBluetooth バージョン ";
        text += VersionNumber(v[VersionByte::BluetoothMajor], v[VersionByte::BluetoothMinor],
                              v[VersionByte::BluetoothThird]);
    }
    return text;
}

std::optional<std::string> QueryVersionText(DeviceLink& link)
{
    // The model the reply belongs to: taken before the exchange, which fails if the link closes.
    const DeviceModel model = link.model();
    if (!link.isOpen())
        return std::nullopt;
    uint8_t payload[kBlockSize];
    if (!link.ReadBlock(Command::Version, 0, payload))
        return std::nullopt;
    return FormatVersionText(payload, model.modelIndex);
}

} // namespace teedesk
