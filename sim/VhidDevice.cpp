#include "VhidDevice.h"

#include "ByteOrder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace teedesk::sim {

namespace {

enum class Stage { AwaitRequest, Granted };

struct Connection {
    int fd;
    Stage stage;
};

} // namespace

VhidDevice::VhidDevice(std::string socketPath, HidAttributes attributes)
    : path_(std::move(socketPath)), attributes_(attributes)
{
}

VhidDevice::~VhidDevice() { Unplug(); }

void VhidDevice::SetHandler(ReportHandler handler)
{
    std::lock_guard lock(handlerMutex_);
    handler_ = std::move(handler);
}

bool VhidDevice::Plug()
{
    if (plugged())
        return true;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path_.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path_.c_str(), path_.size() + 1);
    unlink(path_.c_str());
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0) {
        close(fd);
        return false;
    }
    listenFd_ = fd;
    wakeFd_ = eventfd(0, EFD_CLOEXEC);
    server_ = std::thread([this] { ServeLoop(); });
    return true;
}

void VhidDevice::Unplug()
{
    if (!plugged())
        return;
    // The file goes first, as a real removal takes the interface away before its handles fail.
    unlink(path_.c_str());
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t ignored = write(wakeFd_, &one, sizeof one);
    server_.join();
    close(listenFd_);
    close(wakeFd_);
    listenFd_ = -1;
    wakeFd_ = -1;
}

bool VhidDevice::Send(std::span<const uint8_t> datagram)
{
    const int fd = grantedFd_;
    if (fd < 0)
        return false;
    return send(fd, datagram.data(), datagram.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(datagram.size());
}

void VhidDevice::ServeLoop()
{
    std::vector<Connection> connections;
    std::array<uint8_t, 8> attributes{};
    WriteU16Le(attributes.data() + 0, attributes_.vendorId);
    WriteU16Le(attributes.data() + 2, attributes_.productId);
    WriteU16Le(attributes.data() + 4, attributes_.releaseNumber);
    std::array<uint8_t, 4096> buffer{};

    auto drop = [&](size_t index) {
        if (connections[index].fd == grantedFd_)
            grantedFd_ = -1;
        close(connections[index].fd);
        connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(index));
    };

    for (;;) {
        std::vector<pollfd> polls{{wakeFd_, POLLIN, 0}, {listenFd_, POLLIN, 0}};
        for (const Connection& connection : connections)
            polls.push_back({connection.fd, POLLIN, 0});
        if (poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (polls[0].revents)
            break;
        // Only the connections polled this round; one accepted below waits for the next.
        const size_t polled = connections.size();
        if (polls[1].revents & POLLIN) {
            const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0) {
                if (send(fd, attributes.data(), attributes.size(), MSG_NOSIGNAL) == 8)
                    connections.push_back({fd, Stage::AwaitRequest});
                else
                    close(fd);
            }
        }
        // Walk backwards so that dropping a connection keeps the poll indices valid.
        for (size_t i = polled; i-- > 0;) {
            const short events = polls[i + 2].revents;
            if (!events)
                continue;
            const ssize_t n = recv(connections[i].fd, buffer.data(), buffer.size(), 0);
            if (n <= 0) {
                drop(i);
                continue;
            }
            Connection& connection = connections[i];
            if (connection.stage == Stage::AwaitRequest) {
                if (n == 1 && buffer[0] == 0x01 && grantedFd_ < 0 && !refuseOpen_) {
                    const uint8_t granted = 0x01;
                    send(connection.fd, &granted, 1, MSG_NOSIGNAL);
                    connection.stage = Stage::Granted;
                    grantedFd_ = connection.fd;
                } else {
                    if (n == 1 && buffer[0] == 0x01) {
                        const uint8_t refused = 0x00;
                        send(connection.fd, &refused, 1, MSG_NOSIGNAL);
                    }
                    drop(i); // attributes only, refused, or not the protocol
                }
                continue;
            }
            ReportHandler handler;
            {
                std::lock_guard lock(handlerMutex_);
                handler = handler_;
            }
            if (handler)
                handler(std::span<const uint8_t>(buffer.data(), static_cast<size_t>(n)));
        }
    }
    for (const Connection& connection : connections)
        close(connection.fd);
    grantedFd_ = -1;
}

} // namespace teedesk::sim
