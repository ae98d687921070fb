#pragma once
// The client layer: how a program opens the camera's control device and
// pipes and moves bytes over them, with the semantics of USB bulk pipes:
//
// - read(n) returns at most n bytes of what the camera has pending on that
//   pipe and leaves the rest pending; 0 when nothing is pending.
// - write(n) hands n bytes to the camera and returns how many it accepted.
// - Either returns -1 when the device is gone (unplugged, daemon stopped or
//   dead, no answer within kIoTimeout). After such a failure the handle stays
//   failed: every later call returns -1 at once. A request the camera
//   refuses (a read on the command pipe, a write on a camera-to-host pipe)
//   also returns -1 but leaves the handle usable.
//
// Two transports implement it: SocketTransport talks to the ousbdrvd daemon
// through the nodes under the device root; InProcessCameras (in_process.h)
// holds the cameras in the calling process for unit tests. Handles are not
// meant to be shared between threads.

#include <chrono>
#include <cstddef>
#include <memory>
#include <string_view>

namespace platform::ousbdrv {

class DeviceHandle {
public:
    virtual ~DeviceHandle() = default;
    virtual long read(void* buffer, std::size_t size) = 0;
    virtual long write(const void* data, std::size_t size) = 0;
};

class DeviceTransport {
public:
    virtual ~DeviceTransport() = default;
    // Opens "\\.\ousbdrvNNN" (the control device) or "\\.\ousbdrvNNN\PIPE0k";
    // nullptr when no such device or pipe answers.
    virtual std::unique_ptr<DeviceHandle> open(std::string_view deviceName) = 0;
};

// The longest a single request waits for the daemon's answer before the
// handle counts as failed (a daemon that stopped answering).
inline constexpr std::chrono::milliseconds kIoTimeout{1500};

// One read never delivers more than this; ask again for more.
inline constexpr std::size_t kMaxTransferSize = 131072;
// The largest write the camera accepts at once.
inline constexpr std::size_t kMaxWriteSize = 4096;

} // namespace platform::ousbdrv
