#include "HidapiBackend.h"

#include "ReportQueue.h"

#include <hidapi.h>
#include <libudev.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace teedesk {

namespace {

// How long one hidapi read may block before the I/O thread looks at new work.
constexpr std::chrono::milliseconds kReadSlice{10};
constexpr std::chrono::milliseconds kDrainLimit{200};

// hidapi calls on one handle must not overlap and hid_close must not meet another call,
// and hid_write may block for seconds: one thread owns the handle and does all of it.
class HidapiHandle final : public HidHandle {
public:
    explicit HidapiHandle(hid_device* device) : device_(device)
    {
        thread_ = std::thread([this] { IoLoop(); });
    }

    ~HidapiHandle() override
    {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        condition_.notify_all();
        thread_.join();
    }

    HidWriteStatus Write(std::span<const uint8_t> report, std::chrono::milliseconds limit) override
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::unique_lock lock(mutex_);
        // An earlier write that timed out is still outstanding: it goes first.
        if (!condition_.wait_until(lock, deadline, [this] { return closed_ || dead_ || !writeQueued_; }))
            return HidWriteStatus::TimedOut;
        if (closed_ || dead_)
            return HidWriteStatus::Failed;
        const size_t size = std::min(report.size(), writeBuffer_.size());
        std::memcpy(writeBuffer_.data(), report.data(), size);
        writeSize_ = size;
        writeQueued_ = true;
        const uint64_t ticket = ++writeTicket_;
        condition_.notify_all();
        if (!condition_.wait_until(lock, deadline, [&] { return closed_ || dead_ || writeDone_ >= ticket; }))
            return HidWriteStatus::TimedOut;
        if (writeDone_ < ticket)
            return HidWriteStatus::Failed;
        return writeOk_ ? HidWriteStatus::Written : HidWriteStatus::Failed;
    }

    HidReadResult Read(std::span<uint8_t> buffer, std::chrono::milliseconds limit) override
    {
        {
            std::lock_guard lock(mutex_);
            readUntil_ = std::max(readUntil_, std::chrono::steady_clock::now() + limit);
        }
        condition_.notify_all();
        const HidReadResult result = queue_.Pop(buffer, limit);
        std::lock_guard lock(mutex_);
        readUntil_ = {};
        return result;
    }

    void DropPending() override
    {
        queue_.Clear();
        std::unique_lock lock(mutex_);
        const uint64_t ticket = ++drainTicket_;
        condition_.notify_all();
        condition_.wait_for(lock, kDrainLimit, [&] { return closed_ || dead_ || drainDone_ >= ticket; });
    }

    void Close() override
    {
        {
            std::lock_guard lock(mutex_);
            closed_ = true;
        }
        queue_.Fail();
        condition_.notify_all();
    }

private:
    void IoLoop()
    {
        std::array<uint8_t, ReportQueue::kSlotSize> buffer{};
        std::unique_lock lock(mutex_);
        for (;;) {
            condition_.wait(lock, [this] {
                return stop_ || closed_ || drainTicket_ > drainDone_ || writeQueued_ ||
                       std::chrono::steady_clock::now() < readUntil_;
            });
            if (stop_ || closed_ || dead_)
                break;
            if (drainTicket_ > drainDone_) {
                const uint64_t ticket = drainTicket_;
                lock.unlock();
                int n;
                while ((n = hid_read_timeout(device_, buffer.data() + 1, buffer.size() - 1, 0)) > 0) {
                }
                lock.lock();
                if (n < 0)
                    MarkDead();
                drainDone_ = ticket;
                condition_.notify_all();
                queue_.Clear();
                continue;
            }
            if (writeQueued_) {
                lock.unlock();
                const int n = hid_write(device_, writeBuffer_.data(), writeSize_);
                lock.lock();
                writeOk_ = n == static_cast<int>(writeSize_);
                writeQueued_ = false;
                writeDone_ = writeTicket_;
                condition_.notify_all();
                continue;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                readUntil_ - std::chrono::steady_clock::now());
            const int slice = static_cast<int>(std::clamp(left, std::chrono::milliseconds{1}, kReadSlice).count());
            lock.unlock();
            // hidapi hands reports over without the report id; give the link the 0 it expects.
            buffer[0] = 0;
            const int n = hid_read_timeout(device_, buffer.data() + 1, buffer.size() - 1, slice);
            if (n > 0)
                queue_.Push(buffer.data(), static_cast<size_t>(n) + 1);
            lock.lock();
            if (n < 0)
                MarkDead(); // final: the device is gone
        }
        lock.unlock();
        queue_.Fail();
        hid_close(device_);
        // Wait for the destructor; until then calls see the handle closed or dead.
        lock.lock();
        condition_.wait(lock, [this] { return stop_; });
    }

