#pragma once
// The play data CSV file: the file start, and per session the session line and the GPS,
// ACC and MRK sections. Every writer that meets a failed write closes the file and returns
// false; nothing is written after that.

#include "CsvWriter.h"

#include <cstdint>
#include <span>

namespace teedesk {

// Cleared before each session, so each section head appears once per session.
struct CsvSessionState {
    bool gpsHeaderWritten = false;
    bool accHeaderWritten = false;
    bool mrkHeaderWritten = false;
    bool hasAccEvents = false;
    bool hasMarks = false;
};

// `session` is exactly the session's bytes (its byte count n). Shorter than a header, a
// session reads as an empty header without slots; its line dates it 20140101_000000.
bool WriteGpsSection(CsvSessionState& state, CsvWriter& file, std::span<const uint8_t> session);
// Nothing for the LK-Band F.
bool WriteAccSection(CsvSessionState& state, CsvWriter& file, std::span<const uint8_t> session);
bool WriteMrkSection(CsvSessionState& state, CsvWriter& file, std::span<const uint8_t> session);

// The byte-order mark and, for the two bands, the model tag line.
bool WriteFileStart(CsvWriter& file);

// One session as the download appends it: the session line start "SESSION<index + 1>", then
// the sections. False when a write failed (the file is closed then).
bool WriteSession(CsvWriter& file, uint32_t index, std::span<const uint8_t> session);

} // namespace teedesk
