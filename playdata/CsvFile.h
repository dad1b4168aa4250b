#pragma once
// The CSV file on disk, written through a buffer. A failed write or flush ends the file:
// later writes are refused, and Close reports it.

#include "CsvOutput.h"

#include <memory>
#include <string>
#include <vector>

namespace teedesk {

class CsvFile final : public CsvOutput {
public:
    // Created anew, write-only (read access would keep a pipe from ever reporting that its
    // reader left); an existing file is truncated.
    // Null, with the system's reason in `error`, when it can't be created.
    static std::unique_ptr<CsvFile> Create(const std::string& path, std::string* error = nullptr);

    // Takes over an open descriptor (a temporary file, for instance).
    explicit CsvFile(int descriptor);
    ~CsvFile() override;

    CsvFile(const CsvFile&) = delete;
    CsvFile& operator=(const CsvFile&) = delete;

    bool Write(std::string_view bytes) override;
    bool Close() override;
    bool isOpen() const override { return descriptor_ >= 0; }

private:
    bool WriteAll(const char* data, size_t size);
    bool Flush();

    int descriptor_;
    bool failed_ = false;
    bool closeResult_ = false;
    std::vector<char> buffer_;
    size_t used_ = 0;
};

} // namespace teedesk
