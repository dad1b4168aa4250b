#pragma once
// The firmware file as the writer reads it: opened, its length taken, then read whole into
// one buffer. The steps are separate because the transfer lock is taken between them.

#include "FirmwareFormat.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace teedesk {

class FirmwareFile {
public:
    enum class Status {
        Ok,
        OpenFailed,   // missing, unreadable, or not a regular file
        LengthFailed,
        TooLarge,     // does not fit the 32-bit size the watch is told
        OutOfMemory,
        ReadFailed,   // a read error or fewer bytes than the length
    };

    FirmwareFile() = default;
    ~FirmwareFile();
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;

    // Opens the file for reading and takes its length.
    Status Open(const std::string& path);
    // Allocates the buffer and reads the whole file into it; closes the file either way.
    Status ReadAll();
    void Close();

    uint32_t length() const { return length_; }
    std::span<const uint8_t> bytes() const { return {buffer_.get(), loaded_ ? length_ : 0}; }

    // Open, then ReadAll: for callers that take no lock in between.
    static Status Load(const std::string& path, FirmwareFile& file);

private:
    int fd_ = -1;
    uint32_t length_ = 0;
    bool loaded_ = false;
    std::unique_ptr<uint8_t[]> buffer_;
};

// What the user is told for a status other than Ok.
FirmwareMessage FileMessage(FirmwareFile::Status status);

} // namespace teedesk
