#pragma once
// The camera device channel: finds the camera's control device, opens its
// three pipes and speaks the camera's packet protocol over them: 8-byte
// commands, two-packet register writes, the status poll and the frame
// transfer into the main window's plane buffers, converted through the
// picture tables.
//
// Every failure is reported once to the CameraErrorReporter, which may close
// the camera from inside the report; the channel never touches a pipe after
// reporting in the same call. Waits go through the injectable clock. All
// calls come from the window thread.

#include "camera/capture/camera_error_reporter.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/transport.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace lumoset {

class PictureTables;

// Command table: index -> code byte. Indices are what callers pass to
// sendCommand (the frame format tables name their commands by index).
inline constexpr int kCmdCameraStartFirst = 0;
inline constexpr int kCmdCameraStartSecond = 1;
inline constexpr int kCmdFormat176x144 = 2;
inline constexpr int kCmdFormat496x240 = 3;
inline constexpr int kCmdBeginTransfer = 4;
inline constexpr int kCmdColourPlane = 5;
inline constexpr int kCmdFormat176x72Zoom = 6;
inline constexpr int kCmdEndTransfer = 8;
inline constexpr int kCmdStatusQuery = 10;
inline constexpr int kCmdFormat352x288 = 11;
inline constexpr int kCmdFormat320x240 = 12;
inline constexpr int kCmdFormat160x120 = 13;
inline constexpr int kCmdFormat80x60 = 14;
inline constexpr int kCmdFormat320x120Zoom = 15;
inline constexpr int kCmdFormat160x60Zoom = 16;
inline constexpr int kCmdFormat320x120Reduced = 17;
inline constexpr int kCmdFormat160x60Reduced = 18;
inline constexpr int kCmdFormat352x144Zoom = 20;
inline constexpr int kCmdFormat80x32 = 22;
inline constexpr int kCommandCount = 27;
extern const std::array<std::uint8_t, kCommandCount> kCommandCodes;

// Registers written at camera start, in this order, with these values.
struct RegisterSetting {
    int reg;
    int value;
};
inline constexpr std::array<RegisterSetting, 11> kStartRegisters{{
    {35, 15}, {39, 17}, {40, 27}, {46, 8}, {54, 0}, {57, 23},
    {58, 5}, {59, 4}, {66, 3}, {69, 6}, {70, 6},
}};
inline constexpr int kSpeedRegister = 58;

// Devices are searched as numbers 0 .. kDeviceSearchLast.
inline constexpr int kDeviceSearchLast = 31;
// Frame planes are read in requests of at most this many bytes.
inline constexpr std::size_t kPlaneReadChunk = 40960;
inline constexpr std::size_t kFrameHeaderBytes = 128;
inline constexpr std::size_t kStartReadBytes = 64;       // read and dropped at camera start
inline constexpr std::size_t kStatusAnswerBytes = 24;
inline constexpr int kStatusPollAttempts = 10;
inline constexpr platform::clock::Milliseconds kStatusPollWait{20};
inline constexpr platform::clock::Milliseconds kCameraStartWait{100};

// Plane and output buffers of the main window: two planes of 496 x 240
// bytes and an output image of 496 x 240 x 3 bytes.
inline constexpr std::size_t kPlaneBufferBytes = 119040;
inline constexpr std::size_t kOutputBufferBytes = 357120;

// pollStatus results.
inline constexpr int kPollFrameReady = 1;
inline constexpr int kPollRefused = 0;
inline constexpr int kPollNoFrame = -1;
inline constexpr int kPollFailed = -2;

// readFrame results.
inline constexpr int kFrameRead = 1;
inline constexpr int kFrameBusy = -3;
inline constexpr int kFrameFailed = 0;

// "\\.\ousbdrv000" .. "\\.\ousbdrv009", "\\.\ousbdrv010" .. "\\.\ousbdrv031",
// and "\\.\ousbdrvN" from 32 on.
std::string cameraDeviceName(int number);

