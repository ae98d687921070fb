#pragma once
// The contract between the capture service and a capture driver plugin: a
// shared library that exports one C function, vfwDriverEntry, returning a
// table of calls. The service loads drivers by the file names in the driver
// list and talks to them only through this table.
//
// Frames are device-independent bitmap bodies: bottom-up rows padded to four
// bytes, blue-green-red for 24 bits, palette indices for 8 bits (the palette
// is 256 greys). All calls of one opened driver come from one thread at a
// time; the service serialises them.

#include <stddef.h>
#include <stdint.h>

extern "C" {

#define LUMO_VFW_DRIVER_ABI 1u

struct VfwVideoFormat {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;  // 24 colour, 8 grey
    uint32_t frameBytes;   // bytes of one frame body
    uint32_t framesPerSecond;  // the rate the driver was set up for, 0 when it has none
    uint32_t framesRequested;  // frames the recording should hold, 0 when open-ended
};

// grabFrame results.
#define LUMO_VFW_FRAME 1      // a frame was written into the buffer
#define LUMO_VFW_STOPPED 0    // the driver was told to stop; no frame
#define LUMO_VFW_LOST (-1)    // the camera is gone or failed; no frame
#define LUMO_VFW_NO_FRAME 2   // no frame came within the time allowed

struct VfwDriverApi {
    uint32_t abiVersion;  // LUMO_VFW_DRIVER_ABI
    uint32_t size;        // sizeof(VfwDriverApi)
    // Name and version as zero-terminated texts cut to the sizes given; 1 on success.
    int (*describe)(char* name, size_t nameSize, char* version, size_t versionSize);
    // Connects to the camera; NULL when it cannot be reached.
    void* (*open)(void);
    // The format frames come in; 1 on success.
    int (*videoFormat)(void* driver, struct VfwVideoFormat* format);
    // Waits for the camera's next frame and writes its body into `pixels`
    // (at least frameBytes). `timeoutMs` bounds the wait.
    int (*grabFrame)(void* driver, uint8_t* pixels, size_t size, uint32_t timeoutMs);
    // 1 while the driver's run signal says go on, 0 once told to stop.
    int (*running)(void* driver);
    void (*close)(void* driver);
};

typedef const struct VfwDriverApi* (*VfwDriverEntryFunction)(void);

} // extern "C"

namespace platform::vfw {
inline constexpr const char* kDriverEntrySymbol = "vfwDriverEntry";
} // namespace platform::vfw