    void MarkDead()
    {
        dead_ = true;
        queue_.Fail();
        condition_.notify_all();
    }

    hid_device* const device_;
    std::thread thread_;
    ReportQueue queue_;

    std::mutex mutex_;
    std::condition_variable condition_;
    bool stop_ = false;
    bool closed_ = false;
    bool dead_ = false;
    std::array<uint8_t, 1024> writeBuffer_{};
    size_t writeSize_ = 0;
    bool writeQueued_ = false;
    bool writeOk_ = false;
    uint64_t writeTicket_ = 0;
    uint64_t writeDone_ = 0;
    uint64_t drainTicket_ = 0;
    uint64_t drainDone_ = 0;
    std::chrono::steady_clock::time_point readUntil_{};
};

} // namespace

HidapiBackend::HidapiBackend()
{
    hid_init();
    wakeFd_ = eventfd(0, EFD_CLOEXEC);
    monitor_ = std::thread([this] { MonitorLoop(); });
}

HidapiBackend::~HidapiBackend()
{
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = write(wakeFd_, &one, sizeof one);
    monitor_.join();
    close(wakeFd_);
    hid_exit();
}

std::vector<std::string> HidapiBackend::Enumerate()
{
    std::vector<std::string> paths;
    std::map<std::string, HidAttributes> attributes;
    hid_device_info* list = hid_enumerate(0, 0);
    for (const hid_device_info* info = list; info; info = info->next) {
        if (!info->path)
            continue;
        paths.emplace_back(info->path);
        attributes[info->path] = {info->vendor_id, info->product_id, info->release_number};
    }
    hid_free_enumeration(list);
    std::lock_guard lock(mutex_);
    attributes_ = std::move(attributes);
    return paths;
}

std::optional<HidAttributes> HidapiBackend::ReadAttributes(const std::string& path)
{
    std::lock_guard lock(mutex_);
    const auto found = attributes_.find(path);
    if (found == attributes_.end())
        return std::nullopt;
    return found->second;
}

HidOpenResult HidapiBackend::Open(const std::string& path)
{
    errno = 0;
    hid_device* device = hid_open_path(path.c_str());
    if (!device) {
        const int why = errno;
        if (why == EACCES || why == EPERM)
            return {nullptr, HidOpenError::AccessDenied};
        if (why == EBUSY)
            return {nullptr, HidOpenError::Busy};
        return {nullptr, HidOpenError::Failed};
    }
    return {std::make_shared<HidapiHandle>(device), HidOpenError::None};
}

void HidapiBackend::SetRemovalCallback(RemovalCallback callback)
{
    std::lock_guard lock(callbackMutex_);
    callback_ = std::move(callback);
}

void HidapiBackend::MonitorLoop()
{
    udev* context = udev_new();
    udev_monitor* monitor = context ? udev_monitor_new_from_netlink(context, "udev") : nullptr;
    int monitorFd = -1;
    if (monitor && udev_monitor_filter_add_match_subsystem_devtype(monitor, "hidraw", nullptr) >= 0 &&
        udev_monitor_enable_receiving(monitor) >= 0)
        monitorFd = udev_monitor_get_fd(monitor);

    for (;;) {
        pollfd p[2] = {{wakeFd_, POLLIN, 0}, {monitorFd, POLLIN, 0}};
        if (poll(p, monitorFd >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (p[0].revents)
            break;
        if (monitorFd < 0 || !p[1].revents)
            continue;
        udev_device* device = udev_monitor_receive_device(monitor);
        if (!device)
            continue;
        const char* action = udev_device_get_action(device);
        const char* node = udev_device_get_devnode(device);
        if (action && node && std::strcmp(action, "remove") == 0) {
            std::lock_guard lock(callbackMutex_);
            if (callback_)
                callback_(node); // the hidraw backend's paths are the device nodes
        }
        udev_device_unref(device);
    }
    if (monitor)
        udev_monitor_unref(monitor);
    if (context)
        udev_unref(context);
}

} // namespace teedesk
