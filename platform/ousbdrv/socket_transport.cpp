#include "platform/ousbdrv/socket_transport.h"

#include "platform/ousbdrv/device_names.h"
#include "platform/ousbdrv/wire.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::ousbdrv {
namespace fs = std::filesystem;
namespace {

bool setTimeouts(int fd, std::chrono::milliseconds timeout)
{
    timeval tv{};
    tv.tv_sec = static_cast<time_t>(timeout.count() / 1000);
    tv.tv_usec = static_cast<suseconds_t>((timeout.count() % 1000) * 1000);
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv) == 0 &&
           ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv) == 0;
}

ssize_t sendRetrying(int fd, const msghdr* msg)
{
    for (;;) {
        const ssize_t n = ::sendmsg(fd, msg, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

ssize_t recvRetrying(int fd, msghdr* msg)
{
    for (;;) {
        const ssize_t n = ::recvmsg(fd, msg, 0);
        if (n < 0 && errno == EINTR)
            continue;
        return n;
    }
}

// One connection to a device node. Any transport error, timeout or
// malformed answer closes the connection; the handle then fails at once.
class SocketHandle final : public DeviceHandle {
public:
    explicit SocketHandle(int fd) : fd_(fd) {}
    ~SocketHandle() override { fail(); }

    bool handshake()
    {
        long count = 0;
        return exchange(wire::Op::Open, nullptr, 0, nullptr, 0, count);
    }

    long read(void* buffer, std::size_t size) override
    {
        if (buffer == nullptr && size != 0)
            return -1;
        const std::size_t wanted = std::min(size, kMaxTransferSize);
        long count = 0;
        if (!exchange(wire::Op::Read, nullptr, wanted, buffer, wanted, count))
            return -1;
        return count;
    }

    long write(const void* data, std::size_t size) override
    {
        if ((data == nullptr && size != 0) || size > kMaxWriteSize)
            return -1;
        long count = 0;
        if (!exchange(wire::Op::Write, data, size, nullptr, 0, count))
            return -1;
        return count;
    }

private:
    void fail()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    // Sends one request and receives its response. For Write, `length`
    // bytes of `out` follow the header; for Read, `length` is the size
    // asked for and the data lands in `in` (capacity `inSize`).
    bool exchange(wire::Op op, const void* out, std::size_t length, void* in, std::size_t inSize,
                  long& count)
    {
        if (fd_ < 0)
            return false;
        std::uint8_t header[wire::kHeaderSize];
        wire::encodeHeader({static_cast<std::uint8_t>(op), 0, static_cast<std::uint32_t>(length)}, header);
        iovec sendVec[2] = {{header, sizeof header}, {const_cast<void*>(out), op == wire::Op::Write ? length : 0}};
        msghdr sendMsg{};
        sendMsg.msg_iov = sendVec;
        sendMsg.msg_iovlen = sendVec[1].iov_len != 0 ? 2 : 1;
        const ssize_t sent = sendRetrying(fd_, &sendMsg);
        if (sent != static_cast<ssize_t>(sizeof header + sendVec[1].iov_len)) {
            fail();
            return false;
        }

        std::uint8_t answer[wire::kHeaderSize];
        iovec recvVec[2] = {{answer, sizeof answer}, {in, inSize}};
        msghdr recvMsg{};
        recvMsg.msg_iov = recvVec;
        recvMsg.msg_iovlen = inSize != 0 ? 2 : 1;
        const ssize_t got = recvRetrying(fd_, &recvMsg);
        // 0: the daemon closed the connection (unplugged, stopped, died);
        // < 0: error or no answer in time; MSG_TRUNC: more than we asked for.
        if (got < static_cast<ssize_t>(sizeof answer) || (recvMsg.msg_flags & MSG_TRUNC) != 0) {
            fail();
            return false;
        }
        const wire::Header h = wire::decodeHeader(answer);
        const std::size_t data = static_cast<std::size_t>(got) - sizeof answer;
        if (h.code != static_cast<std::uint8_t>(wire::Status::Ok)) {
            // The camera refused this request (wrong direction, bad size):
            // the request fails, the connection stays usable.
            return false;
        }
        if (op == wire::Op::Read) {
            if (h.length != data || data > length) {
                fail();
                return false;
            }
        } else if (data != 0 || h.length > length) {
            fail();
            return false;
        }
        count = static_cast<long>(h.length);
        return true;
    }

    int fd_;
};

} // namespace

int connectNode(const fs::path& path, std::chrono::milliseconds timeout)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.empty() || text.size() >= sizeof addr.sun_path)
        return -1;
    std::memcpy(addr.sun_path, text.c_str(), text.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (!setTimeouts(fd, timeout)) {
        ::close(fd);
        return -1;
    }
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0)
            return fd;
        if (errno != EINTR)
            break;
    }
    ::close(fd);
    return -1;
}

SocketTransport::SocketTransport(fs::path root) : root_(std::move(root)) {}

std::unique_ptr<DeviceHandle> SocketTransport::open(std::string_view deviceName)
{
    const std::optional<fs::path> path = nodePathForName(deviceName, root_);
    if (!path)
        return nullptr;
    const int fd = connectNode(*path, kIoTimeout);
    if (fd < 0)
        return nullptr;
    auto handle = std::make_unique<SocketHandle>(fd);
    if (!handle->handshake())
        return nullptr;
    return handle;
}

std::optional<std::string> sendDaemonCommand(const fs::path& root, const std::string& request)
{
    if (request.empty() || request.size() > wire::kMaxControlMessage)
        return std::nullopt;
    // Plugging and unplugging are quick; a stop may take a moment longer
    // while the daemon removes its nodes.
    const int fd = connectNode(root / kDaemonSocketName, std::chrono::milliseconds(5000));
    if (fd < 0)
        return std::nullopt;
    std::optional<std::string> answer;
    if (::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[wire::kMaxControlMessage];
        ssize_t n;
        do
            n = ::recv(fd, buffer, sizeof buffer, 0);
        while (n < 0 && errno == EINTR);
        if (n > 0)
            answer = std::string(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return answer;
}

} // namespace platform::ousbdrv
