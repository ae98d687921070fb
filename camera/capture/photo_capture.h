#pragma once
// Photo capture: one still picture from the camera at the chosen photo size,
// then saved as the next file of an auto-snap series, saved as a single
// photo for the photo album, saved as the still of the video just recorded,
// or printed.
//
// The shot has a frame format of its own, so the preview is suspended while
// it runs (snapshotInProgress) and re-formatted after it (zoomPending).

#include "camera/capture/device_channel.h"
#include "camera/core/captured_settings.h"
#include "imaging/bitmap.h"
#include "platform/clock/clock.h"
#include "platform/print/printer_device.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace lumoset {

class PictureTables;

enum class PhotoKind { Series, Single, VideoStill, Print };

// How a shot ended. A picture that could not be written is not counted, goes
// to no album, and the user has been told why.
enum class PhotoResult { Taken, NotTaken, SaveFailed };

// One row of the photo size table: the picture saved, and the frame format
// command and raw frame grabbed for it in normal and zoomed view.
struct PhotoSizeEntry {
    int width;
    int height;
    int normalCommand;
    int normalRawWidth;
    int normalRawHeight;
    int zoomedCommand;
    int zoomedRawWidth;
    int zoomedRawHeight;
};

inline constexpr std::array<PhotoSizeEntry, 5> kPhotoSizeTable{{
    {160, 120, kCmdFormat160x120, 160, 120, kCmdFormat160x60Zoom, 160, 60},
    {176, 144, kCmdFormat176x144, 176, 144, kCmdFormat176x72Zoom, 176, 72},
    {320, 240, kCmdFormat320x240, 320, 240, kCmdFormat320x120Zoom, 320, 120},
    {352, 288, kCmdFormat352x288, 352, 288, kCmdFormat352x144Zoom, 352, 144},
    {640, 480, kCmdFormat496x240, 496, 240, kCmdFormat496x240, 496, 240},
}};
// Index 4 is grabbed at 496 x 240 whatever the zoom, and resized to 640 x 480.
inline constexpr int kLargestPhotoSize = 4;

inline constexpr int kPhotoFrameAttempts = 101;
inline constexpr platform::clock::Milliseconds kFrameReadWait{100};
// The shot waits for a frame transfer in progress at most this many times;
// a transfer that never ends must not freeze the program.
inline constexpr int kFrameReadWaitLimit = 50;
// A series shot needs this much free space (10 MB).
inline constexpr std::uint64_t kPhotoMinFreeBytes = 10ull << 20;
// The save options record of every shot: 72 / 72 pixels per inch, field 5 = 1.
inline constexpr std::int32_t kPhotoOptionsResolution = 72;
inline constexpr std::int32_t kPhotoOptionsFifthField = 1;
inline constexpr int kPhotoBitmapAttribute = 1;
// Prints at (10, 10) at one picture pixel per 1/72 inch.
inline constexpr int kPrintLeft = 10;
inline constexpr int kPrintTop = 10;
inline constexpr float kPrintInchPerPixel = 0.013888889f;

inline constexpr int kStrInsufficientDiskSpace = 10308;
inline constexpr int kStrPrinterJobFailed = 10309;
inline constexpr int kStrInvalidFileName = 10307;
inline constexpr int kStrMemoryInsufficientText = 10303;
inline constexpr int kStrPictureNotSaved = 10316;

// The message (base id) for a failed save of imaging status `status`.
int saveFailureMessage(int status);

// Device units of `pixels` picture pixels on a printer of `dotsPerInch`:
// trunc(dpi x pixels x 1/72) in single precision.
int printExtent(int dotsPerInch, int pixels);

// Receives each new picture of an album as its path without extension.
class AlbumReceiver {
public:
    virtual ~AlbumReceiver() = default;
    virtual void addPicture(const std::string& pathWithoutExtension) = 0;
};

// The main window's state photo capture reads and writes.
struct PhotoControllerState {
    bool snapshotInProgress = false;
    bool zoomPending = false;
    int photoCount = 0;   // last PIC number used
    int seriesCount = 0;  // last series number used
    int videoCount = 0;   // number of the video just recorded
};

// What photo capture asks of the main window.
class PhotoHost {
public:
    virtual ~PhotoHost() = default;
    virtual PhotoControllerState& photoState() = 0;
    virtual CapturedSettings& capturedSettings() = 0;
    virtual bool colourMode() const = 0;
    virtual bool normalZoom() const = 0;
    virtual bool autoSnapRunning() const = 0;
    virtual int languageOffset() const = 0;
    virtual std::string picFolder() const = 0;
    virtual std::string aviFolder() const = 0;
    // Free bytes of the drive pictures go to.
    virtual std::uint64_t freeDiskBytes() const = 0;

    virtual void stopPreviewTimer() = 0;
    virtual void startPreviewTimer() = 0;  // timer 201, 100 ms
    virtual void setWaitCursor(bool on) = 0;
    // A message box with the text of string id `stringId`.
    virtual void showMessage(int stringId) = 0;
    // After a picture went to an album: refresh its scroll buttons.
    virtual void refreshAlbumButtons(bool videoAlbum) = 0;
};

class PhotoCapture {
public:
    // Everything passed must outlive the capture. `planeA` and `output` are
    // the main window's frame buffers the channel reads into; `tables` are
    // the current picture tables; `still` is the still bitmap descriptor.
    PhotoCapture(DeviceChannel& channel, platform::clock::Clock& clock,
                 platform::print::PrinterService& printers, PhotoHost& host,
                 AlbumReceiver& photoAlbum, AlbumReceiver& videoAlbum, imaging::Bitmap& still);

    void setFrameBuffers(std::span<std::uint8_t> planeA, std::span<std::uint8_t> output);
    void setPictureTables(const PictureTables* tables);

    // Takes one picture and does with it what the kind says; every outcome
    // is shown to the user.
    PhotoResult takePhoto(PhotoKind kind);

    // The last file written (empty when none), for the main window and tests.
    const std::string& lastFileName() const { return lastFileName_; }

private:
    bool grabFrame(int width, int height);
    bool buildBitmap(int width, int height);
    void finish();
    void printStill();
    // Saves the still; on failure tells the user once and returns false.
    bool saveStill(const std::string& fileName, int formatCode);

    DeviceChannel& channel_;
    platform::clock::Clock& clock_;
    platform::print::PrinterService& printers_;
    PhotoHost& host_;
    AlbumReceiver& photoAlbum_;
    AlbumReceiver& videoAlbum_;
    imaging::Bitmap& still_;
    std::span<std::uint8_t> planeA_;
    std::span<std::uint8_t> output_;
    const PictureTables* tables_ = nullptr;
    std::string lastFileName_;
};

} // namespace lumoset
