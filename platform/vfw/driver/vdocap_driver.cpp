// O_vdocap.drv: the capture driver of the camera. The capture service loads
// it by file name and reaches it only through vfwDriverEntry. It takes its
// settings from the hand-over keys the camera program wrote, grabs frames
// from the camera itself (the program has closed its own channel first) and
// stops delivering once STOP reads "0".

#include "platform/vfw/driver/camera_grabber.h"
#include "platform/vfw/driver/hand_over.h"
#include "platform/vfw/driver_interface.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr const char* kDriverName = "RZ-410 USB Video Capture";
constexpr const char* kDriverVersion = "Version: 1.0";

// Quality 0, 1, 2 -> exposure register 2, 1, 0: frames every 60, 45 or 30 ms
// on the camera, all faster than the highest recording rate.
constexpr int kExposureForQuality[3] = {2, 1, 0};

struct Driver {
    vdocap::HandOver handOver;
    vdocap::CameraGrabber grabber;
};

void copyText(char* out, size_t size, const char* text)
{
    if (out == nullptr || size == 0)
        return;
    const size_t n = std::min(std::strlen(text), size - 1);
    std::memcpy(out, text, n);
    out[n] = '\0';
}

int describe(char* name, size_t nameSize, char* version, size_t versionSize)
{
    copyText(name, nameSize, kDriverName);
    copyText(version, versionSize, kDriverVersion);
    return 1;
}

void* openDriver()
{
    auto* driver = new (std::nothrow) Driver;
    if (driver == nullptr)
        return nullptr;
    driver->handOver = vdocap::readHandOver();
    const auto& h = driver->handOver;
    if (!driver->grabber.open(h.width, h.height, h.zoomed, h.colour, kExposureForQuality[h.quality])) {
        delete driver;
        return nullptr;
    }
    return driver;
}

int videoFormat(void* handle, VfwVideoFormat* format)
{
    if (handle == nullptr || format == nullptr)
        return 0;
    const auto* driver = static_cast<Driver*>(handle);
    format->width = driver->grabber.width();
    format->height = driver->grabber.height();
    format->bitsPerPixel = driver->grabber.bitsPerPixel();
    format->frameBytes = static_cast<uint32_t>(driver->grabber.frameBytes());
    format->framesPerSecond = static_cast<uint32_t>(driver->handOver.frameRate);
    format->framesRequested = static_cast<uint32_t>(driver->handOver.frames);
    return 1;
}

int grabFrame(void* handle, uint8_t* pixels, size_t size, uint32_t timeoutMs)
{
    if (handle == nullptr || pixels == nullptr)
        return LUMO_VFW_LOST;
    auto* driver = static_cast<Driver*>(handle);
    switch (driver->grabber.grab(pixels, size, std::chrono::milliseconds(timeoutMs))) {
    case vdocap::GrabResult::Frame:
        return LUMO_VFW_FRAME;
    case vdocap::GrabResult::NoFrame:
        return LUMO_VFW_NO_FRAME;
    case vdocap::GrabResult::Lost:
        break;
    }
    return LUMO_VFW_LOST;
}

int running(void* handle)
{
    return handle != nullptr && vdocap::runSignal() ? 1 : 0;
}

void closeDriver(void* handle)
{
    delete static_cast<Driver*>(handle);
}

constexpr VfwDriverApi kApi{
    LUMO_VFW_DRIVER_ABI, sizeof(VfwDriverApi), describe, openDriver, videoFormat, grabFrame, running, closeDriver,
};

} // namespace

extern "C" __attribute__((visibility("default"))) const VfwDriverApi* vfwDriverEntry(void)
{
    return &kApi;
}
