#include "imaging/bitmap.h"

#include <cstring>
#include <new>
#include <utility>

namespace imaging {

const Palette& greyPalette() {
  static const Palette palette = [] {
    Palette p;
    for (int i = 0; i < 256; ++i) {
      const auto v = static_cast<std::uint8_t>(i);
      p[i] = PaletteEntry{v, v, v};
    }
    return p;
  }();
  return palette;
}

std::size_t paddedRowBytes(int width, int bitsPerPixel) {
  if (width <= 0 || bitsPerPixel <= 0) return 0;
  const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel);
  const std::uint64_t bytes = (bits + 31) / 32 * 4;
  if (bytes > SIZE_MAX) return 0;
  return static_cast<std::size_t>(bytes);
}

Bitmap::Bitmap() : palette_(greyPalette()) {}
Bitmap::~Bitmap() = default;
Bitmap::Bitmap(Bitmap&& other) noexcept { *this = std::move(other); }

Bitmap& Bitmap::operator=(Bitmap&& other) noexcept {
  if (this == &other) return *this;
  width_ = other.width_;
  height_ = other.height_;
  bitsPerPixel_ = other.bitsPerPixel_;
  bytesPerLine_ = other.bytesPerLine_;
  rowOrder_ = other.rowOrder_;
  colourOrder_ = other.colourOrder_;
  xResolution_ = other.xResolution_;
  yResolution_ = other.yResolution_;
  accessing_ = other.accessing_;
  palette_ = other.palette_;
  pixels_ = std::move(other.pixels_);
  release(other);
  return *this;
}

bool Bitmap::hasGreyPalette() const { return palette_ == greyPalette(); }

void Bitmap::setResolution(int x, int y) {
  xResolution_ = x > 0 ? x : 0;
  yResolution_ = y > 0 ? y : 0;
}

std::uint8_t* Bitmap::storageRow(int r) {
  if (!pixels_ || r < 0 || r >= height_) return nullptr;
  return pixels_.get() + static_cast<std::size_t>(r) * bytesPerLine_;
}

const std::uint8_t* Bitmap::storageRow(int r) const {
  return const_cast<Bitmap*>(this)->storageRow(r);
}

std::uint8_t* Bitmap::line(int y) {
  return storageRow(rowOrder_ == RowOrder::TopDown ? y : height_ - 1 - y);
}

const std::uint8_t* Bitmap::line(int y) const { return const_cast<Bitmap*>(this)->line(y); }

Status initialise(Bitmap& bitmap, int width, int height, int bitsPerPixel) {
  if (bitsPerPixel != 8 && bitsPerPixel != 24) return kUnsupportedDepth;
  if (width <= 0 || height <= 0) return kInvalidArgument;
  if (width > kMaxDimension || height > kMaxDimension) return kTooLarge;
  const std::size_t stride = paddedRowBytes(width, bitsPerPixel);
  if (stride == 0 || stride * static_cast<std::size_t>(height) > kMaxPixelBytes) return kTooLarge;
  release(bitmap);
  bitmap.width_ = width;
  bitmap.height_ = height;
  bitmap.bitsPerPixel_ = bitsPerPixel;
  bitmap.bytesPerLine_ = stride;
  return kSuccess;
}

Status allocateStorage(Bitmap& bitmap) {
  if (bitmap.bitsPerPixel_ == 0) return kInvalidArgument;
  bitmap.pixels_.reset(new (std::nothrow) std::uint8_t[bitmap.storageBytes()]());
  return bitmap.pixels_ ? kSuccess : kNoMemory;
}

Status allocate(Bitmap& bitmap, int width, int height, int bitsPerPixel) {
  const Status status = initialise(bitmap, width, height, bitsPerPixel);
  if (status != kSuccess) return status;
  return allocateStorage(bitmap);
}

Status setAttribute(Bitmap& bitmap, int value) {
  switch (value) {
    case kAttributeColourOrderRgb:
      bitmap.colourOrder_ = ColourOrder::Rgb;
      return kSuccess;
    case kAttributeColourOrderBgr:
      bitmap.colourOrder_ = ColourOrder::Bgr;
      return kSuccess;
    default:
      return kInvalidArgument;
  }
}

Status beginRowAccess(Bitmap& bitmap) {
  if (!bitmap.allocated()) return kNoBitmap;
  bitmap.accessing_ = true;
  return kSuccess;
}

Status endRowAccess(Bitmap& bitmap) {
  if (!bitmap.accessing_) return kNotAccessing;
  bitmap.accessing_ = false;
  return kSuccess;
}

namespace {

// The offset of `count` bytes starting at storage row `row`, when they lie
// inside the storage and row access has begun.
Status rowSpan(const Bitmap& bitmap, int row, std::size_t count, std::size_t* offset) {
  if (!bitmap.allocated()) return kNoBitmap;
  if (!bitmap.accessing()) return kNotAccessing;
  if (row < 0 || row >= bitmap.height()) return kInvalidArgument;
  const std::size_t start = static_cast<std::size_t>(row) * bitmap.bytesPerLine();
  if (count > bitmap.storageBytes() - start) return kInvalidArgument;
  *offset = start;
  return kSuccess;
}

}  // namespace

Status putRow(Bitmap& bitmap, const void* source, int row, std::size_t count) {
  std::size_t offset = 0;
  const Status status = rowSpan(bitmap, row, count, &offset);
  if (status != kSuccess) return status;
  if (count == 0) return kSuccess;
  if (source == nullptr) return kInvalidArgument;
  std::memcpy(bitmap.storageRow(0) + offset, source, count);
  return kSuccess;
}

Status getRow(const Bitmap& bitmap, void* destination, int row, std::size_t count) {
  std::size_t offset = 0;
  const Status status = rowSpan(bitmap, row, count, &offset);
  if (status != kSuccess) return status;
  if (count == 0) return kSuccess;
  if (destination == nullptr) return kInvalidArgument;
  std::memcpy(destination, bitmap.storageRow(0) + offset, count);
  return kSuccess;
}

void release(Bitmap& bitmap) {
  bitmap.pixels_.reset();
  bitmap.width_ = 0;
  bitmap.height_ = 0;
  bitmap.bitsPerPixel_ = 0;
  bitmap.bytesPerLine_ = 0;
  bitmap.rowOrder_ = RowOrder::BottomUp;
  bitmap.colourOrder_ = ColourOrder::Bgr;
  bitmap.xResolution_ = 0;
  bitmap.yResolution_ = 0;
  bitmap.accessing_ = false;
  bitmap.palette_ = greyPalette();
}

}  // namespace imaging
