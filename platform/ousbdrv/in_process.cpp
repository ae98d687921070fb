#include "platform/ousbdrv/in_process.h"

#include "platform/ousbdrv/device_names.h"

#include <array>
#include <mutex>

namespace platform::ousbdrv {

struct InProcessCameras::Bus {
    std::mutex mutex;
    clock::Clock* clock = nullptr;
    const SceneSource* scene = nullptr;
    CameraOptions options;
    PacketLog log;
    bool closed = false;
    std::array<std::unique_ptr<VirtualCamera>, kMaxDeviceNumber + 1> cameras;
    // Bumped at every unplug, so handles opened before it fail.
    std::array<std::uint64_t, kMaxDeviceNumber + 1> generation{};
};

namespace {

class InProcessHandle final : public DeviceHandle {
public:
    InProcessHandle(std::shared_ptr<InProcessCameras::Bus> bus, int device, int pipe, std::uint64_t generation)
        : bus_(std::move(bus)), device_(device), pipe_(pipe), generation_(generation)
    {
    }
    ~InProcessHandle() override
    {
        std::lock_guard lock(bus_->mutex);
        if (!bus_->closed)
            bus_->log.add({device_, pipe_, LogEvent::Close, 0, 0, {}});
    }

    long read(void* buffer, std::size_t size) override
    {
        if (buffer == nullptr && size != 0)
            return -1;
        std::lock_guard lock(bus_->mutex);
        VirtualCamera* camera = live();
        if (camera == nullptr)
            return -1;
        if (pipe_ < 0) {
            bus_->log.add({device_, pipe_, LogEvent::Refused, static_cast<std::uint32_t>(size), 0, {}});
            return -1;
        }
        return camera->read(pipe_, {static_cast<std::uint8_t*>(buffer), std::min(size, kMaxTransferSize)});
    }

    long write(const void* data, std::size_t size) override
    {
        if (data == nullptr && size != 0)
            return -1;
        std::lock_guard lock(bus_->mutex);
        VirtualCamera* camera = live();
        if (camera == nullptr)
            return -1;
        if (pipe_ < 0) {
            bus_->log.add({device_, pipe_, LogEvent::Refused, static_cast<std::uint32_t>(size), 0, {}});
            return -1;
        }
        return camera->write(pipe_, {static_cast<const std::uint8_t*>(data), size});
    }

private:
    VirtualCamera* live()
    {
        if (failed_ || bus_->closed || bus_->generation[device_] != generation_ || !bus_->cameras[device_]) {
            failed_ = true;
            return nullptr;
        }
        return bus_->cameras[device_].get();
    }

    std::shared_ptr<InProcessCameras::Bus> bus_;
    int device_;
    int pipe_;
    std::uint64_t generation_;
    bool failed_ = false;
};

} // namespace

InProcessCameras::InProcessCameras(clock::Clock& clock, CameraOptions options, const SceneSource* scene)
    : bus_(std::make_shared<Bus>())
{
    if (scene == nullptr) {
        ownScene_ = std::make_unique<TestPattern>();
        scene = ownScene_.get();
    }
    bus_->clock = &clock;
    bus_->scene = scene;
    bus_->options = std::move(options);
    bus_->log.keepInMemory(true);
}

InProcessCameras::~InProcessCameras()
{
    std::lock_guard lock(bus_->mutex);
    bus_->closed = true;
    for (auto& camera : bus_->cameras)
        camera.reset();
}

bool InProcessCameras::plug(int number)
{
    std::lock_guard lock(bus_->mutex);
    if (number < 0 || number > kMaxDeviceNumber || bus_->cameras[number])
        return false;
    bus_->cameras[number] =
        std::make_unique<VirtualCamera>(number, *bus_->scene, *bus_->clock, bus_->options, &bus_->log);
    bus_->log.add({number, kLogNodeNone, LogEvent::Plug, 0, 0, {}});
    return true;
}

bool InProcessCameras::unplug(int number)
{
    std::lock_guard lock(bus_->mutex);
    if (number < 0 || number > kMaxDeviceNumber || !bus_->cameras[number])
        return false;
    bus_->cameras[number].reset();
    ++bus_->generation[number];
    bus_->log.add({number, kLogNodeNone, LogEvent::Unplug, 0, 0, {}});
    return true;
}

bool InProcessCameras::isPlugged(int number) const
{
    std::lock_guard lock(bus_->mutex);
    return number >= 0 && number <= kMaxDeviceNumber && bus_->cameras[number] != nullptr;
}

std::unique_ptr<DeviceHandle> InProcessCameras::open(std::string_view deviceName)
{
    const std::optional<std::filesystem::path> path = nodePathForName(deviceName, "/");
    if (!path)
        return nullptr;
    const std::optional<NodeAddress> address =
        parseNodeName(path->parent_path().filename().native(), path->filename().native());
    if (!address)
        return nullptr;
    std::lock_guard lock(bus_->mutex);
    if (!bus_->cameras[address->device])
        return nullptr;
    bus_->log.add({address->device, address->pipe, LogEvent::Open, 0, 0, {}});
    return std::make_unique<InProcessHandle>(bus_, address->device, address->pipe,
                                             bus_->generation[address->device]);
}

bool InProcessCameras::withCamera(int number, const std::function<void(VirtualCamera&)>& inspect)
{
    std::lock_guard lock(bus_->mutex);
    if (number < 0 || number > kMaxDeviceNumber || !bus_->cameras[number])
        return false;
    inspect(*bus_->cameras[number]);
    return true;
}

PacketLog& InProcessCameras::log()
{
    return bus_->log;
}

} // namespace platform::ousbdrv
