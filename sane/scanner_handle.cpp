#include "sane/scanner_handle.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace rz410 {
namespace {

// How often a blocking read looks at the camera's presence and at cancel
// while a picture is on its way: an unplugged camera is noticed this fast
// even while the camera access library is still waiting for it.
constexpr int kBlockingPollMilliseconds = 50;

} // namespace

ScannerHandle::ScannerHandle(const std::filesystem::path& root, int device)
    : controlNode_(controlNodePath(root, device))
{
    // The redirect goes first: the grabber's thread connects through it.
    valid_ = redirect_.begin(root, device) && grabber_.valid();
}

SANE_Status ScannerHandle::control(SANE_Int option, SANE_Action action, void* value, SANE_Int* info)
{
    return options_.control(option, action, value, info, scanInProgress());
}

bool ScannerHandle::scanInProgress() const noexcept
{
    return scanning_.load() && !cancelled_.load();
}

bool ScannerHandle::cameraPresent() const
{
    return ::access(controlNode_.c_str(), F_OK) == 0;
}

SANE_Status ScannerHandle::finish(SANE_Status status)
{
    scanning_.store(false);
    endStatus_ = status;
    return status;
}

SANE_Status ScannerHandle::start()
{
    if (scanInProgress())
        return SANE_STATUS_DEVICE_BUSY;
    cancelled_.store(false);
    nonBlocking_ = false;
    if (!cameraPresent())
        return SANE_STATUS_IO_ERROR;
    scanParameters_ = options_.parameters();
    delivered_ = 0;
    endStatus_ = SANE_STATUS_INVAL;
    grabber_.start(options_.settings());
    scanning_.store(true);
    // A cancel that arrived while start() ran still counts.
    if (cancelled_.load())
        return finish(SANE_STATUS_CANCELLED);
    return SANE_STATUS_GOOD;
}

SANE_Status ScannerHandle::parameters(SANE_Parameters* params) const
{
    if (params == nullptr)
        return SANE_STATUS_INVAL;
    *params = scanInProgress() ? scanParameters_ : options_.parameters();
    return SANE_STATUS_GOOD;
}

SANE_Status ScannerHandle::read(SANE_Byte* data, SANE_Int maxLength, SANE_Int* length)
{
    if (length != nullptr)
        *length = 0;
    if (data == nullptr || length == nullptr || maxLength < 0)
        return SANE_STATUS_INVAL;
    if (cancelled_.load())
        return finish(SANE_STATUS_CANCELLED);
    if (!scanning_.load())
        return endStatus_;  // reads after the end repeat how it ended

    const std::size_t total = static_cast<std::size_t>(scanParameters_.bytes_per_line) *
                              static_cast<std::size_t>(scanParameters_.lines);
    if (delivered_ >= total)
        return finish(SANE_STATUS_EOF);

    for (;;) {
        if (cancelled_.load())
            return finish(SANE_STATUS_CANCELLED);
        // A camera pulled out during the scan fails it, even with the
        // picture already here: the front end has not received it.
        if (!cameraPresent())
            return finish(SANE_STATUS_IO_ERROR);
        const Grabber::State state = grabber_.state();
        if (state == Grabber::State::Failed)
            return finish(SANE_STATUS_IO_ERROR);
        if (state == Grabber::State::Ready)
            break;
        if (nonBlocking_)
            return SANE_STATUS_GOOD;  // nothing yet; the select descriptor says when
        grabber_.waitForWake(kBlockingPollMilliseconds);
    }

    const auto picture = grabber_.picture();
    if (picture.size() != total)  // cannot happen: the grab was made with these parameters
        return finish(SANE_STATUS_IO_ERROR);
    const std::size_t count = std::min(total - delivered_, static_cast<std::size_t>(maxLength));
    std::memcpy(data, picture.data() + delivered_, count);
    delivered_ += count;
    *length = static_cast<SANE_Int>(count);
    return SANE_STATUS_GOOD;
}

void ScannerHandle::cancel() noexcept
{
    cancelled_.store(true);
    grabber_.wake();
}

SANE_Status ScannerHandle::setIoMode(SANE_Bool nonBlocking)
{
    if (!scanInProgress() || (nonBlocking != SANE_TRUE && nonBlocking != SANE_FALSE))
        return SANE_STATUS_INVAL;
    nonBlocking_ = nonBlocking == SANE_TRUE;
    return SANE_STATUS_GOOD;
}

SANE_Status ScannerHandle::selectFd(SANE_Int* fd) const
{
    if (fd == nullptr || !scanInProgress())
        return SANE_STATUS_INVAL;
    *fd = grabber_.readyFd();
    return SANE_STATUS_GOOD;
}

} // namespace rz410
