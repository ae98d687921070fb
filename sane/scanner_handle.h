#pragma once
// One open camera as a front end sees it: the options, the scan in progress
// and the delivery of its picture.

#include "sane/camera_devices.h"
#include "sane/camera_options.h"
#include "sane/grabber.h"

#include <sane/sane.h>

#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>

namespace rz410 {

class ScannerHandle {
public:
    // `root` is the real device root; check valid() afterwards.
    ScannerHandle(const std::filesystem::path& root, int device);
    ScannerHandle(const ScannerHandle&) = delete;
    ScannerHandle& operator=(const ScannerHandle&) = delete;

    bool valid() const { return valid_; }

    const SANE_Option_Descriptor* descriptor(SANE_Int option) const { return options_.descriptor(option); }
    SANE_Status control(SANE_Int option, SANE_Action action, void* value, SANE_Int* info);
    SANE_Status start();
    SANE_Status parameters(SANE_Parameters* params) const;
    SANE_Status read(SANE_Byte* data, SANE_Int maxLength, SANE_Int* length);
    // Async-signal-safe: front ends call it from their interrupt handlers.
    void cancel() noexcept;
    SANE_Status setIoMode(SANE_Bool nonBlocking);
    SANE_Status selectFd(SANE_Int* fd) const;

private:
    // Started, not cancelled, not yet at its end.
    bool scanInProgress() const noexcept;
    bool cameraPresent() const;
    // Ends the scan with `status`.
    SANE_Status finish(SANE_Status status);

    std::string controlNode_;
    CameraRedirect redirect_;
    CameraOptions options_;
    Grabber grabber_;
    bool valid_ = false;

    std::atomic<bool> scanning_{false};
    std::atomic<bool> cancelled_{false};
    bool nonBlocking_ = false;
    SANE_Parameters scanParameters_{};
    std::size_t delivered_ = 0;
    // What a read answers when no scan runs: how the last one ended, or
    // SANE_STATUS_INVAL before the first.
    SANE_Status endStatus_ = SANE_STATUS_INVAL;
};

} // namespace rz410
