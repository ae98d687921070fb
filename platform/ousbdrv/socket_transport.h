#pragma once
// The client layer over the ousbdrvd daemon: each open handle is one
// connection to a node under the device root (see wire.h for the messages).

#include "platform/ousbdrv/device_names.h"
#include "platform/ousbdrv/transport.h"

#include <filesystem>
#include <optional>
#include <string>

namespace platform::ousbdrv {

class SocketTransport final : public DeviceTransport {
public:
    // The root is read once, here.
    explicit SocketTransport(std::filesystem::path root = deviceRoot());
    std::unique_ptr<DeviceHandle> open(std::string_view deviceName) override;
    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
};

// Connects a SOCK_SEQPACKET socket to `path` with the I/O timeouts set;
// -1 on failure (path too long for a socket address, nothing listening).
int connectNode(const std::filesystem::path& path, std::chrono::milliseconds timeout);

// Sends one request to the daemon serving `root` ("plug 3", "unplug 3",
// "stop", "status") and returns its answer; nullopt when no daemon answers.
std::optional<std::string> sendDaemonCommand(const std::filesystem::path& root,
                                             const std::string& request);

} // namespace platform::ousbdrv
