#include "platform/ousbdrv/daemon.h"

#include "platform/clock/clock.h"
#include "platform/ousbdrv/device_names.h"
#include "platform/ousbdrv/image_file.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/wire.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <set>
#include <poll.h>
#include <sstream>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/uio.h>
#include <sys/un.h>
#include <unistd.h>

namespace platform::ousbdrv {
namespace fs = std::filesystem;

namespace {

constexpr int kListenBacklog = 16;
// While a picture source is in use the loop wakes this often to watch it.
constexpr int kSourceWatchMs = 200;
// A failed picture source is tried again this often.
constexpr std::chrono::seconds kSourceRetryInterval{1};
// Nodes a device directory holds, in the order they are made.
constexpr int kNodeCount = kPipeCount + 1;
int nodePipe(int i) { return i < kPipeCount ? i : kLogNodeDevice; }
std::string nodeFileName(int pipe) { return pipe < 0 ? kControlNodeName : pipeNodeName(pipe); }

std::chrono::milliseconds localTimeOfDay()
{
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    const time_t seconds = tv.tv_sec;
    tm local{};
    ::localtime_r(&seconds, &local);
    return std::chrono::milliseconds((local.tm_hour * 3600LL + local.tm_min * 60LL + local.tm_sec) * 1000LL +
                                     tv.tv_usec / 1000);
}

bool fitsSocketPath(const fs::path& path)
{
    return path.native().size() < sizeof(sockaddr_un{}.sun_path);
}

int listenAt(const fs::path& path, int type)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (!fitsSocketPath(path))
        return -1;
    std::memcpy(addr.sun_path, path.c_str(), path.native().size() + 1);
    const int fd = ::socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, kListenBacklog) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// A directory that holds nothing but the nodes a device publishes (left
// behind by a daemon that died) may be removed; anything else is not ours.
bool isDeviceDirectory(const fs::path& dir)
{
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(dir, ec)))
        return false;
    for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().native();
        bool known = false;
        for (int i = 0; i < kNodeCount; ++i)
            known = known || name == nodeFileName(nodePipe(i));
        if (!known || !e.is_socket(ec))
            return false;
    }
    return !ec;
}

void removeDeviceDirectory(const fs::path& dir)
{
    std::error_code ec;
    for (int i = 0; i < kNodeCount; ++i)
        fs::remove(dir / nodeFileName(nodePipe(i)), ec);
    fs::remove(dir, ec);
}

} // namespace

struct Daemon::State {
    struct Listener {
        int fd = -1;
        int device = 0;
        int pipe = 0;
    };
    struct Connection {
        int fd = -1;
        int device = 0;
        int pipe = 0;
    };
    struct Device {
        std::unique_ptr<VirtualCamera> camera;
        std::vector<Listener> listeners;
    };

    DaemonOptions options;
    PacketLog log;
    std::unique_ptr<SceneSource> scene;
    LiveSource* live = nullptr;  // the scene, when it is a picture source
    // Devices unplugged because the picture source failed, plugged again
    // when it delivers pictures again.
    std::set<int> heldBySource;
    bool sourceDown = false;
    std::chrono::steady_clock::time_point nextRetry{};
    std::map<int, Device> devices;
    std::vector<Connection> connections;
    std::vector<int> controlClients;
    int controlFd = -1;
    int signalFd = -1;
    bool stopping = false;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(wire::kHeaderSize + kMaxTransferSize);

    fs::path controlPath() const { return options.root / kDaemonSocketName; }
    fs::path devicePath(int n) const { return options.root / nodeName(n); }

    std::string plug(int n);
    std::string unplug(int n);
    std::string status() const;
    std::string control(const std::string& request);
    void watchSource();
    void closeConnectionsOf(int device);
    void serve(Connection& c, bool& drop);
    bool respond(int fd, wire::Status status, int pipe, std::uint32_t count, const std::uint8_t* data);
};

