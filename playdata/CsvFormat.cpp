#include "CsvFormat.h"

#include <charconv>
#include <system_error>

namespace teedesk {

void AppendDecimal(std::string& out, int64_t value, int minDigits)
{
    char digits[24];
    char* end = digits + sizeof digits;
    char* p = end;
    // Work on the magnitude as unsigned so INT64_MIN needs no special case.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) {
        out += '-';
        --minDigits; // printf's width counts the sign
    }
    for (int count = static_cast<int>(end - p); count < minDigits; ++count)
        out += '0';
    out.append(p, end);
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
