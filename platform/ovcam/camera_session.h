#pragma once
// One connection to the camera behind the four C calls: the device channel
// of the camera program drives the protocol, the picture tables carry the
// settings, and every picture is converted from the chosen camera frame and
// scaled to the caller's size. Not thread-safe: ovcam.cpp serialises calls.

#include "camera/capture/camera_error_reporter.h"
#include "camera/capture/device_channel.h"
#include "camera/capture/picture_tables.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/transport.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace ovcam {

// Shutter steps: exposure register value and the brightness the longer
// exposure adds to the picture.
struct ShutterStep {
    int character;
    int exposureRegisterValue;
    int brightnessGain;
};
inline constexpr ShutterStep kShutterSteps[] = {
    {'2', 5, 0},
    {'3', 6, 3},
    {'4', 7, 6},
};

// How often a picture waits for a frame before the camera counts as
// not delivering (each wait is the channel's status poll, ~200 ms at most).
inline constexpr int kFramePollRounds = 10;

class CameraSession final : private lumoset::CameraErrorReporter, private lumoset::DeviceChannelHost {
public:
    // Transport and clock must outlive the session.
    CameraSession(platform::ousbdrv::DeviceTransport& transport, platform::clock::Clock& clock);
    ~CameraSession() override;

    // Finds and starts the first camera; false when none answers.
    bool connect();
    void disconnect();
    bool connected() const { return connected_; }

    void setPicture(int brightness, int contrast);
    void setColour(int hue, int saturation);
    // '2', '3' or '4'; anything else is ignored.
    void setShutter(int character);

    // See OVCAM_GetImage.
    bool getImage(bool colour, int width, int height, int viewQualityCode, std::span<std::uint8_t> pixels);

private:
    void reportCameraError(int code) override;
    bool colourMode() const override { return colour_; }
    void rebuildTables();
    void writeExposure();

    platform::ousbdrv::DeviceTransport& transport_;
    platform::clock::Clock& clock_;
    std::unique_ptr<lumoset::DeviceChannel> channel_;
    lumoset::PictureTables tables_;
    std::vector<std::uint8_t> planeA_;
    std::vector<std::uint8_t> planeB_;
    std::vector<std::uint8_t> converted_;
    bool connected_ = false;
    bool failed_ = false;  // the channel reported a failure during this call
    bool colour_ = true;
    int brightness_ = 0;
    int contrast_ = 0;
    int hue_ = 0;
    int saturation_ = 0;
    int shutterStep_ = 0;
};

} // namespace ovcam