std::string Daemon::State::plug(int n)
{
    if (n < 0 || n > kMaxDeviceNumber)
        return "error: device number out of range (0 to 31)";
    if (devices.count(n) != 0)
        return "error: device " + std::to_string(n) + " is already plugged";
    const fs::path final = devicePath(n);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(final, ec))) {
        if (!isDeviceDirectory(final))
            return "error: " + final.string() + " exists and is not a device node";
        removeDeviceDirectory(final);
    }
    // The nodes are made in a hidden directory and appear together, under
    // their final name, when all of them listen.
    const fs::path staging = options.root / ("." + nodeName(n) + ".plug." + std::to_string(::getpid()));
    removeDeviceDirectory(staging);
    if (!fs::create_directory(staging, ec))
        return "error: cannot create " + staging.string() + ": " + ec.message();
    Device device;
    for (int i = 0; i < kNodeCount; ++i) {
        const int pipe = nodePipe(i);
        const fs::path node = staging / nodeFileName(pipe);
        const int fd = listenAt(node, SOCK_SEQPACKET);
        if (fd < 0) {
            const std::string why = fitsSocketPath(node) ? std::strerror(errno) : "path too long for a socket";
            for (const Listener& l : device.listeners)
                ::close(l.fd);
            removeDeviceDirectory(staging);
            return "error: cannot listen at " + node.string() + ": " + why;
        }
        device.listeners.push_back({fd, n, pipe});
    }
    fs::rename(staging, final, ec);
    if (ec) {
        for (const Listener& l : device.listeners)
            ::close(l.fd);
        removeDeviceDirectory(staging);
        return "error: cannot publish " + final.string() + ": " + ec.message();
    }
    device.camera = std::make_unique<VirtualCamera>(n, *scene, clock::systemClock(), options.camera, &log);
    devices.emplace(n, std::move(device));
    log.add({n, kLogNodeNone, LogEvent::Plug, 0, 0, {}});
    return "ok plugged " + std::to_string(n);
}

std::string Daemon::State::unplug(int n)
{
    const auto it = devices.find(n);
    if (it == devices.end())
        return "error: device " + std::to_string(n) + " is not plugged";
    // First the name goes (no new opens), then the connections (open
    // handles fail), then the camera.
    const fs::path final = devicePath(n);
    const fs::path leaving = options.root / ("." + nodeName(n) + ".unplug." + std::to_string(::getpid()));
    std::error_code ec;
    removeDeviceDirectory(leaving);
    fs::rename(final, leaving, ec);
    removeDeviceDirectory(ec ? final : leaving);
    for (const Listener& l : it->second.listeners)
        ::close(l.fd);
    closeConnectionsOf(n);
    devices.erase(it);
    log.add({n, kLogNodeNone, LogEvent::Unplug, 0, 0, {}});
    return "ok unplugged " + std::to_string(n);
}

void Daemon::State::watchSource()
{
    const LiveSource::State state = live->check();
    const auto now = std::chrono::steady_clock::now();
    if (state == LiveSource::State::Live) {
        if (sourceDown)
            std::fprintf(stderr, "ousbdrvd: the picture source %s is back\n", live->name().c_str());
        sourceDown = false;
        for (const int n : heldBySource) {
            const std::string result = plug(n);
            if (result.rfind("ok", 0) != 0)
                std::fprintf(stderr, "ousbdrvd: %s\n", result.c_str());
        }
        heldBySource.clear();
        return;
    }
    if (state == LiveSource::State::Opening)
        return;
    if (!sourceDown) {
        std::fprintf(stderr, "ousbdrvd: the picture source %s failed (%s); its cameras are unplugged until it is back\n",
                     live->name().c_str(), live->lastError().c_str());
        sourceDown = true;
        nextRetry = now + kSourceRetryInterval;
        std::vector<int> plugged;
        for (const auto& entry : devices)
            plugged.push_back(entry.first);
        for (const int n : plugged) {
            unplug(n);
            heldBySource.insert(n);
        }
    }
    if (now >= nextRetry) {
        nextRetry = now + kSourceRetryInterval;
        live->start();  // a child that cannot even start is tried again next time
    }
}

void Daemon::State::closeConnectionsOf(int device)
{
    for (Connection& c : connections)
        if (c.device == device && c.fd >= 0) {
            ::close(c.fd);
            c.fd = -1;
        }
    std::erase_if(connections, [](const Connection& c) { return c.fd < 0; });
}

