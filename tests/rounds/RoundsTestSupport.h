#pragma once
// Play data CSV text made by the real writer, and the external checkers the tests run.

#include "Round.h"

#include <cstdint>
#include <string>
#include <vector>

namespace teedesk::test {

// The whole file the download writes for these sessions (byte-order mark, tag line, sessions).
std::string CsvOf(uint16_t modelIndex, const std::vector<std::vector<uint8_t>>& sessions);
// Simulated rounds of the model, through the real writer.
std::string SimulatedCsv(uint16_t modelIndex, int count, uint32_t seed = 7);

// What the writer put out for these sessions: fixes of mode 2 or 3, and marks.
struct WrittenCounts {
    size_t fixes = 0;
    size_t marks = 0;
};
WrittenCounts CountWritten(const std::vector<std::vector<uint8_t>>& sessions);

// Reads the file or fails the test.
RoundFile ReadOrFail(const std::string& csv);

void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);

// Runs a shell command; its standard output, and its exit status in `status`.
std::string RunShell(const std::string& command, int* status = nullptr);

// Paths found at configure time; empty when the program is not installed.
inline const std::string kGpsbabel = TEEDESK_GPSBABEL;
inline const std::string kXmllint = TEEDESK_XMLLINT;
inline const std::string kGpxSubsetSchema = TEEDESK_ROUNDS_SOURCE_DIR "/gpx-subset.xsd";

} // namespace teedesk::test
