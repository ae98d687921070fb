#include "platform/ovcam/camera_session.h"

#include "camera/capture/picture_convert.h"
#include "platform/ousbdrv/protocol.h"
#include "platform/ovcam/frame_request.h"
#include "platform/ovcam/frame_scaler.h"
#include "platform/ovcam/ovcam.h"

namespace ovcam {

CameraSession::CameraSession(platform::ousbdrv::DeviceTransport& transport, platform::clock::Clock& clock)
    : transport_(transport),
      clock_(clock),
      planeA_(lumoset::kPlaneBufferBytes),
      planeB_(lumoset::kPlaneBufferBytes),
      converted_(lumoset::kOutputBufferBytes)
{
    rebuildTables();
}

CameraSession::~CameraSession()
{
    disconnect();
}

void CameraSession::reportCameraError(int)
{
    failed_ = true;
}

bool CameraSession::connect()
{
    disconnect();
    lumoset::CameraErrorReporter& reporter = *this;
    lumoset::DeviceChannelHost& host = *this;
    channel_ = std::make_unique<lumoset::DeviceChannel>(transport_, clock_, reporter, host);
    channel_->setFrameBuffers(planeA_, planeB_, converted_);
    channel_->setPictureTables(&tables_);
    failed_ = false;
    if (!channel_->startCamera() || failed_) {
        channel_.reset();
        return false;
    }
    connected_ = true;
    writeExposure();
    return connected_;
}

void CameraSession::disconnect()
{
    if (channel_)
        channel_->closeCamera();
    channel_.reset();
    connected_ = false;
}

void CameraSession::rebuildTables()
{
    lumoset::buildPictureTables(tables_, brightness_ + kShutterSteps[shutterStep_].brightnessGain, contrast_, hue_,
                                saturation_);
}

void CameraSession::writeExposure()
{
    if (!connected_)
        return;
    failed_ = false;
    channel_->writeRegister(platform::ousbdrv::kExposureRegister, kShutterSteps[shutterStep_].exposureRegisterValue);
    if (failed_)
        disconnect();
}

void CameraSession::setPicture(int brightness, int contrast)
{
    brightness_ = brightness;
    contrast_ = contrast;
    rebuildTables();
}

void CameraSession::setColour(int hue, int saturation)
{
    hue_ = hue;
    saturation_ = saturation;
    rebuildTables();
}

void CameraSession::setShutter(int character)
{
    for (int i = 0; i < static_cast<int>(std::size(kShutterSteps)); ++i) {
        if (kShutterSteps[i].character == character) {
            shutterStep_ = i;
            rebuildTables();
            writeExposure();
            return;
        }
    }
}

bool CameraSession::getImage(bool colour, int width, int height, int viewQualityCode,
                             std::span<std::uint8_t> pixels)
{
    if (!connected_ || width < 1 || height < 1 || width > OVCAM_MAX_WIDTH || height > OVCAM_MAX_HEIGHT)
        return false;
    const int bytesPerPixel = colour ? 3 : 1;
    if (pixels.size() < static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel)
        return false;

    colour_ = colour;
    const SourceFrame frame = chooseSourceFrame(width, height, decodeViewQualityCode(viewQualityCode));
    failed_ = false;
    channel_->sendCommand(frame.commandIndex);
    int poll = lumoset::kPollNoFrame;
    for (int round = 0; round < kFramePollRounds && !failed_ && poll == lumoset::kPollNoFrame; ++round)
        poll = channel_->pollStatus();
    const bool read = poll == lumoset::kPollFrameReady && !failed_ &&
                      channel_->readFrame(frame.width, frame.height) == lumoset::kFrameRead;
    if (failed_) {
        // The camera is gone (or refuses): no picture until connected again.
        disconnect();
        return false;
    }
    if (!read)
        return false;
    const FrameView view{converted_, frame.width, frame.height,
                         lumoset::dibRowBytes(frame.width, colour ? lumoset::kColourBitsPerPixel
                                                                  : lumoset::kGreyBitsPerPixel)};
    return scaleFrame(view, bytesPerPixel, pixels, width, height);
}

} // namespace ovcam
