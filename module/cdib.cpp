#include "module/cdib.h"

#include "imaging/bitmap.h"
#include "imaging/dib.h"
#include "module/archive.h"
#include "module/module_strings.h"
#include "platform/ui/message_box.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstring>
#include <optional>
#include <new>

namespace ostrel2 {
namespace {

// Offsets in the 14-byte file header.
constexpr std::size_t kFileTypeOffset = 0;
constexpr std::size_t kFileSizeOffset = 2;
constexpr std::size_t kPixelOffsetOffset = 10;
// Offsets in the information header.
constexpr std::size_t kBitCountOffset = 14;

std::uint32_t readU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void writeU32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool knownDepth(int bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

void showMessage(const char* text)
{
    platform::ui::messageBox(nullptr, text, productName(), platform::ui::kMbOk);
}

} // namespace

CDib::CDib() = default;

CDib::~CDib()
{
    Release();
}

std::size_t CDib::RowBytes(int width, int bitsPerPixel)
{
    if (width <= 0 || bitsPerPixel <= 0)
        return 0;
    return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitsPerPixel) + 31) / 32 * 4;
}

void CDib::Release()
{
    if (headerOwned_)
        delete[] header_;
    if (pixelsOwned_)
        delete[] pixels_;
    colourTable_ = nullptr;
    pixels_ = nullptr;
    header_ = nullptr;
    headerOwned_ = false;
    pixelsOwned_ = false;
    imageSize_ = 0;
    colourEntries_ = 0;
    palette_.clear();
    headerBytes_ = 0;
}

void CDib::SetColourEntriesFromDepth(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: colourEntries_ = 2; break;
    case 4: colourEntries_ = 16; break;
    case 8: colourEntries_ = 256; break;
    case 16:
    case 24:
    case 32: colourEntries_ = 0; break;
    default: break;  // other depths keep what was there
    }
}

int CDib::BitsPerPixel() const
{
    return header_ != nullptr ? imaging::readBitmapInfoHeader(header_).bitCount : 0;
}

void CDib::ComputeImageSize()
{
    const imaging::BitmapInfoHeader h = imaging::readBitmapInfoHeader(header_);
    imageSize_ = h.sizeImage != 0 ? h.sizeImage
                                  : RowBytes(h.width, h.bitCount) * static_cast<std::size_t>(h.height > 0 ? h.height : 0);
}

bool CDib::AllocateHeader(std::size_t bytes)
{
    header_ = new (std::nothrow) std::uint8_t[bytes]();
    if (header_ == nullptr)
        return false;
    headerOwned_ = true;
    headerBytes_ = bytes;
    return true;
}

bool CDib::Create(int width, int height, int bitsPerPixel)
{
    Release();
    if (width <= 0 || height <= 0 || width > imaging::kMaxDimension || height > imaging::kMaxDimension ||
        !knownDepth(bitsPerPixel))
        return false;
    SetColourEntriesFromDepth(bitsPerPixel);
    if (!AllocateHeader(kBitmapInfoHeaderBytes + static_cast<std::size_t>(colourEntries_) * 4)) {
        Release();
        return false;
    }
    imaging::BitmapInfoHeader h;
    h.width = width;
    h.height = height;
    h.bitCount = static_cast<std::uint16_t>(bitsPerPixel);
    h.clrUsed = static_cast<std::uint32_t>(colourEntries_);
    h.clrImportant = static_cast<std::uint32_t>(colourEntries_);
    imaging::writeBitmapInfoHeader(h, header_);
    ComputeImageSize();
    colourTable_ = header_ + kBitmapInfoHeaderBytes;
    if (colourEntries_ > 0) {
        // A gray ramp over the table's entries (0..255 for 8 bits).
        for (int i = 0; i < colourEntries_; ++i) {
            const auto level = static_cast<std::uint8_t>(colourEntries_ == 1 ? 0 : i * 255 / (colourEntries_ - 1));
            std::uint8_t* entry = colourTable_ + 4 * i;
            entry[0] = entry[1] = entry[2] = level;
            entry[3] = 0;
        }
    }
    return true;
}

