#pragma once
// The firmware writer behind the firmware page's button and `teedesk-cli update-firmware`:
// reads the file whole, checks it against the connected model, then announces its length
// and sends it in 256-byte blocks with command 2.

#include "DeviceLink.h"
#include "TransferHost.h"

#include <string>

namespace teedesk {

// Each block gets this many attempts before the transfer stops without a message.
constexpr int kFirmwareBlockAttempts = 2;

TransferResult WriteFirmware(DeviceLink& link, const std::string& path, TransferHost& host);

} // namespace teedesk
