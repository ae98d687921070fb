#include "sane/grabber.h"

#include "platform/ovcam/ovcam.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <utility>

namespace rz410 {
namespace {

constexpr std::size_t kLargestPictureBytes = std::size_t{OVCAM_MAX_WIDTH} * OVCAM_MAX_HEIGHT * 3;

// The camera's best view quality, and its lowest (coarse frames, enlarged)
// for previews.
constexpr int kQualityPicture = OVCAM_QUALITY_BEST_NORMAL;
constexpr int kQualityPreview = 11;

// The camera delivers rows bottom-up in blue-green-red order; front ends
// want the top row first in red-green-blue. Done in place, pairing rows.
void toTopDown(std::uint8_t* pixels, int width, int height, bool colour)
{
    const std::size_t rowBytes = static_cast<std::size_t>(width) * (colour ? 3 : 1);
    for (int top = 0, bottom = height - 1; top <= bottom; ++top, --bottom) {
        std::uint8_t* upper = pixels + static_cast<std::size_t>(top) * rowBytes;
        std::uint8_t* lower = pixels + static_cast<std::size_t>(bottom) * rowBytes;
        if (!colour) {
            std::swap_ranges(upper, upper + rowBytes, lower);
            continue;
        }
        for (std::size_t i = 0; i < rowBytes; i += 3) {
            if (top == bottom) {
                std::swap(upper[i], upper[i + 2]);
                continue;
            }
            const std::uint8_t b = upper[i], g = upper[i + 1], r = upper[i + 2];
            upper[i] = lower[i + 2];
            upper[i + 1] = lower[i + 1];
            upper[i + 2] = lower[i];
            lower[i] = r;
            lower[i + 1] = g;
            lower[i + 2] = b;
        }
    }
}

} // namespace

Grabber::Grabber() : pixels_(kLargestPictureBytes)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readFd_ = fds[0];
    writeFd_ = fds[1];
    worker_ = std::thread([this] { run(); });
}

Grabber::~Grabber()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
    if (readFd_ >= 0)
        ::close(readFd_);
    if (writeFd_ >= 0)
        ::close(writeFd_);
}

void Grabber::start(const CaptureSettings& settings)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_ && !pending_; });
    drainWakes();
    request_ = settings;
    pending_ = true;
    state_.store(State::Grabbing, std::memory_order_release);
    lock.unlock();
    changed_.notify_all();
}

void Grabber::wake() noexcept
{
    const char byte = 1;
    // A full pipe already says "look"; nothing more to do then.
    [[maybe_unused]] const ssize_t written = ::write(writeFd_, &byte, 1);
}

void Grabber::waitForWake(int milliseconds) const noexcept
{
    pollfd fd{readFd_, POLLIN, 0};
    ::poll(&fd, 1, milliseconds);
}

void Grabber::drainWakes() noexcept
{
    char sink[64];
    while (::read(readFd_, sink, sizeof sink) > 0) {
    }
}

void Grabber::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return pending_ || stopping_; });
        if (stopping_)
            break;
        const CaptureSettings settings = request_;
        pending_ = false;
        busy_ = true;
        lock.unlock();

        const bool ok = grab(settings);
        state_.store(ok ? State::Ready : State::Failed, std::memory_order_release);

        lock.lock();
        busy_ = false;
        changed_.notify_all();
        wake();
    }
    lock.unlock();
    if (connected_)
        OVCAM_Fini();
}

bool Grabber::grab(const CaptureSettings& settings)
{
    if (settings.width < 1 || settings.height < 1 || settings.width > OVCAM_MAX_WIDTH ||
        settings.height > OVCAM_MAX_HEIGHT)
        return false;
    const int mode = settings.colour ? OVCAM_MODE_COLOUR : OVCAM_MODE_GREY;
    const int quality = settings.preview ? kQualityPreview : kQualityPicture;
    // A connection from an earlier picture may have died with a camera that
    // was unplugged and plugged back since: one fresh connection is tried
    // before the picture counts as failed.
    for (;;) {
        const bool fresh = !connected_;
        if (fresh) {
            if (OVCAM_Init() == 0) {
                OVCAM_Fini();
                return false;
            }
            connected_ = true;
        }
        OVCAM_Setting(OVCAM_SETTING_PICTURE, settings.brightness, settings.contrast, 0, 0);
        OVCAM_Setting(OVCAM_SETTING_COLOUR, settings.hue, settings.saturation, 0, 0);
        OVCAM_Setting(OVCAM_SETTING_SHUTTER, settings.shutter, 0, 0, 0);
        if (OVCAM_GetImage(mode, settings.width, settings.height, quality, pixels_.data()) != 0)
            break;
        OVCAM_Fini();
        connected_ = false;
        if (fresh)
            return false;
    }
    toTopDown(pixels_.data(), settings.width, settings.height, settings.colour);
    pictureBytes_ = static_cast<std::size_t>(settings.width) * static_cast<std::size_t>(settings.height) *
                    (settings.colour ? 3u : 1u);
    return true;
}

} // namespace rz410
