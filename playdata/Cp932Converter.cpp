#include "Cp932Converter.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

namespace teedesk {

Cp932Converter::Cp932Converter()
{
    UErrorCode status = U_ZERO_ERROR;
    converter_ = ucnv_open("windows-932", &status);
    if (U_FAILURE(status)) {
        converter_ = nullptr;
        return;
    }
    // ICU substitutes U+001A for a single bad byte while the converter has a one-byte
    // substitution character; setting its own two-byte one again clears that, so U+FFFD it is.
    char substitution[8];
    int8_t length = sizeof substitution;
    ucnv_getSubstChars(converter_, substitution, &length, &status);
    ucnv_setSubstChars(converter_, substitution, length, &status);
    ucnv_setToUCallBack(converter_, UCNV_TO_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) {
        ucnv_close(converter_);
        converter_ = nullptr;
        return;
    }
    // The table moves a few control bytes elsewhere; those lines take the slow way.
    for (int byte = 1; byte < 0x80; ++byte) {
        const char in = static_cast<char>(byte);
        UChar out[2] = {};
        UErrorCode byteStatus = U_ZERO_ERROR;
        const int32_t count = ucnv_toUChars(converter_, out, 2, &in, 1, &byteStatus);
        identity_[byte] = U_SUCCESS(byteStatus) && count == 1 && out[0] == byte;
    }
}

Cp932Converter::~Cp932Converter()
{
    if (converter_)
        ucnv_close(converter_);
}

bool Cp932Converter::IsPlain(std::string_view text) const
{
    bool plain = true;
    for (const char c : text)
        plain &= identity_[static_cast<unsigned char>(c)];
    return plain;
}

bool Cp932Converter::AppendUtf8(std::string_view text, std::string& out)
{
    if (!converter_)
        return false;
    if (IsPlain(text)) {
        out.append(text);
        return true;
    }

    // One UTF-16 unit per byte at most: code page 932 maps into the BMP, a substitution is one unit.
    utf16_.resize(text.size() + 1);
    ucnv_resetToUnicode(converter_);
    UErrorCode status = U_ZERO_ERROR;
    const int32_t units = ucnv_toUChars(converter_, reinterpret_cast<UChar*>(utf16_.data()),
                                        static_cast<int32_t>(utf16_.size()), text.data(),
                                        static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status))
        return false;

    const size_t start = out.size();
    out.resize(start + static_cast<size_t>(units) * 3);
    int32_t bytes = 0;
    u_strToUTF8WithSub(out.data() + start, static_cast<int32_t>(out.size() - start), &bytes,
                       reinterpret_cast<const UChar*>(utf16_.data()), units, 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) {
        out.resize(start);
        return false;
    }
    out.resize(start + static_cast<size_t>(bytes));
    return true;
}

} // namespace teedesk
