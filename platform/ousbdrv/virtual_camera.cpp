#include "platform/ousbdrv/virtual_camera.h"

#include <algorithm>
#include <cstring>

namespace platform::ousbdrv {

std::optional<FrameFormat> frameFormatForCode(std::uint8_t code)
{
    for (const FrameFormat& f : kFrameFormats)
        if (f.code == code)
            return f;
    return std::nullopt;
}

namespace {

constexpr std::size_t kMaxPendingFrameBytes = 4 * (kFrameHeaderSize + kMaxPlaneSize);

void putU16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::uint8_t* p, std::uint32_t v)
{
    putU16(p, v);
    putU16(p + 2, v >> 16);
}

} // namespace

VirtualCamera::VirtualCamera(int number, const SceneSource& scene, clock::Clock& clock, CameraOptions options,
                             PacketLog* log)
    : number_(number),
      scene_(scene),
      clock_(clock),
      options_(std::move(options)),
      log_(log),
      plugTime_(clock.now()),
      format_(*frameFormatForCode(kDefaultFormatCode)),
      transferFormat_(format_)
{
    scenePicture_.resize(kSceneWidth, kSceneHeight);
    planeA_.reserve(kMaxPlaneSize);
    planeB_.reserve(kMaxPlaneSize);
    frameQueue_.reserve(2 * (kFrameHeaderSize + kMaxPlaneSize));
}

int VirtualCamera::registerValue(int reg) const
{
    return reg >= 0 && reg <= kMaxRegister ? registers_[static_cast<std::size_t>(reg)] : -1;
}

std::chrono::milliseconds VirtualCamera::frameInterval() const
{
    return options_.baseFrameInterval + options_.exposureStep * registers_[kExposureRegister];
}

bool VirtualCamera::frameReady() const
{
    return clock_.now() - exposureStart_ >= frameInterval();
}

long VirtualCamera::read(int pipe, std::span<std::uint8_t> buffer)
{
    LogEntry entry{number_, pipe, LogEvent::Read, static_cast<std::uint32_t>(buffer.size()), 0, {}};
    std::size_t n = 0;
    if (pipe == static_cast<int>(PipeId::Frame)) {
        n = std::min(buffer.size(), frameQueue_.size() - frameRead_);
        if (n != 0)
            std::memcpy(buffer.data(), frameQueue_.data() + frameRead_, n);
        frameRead_ += n;
        if (frameRead_ == frameQueue_.size()) {
            frameQueue_.clear();
            frameRead_ = 0;
        }
    } else if (pipe == static_cast<int>(PipeId::Status)) {
        if (statusLeft_ == 0)
            makeStatusAnswer();
        n = std::min(buffer.size(), statusLeft_);
        const std::uint8_t* from = status_.data() + (kStatusAnswerSize - statusLeft_);
        if (n != 0)
            std::memcpy(buffer.data(), from, n);
        entry.data.assign(from, from + n);
        statusLeft_ -= n;
    } else {
        entry.event = LogEvent::Refused;
        if (log_)
            log_->add(std::move(entry));
        return -1;
    }
    entry.delivered = static_cast<std::uint32_t>(n);
    if (log_)
        log_->add(std::move(entry));
    return static_cast<long>(n);
}

long VirtualCamera::write(int pipe, std::span<const std::uint8_t> data)
{
    LogEntry entry{number_, pipe, LogEvent::Write, static_cast<std::uint32_t>(data.size()), 0, {}};
    if (pipe != static_cast<int>(PipeId::Command) || data.size() > kMaxWriteSize) {
        entry.event = LogEvent::Refused;
        if (log_)
            log_->add(std::move(entry));
        return -1;
    }
    entry.delivered = static_cast<std::uint32_t>(data.size());
    entry.data.assign(data.begin(), data.end());
    // Logged before acting, so the log shows the command ahead of anything it causes.
    if (log_)
        log_->add(std::move(entry));
    for (std::size_t at = 0; at + kCommandPacketSize <= data.size(); at += kCommandPacketSize)
        command(data.data() + at);
    return static_cast<long>(data.size());
}

