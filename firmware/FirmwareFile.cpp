#include "FirmwareFile.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace teedesk {

FirmwareFile::~FirmwareFile() { Close(); }

void FirmwareFile::Close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

FirmwareFile::Status FirmwareFile::Open(const std::string& path)
{
    Close();
    buffer_.reset();
    loaded_ = false;
    length_ = 0;

    // Non-blocking so that a FIFO cannot hold the open; only regular files are taken.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return Status::OpenFailed;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return Status::LengthFailed;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return Status::OpenFailed;
    }
    fd_ = fd;
    if (info.st_size < 0)
        return Status::LengthFailed;
    // The opening exchange announces the length in 32 bits; a longer file would be cut short.
    if (static_cast<uint64_t>(info.st_size) > std::numeric_limits<uint32_t>::max())
        return Status::TooLarge;
    length_ = static_cast<uint32_t>(info.st_size);
    return Status::Ok;
}

FirmwareFile::Status FirmwareFile::ReadAll()
{
    if (fd_ < 0)
        return Status::ReadFailed;
    buffer_.reset(new (std::nothrow) uint8_t[length_ == 0 ? 1 : length_]);
    if (!buffer_) {
        Close();
        return Status::OutOfMemory;
    }
    // One read in intent; the system may hand large files over in parts.
    size_t done = 0;
    while (done < length_) {
        const ssize_t got = ::read(fd_, buffer_.get() + done, length_ - done);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<size_t>(got);
    }
    Close();
    if (done < length_) {
        buffer_.reset();
        return Status::ReadFailed;
    }
    loaded_ = true;
    return Status::Ok;
}

FirmwareFile::Status FirmwareFile::Load(const std::string& path, FirmwareFile& file)
{
    const Status opened = file.Open(path);
    return opened == Status::Ok ? file.ReadAll() : opened;
}

FirmwareMessage FileMessage(FirmwareFile::Status status)
{
    switch (status) {
    case FirmwareFile::Status::Ok: return {};
    case FirmwareFile::Status::OpenFailed: return {"Failed to Open firmware file", "Error"};
    case FirmwareFile::Status::LengthFailed: return {"Failed to Get the length of firmware file", "Error"};
    case FirmwareFile::Status::TooLarge:
        return {"Firmware file is too large (more than 4294967295 bytes)", "Error"};
    case FirmwareFile::Status::OutOfMemory: return {"Not enough memory to read firmware file", "Error"};
    case FirmwareFile::Status::ReadFailed: return {"Failed to read firmware file!", "Open File"};
    }
    return {};
}

} // namespace teedesk
