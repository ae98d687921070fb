#include "camera/albums/album_bmp_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/bitmap.h"

namespace lumoset {

namespace {

constexpr std::size_t kFileHeaderSize = imaging::kBitmapFileHeaderSize;
constexpr std::size_t kInfoHeaderSize = imaging::kBitmapInfoHeaderSize;
constexpr std::size_t kColourEntryBytes = 4;

std::uint32_t readU32(const std::uint8_t* p)
{
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

bool isBmpDepth(int bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

std::uint32_t defaultColourEntries(int bits)
{
    switch (bits) {
    case 1: return 2;
    case 2: return 4;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

} // namespace

void AlbumPicture::clear()
{
    info.clear();
    info.shrink_to_fit();
    pixels.clear();
    pixels.shrink_to_fit();
}

imaging::BitmapInfoHeader AlbumPicture::header() const
{
    return info.size() >= kInfoHeaderSize ? imaging::readBitmapInfoHeader(info.data())
                                          : imaging::BitmapInfoHeader{};
}

std::size_t AlbumPicture::colourEntries() const
{
    return info.size() >= kInfoHeaderSize ? (info.size() - kInfoHeaderSize) / kColourEntryBytes : 0;
}

std::vector<std::uint8_t> AlbumPicture::packedDib() const
{
    std::vector<std::uint8_t> dib;
    dib.reserve(info.size() + pixels.size());
    dib.insert(dib.end(), info.begin(), info.end());
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

BmpReadResult readAlbumBmp(const ReadAt& read, AlbumPicture& picture)
{
    picture.clear();
    std::uint8_t fileHeader[kFileHeaderSize];
    std::uint8_t infoHeader[kInfoHeaderSize];
    if (!read(0, fileHeader, sizeof fileHeader) || !read(kFileHeaderSize, infoHeader, sizeof infoHeader))
        return BmpReadResult::ShortRead;
    if ((fileHeader[0] | fileHeader[1] << 8) != imaging::kBitmapFileType)
        return BmpReadResult::NotBitmap;

    imaging::BitmapInfoHeader h = imaging::readBitmapInfoHeader(infoHeader);
    if (h.size < kInfoHeaderSize || h.size > kMaxInfoHeaderSize)
        return BmpReadResult::InvalidHeader;
    // Top-down pictures (negative height) are refused with the rest: the
    // album's pictures and everything it hands on run bottom-up.
    if (h.width <= 0 || h.height <= 0 || h.width > imaging::kMaxDimension ||
        h.height > imaging::kMaxDimension)
        return BmpReadResult::InvalidHeader;
    if (!isBmpDepth(h.bitCount) || h.compression != imaging::kCompressionNone)
        return BmpReadResult::InvalidHeader;
    const std::uint32_t entries = h.clrUsed != 0 ? h.clrUsed : defaultColourEntries(h.bitCount);
    if (entries > kMaxColourEntries)
        return BmpReadResult::InvalidHeader;

    const std::size_t stride = imaging::paddedRowBytes(h.width, h.bitCount);
    const std::uint64_t pixelBytes = std::uint64_t{stride} * static_cast<std::uint64_t>(h.height);
    if (stride == 0 || pixelBytes > imaging::kMaxPixelBytes)
        return BmpReadResult::InvalidHeader;

    const std::uint64_t tableOffset = kFileHeaderSize + h.size;
    const std::uint64_t tableEnd = tableOffset + std::uint64_t{entries} * kColourEntryBytes;
    const std::uint64_t declaredOffset = readU32(fileHeader + 10);
    if (declaredOffset != 0 && declaredOffset < tableEnd)
        return BmpReadResult::InvalidHeader;
    const std::uint64_t pixelOffset = declaredOffset != 0 ? declaredOffset : tableEnd;

    AlbumPicture result;
    try {
        result.info.resize(kInfoHeaderSize + std::size_t{entries} * kColourEntryBytes);
        result.pixels.resize(static_cast<std::size_t>(pixelBytes));
    } catch (const std::bad_alloc&) {
        return BmpReadResult::InvalidHeader;
    }
    // The block is a packed DIB on its own: its colour table follows a
    // 40-byte header.
    h.size = kInfoHeaderSize;
    imaging::writeBitmapInfoHeader(h, result.info.data());
    if (entries != 0 &&
        !read(tableOffset, result.info.data() + kInfoHeaderSize, std::size_t{entries} * kColourEntryBytes))
        return BmpReadResult::ShortRead;
    if (!read(pixelOffset, result.pixels.data(), result.pixels.size()))
        return BmpReadResult::ShortRead;
    picture = std::move(result);
    return BmpReadResult::Ok;
}

BmpReadResult readAlbumBmp(const std::uint8_t* data, std::size_t size, AlbumPicture& picture)
{
    return readAlbumBmp(
        [data, size](std::uint64_t offset, void* destination, std::size_t count) {
            if (offset > size || count > size - offset)
                return false;
            if (count != 0)
                std::memcpy(destination, data + offset, count);
            return true;
        },
        picture);
}

BmpReadResult readAlbumBmpFile(const std::string& path, AlbumPicture& picture)
{
    picture.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        return BmpReadResult::CannotOpen;
    std::FILE* f = file.get();
    return readAlbumBmp(
        [f](std::uint64_t offset, void* destination, std::size_t count) {
            if (offset > static_cast<std::uint64_t>(INT64_MAX) ||
                ::fseeko(f, static_cast<off_t>(offset), SEEK_SET) != 0)
                return false;
            return std::fread(destination, 1, count, f) == count;
        },
        picture);
}

} // namespace lumoset
