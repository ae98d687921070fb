#pragma once
// The capture driver's own connection to the camera: it finds the first
// camera device, starts it, sets the frame format of the recording and
// reads frames over the three pipes, decoding the planes into DIB bodies
// (bottom-up, blue-green-red, or grey bytes). Zoomed formats arrive at half
// height and are stretched back by repeating rows.

#include "platform/ousbdrv/socket_transport.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace vdocap {

enum class GrabResult { Frame, NoFrame, Lost };

class CameraGrabber {
public:
    CameraGrabber();
    // Finds and starts the camera at `width` x `height` (zoomed: the centre
    // quarter); false when no camera answers.
    bool open(int width, int height, bool zoomed, bool colour, int exposure);
    // The next frame into `out` (stride-padded DIB body of the open size),
    // waiting at most `timeout` for the camera to have one.
    GrabResult grab(std::uint8_t* out, std::size_t size, std::chrono::milliseconds timeout);
    void close();

    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return colour_ ? 24 : 8; }
    std::size_t frameBytes() const;

private:
    bool command(std::uint8_t code, std::uint8_t byte1 = 0);
    bool readAll(int pipe, std::uint8_t* buffer, std::size_t size);
    int pollReady();  // 1 ready, 0 not yet, -1 failed
    void decode(std::uint8_t* out) const;

    platform::ousbdrv::SocketTransport transport_;
    std::array<std::unique_ptr<platform::ousbdrv::DeviceHandle>, 3> pipes_;
    int width_ = 0;
    int height_ = 0;
    int rawHeight_ = 0;
    bool colour_ = true;
    std::vector<std::uint8_t> planeA_;
    std::vector<std::uint8_t> planeB_;
    std::array<std::uint8_t, 256> luma_{};
    std::array<int, 256> difference_{};
};

} // namespace vdocap
