#include "camera/capture/device_channel.h"

#include "camera/capture/picture_convert.h"
#include "platform/ousbdrv/protocol.h"

#include <algorithm>
#include <cstdio>

namespace lumoset {

namespace cmd = platform::ousbdrv::command;

const std::array<std::uint8_t, kCommandCount> kCommandCodes{
    cmd::kStartFirst,        // 0
    cmd::kStartSecond,       // 1
    cmd::kFormat176x144,     // 2
    cmd::kFormat496x240,     // 3
    cmd::kBeginTransfer,     // 4
    cmd::kColourPlane,       // 5
    cmd::kFormat176x72Zoom,  // 6
    cmd::kUnused0xF0,        // 7
    cmd::kEndTransfer,       // 8
    cmd::kUnused0xF4,        // 9
    cmd::kStatusQuery,       // 10
    cmd::kFormat352x288,     // 11
    cmd::kFormat320x240,     // 12
    cmd::kFormat160x120,     // 13
    cmd::kFormat80x60,       // 14
    cmd::kFormat320x120Zoom, // 15
    cmd::kFormat160x60Zoom,  // 16
    cmd::kFormat320x120Reduced, // 17
    cmd::kFormat160x60Reduced,  // 18
    cmd::kUnused0xF6,        // 19
    cmd::kFormat352x144Zoom, // 20
    cmd::kUnused0xF8,        // 21
    cmd::kFormat80x32,       // 22
    cmd::kUnused0xFA,        // 23
    cmd::kUnused0xFB,        // 24
    cmd::kUnused0xFC,        // 25
    cmd::kUnused0xFD,        // 26
};

namespace {

constexpr std::size_t kPacketSize = platform::ousbdrv::kCommandPacketSize;
constexpr long kPacketBytes = static_cast<long>(kPacketSize);
// Result of a transfer step that went well.
constexpr int kStepDone = 1;

bool statusSaysReady(const std::uint8_t* answer)
{
    using platform::ousbdrv::kStatusFrameReady;
    return answer[0] == kStatusFrameReady || answer[8] == kStatusFrameReady || answer[16] == kStatusFrameReady;
}

} // namespace

std::string cameraDeviceName(int number)
{
    char name[48];
    if (number >= 0 && number <= 9)
        std::snprintf(name, sizeof name, "\\\\.\\ousbdrv00%d", number);
    else if (number >= 10 && number <= 31)
        std::snprintf(name, sizeof name, "\\\\.\\ousbdrv0%d", number);
    else
        std::snprintf(name, sizeof name, "\\\\.\\ousbdrv%d", number);
    return name;
}

DeviceChannel::DeviceChannel(platform::ousbdrv::DeviceTransport& transport, platform::clock::Clock& clock,
                             CameraErrorReporter& reporter, DeviceChannelHost& host)
    : transport_(transport), clock_(clock), reporter_(reporter), host_(host)
{
}

DeviceChannel::~DeviceChannel() = default;

void DeviceChannel::setFrameBuffers(std::span<std::uint8_t> planeA, std::span<std::uint8_t> planeB,
                                    std::span<std::uint8_t> output)
{
    planeA_ = planeA;
    planeB_ = planeB;
    output_ = output;
}

void DeviceChannel::setPictureTables(const PictureTables* tables)
{
    tables_ = tables;
}

bool DeviceChannel::isOpen() const
{
    return std::all_of(pipes_.begin(), pipes_.end(), [](const auto& p) { return p != nullptr; });
}

void DeviceChannel::report(int code)
{
    ++reportCount_;
    reporter_.reportCameraError(code);
}

long DeviceChannel::readPipe(Pipe pipe, std::uint8_t* buffer, std::size_t size)
{
    platform::ousbdrv::DeviceHandle* handle = pipes_[pipe].get();
    return handle != nullptr ? handle->read(buffer, size) : -1;
}

long DeviceChannel::writePipe(Pipe pipe, const std::uint8_t* data, std::size_t size)
{
    platform::ousbdrv::DeviceHandle* handle = pipes_[pipe].get();
    return handle != nullptr ? handle->write(data, size) : -1;
}

bool DeviceChannel::findDevice()
{
    for (int n = 0; n <= kDeviceSearchLast; ++n) {
        const std::string name = cameraDeviceName(n);
        if (transport_.open(name) != nullptr) {  // closed again at once
            deviceName_ = name;
            deviceMissing_ = false;
            return true;
        }
    }
    deviceMissing_ = true;
    report(kCameraErrorDevice);
    return false;
}

bool DeviceChannel::openPipes()
{
    static constexpr const char* kPipeSuffixes[kPipeCount] = {"\\PIPE00", "\\PIPE01", "\\PIPE02"};
    for (auto& pipe : pipes_)
        pipe.reset();
    if (deviceName_.empty())
        return false;
    for (int i = 0; i < kPipeCount; ++i) {
        pipes_[i] = transport_.open(deviceName_ + kPipeSuffixes[i]);
        if (!pipes_[i]) {
            for (auto& pipe : pipes_)
                pipe.reset();
            return false;
        }
    }
    return true;
}

void DeviceChannel::closeCamera()
{
    host_.stopPreviewTimer();
    for (auto& pipe : pipes_)
        pipe.reset();
    host_.setFramesShown(-1);
}

bool DeviceChannel::writeCommandQuietly(int index)
{
    if (index < 0 || index >= kCommandCount)
        return false;
    std::uint8_t packet[kPacketSize] = {kCommandCodes[static_cast<std::size_t>(index)]};
    return writePipe(kCommandPipe, packet, kPacketSize) == kPacketBytes;
}

bool DeviceChannel::sendCommand(int index)
{
    if (writeCommandQuietly(index))
        return true;
    report(kCameraErrorCommandWrite);
    return false;
}

bool DeviceChannel::writeRegister(int reg, int value)
{
    using namespace platform::ousbdrv;
    if (reg < 0 || reg > kMaxRegister || value < 0 || value > kMaxRegisterValue) {
        report(kCameraErrorRegisterWrite);
        return true;
    }
    std::uint8_t first[kPacketSize] = {command::kRegisterWrite, registerSelectByte(reg)};
    if (writePipe(kCommandPipe, first, kPacketSize) != kPacketBytes) {
        report(kCameraErrorRegisterWrite);
        return true;
    }
    std::uint8_t second[kPacketSize] = {command::kRegisterWrite, registerValueByte(value)};
    if (writePipe(kCommandPipe, second, kPacketSize) != kPacketBytes)
        report(kCameraErrorRegisterWrite);
    return true;
}

int DeviceChannel::pollStatus()
{
    std::uint8_t answer[kStatusAnswerBytes];
    for (int attempt = 0; attempt < kStatusPollAttempts; ++attempt) {
        if (!writeCommandQuietly(kCmdStatusQuery)) {
            report(kCameraErrorDevice);
            return kPollFailed;
        }
        // A short answer leaves zeros behind it, never bytes of an older one.
        std::fill(std::begin(answer), std::end(answer), 0);
        if (readPipe(kStatusPipe, answer, sizeof answer) <= 0) {
            report(kCameraErrorDevice);
            return kPollFailed;
        }
        if (statusSaysReady(answer))
            return kPollFrameReady;
        if (answer[1] != platform::ousbdrv::kStatusNotYet) {
            report(kCameraErrorDevice);
            return kPollRefused;
        }
        std::fill(std::begin(answer), std::end(answer), 0);
        if (readPipe(kStatusPipe, answer, sizeof answer) < 0) {
            report(kCameraErrorDevice);
            return kPollFailed;
        }
        if (statusSaysReady(answer))
            return kPollFrameReady;
        clock_.sleepFor(kStatusPollWait);
    }
    return kPollNoFrame;
}

int DeviceChannel::readPlane(std::uint8_t* destination, std::size_t size)
{
    // Each request asks for what is still due, at most one chunk; the
    // destination and the amount due move by what was delivered.
    std::size_t due = size;
    while (due > 0) {
        const std::size_t request = std::min(kPlaneReadChunk, due);
        const long got = readPipe(kFramePipe, destination, request);
        if (got < 0)
            return kCameraErrorDevice;
        if (got == 0)
            return kCameraErrorFrame;  // the camera has nothing more: a short frame
        const std::size_t n = std::min(static_cast<std::size_t>(got), request);
        destination += n;
        due -= n;
    }
    return kStepDone;
}

int DeviceChannel::transferFrame(int width, int height)
{
    const std::size_t planeBytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const bool colour = host_.colourMode();
    std::uint8_t header[kFrameHeaderBytes];

    if (!writeCommandQuietly(kCmdBeginTransfer))
        return kCameraErrorCommandWrite;
    int step = readPlane(header, sizeof header);
    if (step == kStepDone)
        step = readPlane(planeA_.data(), planeBytes);
    if (step == kStepDone && colour) {
        if (!writeCommandQuietly(kCmdColourPlane))
            step = kCameraErrorCommandWrite;
        if (step == kStepDone)
            step = readPlane(header, sizeof header);
        if (step == kStepDone)
            step = readPlane(planeB_.data(), planeBytes);
    }
    if (step != kStepDone) {
        // Drop what the camera still holds of this frame; the device
        // failure itself is what gets reported.
        writeCommandQuietly(kCmdEndTransfer);
        return step;
    }
    if (tables_ != nullptr) {
        const bool converted =
            colour ? convertColour(*tables_, planeA_.first(planeBytes), planeB_.first(planeBytes), width, height, output_)
                   : convertGrey(*tables_, planeA_.first(planeBytes), width, height, output_);
        if (!converted) {
            writeCommandQuietly(kCmdEndTransfer);
            return kCameraErrorFrame;
        }
    }
    if (!writeCommandQuietly(kCmdEndTransfer))
        return kCameraErrorCommandWrite;
    return kStepDone;
}

int DeviceChannel::readFrame(int width, int height)
{
    if (frameReadInProgress_)
        return kFrameBusy;
    if (width <= 0 || height <= 0 ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > std::min(planeA_.size(), planeB_.size()))
        return kFrameFailed;
    frameReadInProgress_ = true;
    const int result = transferFrame(width, height);
    frameReadInProgress_ = false;
    if (result != kStepDone) {
        // A frame that arrived short is dropped without a report: only the
        // status poll and failing pipes decide that the camera does not work.
        if (result != kCameraErrorFrame)
            report(result);
        return kFrameFailed;
    }
    return kFrameRead;
}

bool DeviceChannel::startCamera()
{
    host_.repaintPreview();
    if (!findDevice())
        return false;
    host_.setFramesShown(0);
    if (!openPipes()) {
        report(kCameraErrorDevice);
        return false;
    }
    // After any reported failure the main window has closed the camera (or
    // will): the sequence stops there instead of writing to closed pipes and
    // restarting the preview timer.
    if (!sendCommand(kCmdCameraStartFirst) || !sendCommand(kCmdCameraStartSecond))
        return false;
    host_.raiseStartPendingFlags();
    clock_.sleepFor(kCameraStartWait);
    if (!sendCommand(kCmdBeginTransfer))
        return false;
    std::uint8_t discard[kStartReadBytes];
    if (readPipe(kFramePipe, discard, sizeof discard) < 0) {
        report(kCameraErrorDevice);
        return false;
    }
    host_.startPreviewTimer();
    if (!sendCommand(kCmdEndTransfer))
        return false;
    for (const RegisterSetting& r : kStartRegisters) {
        const unsigned reportsBefore = reportCount_;
        writeRegister(r.reg, r.value);
        if (reportCount_ != reportsBefore)
            return false;
    }
    return true;
}

} // namespace lumoset
