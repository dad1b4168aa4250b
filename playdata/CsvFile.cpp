#include "CsvFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace teedesk {

namespace {
// Big enough that a round costs a handful of system calls, small enough to lose little on a crash.
constexpr size_t kBufferSize = 64 * 1024;
} // namespace

std::unique_ptr<CsvFile> CsvFile::Create(const std::string& path, std::string* error)
{
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        if (error)
            *error = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<CsvFile>(descriptor);
}

CsvFile::CsvFile(int descriptor) : descriptor_(descriptor) { buffer_.resize(kBufferSize); }

CsvFile::~CsvFile() { Close(); }

bool CsvFile::Write(std::string_view bytes)
{
    if (descriptor_ < 0 || failed_)
        return false;
    if (bytes.size() > buffer_.size() - used_) {
        if (!Flush())
            return false;
        if (bytes.size() > buffer_.size())
            return WriteAll(bytes.data(), bytes.size());
    }
    std::memcpy(buffer_.data() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
    return true;
}

bool CsvFile::Close()
{
    if (descriptor_ < 0)
        return closeResult_;
    const bool flushed = !failed_ && Flush();
    const bool closed = ::close(descriptor_) == 0;
    descriptor_ = -1;
    closeResult_ = flushed && closed;
    return closeResult_;
}

bool CsvFile::Flush()
{
    const bool written = WriteAll(buffer_.data(), used_);
    used_ = 0;
    return written;
}

bool CsvFile::WriteAll(const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(descriptor_, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            failed_ = true;
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

} // namespace teedesk
