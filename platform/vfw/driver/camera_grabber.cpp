#include "platform/vfw/driver/camera_grabber.h"

#include "platform/ousbdrv/protocol.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>

namespace vdocap {

namespace po = platform::ousbdrv;

namespace {

struct FormatChoice {
    int width;
    int height;
    std::uint8_t normal;  // full height
    std::uint8_t zoomed;  // centre quarter, half height
};
constexpr std::array<FormatChoice, 4> kFormats{{
    {160, 120, po::command::kFormat160x120, po::command::kFormat160x60Zoom},
    {176, 144, po::command::kFormat176x144, po::command::kFormat176x72Zoom},
    {320, 240, po::command::kFormat320x240, po::command::kFormat320x120Zoom},
    {352, 288, po::command::kFormat352x288, po::command::kFormat352x144Zoom},
}};

constexpr std::chrono::milliseconds kStartWait{100};
constexpr std::chrono::milliseconds kPollWait{5};
constexpr std::size_t kStartReadBytes = 64;
constexpr std::size_t kReadChunk = 40960;

std::string deviceName(int number)
{
    std::string digits = std::to_string(number);
    if (digits.size() < 3)
        digits.insert(0, 3 - digits.size(), '0');
    return std::string(po::kDeviceNamePrefix) + po::kNodePrefix + digits;
}

int truncLimited(double x, int lo, int hi)
{
    const double t = std::trunc(x);
    return t < lo ? lo : t > hi ? hi : static_cast<int>(t);
}

std::uint8_t limit8(int v)
{
    return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

} // namespace

CameraGrabber::CameraGrabber()
{
    // The camera's neutral decoding: luminance trunc((i - 148) * 1.2) + 128,
    // colour differences trunc((j - 128) * 1.4).
    for (int i = 0; i < 256; ++i) {
        luma_[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(truncLimited(std::trunc((i - 148) * 1.2) + 128, 0, 255));
        difference_[static_cast<std::size_t>(i)] = truncLimited((i - 128) * 1.4, -128, 127);
    }
}

std::size_t CameraGrabber::frameBytes() const
{
    const std::size_t stride = (static_cast<std::size_t>(width_) * static_cast<std::size_t>(bitsPerPixel()) + 31) / 32 * 4;
    return stride * static_cast<std::size_t>(height_);
}

bool CameraGrabber::command(std::uint8_t code, std::uint8_t byte1)
{
    std::uint8_t packet[po::kCommandPacketSize] = {code, byte1};
    return pipes_[1] && pipes_[1]->write(packet, sizeof packet) == static_cast<long>(sizeof packet);
}

bool CameraGrabber::readAll(int pipe, std::uint8_t* buffer, std::size_t size)
{
    while (size > 0) {
        const long got = pipes_[static_cast<std::size_t>(pipe)]->read(buffer, std::min(size, kReadChunk));
        if (got <= 0)
            return false;
        buffer += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool CameraGrabber::open(int width, int height, bool zoomed, bool colour, int exposure)
{
    close();
    const auto choice = std::find_if(kFormats.begin(), kFormats.end(),
                                     [&](const FormatChoice& f) { return f.width == width && f.height == height; });
    if (choice == kFormats.end())
        return false;
    width_ = width;
    height_ = height;
    rawHeight_ = zoomed ? height / 2 : height;
    colour_ = colour;
    planeA_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(rawHeight_), 0);
    planeB_.assign(planeA_.size(), 0);

    for (int number = 0; number <= po::kMaxDeviceNumber; ++number) {
        const std::string name = deviceName(number);
        if (!transport_.open(name))
            continue;
        bool all = true;
        for (int p = 0; p < po::kPipeCount; ++p) {
            pipes_[static_cast<std::size_t>(p)] = transport_.open(name + "\\" + po::pipeNodeName(p));
            all = all && pipes_[static_cast<std::size_t>(p)] != nullptr;
        }
        if (all)
            break;
        close();
    }
    if (!pipes_[0])
        return false;
    if (!command(po::command::kStartFirst) || !command(po::command::kStartSecond)) {
        close();
        return false;
    }
    std::this_thread::sleep_for(kStartWait);
    std::uint8_t discard[kStartReadBytes];
    if (!command(po::command::kBeginTransfer) || pipes_[0]->read(discard, sizeof discard) < 0 ||
        !command(po::command::kEndTransfer) ||
        !command(po::command::kRegisterWrite, po::registerSelectByte(po::kExposureRegister)) ||
        !command(po::command::kRegisterWrite, po::registerValueByte(std::clamp(exposure, 0, po::kMaxRegisterValue))) ||
        !command(zoomed ? choice->zoomed : choice->normal)) {
        close();
        return false;
    }
    return true;
}

void CameraGrabber::close()
{
    for (auto& pipe : pipes_)
        pipe.reset();
}

int CameraGrabber::pollReady()
{
    std::uint8_t answer[po::kStatusAnswerSize] = {};
    if (!command(po::command::kStatusQuery) || pipes_[2]->read(answer, sizeof answer) <= 0)
        return -1;
    for (std::size_t r = 0; r < po::kStatusAnswerSize; r += po::kStatusReportSize) {
        if (answer[r] == po::kStatusFrameReady)
            return 1;
    }
    return answer[1] == po::kStatusNotYet ? 0 : -1;
}

GrabResult CameraGrabber::grab(std::uint8_t* out, std::size_t size, std::chrono::milliseconds timeout)
{
    if (!pipes_[0] || size < frameBytes())
        return GrabResult::Lost;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const int ready = pollReady();
        if (ready < 0)
            return GrabResult::Lost;
        if (ready == 1)
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            return GrabResult::NoFrame;
        std::this_thread::sleep_for(kPollWait);
    }
    std::uint8_t header[po::kFrameHeaderSize];
    bool ok = command(po::command::kBeginTransfer) && readAll(0, header, sizeof header) &&
              readAll(0, planeA_.data(), planeA_.size());
    if (ok && colour_)
        ok = command(po::command::kColourPlane) && readAll(0, header, sizeof header) &&
             readAll(0, planeB_.data(), planeB_.size());
    const bool ended = command(po::command::kEndTransfer);
    if (!ok || !ended)
        return GrabResult::Lost;
    decode(out);
    return GrabResult::Frame;
}

void CameraGrabber::decode(std::uint8_t* out) const
{
    const std::size_t w = static_cast<std::size_t>(width_);
    const std::size_t stride = frameBytes() / static_cast<std::size_t>(height_);
    for (int r = 0; r < height_; ++r) {
        // Bottom-up rows; a half-height frame gives each source row twice.
        const int top = height_ - 1 - r;
        const std::size_t sourceRow = static_cast<std::size_t>(rawHeight_ == height_ ? top : top / 2);
        const std::uint8_t* y = planeA_.data() + sourceRow * w;
        std::uint8_t* o = out + static_cast<std::size_t>(r) * stride;
        if (!colour_) {
            for (std::size_t x = 0; x < w; ++x)
                o[x] = luma_[y[x]];
            std::fill(o + w, o + stride, 0);
            continue;
        }
        const std::uint8_t* c = planeB_.data() + sourceRow * w;
        for (std::size_t x = 0; x + 1 < w; x += 2) {
            const int u = difference_[c[x]];
            const int v = difference_[c[x + 1]];
            const int g = v / 6 + (u >> 1);
            for (std::size_t p = x; p < x + 2; ++p) {
                const int l = luma_[y[p]];
                *o++ = limit8(l + v);
                *o++ = limit8(l - g);
                *o++ = limit8(l + u);
            }
        }
    }
}

} // namespace vdocap
