#pragma once
// The picture waiting for the data source, and the three ways it is fetched:
// strips into the caller's memory, a file, or a packed DIB. Each fetch ends
// by releasing the picture; a fetch without one answers "no image".

#include "imaging/bitmap.h"
#include "platform/twain/scanner_module.h"

#include <cstdint>
#include <string>

namespace ostrel2 {

// The defaults block as the module hands it out first.
SM_TRANSFER_DEFAULTS defaultTransferDefaults();

// The two words of the defaults block the module reads.
inline constexpr int kDefaultsCompressionWord = 1;
inline constexpr int kDefaultsPixelFlavourWord = 7;
inline constexpr int kPixelFlavourInverted = 1;

// File types of the imaging library chosen by a path's extension.
inline constexpr int kFileTypeBmp = 6;
inline constexpr int kFileTypePcx = 1;
inline constexpr int kFileTypeJpeg = 11;
inline constexpr int kFileTypeOther = 3;
inline constexpr int kFileSaveQuality = 50;

// The file and DIB fetches answer this when the picture was handed over.
inline constexpr std::uint16_t kFetchDone = 0;

// The file type for a path: ".BMP", ".PCX", ".JPG" anywhere after the first
// character (any case), else 3.
int fileTypeForPath(const std::string& path);

class PendingImage {
public:
    // Replaces any picture still waiting; the strip counter starts again.
    void set(imaging::Bitmap bitmap);
    // True when a picture with pixels is waiting.
    bool present() const { return bitmap_.allocated(); }
    // The bitmap for a new picture to be written into; the strip counter
    // starts again.
    imaging::Bitmap& slot()
    {
        nextStripRow_ = 0;
        return bitmap_;
    }
    void release();

    void setDefaults(const SM_TRANSFER_DEFAULTS& defaults) { defaults_ = defaults; }
    const SM_TRANSFER_DEFAULTS& defaults() const { return defaults_; }
    std::uint16_t nextStripRow() const { return nextStripRow_; }
    const imaging::Bitmap& bitmap() const { return bitmap_; }

    // Leaves `info` untouched without a picture.
    void updateImageInfo(TW_IMAGEINFO& info) const;
    // SM_FETCH_MORE, SM_FETCH_LAST or SM_FETCH_NO_IMAGE. `destination` must
    // hold strip.Memory.Length bytes.
    std::uint16_t fetchStrip(TW_IMAGEMEMXFER& strip, void* destination);
    std::uint16_t fetchFile(const std::string& path);
    std::uint16_t fetchDib(TW_HANDLE& dib);

private:
    imaging::Bitmap bitmap_;
    std::uint16_t nextStripRow_ = 0;
    SM_TRANSFER_DEFAULTS defaults_ = defaultTransferDefaults();
};

} // namespace ostrel2
