#pragma once
// The play data import: count the sessions, preset the file name, and the worker that reads
// every session block by block and appends it to the CSV file.

#include "CsvOutput.h"
#include "DeviceLink.h"
#include "TransferHost.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace teedesk {

// A round is a few hundred kilobytes; a larger count is taken for a fault of the watch
// and the session is left out like one that could not be read.
constexpr uint32_t kMaxSessionBytes = 16u * 1024 * 1024;

// Command 4: the number of sessions on the watch, or nothing when the exchange failed.
std::optional<uint32_t> CountSessions(DeviceLink& link);

// "YYYYMMDD_hhmmss.csv" from a local time.
std::string PresetCsvFileName(const std::tm& localTime);

// What the worker takes from the process and the file system; tests put in their own.
struct DownloadSeams {
    // Read before every block; by default the process-wide g_bDeviceConnected, which the
    // connection watcher keeps, not the page's cached copy.
    std::function<bool()> deviceConnected;
    // Creates (truncates) the file; null with a reason when it can't.
    std::function<std::unique_ptr<CsvOutput>(const std::string& path, std::string* error)> createFile;
};

// How the download went, beyond what the window shows.
struct DownloadSummary {
    uint32_t sessionsWritten = 0;
    std::vector<uint32_t> sessionsLeftOut; // indices of sessions not read or not written
    bool writeFailed = false;              // a write failed: the file stops short
};

// The worker. Completed when it showed the completion text; otherwise the file could not be
// created or started, and `reason` says so.
TransferResult DownloadPlayData(DeviceLink& link, const std::string& path, uint32_t sessionCount, TransferHost& host);
TransferResult DownloadPlayData(DeviceLink& link, const std::string& path, uint32_t sessionCount, TransferHost& host,
                                const DownloadSeams& seams, DownloadSummary* summary);

} // namespace teedesk
