#include "OutputFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace teedesk::cli {

bool WriteAllBytes(int descriptor, const void* bytes, size_t size)
{
    const auto* next = static_cast<const char*>(bytes);
    size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(descriptor, next + done, size - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

OutputFile::OutputFile(std::string path) : path_(std::move(path)), target_(path_) {}

OutputFile::~OutputFile()
{
    if (owned_ && descriptor_ >= 0)
        ::close(descriptor_);
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

int OutputFile::Open()
{
    if (path_ == "-") {
        descriptor_ = STDOUT_FILENO;
        return descriptor_;
    }
    struct stat existing {};
    const bool exists = ::stat(path_.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) {
        descriptor_ = ::open(path_.c_str(), O_WRONLY | O_CLOEXEC);
        if (descriptor_ < 0)
            std::fprintf(stderr, "cannot open %s: %s\n", path_.c_str(), std::strerror(errno));
        owned_ = descriptor_ >= 0;
        return descriptor_;
    }
    if (exists) {
        char resolved[PATH_MAX];
        if (::realpath(path_.c_str(), resolved))
            target_ = resolved; // the file a link names is replaced, not the link
    }
    std::string temporary = target_ + ".XXXXXX";
    descriptor_ = ::mkstemp(temporary.data());
    if (descriptor_ < 0) {
        std::fprintf(stderr, "cannot create %s: %s\n", path_.c_str(), std::strerror(errno));
        return -1;
    }
    temporary_ = temporary;
    owned_ = true;
    mode_t mode = existing.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask; // as an ordinary new file, not mkstemp's 0600
    }
    ::fchmod(descriptor_, mode);
    return descriptor_;
}

int OutputFile::ReleaseDescriptor()
{
    owned_ = false;
    return descriptor_;
}

bool OutputFile::Commit()
{
    if (owned_) {
        bool ok = temporary_.empty() || ::fsync(descriptor_) == 0;
        ok = ::close(descriptor_) == 0 && ok;
        owned_ = false;
        if (!ok) {
            std::fprintf(stderr, "cannot write %s: %s\n", path_.c_str(), std::strerror(errno));
            return false;
        }
    }
    if (temporary_.empty())
        return true;
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        std::fprintf(stderr, "cannot write %s: %s\n", path_.c_str(), std::strerror(errno));
        return false;
    }
    temporary_.clear();
    return true;
}

bool OutputFile::WriteWhole(const std::string& path, const void* bytes, size_t size)
{
    OutputFile file(path);
    const int descriptor = file.Open();
    if (descriptor < 0)
        return false;
    if (!WriteAllBytes(descriptor, bytes, size)) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return file.Commit();
}

} // namespace teedesk::cli