std::string Daemon::State::status() const
{
    std::ostringstream out;
    out << "ok " << devices.size() << " device(s) under " << options.root.string();
    for (const auto& [n, device] : devices) {
        const VirtualCamera& c = *device.camera;
        out << "\n" << nodeName(n) << (c.started() ? " started" : " idle") << " format " << c.format().width
            << "x" << c.format().height << " interval " << c.frameInterval().count() << "ms frames "
            << c.framesTaken() << " registers";
        for (int r = 0; r <= kMaxRegister; ++r)
            if (c.registerValue(r) != 0)
                out << " " << r << "=" << c.registerValue(r);
    }
    if (live) {
        const LiveSource::State state = live->state();
        out << "\nsource " << (state == LiveSource::State::Live ? "live" : state == LiveSource::State::Opening ? "opening" : "down")
            << " pid " << live->childPid() << " frames " << live->framesReceived();
        for (const int n : heldBySource)
            out << " waiting " << nodeName(n);
        out << " " << live->name();
        if (state != LiveSource::State::Live && !live->lastError().empty())
            out << " (" << live->lastError() << ")";
    }
    return out.str();
}

std::string Daemon::State::control(const std::string& request)
{
    std::istringstream in(request);
    std::string verb;
    in >> verb;
    if (verb == "stop") {
        stopping = true;
        return "ok stopping";
    }
    if (verb == "status")
        return status();
    if (verb == "plug" || verb == "unplug") {
        int n = -1;
        std::string rest;
        if (!(in >> n) || (in >> rest))
            return "error: expected '" + verb + " N'";
        if (live && live->state() != LiveSource::State::Live && n >= 0 && n <= kMaxDeviceNumber) {
            // Without pictures a device stays away; it comes with them.
            if (verb == "plug" && devices.count(n) == 0) {
                heldBySource.insert(n);
                return "error: the picture source is not delivering; device " + std::to_string(n) +
                       " is plugged when it does";
            }
            if (verb == "unplug" && heldBySource.erase(n) != 0)
                return "ok unplugged " + std::to_string(n);
        }
        return verb == "plug" ? plug(n) : unplug(n);
    }
    return "error: unknown request '" + verb + "'";
}