void VirtualCamera::command(const std::uint8_t* packet)
{
    const std::uint8_t code = packet[0];
    if (code == command::kRegisterWrite) {
        if (selectedRegister_ < 0) {
            selectedRegister_ = registerFromByte(packet[1]);
        } else {
            if (packet[1] <= kMaxRegisterValue)
                registers_[static_cast<std::size_t>(selectedRegister_)] =
                    static_cast<std::uint8_t>(valueFromByte(packet[1]));
            selectedRegister_ = -1;
        }
        return;
    }
    selectedRegister_ = -1;

    if (code == command::kStartFirst) {
        startArmed_ = true;
        return;
    }
    if (code == command::kStartSecond) {
        if (startArmed_ && !started_) {
            started_ = true;
            exposureStart_ = clock_.now();
        }
        startArmed_ = false;
        return;
    }
    startArmed_ = false;

    if (const std::optional<FrameFormat> f = frameFormatForCode(code)) {
        format_ = *f;
        return;
    }
    switch (code) {
    case command::kBeginTransfer:
        if (started_)
            beginTransfer();
        break;
    case command::kColourPlane:
        if (transferOpen_)
            appendPlane(header::kPlaneColourDifference, planeB_);
        break;
    case command::kEndTransfer:
        frameQueue_.clear();
        frameRead_ = 0;
        transferOpen_ = false;
        break;
    case command::kStatusQuery:
        makeStatusAnswer();
        break;
    default:
        break;  // codes the camera does not use
    }
}

void VirtualCamera::beginTransfer()
{
    transferOpen_ = true;
    transferFormat_ = format_;
    transferTime_ = clock_.now();
    exposureStart_ = transferTime_;
    ++frameNumber_;

    SceneTime time;
    time.sincePlug = transferTime_ - plugTime_;
    time.timeOfDay = options_.timeOfDay ? options_.timeOfDay() : transferTime_;
    time.frameNumber = frameNumber_;
    scene_.render(time, scenePicture_);
    cutFrame(scenePicture_, transferFormat_, framePicture_);
    const std::size_t size = static_cast<std::size_t>(transferFormat_.width) * transferFormat_.height;
    planeA_.resize(size);
    planeB_.resize(size);
    encoder_.encode(framePicture_, planeA_.data(), planeB_.data());
    appendPlane(header::kPlaneLuminance, planeA_);
}

void VirtualCamera::appendPlane(std::uint8_t plane, const std::vector<std::uint8_t>& bytes)
{
    // The camera's buffer holds a few frames; what does not fit is lost.
    if (frameQueue_.size() - frameRead_ + kFrameHeaderSize + bytes.size() > kMaxPendingFrameBytes)
        return;
    if (frameRead_ != 0) {
        frameQueue_.erase(frameQueue_.begin(), frameQueue_.begin() + static_cast<std::ptrdiff_t>(frameRead_));
        frameRead_ = 0;
    }
    std::uint8_t h[kFrameHeaderSize] = {};
    std::memcpy(h + header::kMagicOffset, header::kMagic.data(), header::kMagic.size());
    putU32(h + header::kFrameNumberOffset, frameNumber_);
    putU16(h + header::kWidthOffset, static_cast<std::uint32_t>(transferFormat_.width));
    putU16(h + header::kHeightOffset, static_cast<std::uint32_t>(transferFormat_.height));
    h[header::kPlaneOffset] = plane;
    h[header::kFormatCodeOffset] = transferFormat_.code;
    h[header::kExposureOffset] = registers_[kExposureRegister];
    const auto stamp = static_cast<std::uint64_t>(transferTime_.count());
    putU32(h + header::kTimestampOffset, static_cast<std::uint32_t>(stamp));
    putU32(h + header::kTimestampOffset + 4, static_cast<std::uint32_t>(stamp >> 32));
    frameQueue_.insert(frameQueue_.end(), h, h + kFrameHeaderSize);
    frameQueue_.insert(frameQueue_.end(), bytes.begin(), bytes.end());
}

void VirtualCamera::makeStatusAnswer()
{
    status_.fill(0);
    statusLeft_ = kStatusAnswerSize;
    if (!started_)
        return;
    if (!frameReady()) {
        for (std::size_t r = 0; r < kStatusAnswerSize; r += kStatusReportSize)
            status_[r + 1] = kStatusNotYet;
        return;
    }
    std::size_t slot;
    if (options_.readyByte == 0 || options_.readyByte == 8 || options_.readyByte == 16) {
        slot = static_cast<std::size_t>(options_.readyByte);
    } else {
        slot = static_cast<std::size_t>(readyTurn_) * kStatusReportSize;
        readyTurn_ = (readyTurn_ + 1) % 3;
    }
    // The reports before the one that says "ready" still said "not yet".
    for (std::size_t r = 0; r < slot; r += kStatusReportSize)
        status_[r + 1] = kStatusNotYet;
    status_[slot] = kStatusFrameReady;
}

} // namespace platform::ousbdrv
