#include "VhidBackend.h"

#include "ReportQueue.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace teedesk {

namespace {

constexpr std::chrono::milliseconds kHandshakeLimit{1000};
constexpr uint8_t kRequestAttributes = 0x00;
constexpr uint8_t kRequestOpen = 0x01;
constexpr uint8_t kGranted = 0x01;

bool EndsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

int ConnectTo(const std::string& path)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        return -1;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// One datagram within the limit; its length, or -1.
ssize_t ReceiveWithin(int fd, uint8_t* buffer, size_t size, std::chrono::milliseconds limit)
{
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(limit.count())) <= 0)
        return -1;
    return recv(fd, buffer, size, 0);
}

bool SendByte(int fd, uint8_t byte) { return send(fd, &byte, 1, MSG_NOSIGNAL) == 1; }

} // namespace

class VhidHandle final : public HidHandle {
public:
    VhidHandle(VhidBackend& backend, std::string path, int fd)
        : backend_(backend), path_(std::move(path)), fd_(fd), wakeFd_(eventfd(0, EFD_CLOEXEC))
    {
        reader_ = std::thread([this] { ReadLoop(); });
    }

    ~VhidHandle() override
    {
        Close();
        reader_.join();
        close(fd_);
        close(wakeFd_);
    }

    HidWriteStatus Write(std::span<const uint8_t> report, std::chrono::milliseconds limit) override
    {
        if (closed_ || queue_.failed())
            return HidWriteStatus::Failed;
        pollfd p[2] = {{fd_, POLLOUT, 0}, {wakeFd_, POLLIN, 0}};
        const int ready = poll(p, 2, static_cast<int>(limit.count()));
        if (ready == 0)
            return HidWriteStatus::TimedOut;
        if (ready < 0 || closed_ || !(p[0].revents & POLLOUT))
            return HidWriteStatus::Failed;
        const ssize_t sent = send(fd_, report.data(), report.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        return sent == static_cast<ssize_t>(report.size()) ? HidWriteStatus::Written : HidWriteStatus::Failed;
    }

    HidReadResult Read(std::span<uint8_t> buffer, std::chrono::milliseconds limit) override
    {
        return queue_.Pop(buffer, limit);
    }

    void DropPending() override { queue_.Clear(); }

    void Close() override
    {
        if (closed_.exchange(true))
            return;
        queue_.Fail();
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t ignored = write(wakeFd_, &one, sizeof one);
    }

    // True the first time only, so a removal is reported once per open.
    bool ClaimRemoval() { return !removalReported_->exchange(true); }
    // Shared with the backend's record of the open, which outlives the handle.
    const std::shared_ptr<std::atomic<bool>>& removalReported() const { return removalReported_; }

private:
    void ReadLoop()
    {
        std::array<uint8_t, ReportQueue::kSlotSize> buffer{};
        for (;;) {
            pollfd p[2] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
            if (poll(p, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (p[1].revents)
                return; // closed by the host: no removal
            const ssize_t n = recv(fd_, buffer.data(), buffer.size(), MSG_TRUNC);
            if (n > 0) {
                queue_.Push(buffer.data(), static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break; // end of file or reset: the device went away
        }
        queue_.Fail();
        // Claimed here rather than in the backend: a reference taken there could be the last one,
        // and this thread would then destroy its own handle and join itself.
        if (!closed_ && ClaimRemoval())
            backend_.ConnectionEnded(path_);
    }

    VhidBackend& backend_;
    const std::string path_;
    const int fd_;
    const int wakeFd_;
    std::atomic<bool> closed_{false};
    const std::shared_ptr<std::atomic<bool>> removalReported_ = std::make_shared<std::atomic<bool>>(false);
    ReportQueue queue_;
    std::thread reader_;
};

VhidBackend::VhidBackend(std::string busDirectory)
{
    std::error_code error;
    const auto absolute = std::filesystem::absolute(busDirectory, error);
    directory_ = error ? busDirectory : absolute.lexically_normal().string();
    while (directory_.size() > 1 && directory_.back() == '/')
        directory_.pop_back();

    inotifyFd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    wakeFd_ = eventfd(0, EFD_CLOEXEC);
    if (inotifyFd_ >= 0)
        inotify_add_watch(inotifyFd_, directory_.c_str(), IN_DELETE | IN_MOVED_FROM);
    monitor_ = std::thread([this] { MonitorLoop(); });
}

VhidBackend::~VhidBackend()
{
    const uint64_t stop = 1ULL << 32; // distinct from the notice wake-ups
    [[maybe_unused]] ssize_t ignored = write(wakeFd_, &stop, sizeof stop);
    monitor_.join();
    if (inotifyFd_ >= 0)
        close(inotifyFd_);
    close(wakeFd_);
}

std::vector<std::string> VhidBackend::Enumerate()
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory_, error)) {
        const std::string name = entry.path().filename().string();
        if (!EndsWith(name, ".hid"))
            continue;
        struct stat info{};
        if (stat(entry.path().c_str(), &info) == 0 && S_ISSOCK(info.st_mode))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end()); // byte-wise: the bus's enumeration order
    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names)
        paths.push_back(directory_ + "/" + name);
    return paths;
}

std::optional<HidAttributes> VhidBackend::ReadAttributes(const std::string& path)
{
    const int fd = ConnectTo(path);
    if (fd < 0)
        return std::nullopt;
    uint8_t datagram[16];
    const ssize_t n = ReceiveWithin(fd, datagram, sizeof datagram, kHandshakeLimit);
    std::optional<HidAttributes> attributes;
    if (n == 8 && SendByte(fd, kRequestAttributes)) {
        attributes = HidAttributes{static_cast<uint16_t>(datagram[0] | datagram[1] << 8),
                                   static_cast<uint16_t>(datagram[2] | datagram[3] << 8),
                                   static_cast<uint16_t>(datagram[4] | datagram[5] << 8)};
    }
    close(fd);
    return attributes;
}

HidOpenResult VhidBackend::Open(const std::string& path)
{
    const int fd = ConnectTo(path);
    if (fd < 0)
        return {nullptr, HidOpenError::Failed};
    uint8_t datagram[16];
    uint8_t answer = 0;
    if (ReceiveWithin(fd, datagram, sizeof datagram, kHandshakeLimit) != 8 || !SendByte(fd, kRequestOpen) ||
        ReceiveWithin(fd, &answer, 1, kHandshakeLimit) != 1) {
        close(fd);
        return {nullptr, HidOpenError::Failed};
    }
    if (answer != kGranted) {
        close(fd);
        return {nullptr, HidOpenError::Busy};
    }
    auto handle = std::make_shared<VhidHandle>(*this, path, fd);
    std::lock_guard lock(mutex_);
    // A closed open is forgotten, unless its end was reported and the file's removal is still to
    // come; a new open of the same path supersedes the old one.
    std::erase_if(open_, [&path](const OpenInterface& entry) {
        return entry.path == path || (entry.handle.expired() && !*entry.removalReported);
    });
    open_.push_back({path, handle, handle->removalReported()});
    return {handle, HidOpenError::None};
}

void VhidBackend::SetRemovalCallback(RemovalCallback callback)
{
    std::lock_guard lock(callbackMutex_);
    callback_ = std::move(callback);
}

void VhidBackend::ConnectionEnded(const std::string& path)
{
    std::lock_guard lock(mutex_);
    pending_.push_back(path);
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = write(wakeFd_, &one, sizeof one);
}

void VhidBackend::FileRemoved(const std::string& path)
{
    // Released only after the lock: the last reference destroys the handle, which waits for its
    // reader, which may be waiting for the lock in ConnectionEnded.
    std::shared_ptr<VhidHandle> held;
    {
        std::lock_guard lock(mutex_);
        const auto entry =
            std::find_if(open_.begin(), open_.end(), [&path](const OpenInterface& open) { return open.path == path; });
        if (entry != open_.end()) {
            held = entry->handle.lock();
            // Also when the handle is gone already: its connection's end may have been reported.
            const bool reported = entry->removalReported->exchange(true);
            open_.erase(entry);
            if (reported)
                return;
        }
    }
    held.reset();
    Notify(path);
}

void VhidBackend::Notify(const std::string& path)
{
    std::lock_guard lock(callbackMutex_);
    if (callback_)
        callback_(path);
}

void VhidBackend::MonitorLoop()
{
    alignas(inotify_event) char events[4096];
    for (;;) {
        pollfd p[2] = {{wakeFd_, POLLIN, 0}, {inotifyFd_, POLLIN, 0}};
        if (poll(p, inotifyFd_ >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[0].revents) {
            uint64_t value = 0;
            [[maybe_unused]] ssize_t ignored = read(wakeFd_, &value, sizeof value);
            std::vector<std::string> ended;
            {
                std::lock_guard lock(mutex_);
                ended.swap(pending_);
            }
            for (const std::string& path : ended)
                Notify(path);
            if (value >= (1ULL << 32))
                return;
        }
        if (inotifyFd_ >= 0 && p[1].revents) {
            const ssize_t n = read(inotifyFd_, events, sizeof events);
            for (ssize_t offset = 0; n > 0 && offset < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(events + offset);
                if (event->len > 0) {
                    const std::string name = event->name;
                    if (EndsWith(name, ".hid"))
                        FileRemoved(directory_ + "/" + name);
                }
                offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
    }
}

} // namespace teedesk
