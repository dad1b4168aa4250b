#include "PlayDataDownload.h"

#include "ConnectionState.h"
#include "CsvFile.h"
#include "CsvSections.h"
#include "CsvWriter.h"

#include <cstdio>
#include <new>
#include <span>

namespace teedesk {

namespace {

constexpr int kBlockAttempts = 2;

bool ReadSession(DeviceLink& link, uint32_t byteCount, std::vector<uint8_t>& buffer, TransferHost& host,
                 const std::function<bool()>& deviceConnected)
{
    const uint32_t blocks = byteCount / kBlockSize + (byteCount % kBlockSize != 0 ? 1 : 0);
    const size_t bytes = size_t{blocks} * kBlockSize;
    try {
        if (bytes > buffer.capacity()) {
            // Exactly one session: growing the old buffer would copy it and hold both at once.
            buffer = std::vector<uint8_t>();
            buffer.reserve(bytes);
        }
        buffer.resize(bytes);
    } catch (const std::bad_alloc&) {
        return false;
    }
    host.SetProgressPos(0);
    for (uint32_t block = 0; block < blocks; ++block) {
        if (!deviceConnected()) {
            host.ShowMessage(kTextDeviceRemoved, kCaptionError, MessageIcon::Error);
            return false;
        }
        uint8_t* destination = buffer.data() + size_t{block} * kBlockSize;
        bool read = false;
        for (int attempt = 0; attempt < kBlockAttempts && !read; ++attempt)
            read = link.ReadBlock(Command::Session, block, destination);
        if (!read)
            return false;
        host.SetProgressPos(static_cast<int>(uint64_t{block} * 25600 / byteCount));
        const uint64_t done = std::min<uint64_t>(uint64_t{block + 1} * kBlockSize, byteCount);
        host.ReportBytes(done, byteCount);
    }
    host.SetProgressPos(100);
    return true;
}

TransferResult DownloadLocked(DeviceLink& link, const std::string& path, uint32_t sessionCount, TransferHost& host,
                              const DownloadSeams& seams, DownloadSummary& summary)
{
    std::string error;
    const std::unique_ptr<CsvOutput> output = seams.createFile(path, &error);
    if (!output)
        return {false, "cannot create " + path + ": " + error};

    CsvWriter file(*output, link.model().modelIndex);
    if (!file.ready()) {
        output->Close();
        return {false, "no code page 932 converter: cannot write " + path};
    }
    // A file that can't take its first line ends the worker before any session is read.
    if (!WriteFileStart(file)) {
        output->Close();
        return {false, "cannot write " + path};
    }

    std::vector<uint8_t> buffer;
    for (uint32_t index = 0; index < sessionCount; ++index) {
        const std::optional<uint32_t> byteCount = link.OpeningExchange(Command::Session, index, 0);
        const bool read = byteCount && *byteCount <= kMaxSessionBytes &&
                          ReadSession(link, *byteCount, buffer, host, seams.deviceConnected);
        if (read && WriteSession(file, index, std::span<const uint8_t>(buffer.data(), *byteCount))) {
            ++summary.sessionsWritten;
            continue;
        }
        summary.sessionsLeftOut.push_back(index);
        if (read)
            summary.writeFailed = true;
    }

    host.SetProgressText(kTextCompleted);
    if (!output->Close())
        summary.writeFailed = true;
    return {true, {}};
}

} // namespace

std::optional<uint32_t> CountSessions(DeviceLink& link) { return link.OpeningExchange(Command::SessionCount, 0, 0); }

std::string PresetCsvFileName(const std::tm& localTime)
{
    char name[64];
    std::snprintf(name, sizeof name, "%04d%02d%02d_%02d%02d%02d.csv", localTime.tm_year + 1900, localTime.tm_mon + 1,
                  localTime.tm_mday, localTime.tm_hour, localTime.tm_min, localTime.tm_sec);
    return name;
}

TransferResult DownloadPlayData(DeviceLink& link, const std::string& path, uint32_t sessionCount, TransferHost& host)
{
    return DownloadPlayData(link, path, sessionCount, host, {}, nullptr);
}

TransferResult DownloadPlayData(DeviceLink& link, const std::string& path, uint32_t sessionCount, TransferHost& host,
                                const DownloadSeams& seams, DownloadSummary* summary)
{
    host.LockTransfer();
    DownloadSeams effective = seams;
    if (!effective.deviceConnected)
        effective.deviceConnected = [] { return g_bDeviceConnected != 0; };
    if (!effective.createFile)
        effective.createFile = [](const std::string& target, std::string* error) -> std::unique_ptr<CsvOutput> {
            return CsvFile::Create(target, error);
        };
    DownloadSummary local;
    const TransferResult result = DownloadLocked(link, path, sessionCount, host, effective, summary ? *summary : local);
    host.UnlockTransfer();
    return result;
}

} // namespace teedesk
