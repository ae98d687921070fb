#pragma once
// The album's BMP reader: the file header, the 40-byte information header,
// its colour table and its pixels, into the album's picture buffers.
//
// Everything the header says is checked before it is used: sizes that are
// impossible or too large for the imaging library, compression, colour
// counts above 256, and a pixel offset that points into the headers are
// refused. Pixels are read where the file header says they start (right
// after the colour table when it says 0); the colour table follows the
// information header, whatever that header's size.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "imaging/dib.h"

namespace lumoset {

// The largest information header the reader steps over (BITMAPV5HEADER is 124).
inline constexpr std::uint32_t kMaxInfoHeaderSize = 1024;
inline constexpr std::uint32_t kMaxColourEntries = 256;

enum class BmpReadResult {
    Ok,
    CannotOpen,     // the file could not be opened
    ShortRead,      // the file ends before what its headers promise
    NotBitmap,      // the file header's type is not "BM"
    InvalidHeader,  // sizes, depth, compression or offsets that cannot hold
};

// The picture buffers: a packed-DIB information block (the header, its size
// field set to 40, then the colour table) and the pixel block.
struct AlbumPicture {
    std::vector<std::uint8_t> info;
    std::vector<std::uint8_t> pixels;

    void clear();
    bool empty() const { return info.empty(); }
    imaging::BitmapInfoHeader header() const;
    std::size_t colourEntries() const;
    // The two blocks as one packed DIB, the form the imaging library takes.
    std::vector<std::uint8_t> packedDib() const;
};

// Reads `size` bytes at `offset` into `destination`; false when the source
// has fewer.
using ReadAt = std::function<bool(std::uint64_t offset, void* destination, std::size_t size)>;

// Reads a BMP from any source. `picture` is cleared first and filled only on Ok.
BmpReadResult readAlbumBmp(const ReadAt& read, AlbumPicture& picture);
// The same from bytes in memory and from a file.
BmpReadResult readAlbumBmp(const std::uint8_t* data, std::size_t size, AlbumPicture& picture);
BmpReadResult readAlbumBmpFile(const std::string& path, AlbumPicture& picture);

} // namespace lumoset
