#pragma once
// The few printf conversions the CSV lines use, written without the C locale's say:
// "%d", "%02d", "%04d" and "%lf" (six decimals, always a point).

#include <cstdint>
#include <string>
#include <string_view>

namespace teedesk {

// As "%0<minDigits>d" would print it.
void AppendDecimal(std::string& out, int64_t value, int minDigits = 1);
// As "%lf" prints it in the C locale.
void AppendFixed6(std::string& out, double value);

// "<text>", nothing inside escaped.
inline void AppendField(std::string& out, std::string_view text)
{
    out += '"';
    out.append(text);
    out += '"';
}

// "<decimal>" and "<%lf>" as whole fields.
void AppendDecimalField(std::string& out, int64_t value, int minDigits = 1);
void AppendFixed6Field(std::string& out, double value);

} // namespace teedesk
