#pragma once
// The module's device-independent bitmap: a BITMAPINFOHEADER with its colour
// table, a pointer to bottom-up pixel rows (often memory the object does not
// own, such as a camera buffer), an optional palette, and the Windows bitmap
// file form it is serialised as.

#include <QList>
#include <QColor>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <memory>

class QPainter;

namespace ostrel2 {

class CArchive;

// Messages of a failed read or write.
inline constexpr const char* kMsgReadShortHeader = "read error 1";
inline constexpr const char* kMsgInvalidBitmapFile = "Invalid bitmap file";
inline constexpr const char* kMsgReadError = "Read error 1";
inline constexpr const char* kMsgWriteError = "write error";

inline constexpr std::size_t kBitmapFileHeaderBytes = 14;
inline constexpr std::size_t kBitmapInfoHeaderBytes = 40;
inline constexpr std::uint16_t kBitmapFileType = 0x4D42;  // "BM"
// Pixels start right after a file header and an information header at the
// earliest.
inline constexpr std::size_t kMinPixelOffset = kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes;
// A header block (information header, any extension, colour table) larger
// than this is not a bitmap this module reads.
inline constexpr std::size_t kMaxHeaderBlockBytes = 64 * 1024;

class CDib {
public:
    static constexpr const char* kClassName = "CDib";
    static constexpr int kSchema = 0;

    CDib();
    ~CDib();
    CDib(const CDib&) = delete;
    CDib& operator=(const CDib&) = delete;

    // A header and gray-ramp colour table for width x height at the given
    // depth; the pixels stay unset (SetPixels). False, leaving the object
    // empty, for a size or depth no bitmap can have.
    bool Create(int width, int height, int bitsPerPixel);
    // (width, height) from the header; (0, 0) without one.
    QSize Size() const;
    // Stretches the source rectangle (0, 0, sourceWidth, sourceHeight) of the
    // picture, counted from its top left, onto the destination rectangle. 0
    // without a header, pixels or a drawable depth (8, 24 or 32 bits); else 1.
    int Draw(QPainter* painter, int x, int y, int destinationWidth, int destinationHeight, int sourceWidth,
             int sourceHeight) const;
    // A palette from the colour table: 1, or 0 when there is no table.
    int MakePalette();
    void Release();
    // Reads from a loading archive or writes to a storing one: 1 on success,
    // 0 after showing the failure's message.
    int Serialize(CArchive& archive);

    // The caller's pixel rows (at least ImageSize() bytes); not owned.
    void SetPixels(std::uint8_t* pixels);
    std::uint8_t* Pixels() const { return pixels_; }
    const std::uint8_t* Header() const { return header_; }
    const std::uint8_t* ColourTable() const { return colourTable_; }
    std::size_t ImageSize() const { return imageSize_; }
    int ColourEntries() const { return colourEntries_; }
    int BitsPerPixel() const;
    bool HasPalette() const { return !palette_.isEmpty(); }
    const QList<QRgb>& Palette() const { return palette_; }

    // Bytes of one row: bits per pixel x width rounded up to 32-bit words.
    static std::size_t RowBytes(int width, int bitsPerPixel);

private:
    int Read(CArchive& archive);
    int Write(CArchive& archive);
    void SetColourEntriesFromDepth(int bitsPerPixel);
    void ComputeImageSize();
    bool AllocateHeader(std::size_t bytes);

    std::uint8_t* colourTable_ = nullptr;
    std::uint8_t* pixels_ = nullptr;
    std::uint8_t* header_ = nullptr;
    bool headerOwned_ = false;
    bool pixelsOwned_ = false;
    std::size_t imageSize_ = 0;
    int colourEntries_ = 0;
    QList<QRgb> palette_;
    std::size_t headerBytes_ = 0;
};

} // namespace ostrel2
