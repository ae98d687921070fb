#include "module/pending_image.h"

#include "imaging/dib.h"
#include "imaging/save.h"
#include "platform/memory/global_memory.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace ostrel2 {
namespace {

constexpr std::int16_t kDefaultWords[SM_TRANSFER_DEFAULTS_WORDS] = {1, 0, 0, 1, 0, 0, 2, 0, 0, 2, 1};

// What a picture without a resolution of its own reports.
constexpr int kUnknownResolutionDpi = 72;

constexpr int kTwPixelTypeBw = 0;
constexpr int kTwPixelTypeGray = 1;
constexpr int kTwPixelTypeRgb = 2;

} // namespace

SM_TRANSFER_DEFAULTS defaultTransferDefaults()
{
    SM_TRANSFER_DEFAULTS d{};
    std::copy(std::begin(kDefaultWords), std::end(kDefaultWords), d.word);
    return d;
}

int fileTypeForPath(const std::string& path)
{
    std::string upper(path);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper.find(".BMP", 1) != std::string::npos)
        return kFileTypeBmp;
    if (upper.find(".PCX") != std::string::npos)
        return kFileTypePcx;
    if (upper.find(".JPG") != std::string::npos)
        return kFileTypeJpeg;
    return kFileTypeOther;
}

void PendingImage::set(imaging::Bitmap bitmap)
{
    bitmap_ = std::move(bitmap);
    nextStripRow_ = 0;
}

void PendingImage::release()
{
    imaging::release(bitmap_);
    nextStripRow_ = 0;
}

void PendingImage::updateImageInfo(TW_IMAGEINFO& info) const
{
    if (!present())
        return;
    const int xDpi = bitmap_.xResolution() > 0 ? bitmap_.xResolution() : kUnknownResolutionDpi;
    const int yDpi = bitmap_.yResolution() > 0 ? bitmap_.yResolution() : kUnknownResolutionDpi;
    info.XResolution = TW_FIX32{static_cast<TW_INT16>(xDpi), 0};
    info.YResolution = TW_FIX32{static_cast<TW_INT16>(yDpi), 0};
    info.ImageWidth = bitmap_.width();
    info.ImageLength = bitmap_.height();
    const int bits = bitmap_.bitsPerPixel();
    info.SamplesPerPixel = static_cast<TW_INT16>(std::max(1, bits / 8));
    std::fill(std::begin(info.BitsPerSample), std::end(info.BitsPerSample), TW_INT16{0});
    if (bits == 1) {
        info.BitsPerSample[0] = 1;
        info.BitsPerPixel = 1;
        info.PixelType = kTwPixelTypeBw;
    } else if (bits <= 8) {
        info.BitsPerSample[0] = 8;
        info.BitsPerPixel = 8;
        info.PixelType = kTwPixelTypeGray;
    } else {
        info.BitsPerSample[0] = info.BitsPerSample[1] = info.BitsPerSample[2] = 8;
        info.BitsPerPixel = 24;
        info.PixelType = kTwPixelTypeRgb;
    }
    info.Planar = 0;
    info.Compression = static_cast<TW_UINT16>(defaults_.word[kDefaultsCompressionWord]);
}

std::uint16_t PendingImage::fetchStrip(TW_IMAGEMEMXFER& strip, void* destination)
{
    if (!present() || bitmap_.bytesPerLine() == 0)
        return SM_FETCH_NO_IMAGE;
    // Rows and bytes in 32 bits: a strip of 64 KiB or more stays whole.
    const std::uint32_t bytesPerRow = static_cast<std::uint32_t>(bitmap_.bytesPerLine());
    const std::uint32_t rowsLeft = static_cast<std::uint32_t>(bitmap_.height()) - nextStripRow_;
    const std::uint32_t rows = std::min(rowsLeft, strip.Memory.Length / bytesPerRow);
    const std::uint32_t bytesWritten = bytesPerRow * rows;
    strip.Compression = static_cast<TW_UINT16>(defaults_.word[kDefaultsCompressionWord]);
    strip.BytesPerRow = bytesPerRow;
    strip.Columns = static_cast<TW_UINT32>(bitmap_.width());
    strip.Rows = rows;
    strip.XOffset = 0;
    strip.YOffset = nextStripRow_;
    strip.BytesWritten = bytesWritten;
    if (rows > 0 && destination == nullptr)
        return SM_FETCH_NO_IMAGE;

    HGLOBAL scratch = GlobalAlloc(GHND, static_cast<SIZE_T>(bytesWritten) + 1);
    auto* bytes = static_cast<std::uint8_t*>(GlobalLock(scratch));
    if (bytes == nullptr) {
        GlobalFree(scratch);
        return SM_FETCH_NO_IMAGE;
    }
    const bool swapToRgb = bitmap_.bitsPerPixel() > 8 && bitmap_.colourOrder() == imaging::ColourOrder::Bgr;
    const int width = bitmap_.width();
    for (std::uint32_t i = 0; i < rows; ++i) {
        // line() counts from the top whatever the storage order.
        std::uint8_t* out = bytes + static_cast<std::size_t>(i) * bytesPerRow;
        std::memcpy(out, bitmap_.line(static_cast<int>(nextStripRow_ + i)), bytesPerRow);
        // Only whole pixels are exchanged; the row's padding stays as it is.
        if (swapToRgb)
            for (int x = 0; x < width; ++x)
                std::swap(out[3 * x], out[3 * x + 2]);
    }
    nextStripRow_ = static_cast<std::uint16_t>(nextStripRow_ + rows);

    auto* target = static_cast<std::uint8_t*>(destination);
    if (defaults_.word[kDefaultsPixelFlavourWord] == kPixelFlavourInverted && bitmap_.bitsPerPixel() == 1) {
        for (std::uint32_t i = 0; i < bytesWritten; ++i)
            target[i] = static_cast<std::uint8_t>(~bytes[i]);
    } else if (bytesWritten > 0) {
        std::memcpy(target, bytes, bytesWritten);
    }
    GlobalUnlock(scratch);
    GlobalFree(scratch);

    if (nextStripRow_ < static_cast<std::uint32_t>(bitmap_.height()))
        return SM_FETCH_MORE;
    release();
    return SM_FETCH_LAST;
}

std::uint16_t PendingImage::fetchFile(const std::string& path)
{
    if (!present())
        return SM_FETCH_NO_IMAGE;
    // The caller learns of a failed save from the file itself.
    imaging::save(path, bitmap_, fileTypeForPath(path), bitmap_.bitsPerPixel(), kFileSaveQuality);
    release();
    return kFetchDone;
}

std::uint16_t PendingImage::fetchDib(TW_HANDLE& dib)
{
    if (!present())
        return SM_FETCH_NO_IMAGE;
    HGLOBAL block = nullptr;
    // No memory for the DIB: the picture stays so that it can be asked for again.
    if (imaging::toDib(bitmap_, &block) != imaging::kSuccess || block == nullptr)
        return SM_FETCH_NO_IMAGE;
    dib = block;
    release();
    return kFetchDone;
}

} // namespace ostrel2
