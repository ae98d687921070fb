#include "camera/capture/photo_capture.h"

#include "camera/capture/photo_naming.h"
#include "camera/capture/picture_convert.h"
#include "imaging/print.h"
#include "imaging/resize.h"
#include "imaging/save.h"
#include "imaging/save_options.h"

namespace lumoset {
namespace {

// Save options of every shot: the first two fields 72, the fifth 1, the
// rest zero.
imaging::SaveOptions photoSaveOptions()
{
    imaging::SaveOptions options;
    options.fields[0] = kPhotoOptionsResolution;
    options.fields[1] = kPhotoOptionsResolution;
    options.fields[4] = kPhotoOptionsFifthField;
    return options;
}

bool validSizeIndex(int index, int count)
{
    return index >= 0 && index < count;
}

} // namespace

int printExtent(int dotsPerInch, int pixels)
{
    return static_cast<int>(static_cast<float>(dotsPerInch) * static_cast<float>(pixels) *
                            kPrintInchPerPixel);
}

PhotoCapture::PhotoCapture(DeviceChannel& channel, platform::clock::Clock& clock,
                           platform::print::PrinterService& printers, PhotoHost& host,
                           AlbumReceiver& photoAlbum, AlbumReceiver& videoAlbum,
                           imaging::Bitmap& still)
    : channel_(channel), clock_(clock), printers_(printers), host_(host), photoAlbum_(photoAlbum),
      videoAlbum_(videoAlbum), still_(still)
{
}

void PhotoCapture::setFrameBuffers(std::span<std::uint8_t> planeA, std::span<std::uint8_t> output)
{
    planeA_ = planeA;
    output_ = output;
}

void PhotoCapture::setPictureTables(const PictureTables* tables)
{
    tables_ = tables;
}

PhotoResult PhotoCapture::takePhoto(PhotoKind kind)
{
    CapturedSettings& settings = host_.capturedSettings();
    const int index = kind == PhotoKind::VideoStill ? settings.videoSize : settings.photoSize;
    if (!validSizeIndex(index, kind == PhotoKind::VideoStill ? kVideoSizeCount : kPhotoSizeCount))
        return PhotoResult::NotTaken;
    const PhotoSizeEntry& size = kPhotoSizeTable[static_cast<size_t>(index)];

    if (host_.autoSnapRunning() && host_.freeDiskBytes() < kPhotoMinFreeBytes) {
        host_.showMessage(kStrInsufficientDiskSpace + host_.languageOffset());
        return PhotoResult::NotTaken;
    }

    host_.stopPreviewTimer();
    host_.setWaitCursor(true);
    PhotoControllerState& state = host_.photoState();
    state.snapshotInProgress = true;

    for (int waits = 0; channel_.frameReadInProgress(); ++waits) {
        if (waits == kFrameReadWaitLimit) {
            finish();
            return PhotoResult::NotTaken;
        }
        clock_.sleepFor(kFrameReadWait);
    }

    const bool zoomed = !host_.normalZoom();
    const int command = zoomed ? size.zoomedCommand : size.normalCommand;
    const int grabWidth = zoomed ? size.zoomedRawWidth : size.normalRawWidth;
    const int grabHeight = zoomed ? size.zoomedRawHeight : size.normalRawHeight;
    channel_.sendCommand(command);

    // A shot that got no frame still ends like any other, so the live
    // picture comes back instead of staying frozen until a later shot.
    if (!grabFrame(grabWidth, grabHeight) || !buildBitmap(grabWidth, grabHeight)) {
        finish();
        return PhotoResult::NotTaken;
    }

    if (index == kLargestPhotoSize)
        imaging::resize(still_, size.width, size.height);
    else if (zoomed)
        imaging::resize(still_, grabWidth, 2 * grabHeight);

    PhotoResult result = PhotoResult::Taken;
    switch (kind) {
    case PhotoKind::Series: {
        const int format = seriesFormatFor(settings.seriesExtension);
        ++state.seriesCount;
        lastFileName_ = seriesFileName(settings.seriesBaseName, state.seriesCount,
                                       settings.seriesExtension);
        if (!saveStill(lastFileName_, format)) {
            --state.seriesCount;
            result = PhotoResult::SaveFailed;
        }
        break;
    }
    case PhotoKind::Single:
        ++state.photoCount;
        lastFileName_ = photoFileName(host_.picFolder(), state.photoCount);
        if (!saveStill(lastFileName_, imaging::kFormatBmp)) {
            --state.photoCount;
            result = PhotoResult::SaveFailed;
            break;
        }
        photoAlbum_.addPicture(withoutExtension(lastFileName_));
        host_.refreshAlbumButtons(false);
        break;
    case PhotoKind::VideoStill:
        lastFileName_ = videoStillFileName(host_.aviFolder(), state.videoCount);
        if (!saveStill(lastFileName_, imaging::kFormatBmp)) {
            result = PhotoResult::SaveFailed;
            break;
        }
        videoAlbum_.addPicture(withoutExtension(lastFileName_));
        host_.refreshAlbumButtons(true);
        break;
    case PhotoKind::Print:
        printStill();
        break;
    }
    finish();
    return result;
}

bool PhotoCapture::grabFrame(int width, int height)
{
    for (int attempt = 0; attempt < kPhotoFrameAttempts; ++attempt) {
        // A failure closes the camera through the error report; asking a
        // closed camera again would only repeat the report.
        if (!channel_.isOpen())
            return false;
        if (channel_.pollStatus() == kPollRefused || !channel_.isOpen())
            continue;
        if (channel_.readFrame(width, height) == kFrameRead)
            return true;
    }
    return false;
}

bool PhotoCapture::buildBitmap(int width, int height)
{
    imaging::setSaveOptions(photoSaveOptions());

    const bool colour = host_.colourMode();
    const int bits = colour ? kColourBitsPerPixel : kGreyBitsPerPixel;
    const std::size_t stride = dibRowBytes(width, bits);
    const std::size_t pixelBytes = static_cast<std::size_t>(width) * (colour ? 3 : 1);
    if (stride == 0 || output_.size() < stride * static_cast<std::size_t>(height))
        return false;

    if (colour) {
        if (imaging::allocate(still_, width, height, kColourBitsPerPixel) != imaging::kSuccess)
            return false;
        imaging::setAttribute(still_, kPhotoBitmapAttribute);
    } else {
        // The grey picture is made again from plane A, bottom row first.
        if (tables_ == nullptr ||
            !convertGrey(*tables_, planeA_, width, height, output_) ||
            imaging::allocate(still_, width, height, kGreyBitsPerPixel) != imaging::kSuccess)
            return false;
    }

    // The output buffer and the bitmap both hold the bottom row first, so
    // row j goes to row j and the saved picture is upright.
    imaging::beginRowAccess(still_);
    for (int j = 0; j < height; ++j)
        imaging::putRow(still_, output_.data() + stride * static_cast<std::size_t>(j), j, pixelBytes);
    imaging::endRowAccess(still_);
    return true;
}

int saveFailureMessage(int status)
{
    switch (status) {
    case imaging::kDiskFull:
        return kStrInsufficientDiskSpace;
    case imaging::kNoMemory:
    case imaging::kTooLarge:
        return kStrMemoryInsufficientText;
    case imaging::kCannotCreateFile:
        return kStrInvalidFileName;
    default:
        return kStrPictureNotSaved;
    }
}

bool PhotoCapture::saveStill(const std::string& fileName, int formatCode)
{
    const int status = imaging::save(fileName, still_, formatCode, still_.bitsPerPixel(), 0);
    if (status == imaging::kSuccess)
        return true;
    // A shot that left no file must not look taken: the caller leaves it out
    // of the count and the albums, and the user hears why once.
    lastFileName_.clear();
    host_.showMessage(saveFailureMessage(status) + host_.languageOffset());
    return false;
}

void PhotoCapture::printStill()
{
    std::unique_ptr<platform::print::PrinterDevice> printer = printers_.openDefaultPrinter();
    if (!printer) {
        host_.showMessage(kStrPrinterJobFailed + host_.languageOffset());
        return;
    }
    imaging::print(*printer, still_, kPrintLeft, kPrintTop,
                   printExtent(printer->dotsPerInchX(), still_.width()),
                   printExtent(printer->dotsPerInchY(), still_.height()));
}

void PhotoCapture::finish()
{
    PhotoControllerState& state = host_.photoState();
    state.snapshotInProgress = false;
    state.zoomPending = true;
    // A camera closed by an error report during the shot is restarted by the
    // reconnect, which starts the preview again itself.
    if (channel_.isOpen())
        host_.startPreviewTimer();
    host_.setWaitCursor(false);
}

} // namespace lumoset