void CDib::SetPixels(std::uint8_t* pixels)
{
    if (pixelsOwned_)
        delete[] pixels_;
    pixelsOwned_ = false;
    pixels_ = pixels;
}

QSize CDib::Size() const
{
    if (header_ == nullptr)
        return {0, 0};
    const imaging::BitmapInfoHeader h = imaging::readBitmapInfoHeader(header_);
    return {h.width, h.height};
}

int CDib::MakePalette()
{
    if (colourEntries_ == 0 || colourTable_ == nullptr)
        return 0;
    palette_.clear();
    palette_.reserve(colourEntries_);
    for (int i = 0; i < colourEntries_; ++i) {
        const std::uint8_t* e = colourTable_ + 4 * i;
        palette_.append(qRgb(e[2], e[1], e[0]));
    }
    return 1;
}

int CDib::Draw(QPainter* painter, int x, int y, int destinationWidth, int destinationHeight, int sourceWidth,
               int sourceHeight) const
{
    if (header_ == nullptr || pixels_ == nullptr || painter == nullptr)
        return 0;
    const imaging::BitmapInfoHeader h = imaging::readBitmapInfoHeader(header_);
    QImage::Format format;
    switch (h.bitCount) {
    case 8: format = QImage::Format_Indexed8; break;
    case 24: format = QImage::Format_BGR888; break;
    case 32: format = QImage::Format_RGB32; break;
    default: return 0;
    }
    const std::size_t stride = RowBytes(h.width, h.bitCount);
    if (h.width <= 0 || h.height <= 0 || stride * static_cast<std::size_t>(h.height) > imageSize_)
        return 0;
    // The rows are bottom-up: wrapped as they lie, the image is upside down,
    // and the painter turns it over while stretching (no copy of the pixels).
    QImage image(pixels_, h.width, h.height, static_cast<qsizetype>(stride), format);
    if (format == QImage::Format_Indexed8) {
        if (!palette_.isEmpty()) {
            image.setColorTable(palette_);
        } else {
            QList<QRgb> table(256, qRgb(0, 0, 0));
            for (int i = 0; i < colourEntries_ && i < 256; ++i) {
                const std::uint8_t* e = colourTable_ + 4 * i;
                table[i] = qRgb(e[2], e[1], e[0]);
            }
            image.setColorTable(table);
        }
    }
    const int sw = std::min(sourceWidth, h.width);
    const int sh = std::min(sourceHeight, h.height);
    painter->save();
    painter->translate(x, y + destinationHeight);
    painter->scale(1, -1);
    painter->drawImage(QRect(0, 0, destinationWidth, destinationHeight), image, QRect(0, h.height - sh, sw, sh));
    painter->restore();
    return 1;
}

int CDib::Serialize(CArchive& archive)
{
    archive.Flush();
    return archive.IsLoading() ? Read(archive) : Write(archive);
}

