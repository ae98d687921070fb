// The four exported calls over one process-wide camera session.
#include "platform/ovcam/ovcam.h"

#include "platform/clock/clock.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ovcam/camera_session.h"

#include <cstddef>
#include <memory>
#include <mutex>

namespace {

struct Library {
    std::mutex mutex;
    // Made at the first Init: the device root is read then, so a program may
    // set $OUSBDRV_ROOT before it connects.
    std::unique_ptr<platform::ousbdrv::SocketTransport> transport;
    std::unique_ptr<ovcam::CameraSession> session;
    // Settings given before the first Init, applied when the session is made.
    int brightness = 0, contrast = 0, hue = 0, saturation = 0, shutter = OVCAM_SHUTTER_SHORT;
};

Library& library()
{
    static Library instance;
    return instance;
}

void applySettings(Library& lib)
{
    lib.session->setPicture(lib.brightness, lib.contrast);
    lib.session->setColour(lib.hue, lib.saturation);
    lib.session->setShutter(lib.shutter);
}

} // namespace

extern "C" int OVCAM_Init(void)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (lib.session)
        lib.session->disconnect();
    lib.session.reset();
    lib.transport = std::make_unique<platform::ousbdrv::SocketTransport>();
    lib.session = std::make_unique<ovcam::CameraSession>(*lib.transport, platform::clock::systemClock());
    const bool connected = lib.session->connect();
    applySettings(lib);
    return connected ? 1 : 0;
}

extern "C" void OVCAM_Setting(int setting, int firstValue, int secondValue, int, int)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    switch (setting) {
    case OVCAM_SETTING_PICTURE:
        lib.brightness = firstValue;
        lib.contrast = secondValue;
        break;
    case OVCAM_SETTING_COLOUR:
        lib.hue = firstValue;
        lib.saturation = secondValue;
        break;
    case OVCAM_SETTING_SHUTTER:
        if (firstValue != OVCAM_SHUTTER_SHORT && firstValue != OVCAM_SHUTTER_MEDIUM &&
            firstValue != OVCAM_SHUTTER_LONG)
            return;
        lib.shutter = firstValue;
        break;
    default:
        return;
    }
    if (lib.session)
        applySettings(lib);
}

extern "C" int OVCAM_GetImage(int colourMode, int width, int height, int viewQualityCode, unsigned char* pixels)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (!lib.session || pixels == nullptr || width < 1 || height < 1 || width > OVCAM_MAX_WIDTH ||
        height > OVCAM_MAX_HEIGHT)
        return 0;
    const bool colour = colourMode != OVCAM_MODE_GREY;
    const std::size_t bytes =
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * (colour ? 3u : 1u);
    return lib.session->getImage(colour, width, height, viewQualityCode, {pixels, bytes}) ? 1 : 0;
}

extern "C" void OVCAM_Fini(void)
{
    Library& lib = library();
    std::lock_guard lock(lib.mutex);
    if (lib.session)
        lib.session->disconnect();
}
