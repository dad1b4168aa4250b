#include "CsvFormat.h"

#include <charconv>
#include <system_error>

namespace teedesk {

namespace {

// Writes the digits backwards so that they end at `end`; returns their start.
char* PutDecimal(char* end, char* limit, int64_t value, int minDigits)
{
    char* p = end;
    // Work on the magnitude as unsigned so INT64_MIN needs no special case.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    // printf's width counts the sign.
    const int width = value < 0 ? minDigits - 1 : minDigits;
    while (end - p < width && p > limit + 1)
        *--p = '0';
    if (value < 0)
        *--p = '-';
    return p;
}

} // namespace

void AppendDecimal(std::string& out, int64_t value, int minDigits)
{
    char text[48];
    char* end = text + sizeof text;
    out.append(PutDecimal(end, text, value, minDigits), end);
}

void AppendDecimalField(std::string& out, int64_t value, int minDigits)
{
    char text[48];
    char* end = text + sizeof text;
    *--end = '"';
    char* start = PutDecimal(end, text + 1, value, minDigits);
    *--start = '"';
    out.append(start, text + sizeof text);
}

void AppendFixed6Field(std::string& out, double value)
{
    char text[324];
    text[0] = '"';
    const auto [end, error] = std::to_chars(text + 1, text + sizeof text - 1, value, std::chars_format::fixed, 6);
    if (error != std::errc())
        return;
    *end = '"';
    out.append(text, end + 1);
}

void AppendFixed6(std::string& out, double value)
{
    // Room for the largest double in fixed notation with six decimals.
    char text[320];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    if (error == std::errc())
        out.append(text, end);
}

} // namespace teedesk
