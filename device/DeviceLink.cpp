#include "DeviceLink.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace teedesk {

DeviceLink::DeviceLink(HidBackend& backend, std::chrono::milliseconds timeLimit)
    : backend_(backend), timeLimit_(timeLimit)
{
}

DeviceLink::~DeviceLink()
{
    // No removal notice may reach this link once it is gone; the backend waits for one under way.
    if (registered_)
        backend_.SetRemovalCallback({});
    Close();
}

bool DeviceLink::Discover()
{
    if (isOpen_)
        return true;

    std::string filter;
    {
        std::lock_guard lock(stateMutex_);
        filter = filter_;
        lastOpenError_ = HidOpenError::None;
    }
    for (const std::string& path : backend_.Enumerate()) {
        if (!filter.empty() && path != filter)
            continue;
        {
            std::lock_guard lock(stateMutex_);
            devicePath_ = path;
        }
        const std::optional<HidAttributes> attributes = backend_.ReadAttributes(path);
        if (!attributes)
            continue;
        const DeviceModel* known =
            MatchKnownModel(attributes->vendorId, attributes->productId, attributes->releaseNumber);
        if (!known)
            continue;
        HidOpenResult opened = backend_.Open(path);
        if (!opened.handle) {
            std::lock_guard lock(stateMutex_);
            lastOpenError_ = opened.error;
            lastOpenFailurePath_ = path;
            continue; // held by another program, or no access
        }
        std::lock_guard lock(stateMutex_);
        handle_ = std::move(opened.handle);
        model_ = *known;
        lastOpenError_ = HidOpenError::None;
        isOpen_ = true;
        return true;
    }
    return false;
}

bool DeviceLink::Identify()
{
    if (model().modelIndex == kModelPin)
        return true;
    uint8_t payload[kBlockSize];
    return ReadBlock(Command::Identity, 0, payload);
}

void DeviceLink::Close()
{
    std::shared_ptr<HidHandle> handle;
    {
        std::lock_guard lock(stateMutex_);
        isOpen_ = false;
        handle = std::move(handle_);
        model_ = DeviceModel{};
    }
    // Wakes an exchange that waits on it; the exchange holds its own reference until it returns.
    if (handle)
        handle->Close();
}

bool DeviceLink::MatchesDevicePath(const std::string& path) const
{
    std::lock_guard lock(stateMutex_);
    return std::equal(path.begin(), path.end(), devicePath_.begin(), devicePath_.end(),
                      [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

void DeviceLink::RegisterDeviceNotifications(HidBackend::RemovalCallback onRemoval)
{
    registered_ = true;
    backend_.SetRemovalCallback(std::move(onRemoval));
}

void DeviceLink::SetDeviceFilter(std::string path)
{
    std::lock_guard lock(stateMutex_);
    filter_ = std::move(path);
}

DeviceModel DeviceLink::model() const
{
    std::lock_guard lock(stateMutex_);
    return model_;
}

std::string DeviceLink::devicePath() const
{
    std::lock_guard lock(stateMutex_);
    return devicePath_;
}

HidOpenError DeviceLink::lastOpenError() const
{
    std::lock_guard lock(stateMutex_);
    return lastOpenError_;
}

std::string DeviceLink::lastOpenFailurePath() const
{
    std::lock_guard lock(stateMutex_);
    return lastOpenFailurePath_;
}

std::shared_ptr<HidHandle> DeviceLink::CurrentHandle() const
{
    std::lock_guard lock(stateMutex_);
    return handle_;
}

std::optional<uint32_t> DeviceLink::OpeningExchange(uint8_t command, uint32_t argument, uint32_t firstWord)
{
    std::lock_guard lock(exchangeMutex_);
    request_.phase = 1;
    request_.SetArgument(argument);
    // The watch reads only the first word; the rest is sent as zeros rather than stale data.
    std::memset(request_.payload, 0, sizeof request_.payload);
    request_.SetFirstWord(firstWord);
    BuildRequest(command);
    if (!Exchange())
        return std::nullopt;
    return reply_.FirstWord();
}

bool DeviceLink::ReadBlock(uint8_t command, uint32_t argument, uint8_t* destination)
{
    std::lock_guard lock(exchangeMutex_);
    std::memset(request_.payload, 0, sizeof request_.payload);
    request_.phase = 0;
    request_.SetArgument(argument);
    BuildRequest(command);
    if (!Exchange() || reply_.Argument() != argument)
        return false;
    std::memcpy(destination, reply_.payload, kBlockSize);
    return true;
}

bool DeviceLink::WriteBlock(uint8_t command, const uint8_t* source, uint32_t argument)
{
    std::lock_guard lock(exchangeMutex_);
    std::memcpy(request_.payload, source, kBlockSize);
    request_.phase = 0;
    request_.SetArgument(argument);
    BuildRequest(command);
    return Exchange() && reply_.Argument() == argument;
}

void DeviceLink::BuildRequest(uint8_t command)
{
    commandCode_ = command;
    StampPacket(request_, command);
    PacketToReport(request_, outReport_.data());
}

bool DeviceLink::Exchange()
{
    // A closed handle is never written again; a closed link fails at once instead of
    // sitting out the read limit.
    const std::shared_ptr<HidHandle> handle = CurrentHandle();
    if (!handle || !isOpen_)
        return false;

    // A reply that came after an earlier time-out must not pass for this request's.
    handle->DropPending();

    switch (handle->Write(outReport_, timeLimit_)) {
    case HidWriteStatus::TimedOut:
        return false;
    case HidWriteStatus::Written:
    case HidWriteStatus::Failed: // the read's limit decides, as for a write refused at once
        break;
    }
    if (!isOpen_)
        return false;

    const HidReadResult read = handle->Read(inReport_, timeLimit_);
    if (read.status != HidReadStatus::Delivered || !isOpen_)
        return false;
    if (read.count != kReportSize)
        return false;
    return ValidateReply();
}

bool DeviceLink::ValidateReply()
{
    ReportToPacket(inReport_.data(), reply_);
    return IsAcceptableReply(reply_, commandCode_);
}

} // namespace teedesk
