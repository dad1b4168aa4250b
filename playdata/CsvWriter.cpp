#include "CsvWriter.h"

namespace teedesk {

CsvWriter::CsvWriter(CsvOutput& output, uint16_t modelIndex) : output_(output), modelIndex_(modelIndex) {}

bool CsvWriter::WriteCsvLine(std::string_view line)
{
    if (!output_.isOpen())
        return false;
    if (converter_.isOpen() && converter_.IsPlain(line))
        return output_.Write(line);
    utf8_.clear();
    if (!converter_.AppendUtf8(line, utf8_))
        return false;
    return output_.Write(utf8_);
}

} // namespace teedesk
