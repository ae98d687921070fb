#pragma once
// The virtual cameras inside the calling process, for unit tests: the same
// cameras the daemon publishes, reached through the same DeviceTransport
// interface, on a clock the test controls, with the packet log in memory.
//
//   platform::clock::FakeClock clock;
//   platform::ousbdrv::InProcessCameras cameras(clock);
//   cameras.plug(0);
//   DeviceChannel channel(cameras, clock, ...);
//
// Unplugging a camera makes its open handles fail, as the daemon does.
// Thread-safe: tests may unplug from another thread.

#include "platform/clock/clock.h"
#include "platform/ousbdrv/packet_log.h"
#include "platform/ousbdrv/scene.h"
#include "platform/ousbdrv/transport.h"
#include "platform/ousbdrv/virtual_camera.h"

#include <functional>
#include <memory>

namespace platform::ousbdrv {

class InProcessCameras final : public DeviceTransport {
public:
    // `scene` (the test pattern when null) and `clock` must outlive this object.
    explicit InProcessCameras(clock::Clock& clock, CameraOptions options = {},
                              const SceneSource* scene = nullptr);
    ~InProcessCameras() override;
    InProcessCameras(const InProcessCameras&) = delete;
    InProcessCameras& operator=(const InProcessCameras&) = delete;

    // False when the number is out of range or already plugged (unplugged).
    bool plug(int number);
    bool unplug(int number);
    bool isPlugged(int number) const;

    std::unique_ptr<DeviceHandle> open(std::string_view deviceName) override;

    // Runs `inspect` on the camera while holding the bus; false if unplugged.
    bool withCamera(int number, const std::function<void(VirtualCamera&)>& inspect);
    PacketLog& log();

    struct Bus;

private:
    std::shared_ptr<Bus> bus_;
    std::unique_ptr<SceneSource> ownScene_;
};

} // namespace platform::ousbdrv
