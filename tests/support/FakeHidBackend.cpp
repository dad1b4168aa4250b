#include "FakeHidBackend.h"

#include <algorithm>
#include <cstring>

namespace teedesk::test {

CommandPacket PacketOf(std::span<const uint8_t> report)
{
    CommandPacket packet{};
    if (report.size() >= kReportSize)
        ReportToPacket(report.data(), packet);
    return packet;
}

Report MakeReply(std::span<const uint8_t> request, const std::function<void(CommandPacket&)>& change)
{
    CommandPacket packet = PacketOf(request);
    StampPacket(packet, packet.commandCode, 1);
    if (change) {
        change(packet);
        // Re-stamp the CRC only; a change may deliberately break markers or direction.
        const uint16_t crc = PacketCrc(packet);
        packet.crcHigh = static_cast<uint8_t>(crc >> 8);
        packet.crcLow = static_cast<uint8_t>(crc);
    }
    Report report(kReportSize);
    PacketToReport(packet, report.data());
    return report;
}

FakeHidHandle::Responder EchoResponder(std::function<void(CommandPacket&)> fill)
{
    return [fill](std::span<const uint8_t> request) { return std::vector<Report>{MakeReply(request, fill)}; };
}

HidWriteStatus FakeHidHandle::Write(std::span<const uint8_t> report, std::chrono::milliseconds)
{
    if (closed_) {
        ++usesAfterClose_;
        return HidWriteStatus::Failed;
    }
    {
        std::lock_guard lock(mutex_);
        writes_.emplace_back(report.begin(), report.end());
    }
    const HidWriteStatus status = nextWrite_.exchange(HidWriteStatus::Written);
    if (status == HidWriteStatus::Written && responder_)
        for (const Report& reply : responder_(report))
            queue_.Push(reply.data(), reply.size());
    return status;
}

HidReadResult FakeHidHandle::Read(std::span<uint8_t> buffer, std::chrono::milliseconds limit)
{
    if (closed_) {
        ++usesAfterClose_;
        return {HidReadStatus::Failed, 0};
    }
    return queue_.Pop(buffer, limit);
}

void FakeHidHandle::Close()
{
    closed_ = true;
    queue_.Fail();
}

std::vector<Report> FakeHidHandle::writes() const
{
    std::lock_guard lock(mutex_);
    return writes_;
}

void FakeHidBackend::Add(Interface interface)
{
    std::lock_guard lock(mutex_);
    interfaces_.push_back(std::move(interface));
}

std::shared_ptr<FakeHidHandle> FakeHidBackend::handle(const std::string& path) const
{
    std::lock_guard lock(mutex_);
    for (auto it = handles_.rbegin(); it != handles_.rend(); ++it)
        if (it->first == path)
            return it->second;
    return nullptr;
}

std::vector<std::string> FakeHidBackend::Enumerate()
{
    std::lock_guard lock(mutex_);
    std::vector<std::string> paths;
    for (const Interface& interface : interfaces_)
        paths.push_back(interface.path);
    return paths;
}

std::optional<HidAttributes> FakeHidBackend::ReadAttributes(const std::string& path)
{
    std::lock_guard lock(mutex_);
    for (const Interface& interface : interfaces_)
        if (interface.path == path)
            return interface.attributes;
    return std::nullopt;
}

HidOpenResult FakeHidBackend::Open(const std::string& path)
{
    std::lock_guard lock(mutex_);
    for (const Interface& interface : interfaces_) {
        if (interface.path != path)
            continue;
        if (interface.refuse != HidOpenError::None)
            return {nullptr, interface.refuse};
        auto handle = std::make_shared<FakeHidHandle>(interface.responder);
        handles_.emplace_back(path, handle);
        ++openCount_;
        return {handle, HidOpenError::None};
    }
    return {nullptr, HidOpenError::Failed};
}

void FakeHidBackend::SetRemovalCallback(RemovalCallback callback)
{
    std::lock_guard lock(mutex_);
    callback_ = std::move(callback);
}

void FakeHidBackend::Remove(const std::string& path)
{
    RemovalCallback callback;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(interfaces_, [&](const Interface& interface) { return interface.path == path; });
        for (auto& [openedPath, handle] : handles_)
            if (openedPath == path)
                handle->Close();
        callback = callback_;
    }
    if (callback)
        callback(path);
}

} // namespace teedesk::test
