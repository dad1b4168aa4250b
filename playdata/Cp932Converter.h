#pragma once
// Code page 932 bytes to UTF-8 through ICU. One converter serves every line of a file;
// it is not shared between threads.

#include <array>
#include <string>
#include <string_view>
#include <vector>

struct UConverter;

namespace teedesk {

class Cp932Converter {
public:
    Cp932Converter();
    ~Cp932Converter();

    Cp932Converter(const Cp932Converter&) = delete;
    Cp932Converter& operator=(const Cp932Converter&) = delete;

    // False when ICU has no code page 932 table.
    bool isOpen() const { return converter_ != nullptr; }

    // True when the UTF-8 form of `text` is `text` itself.
    bool IsPlain(std::string_view text) const;
    // Appends the UTF-8 form of `text`; bytes not valid in code page 932 become U+FFFD.
    bool AppendUtf8(std::string_view text, std::string& out);

private:
    UConverter* converter_ = nullptr;
    // Bytes that the table maps to themselves, all below 0x80: such lines are copied as they are.
    std::array<bool, 256> identity_{};
    std::vector<char16_t> utf16_;
};

} // namespace teedesk
