#pragma once
// Where the CSV bytes go. The file is one implementation; tests put in one that fails after
// a number of bytes.

#include <string_view>

namespace teedesk {

class CsvOutput {
public:
    virtual ~CsvOutput() = default;

    // False once a write has failed or the output is closed; nothing more is written then.
    virtual bool Write(std::string_view bytes) = 0;
    // Idempotent: the first call closes; every call returns whether all bytes reached the file.
    virtual bool Close() = 0;
    virtual bool isOpen() const = 0;
};

} // namespace teedesk
