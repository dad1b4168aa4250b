#pragma once
// The open CSV file as the section writers see it: the output, the code page 932 converter
// opened once for the whole file, and the connected model, which picks the section variants.

#include "Cp932Converter.h"
#include "CsvOutput.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace teedesk {

class CsvWriter {
public:
    CsvWriter(CsvOutput& output, uint16_t modelIndex);

    // False when the converter could not be opened; nothing can be written then.
    bool ready() const { return converter_.isOpen(); }
    uint16_t modelIndex() const { return modelIndex_; }
    bool isOpen() const { return output_.isOpen(); }

    // `line` is code page 932 text holding one or more lines, each ended by \n; it goes out
    // as UTF-8. False when the write failed or the file is closed.
    bool WriteCsvLine(std::string_view line);
    // Bytes as they are (the byte-order mark).
    bool WriteBytes(std::string_view bytes) { return output_.Write(bytes); }
    bool Close() { return output_.Close(); }

    // Scratch space for building lines, kept between lines to spare allocations.
    std::string& lineBuffer() { return line_; }

private:
    CsvOutput& output_;
    const uint16_t modelIndex_;
    Cp932Converter converter_;
    std::string utf8_;
    std::string line_;
};

} // namespace teedesk
