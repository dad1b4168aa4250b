#include "WriteFirmware.h"

#include "CommandPacket.h"
#include "FirmwareFile.h"
#include "FirmwareFormat.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace teedesk {

namespace {

void Show(TransferHost& host, const FirmwareMessage& message)
{
    host.ShowMessage(std::string(message.text), std::string(message.caption), MessageIcon::Error);
}

// Everything up to the clean-up; the file and its buffer are gone when this returns.
TransferResult Transfer(DeviceLink& link, const std::string& path, TransferHost& host)
{
    FirmwareFile file;
    if (const auto status = file.Open(path); status != FirmwareFile::Status::Ok) {
        Show(host, FileMessage(status));
        return {};
    }

    host.LockTransfer();

    const uint32_t n = file.length();
    const uint32_t blockCount = (n >> 8) + ((n & 0xFF) != 0 ? 1 : 0);

    if (const auto status = file.ReadAll(); status != FirmwareFile::Status::Ok) {
        Show(host, FileMessage(status));
        return {};
    }
    const std::span<const uint8_t> bytes = file.bytes();

    const FirmwareCheck check = CheckFirmware(bytes, link.model().IdentityName());
    if (!check.kind) {
        Show(host, check.refusal);
        return {};
    }

    if (!link.OpeningExchange(Command::Firmware, 0, n))
        return {false, "the watch did not accept the opening exchange of the firmware transfer"};

    // 25600 x blocks would pass 32 bits from about 168,000 blocks on.
    uint64_t numerator = 0;
    for (uint32_t index = 0; index < blockCount; ++index) {
        if (!host.IsConnected()) {
            host.ShowMessage(kTextDeviceRemoved, kCaptionError, MessageIcon::Error);
            return {};
        }

        const size_t offset = static_cast<size_t>(index) * kBlockSize;
        const size_t count = std::min(kBlockSize, bytes.size() - offset);
        uint8_t tail[kBlockSize] = {};
        const uint8_t* source = bytes.data() + offset;
        if (count < kBlockSize) {
            // The watch knows N; what lies past the file's end in the last block is zeros.
            std::memcpy(tail, source, count);
            source = tail;
        }

        bool written = false;
        for (int attempt = 0; attempt < kFirmwareBlockAttempts && !written; ++attempt)
            written = link.WriteBlock(Command::Firmware, source, index);
        if (!written)
            return {false, "firmware block " + std::to_string(index) + " of " + std::to_string(blockCount) +
                               " failed twice"};

        host.SetProgressPos(static_cast<int>(numerator / n));
        numerator += 25600;
        host.ReportBytes(offset + count, n);
    }

    host.SetProgressPos(100);
    host.SetProgressText(kTextCompleted);
    return {true, {}};
}

} // namespace

TransferResult WriteFirmware(DeviceLink& link, const std::string& path, TransferHost& host)
{
    TransferResult result = Transfer(link, path, host);
    // Every way out, a refused file included, gives the page its button back and clears the lock.
    host.UnlockTransfer();
    return result;
}

} // namespace teedesk
