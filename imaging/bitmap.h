#pragma once
// The library bitmap: a picture the camera program and the scanner module
// fill row by row, resize, turn into DIBs, save and print.
//
// Rows are stored with the same layout as a DIB: each storage row padded to a
// multiple of four bytes. Storage row r holds picture line r (counted from the
// top) for a TopDown bitmap, and picture line height - 1 - r for a BottomUp
// one. A new bitmap is BottomUp with blue-green-red pixels, like the frames the
// camera delivers; 8-bit bitmaps carry a 256-entry palette, grey unless set.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/status.h"

namespace imaging {

// Limits of what the library accepts, so a bad size from a file or a caller
// is refused before any memory is asked for.
inline constexpr int kMaxDimension = 32768;
inline constexpr std::size_t kMaxPixelBytes = std::size_t{512} << 20;

enum class RowOrder { TopDown, BottomUp };
enum class ColourOrder { Rgb, Bgr };

// Values of setAttribute: the order of the three bytes of a 24-bit pixel.
inline constexpr int kAttributeColourOrderRgb = 0;
inline constexpr int kAttributeColourOrderBgr = 1;

struct PaletteEntry {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
using Palette = std::array<PaletteEntry, 256>;

// Entry i is grey level i.
const Palette& greyPalette();

// Bytes of one storage row: width x bits per pixel, rounded up to whole
// 32-bit words. 0 when the result would not fit.
std::size_t paddedRowBytes(int width, int bitsPerPixel);

class Bitmap {
 public:
  Bitmap();
  ~Bitmap();
  Bitmap(Bitmap&&) noexcept;
  Bitmap& operator=(Bitmap&&) noexcept;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int width() const { return width_; }
  int height() const { return height_; }
  int bitsPerPixel() const { return bitsPerPixel_; }
  std::size_t bytesPerLine() const { return bytesPerLine_; }
  RowOrder rowOrder() const { return rowOrder_; }
  ColourOrder colourOrder() const { return colourOrder_; }
  // Pixels per inch; 0 when unknown.
  int xResolution() const { return xResolution_; }
  int yResolution() const { return yResolution_; }
  bool allocated() const { return pixels_ != nullptr; }
  bool accessing() const { return accessing_; }
  const Palette& palette() const { return palette_; }
  bool hasGreyPalette() const;

  void setResolution(int x, int y);
  void setPalette(const Palette& palette) { palette_ = palette; }
  // Relabels the storage (the bytes stay); for callers that fill it top-down.
  void setRowOrder(RowOrder order) { rowOrder_ = order; }

  // Storage row r (see above); null when r is out of range or nothing is
  // allocated.
  std::uint8_t* storageRow(int r);
  const std::uint8_t* storageRow(int r) const;
  // Picture line y, counted from the top.
  const std::uint8_t* line(int y) const;
  std::uint8_t* line(int y);

  std::size_t storageBytes() const { return bytesPerLine_ * static_cast<std::size_t>(height_); }

 private:
  friend Status initialise(Bitmap&, int, int, int);
  friend Status allocateStorage(Bitmap&);
  friend Status beginRowAccess(Bitmap&);
  friend Status endRowAccess(Bitmap&);
  friend Status setAttribute(Bitmap&, int);
  friend void release(Bitmap&);

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  std::size_t bytesPerLine_ = 0;
  RowOrder rowOrder_ = RowOrder::BottomUp;
  ColourOrder colourOrder_ = ColourOrder::Bgr;
  int xResolution_ = 0;
  int yResolution_ = 0;
  bool accessing_ = false;
  Palette palette_;
  std::unique_ptr<std::uint8_t[]> pixels_;
};

// Sets up the description of a width x height picture at 8 or 24 bits per
// pixel without storage; the bitmap's previous storage is freed.
Status initialise(Bitmap& bitmap, int width, int height, int bitsPerPixel);

// Zero-filled storage for an initialised bitmap.
Status allocateStorage(Bitmap& bitmap);

// Operation "allocate": initialise and allocateStorage in one.
Status allocate(Bitmap& bitmap, int width, int height, int bitsPerPixel);

// Operation "set attribute": kAttributeColourOrderBgr or ...Rgb says how the
// bytes of 24-bit pixels are ordered (the bytes themselves are not moved).
Status setAttribute(Bitmap& bitmap, int value);

// Operation "row access". Rows are storage rows (see above). A put or get may
// span several consecutive rows; count is in bytes and must stay inside the
// storage.
Status beginRowAccess(Bitmap& bitmap);
Status putRow(Bitmap& bitmap, const void* source, int row, std::size_t count);
Status getRow(const Bitmap& bitmap, void* destination, int row, std::size_t count);
Status endRowAccess(Bitmap& bitmap);

// Operation "release": frees the storage and empties the description.
void release(Bitmap& bitmap);

}  // namespace imaging