// What the channel asks of the main window around camera start and close.
class DeviceChannelHost {
public:
    virtual ~DeviceChannelHost() = default;
    virtual void repaintPreview() {}
    virtual void startPreviewTimer() {}  // timer 201, 100 ms
    virtual void stopPreviewTimer() {}
    // Raise the preview's colour, layout and speed pending flags.
    virtual void raiseStartPendingFlags() {}
    // The shown-frame counter: 0 at camera start, -1 once closed.
    virtual void setFramesShown(int count) { (void)count; }
    // Colour (planes A and B into 24 bits) or black and white (plane A into 8 bits).
    virtual bool colourMode() const { return true; }
};

class DeviceChannel {
public:
    // All four must outlive the channel.
    DeviceChannel(platform::ousbdrv::DeviceTransport& transport, platform::clock::Clock& clock,
                  CameraErrorReporter& reporter, DeviceChannelHost& host);
    ~DeviceChannel();
    DeviceChannel(const DeviceChannel&) = delete;
    DeviceChannel& operator=(const DeviceChannel&) = delete;

    // The main window's buffers (the channel does not own them) and the
    // tables frames are converted through. Without tables readFrame leaves
    // the planes unconverted.
    void setFrameBuffers(std::span<std::uint8_t> planeA, std::span<std::uint8_t> planeB,
                         std::span<std::uint8_t> output);
    void setPictureTables(const PictureTables* tables);

    // Searches devices 0..31 and remembers the first that opens (closing it
    // again). False, after reporting -2, when none does.
    bool findDevice();
    // Opens PIPE00, PIPE01, PIPE02 of the remembered device; false at the
    // first that does not open (the others are closed again).
    bool openPipes();
    // Stops the preview timer, closes the pipes, shown-frame counter -1.
    void closeCamera();
    // Writes the command of table index `index` to PIPE01; false after
    // reporting -6 when it is not written.
    bool sendCommand(int index);
    // The two-packet register write; a failed packet reports -5 (the second
    // is not sent after a failed first). Always returns true.
    bool writeRegister(int reg, int value);
    // kPollFrameReady, kPollRefused, kPollNoFrame (after ten rounds) or
    // kPollFailed. Refused and failed are reported as -2.
    int pollStatus();
    // One frame of width x height: kFrameRead after a complete transfer,
    // kFrameBusy without doing anything while a transfer is in progress,
    // kFrameFailed when no complete frame arrived (reported only when a pipe
    // or a command failed: -2 or -6; a frame that arrived short, or a size
    // that does not fit the buffers, is dropped without a report).
    int readFrame(int width, int height);
    // The start sequence; false when the device is missing or failed
    // (already reported).
    bool startCamera();

    bool deviceMissing() const { return deviceMissing_; }
    bool frameReadInProgress() const { return frameReadInProgress_; }
    bool isOpen() const;
    const std::string& deviceName() const { return deviceName_; }

private:
    enum Pipe { kFramePipe = 0, kCommandPipe = 1, kStatusPipe = 2, kPipeCount = 3 };

    long readPipe(Pipe pipe, std::uint8_t* buffer, std::size_t size);
    long writePipe(Pipe pipe, const std::uint8_t* data, std::size_t size);
    bool writeCommandQuietly(int index);
    void report(int code);
    // Reads `size` bytes of a plane in chunks; kFrameRead, or the code to report.
    int readPlane(std::uint8_t* destination, std::size_t size);
    int transferFrame(int width, int height);

    platform::ousbdrv::DeviceTransport& transport_;
    platform::clock::Clock& clock_;
    CameraErrorReporter& reporter_;
    DeviceChannelHost& host_;
    std::array<std::unique_ptr<platform::ousbdrv::DeviceHandle>, kPipeCount> pipes_;
    std::string deviceName_;
    bool deviceMissing_ = false;
    bool frameReadInProgress_ = false;
    unsigned reportCount_ = 0;
    std::span<std::uint8_t> planeA_;
    std::span<std::uint8_t> planeB_;
    std::span<std::uint8_t> output_;
    const PictureTables* tables_ = nullptr;
};

} // namespace lumoset
