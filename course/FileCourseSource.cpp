#include "FileCourseSource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace teedesk {

FileCourseSource::~FileCourseSource() { Close(); }

FileOpenStatus FileCourseSource::Open(const std::string& path)
{
    Close();
    // Non-blocking, so that naming a pipe cannot hang the worker before the length check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return FileOpenStatus::CannotOpen;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return FileOpenStatus::CannotGetLength;
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        return FileOpenStatus::CannotOpen;
    }
    if (!S_ISREG(info.st_mode) || info.st_size < 0) {
        ::close(fd);
        return FileOpenStatus::CannotGetLength;
    }
    fd_ = fd;
    size_ = static_cast<uint64_t>(info.st_size);
    return FileOpenStatus::Opened;
}

void FileCourseSource::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    size_ = 0;
}

bool FileCourseSource::ReadAt(uint64_t offset, uint8_t* destination, size_t length)
{
    if (fd_ < 0)
        return false;
    size_t done = 0;
    while (done < length) {
        const uint64_t at = offset + done;
        if (at < offset || at > static_cast<uint64_t>(INT64_MAX))
            return false;
        const ssize_t got = ::pread(fd_, destination + done, length - done, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false; // an error, or the file ended early
        done += static_cast<size_t>(got);
    }
    return true;
}

} // namespace teedesk
