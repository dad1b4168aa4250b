#pragma once
// A CSV output in memory that can be made to fail after a number of bytes, like a full disk:
// the bytes up to the limit are kept, the write that crosses it fails, and so does every
// later one.

#include "CsvOutput.h"

#include <cstddef>
#include <limits>
#include <string>

namespace teedesk::test {

class MemoryOutput final : public CsvOutput {
public:
    explicit MemoryOutput(size_t failAfter = std::numeric_limits<size_t>::max()) : failAfter_(failAfter) {}

    bool Write(std::string_view bytes) override
    {
        ++writeCalls;
        if (!open_ || failed_)
            return false;
        if (bytes.size() > failAfter_ - text.size()) {
            text.append(bytes.substr(0, failAfter_ - text.size()));
            failed_ = true;
            return false;
        }
        text.append(bytes);
        return true;
    }
    bool Close() override
    {
        if (open_) {
            open_ = false;
            ++closes;
        }
        return !failed_;
    }
    bool isOpen() const override { return open_; }

    std::string text;
    int closes = 0;     // real closes, not calls
    int writeCalls = 0;

private:
    size_t failAfter_;
    bool open_ = true;
    bool failed_ = false;
};

} // namespace teedesk::test