int CDib::Read(CArchive& archive)
{
    Release();
    std::uint8_t fileHeader[kBitmapFileHeaderBytes];
    if (archive.Read(fileHeader, sizeof fileHeader) < sizeof fileHeader) {
        showMessage(archive.failed() ? kMsgReadError : kMsgReadShortHeader);
        return 0;
    }
    if (static_cast<std::uint16_t>(fileHeader[kFileTypeOffset] | fileHeader[kFileTypeOffset + 1] << 8) !=
        kBitmapFileType) {
        showMessage(kMsgInvalidBitmapFile);
        return 0;
    }
    // Everything the file claims is checked before anything is allocated:
    // the header block must hold an information header and the colour table
    // its depth needs, the sizes must be possible, and the file must hold
    // the bytes it announces.
    const std::uint32_t pixelOffset = readU32(fileHeader + kPixelOffsetOffset);
    if (pixelOffset < kMinPixelOffset || pixelOffset - kBitmapFileHeaderBytes > kMaxHeaderBlockBytes) {
        showMessage(kMsgInvalidBitmapFile);
        return 0;
    }
    const std::size_t headerBlock = pixelOffset - kBitmapFileHeaderBytes;
    const std::optional<std::uint64_t> remaining = archive.BytesRemaining();
    if (remaining && *remaining < headerBlock) {
        showMessage(kMsgReadError);
        return 0;
    }
    std::uint8_t info[kBitmapInfoHeaderBytes];
    if (!AllocateHeader(headerBlock) || archive.Read(header_, headerBlock) != headerBlock || archive.failed()) {
        showMessage(kMsgReadError);
        return 0;
    }
    std::memcpy(info, header_, sizeof info);
    const imaging::BitmapInfoHeader h = imaging::readBitmapInfoHeader(info);
    int entries = 0;
    switch (h.bitCount) {
    case 1: entries = 2; break;
    case 4: entries = 16; break;
    case 8: entries = 256; break;
    default: break;
    }
    const std::size_t rowBytes = RowBytes(h.width, h.bitCount);
    const bool possible = knownDepth(h.bitCount) && h.width > 0 && h.height > 0 &&
                          h.width <= imaging::kMaxDimension && h.height <= imaging::kMaxDimension &&
                          headerBlock >= kBitmapInfoHeaderBytes + static_cast<std::size_t>(entries) * 4;
    const std::size_t rowsBytes = possible ? rowBytes * static_cast<std::size_t>(h.height) : 0;
    ComputeImageSize();
    const bool sizesPossible = possible && imageSize_ >= rowsBytes && imageSize_ <= imaging::kMaxPixelBytes;
    if (!sizesPossible || (remaining && *remaining - headerBlock < imageSize_)) {
        // An impossible bitmap, or one the file is too short to hold.
        Release();
        showMessage(sizesPossible ? kMsgReadError : kMsgInvalidBitmapFile);
        return 0;
    }
    colourTable_ = header_ + kBitmapInfoHeaderBytes;
    pixels_ = new (std::nothrow) std::uint8_t[imageSize_];
    if (pixels_ == nullptr) {
        showMessage(kMsgReadError);
        return 0;
    }
    pixelsOwned_ = true;
    if (archive.Read(pixels_, imageSize_) != imageSize_ || archive.failed()) {
        showMessage(kMsgReadError);
        return 0;
    }
    SetColourEntriesFromDepth(h.bitCount);
    MakePalette();
    return 1;
}

int CDib::Write(CArchive& archive)
{
    if (header_ == nullptr || pixels_ == nullptr) {
        showMessage(kMsgWriteError);
        return 0;
    }
    const std::size_t tableBytes = static_cast<std::size_t>(colourEntries_) * 4;
    std::uint8_t fileHeader[kBitmapFileHeaderBytes] = {};
    fileHeader[kFileTypeOffset] = static_cast<std::uint8_t>(kBitmapFileType & 0xFF);
    fileHeader[kFileTypeOffset + 1] = static_cast<std::uint8_t>(kBitmapFileType >> 8);
    writeU32(fileHeader + kFileSizeOffset, static_cast<std::uint32_t>(imageSize_ + tableBytes + kMinPixelOffset));
    writeU32(fileHeader + kPixelOffsetOffset, static_cast<std::uint32_t>(tableBytes + kMinPixelOffset));
    const bool written = archive.Write(fileHeader, sizeof fileHeader) &&
                         archive.Write(header_, kBitmapInfoHeaderBytes + tableBytes) &&
                         archive.Write(pixels_, imageSize_);
    archive.Flush();
    if (!written || archive.failed()) {
        showMessage(kMsgWriteError);
        return 0;
    }
    return 1;
}

} // namespace ostrel2
