#pragma once
// One acquisition through the source manager, as a TWAIN program makes it:
// open the manager and a source by name, negotiate the transfer, enable the
// source, wait for its picture and pull it by native, file or memory
// transfer, then close everything again.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/twain/twain_types.h"

namespace twain {

enum class Mechanism { Native, File, Memory };
enum class BufferKind { Pointer, Handle };

struct AcquireOptions {
    std::string sourceName;
    Mechanism mechanism = Mechanism::Native;
    BufferKind buffers = BufferKind::Pointer;
    TW_UINT16 fileFormat = TWFF_TIFF;
    std::string outputPath;
    bool showUi = true;
    bool useCallback = true;       // else the source's messages come through MSG_PROCESSEVENT
    int timeoutMs = 20000;
};

struct AcquireResult {
    bool ok = false;
    std::string error;
    TW_IMAGEINFO info{};
    int strips = 0;
};

// Runs between polls of the program's message loop (the window system's
// events); returns false to give up.
using EventPump = std::function<void()>;

AcquireResult acquire(const AcquireOptions& options, const EventPump& pump);

// The picture of a packed DIB (header, colour table, rows) as a BMP file;
// false when the block is not a DIB this can write or the file cannot be.
bool writePackedDibAsBmp(const std::uint8_t* dib, std::size_t size, const std::string& path);

}  // namespace twain