bool Daemon::State::respond(int fd, wire::Status status, int pipe, std::uint32_t count, const std::uint8_t* data)
{
    std::uint8_t header[wire::kHeaderSize];
    wire::encodeHeader({static_cast<std::uint8_t>(status),
                        static_cast<std::uint8_t>(pipe < 0 ? wire::kControlDevicePipe : pipe), count},
                       header);
    iovec vec[2] = {{header, sizeof header}, {const_cast<std::uint8_t*>(data), data ? count : 0}};
    msghdr msg{};
    msg.msg_iov = vec;
    msg.msg_iovlen = vec[1].iov_len != 0 ? 2 : 1;
    ssize_t n;
    do
        n = ::sendmsg(fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    // A client that does not collect its answers is dropped.
    return n == static_cast<ssize_t>(sizeof header + vec[1].iov_len);
}

void Daemon::State::serve(Connection& c, bool& drop)
{
    ssize_t n;
    do
        n = ::recv(c.fd, buffer.data(), wire::kHeaderSize + kMaxWriteSize, MSG_TRUNC | MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return;
    if (n <= 0) {  // closed by the client
        log.add({c.device, c.pipe, LogEvent::Close, 0, 0, {}});
        drop = true;
        return;
    }
    VirtualCamera* camera = devices.at(c.device).camera.get();
    if (static_cast<std::size_t>(n) < wire::kHeaderSize || static_cast<std::size_t>(n) > wire::kHeaderSize + kMaxWriteSize) {
        drop = !respond(c.fd, wire::Status::BadRequest, c.pipe, 0, nullptr);
        return;
    }
    const wire::Header h = wire::decodeHeader(buffer.data());
    const std::size_t payload = static_cast<std::size_t>(n) - wire::kHeaderSize;
    switch (static_cast<wire::Op>(h.code)) {
    case wire::Op::Open:
        log.add({c.device, c.pipe, LogEvent::Open, 0, 0, {}});
        drop = !respond(c.fd, wire::Status::Ok, c.pipe, 0, nullptr);
        return;
    case wire::Op::Read: {
        if (payload != 0) {
            drop = !respond(c.fd, wire::Status::BadRequest, c.pipe, 0, nullptr);
            return;
        }
        const std::size_t wanted = std::min<std::size_t>(h.length, kMaxTransferSize);
        std::uint8_t* data = buffer.data() + wire::kHeaderSize;
        long got = -1;
        if (c.pipe >= 0)
            got = camera->read(c.pipe, {data, wanted});
        else
            log.add({c.device, c.pipe, LogEvent::Refused, h.length, 0, {}});
        drop = got < 0 ? !respond(c.fd, wire::Status::WrongDirection, c.pipe, 0, nullptr)
                       : !respond(c.fd, wire::Status::Ok, c.pipe, static_cast<std::uint32_t>(got), data);
        return;
    }
    case wire::Op::Write: {
        if (payload != h.length) {
            drop = !respond(c.fd, wire::Status::BadRequest, c.pipe, 0, nullptr);
            return;
        }
        long accepted = -1;
        if (c.pipe >= 0)
            accepted = camera->write(c.pipe, {buffer.data() + wire::kHeaderSize, payload});
        else
            log.add({c.device, c.pipe, LogEvent::Refused, h.length, 0, {}});
        drop = accepted < 0 ? !respond(c.fd, wire::Status::WrongDirection, c.pipe, 0, nullptr)
                            : !respond(c.fd, wire::Status::Ok, c.pipe, static_cast<std::uint32_t>(accepted), nullptr);
        return;
    }
    }
    drop = !respond(c.fd, wire::Status::BadRequest, c.pipe, 0, nullptr);
}

Daemon::Daemon(DaemonOptions options) : state_(std::make_unique<State>())
{
    state_->options = std::move(options);
}

Daemon::~Daemon()
{
    State& s = *state_;
    std::vector<int> plugged;
    for (const auto& entry : s.devices)
        plugged.push_back(entry.first);
    for (const int n : plugged)
        s.unplug(n);
    for (const int fd : s.controlClients)
        ::close(fd);
    if (s.controlFd >= 0) {
        ::close(s.controlFd);
        std::error_code ec;
        fs::remove(s.controlPath(), ec);
    }
    if (s.signalFd >= 0)
        ::close(s.signalFd);
}

int Daemon::run()
{
    State& s = *state_;
    std::error_code ec;
    fs::create_directories(s.options.root, ec);
    if (!fs::is_directory(s.options.root, ec)) {
        std::fprintf(stderr, "ousbdrvd: cannot use %s as the device root\n", s.options.root.c_str());
        return 1;
    }
    if (!fitsSocketPath(s.controlPath()) ||
        !fitsSocketPath(s.options.root / ("." + nodeName(0) + ".unplug.4194304") / nodeFileName(0))) {
        std::fprintf(stderr, "ousbdrvd: the root path %s is too long for socket nodes\n", s.options.root.c_str());
        return 1;
    }
    // One daemon per root: a control socket that answers belongs to a live one.
    const int probe = connectNode(s.controlPath(), std::chrono::milliseconds(500));
    if (probe >= 0) {
        ::close(probe);
        std::fprintf(stderr, "ousbdrvd: another daemon is serving %s\n", s.options.root.c_str());
        return 1;
    }
    fs::remove(s.controlPath(), ec);

    if (!s.options.logFile.empty() && !s.log.openFile(s.options.logFile)) {
        std::fprintf(stderr, "ousbdrvd: cannot write the packet log %s\n", s.options.logFile.c_str());
        return 1;
    }
    if (s.options.live) {
        auto live = std::make_unique<LiveSource>(*s.options.live);
        if (!live->start() || !live->waitUntilOpen(LiveSource::kOpenTimeout)) {
            std::fprintf(stderr, "ousbdrvd: cannot open the picture source %s: %s\n", live->name().c_str(),
                         live->lastError().c_str());
            return 1;
        }
        s.live = live.get();
        s.scene = std::move(live);
    } else if (s.options.image.empty()) {
        s.scene = std::make_unique<TestPattern>();
    } else {
        std::string error;
        const std::optional<Picture> picture = loadImageFile(s.options.image, error);
        if (!picture) {
            std::fprintf(stderr, "ousbdrvd: %s: %s\n", s.options.image.c_str(), error.c_str());
            return 1;
        }
        s.scene = std::make_unique<StillImage>(*picture);
    }
    if (!s.options.camera.timeOfDay)
        s.options.camera.timeOfDay = localTimeOfDay;

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    s.signalFd = ::signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);

    s.controlFd = listenAt(s.controlPath(), SOCK_SEQPACKET);
    if (s.controlFd < 0 || s.signalFd < 0) {
        std::fprintf(stderr, "ousbdrvd: cannot listen at %s: %s\n", s.controlPath().c_str(), std::strerror(errno));
        return 1;
    }
    for (const int n : s.options.devices) {
        const std::string result = s.plug(n);
        if (result.rfind("ok", 0) != 0) {
            std::fprintf(stderr, "ousbdrvd: %s\n", result.c_str());
            return 1;
        }
    }
    std::fprintf(stderr, "ousbdrvd: serving %zu camera(s) under %s\n", s.devices.size(), s.options.root.c_str());

    // What each poll entry stands for.
    enum class Kind { Signal, Control, ControlClient, Listener, Connection, Source };
    struct Slot {
        Kind kind;
        int device;
        int pipe;
        int fd;
    };
    std::vector<pollfd> fds;
    std::vector<Slot> slots;
    while (!s.stopping) {
        fds.clear();
        slots.clear();
        auto add = [&](int fd, Kind kind, int device, int pipe) {
            fds.push_back({fd, POLLIN, 0});
            slots.push_back({kind, device, pipe, fd});
        };
        add(s.signalFd, Kind::Signal, 0, 0);
        add(s.controlFd, Kind::Control, 0, 0);
        if (s.live)
            add(s.live->wakeFd(), Kind::Source, 0, 0);
        for (const int fd : s.controlClients)
            add(fd, Kind::ControlClient, 0, 0);
        for (const auto& [n, device] : s.devices)
            for (const State::Listener& l : device.listeners)
                add(l.fd, Kind::Listener, l.device, l.pipe);
        for (const State::Connection& c : s.connections)
            add(c.fd, Kind::Connection, c.device, c.pipe);

        const int ready = ::poll(fds.data(), fds.size(), s.live ? kSourceWatchMs : -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "ousbdrvd: poll failed: %s\n", std::strerror(errno));
            return 1;
        }
        for (std::size_t i = 0; i < fds.size() && !s.stopping; ++i) {
            if (fds[i].revents == 0)
                continue;
            const Slot& slot = slots[i];
            switch (slot.kind) {
            case Kind::Signal:
                s.stopping = true;
                break;
            case Kind::Source:
                s.live->drain();
                break;
            case Kind::Control: {
                const int fd = ::accept4(slot.fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd >= 0)
                    s.controlClients.push_back(fd);
                break;
            }
            case Kind::ControlClient: {
                char request[wire::kMaxControlMessage];
                const ssize_t n = ::recv(slot.fd, request, sizeof request, MSG_DONTWAIT);
                if (n < 0 && (errno == EAGAIN || errno == EINTR))
                    break;
                if (n > 0) {
                    std::string answer = s.control(std::string(request, static_cast<std::size_t>(n)));
                    if (answer.size() > wire::kMaxControlMessage)
                        answer.resize(wire::kMaxControlMessage);
                    ::send(slot.fd, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                }
                ::close(slot.fd);
                std::erase(s.controlClients, slot.fd);
                break;
            }
            case Kind::Listener: {
                // The device may have been unplugged earlier in this round.
                const auto it = s.devices.find(slot.device);
                if (it == s.devices.end() ||
                    std::none_of(it->second.listeners.begin(), it->second.listeners.end(),
                                 [&](const State::Listener& l) { return l.fd == slot.fd; }))
                    break;
                const int fd = ::accept4(slot.fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
                if (fd >= 0)
                    s.connections.push_back({fd, slot.device, slot.pipe});
                break;
            }
            case Kind::Connection: {
                const auto it = std::find_if(s.connections.begin(), s.connections.end(),
                                             [&](const State::Connection& c) { return c.fd == slot.fd; });
                if (it == s.connections.end())
                    break;  // closed by an unplug in this round
                bool drop = false;
                s.serve(*it, drop);
                if (drop) {
                    ::close(it->fd);
                    s.connections.erase(it);
                }
                break;
            }
            }
        }
        if (s.live && !s.stopping)
            s.watchSource();
    }
    std::fprintf(stderr, "ousbdrvd: stopping\n");
    return 0;
}

} // namespace platform::ousbdrv
