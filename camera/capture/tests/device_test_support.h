#pragma once
// Test doubles around the device channel: a reporter and a host that record
// what the channel asked of them, the main window's frame buffers, and a
// transport wrapper that lets a test act in the middle of any transfer.

#include "camera/capture/device_channel.h"
#include "platform/ousbdrv/transport.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace lumoset::testing {

struct RecordingReporter : CameraErrorReporter {
    std::vector<int> codes;
    std::function<void(int)> onReport;
    void reportCameraError(int code) override
    {
        codes.push_back(code);
        if (onReport)
            onReport(code);
    }
};

struct RecordingHost : DeviceChannelHost {
    std::vector<std::string> calls;
    bool colour = true;
    int framesShown = 99;
    void repaintPreview() override { calls.push_back("repaint"); }
    void startPreviewTimer() override { calls.push_back("start timer"); }
    void stopPreviewTimer() override { calls.push_back("stop timer"); }
    void raiseStartPendingFlags() override { calls.push_back("pending flags"); }
    void setFramesShown(int count) override
    {
        framesShown = count;
        calls.push_back("frames " + std::to_string(count));
    }
    bool colourMode() const override { return colour; }
};

struct FrameBuffers {
    std::vector<std::uint8_t> planeA = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> planeB = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> output = std::vector<std::uint8_t>(kOutputBufferBytes);
    void attach(DeviceChannel& channel) { channel.setFrameBuffers(planeA, planeB, output); }
};

// Passes everything to another transport, first asking `beforeIo` (name of
// the node, read or write, size): returning false fails that request with -1.
class HookedTransport final : public platform::ousbdrv::DeviceTransport {
public:
    using Hook = std::function<bool(const std::string& name, bool isRead, std::size_t size)>;

    explicit HookedTransport(platform::ousbdrv::DeviceTransport& inner) : inner_(inner) {}

    std::unique_ptr<platform::ousbdrv::DeviceHandle> open(std::string_view name) override
    {
        opened.emplace_back(name);
        auto handle = inner_.open(name);
        if (!handle)
            return nullptr;
        return std::make_unique<Handle>(*this, std::string(name), std::move(handle));
    }

    Hook beforeIo;
    std::vector<std::string> opened;

private:
    class Handle final : public platform::ousbdrv::DeviceHandle {
    public:
        Handle(HookedTransport& owner, std::string name, std::unique_ptr<platform::ousbdrv::DeviceHandle> inner)
            : owner_(owner), name_(std::move(name)), inner_(std::move(inner))
        {
        }
        long read(void* buffer, std::size_t size) override
        {
            if (owner_.beforeIo && !owner_.beforeIo(name_, true, size))
                return -1;
            return inner_->read(buffer, size);
        }
        long write(const void* data, std::size_t size) override
        {
            if (owner_.beforeIo && !owner_.beforeIo(name_, false, size))
                return -1;
            return inner_->write(data, size);
        }

    private:
        HookedTransport& owner_;
        std::string name_;
        std::unique_ptr<platform::ousbdrv::DeviceHandle> inner_;
    };

    platform::ousbdrv::DeviceTransport& inner_;
};

inline bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace lumoset::testing
