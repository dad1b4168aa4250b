#pragma once
// Reads a play data CSV file that this program wrote back into rounds.
//
// Fields are quoted but nothing inside them is escaped, so a line is split on the
// quote-comma-quote boundary; a name that itself holds "," is put back together from the
// columns around it that have fixed forms. Lines without quotes (a spreadsheet's re-save)
// are split on commas. A missing byte-order mark, CRLF line ends, blank lines and a file
// re-saved in code page 932 are taken as they come.

#include "Round.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace teedesk {

struct RoundReadError {
    size_t line = 0; // 1-based; 0 for the file as a whole
    std::string message;

    // "line 12: ..." or the message alone.
    std::string Text() const;
};

// False, with the reason, for bytes that are not a play data file of ours.
bool ReadRounds(std::string_view bytes, RoundFile& rounds, RoundReadError& error);

// Play data files are a few MiB per round; anything far larger is not one.
inline constexpr size_t kMaxRoundFileBytes = size_t{512} << 20;

// Reads the file at `path`; errors name the path.
bool ReadRoundFile(const std::string& path, RoundFile& rounds, std::string& error);

} // namespace teedesk
