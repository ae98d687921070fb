#include "source/tiff_strip_reader.h"

#include <sys/stat.h>

#include <cstring>

namespace dorsa {

namespace {

constexpr std::uint16_t kTagImageWidth = 256;
constexpr std::uint16_t kTagImageLength = 257;
constexpr std::uint16_t kTagCompression = 259;
constexpr std::uint16_t kTagStripOffsets = 273;
constexpr std::uint16_t kTagSamplesPerPixel = 277;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kCompressionNone = 1;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kEntrySize = 12;

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t le32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

bool readAt(std::FILE* f, std::uint64_t offset, void* to, std::size_t bytes)
{
    return ::fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(to, 1, bytes, f) == bytes;
}

}  // namespace

bool TiffStripReader::open(const std::string& path, bool blackAndWhite)
{
    close();
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    struct stat info {};
    std::uint8_t header[kHeaderSize];
    const bool ok = ::fstat(::fileno(f), &info) == 0 && readAt(f, 0, header, sizeof header);
    const std::uint64_t fileSize = ok ? static_cast<std::uint64_t>(info.st_size) : 0;
    // Only the little-endian form is read; the other byte order would give
    // every number backwards.
    if (!ok || header[0] != 'I' || header[1] != 'I' || le16(header + 2) != 42) {
        std::fclose(f);
        return false;
    }
    const std::uint64_t directory = le32(header + 4);
    std::uint8_t countBytes[2];
    if (directory + 2 > fileSize || !readAt(f, directory, countBytes, 2)) {
        std::fclose(f);
        return false;
    }
    const std::uint16_t count = le16(countBytes);
    if (directory + 2 + std::uint64_t{count} * kEntrySize > fileSize) {
        std::fclose(f);
        return false;
    }
    std::uint64_t width = 0, length = 0, samples = 1, pixels = 0;
    bool havePixels = false, compressed = false;
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint8_t e[kEntrySize];
        if (!readAt(f, directory + 2 + std::uint64_t{i} * kEntrySize, e, sizeof e)) {
            std::fclose(f);
            return false;
        }
        const std::uint16_t tag = le16(e), type = le16(e + 2);
        const std::uint32_t values = le32(e + 4);
        const std::uint32_t value = type == kTypeLong ? le32(e + 8) : le16(e + 8);
        switch (tag) {
        case kTagImageWidth: width = value; break;
        case kTagImageLength: length = value; break;
        case kTagSamplesPerPixel: samples = value; break;
        case kTagCompression: compressed = value != kCompressionNone; break;
        case kTagStripOffsets:
            // With more than one strip the field points at a table, not at
            // the pixels.
            havePixels = values == 1 && (type == kTypeLong || type == kTypeShort);
            pixels = value;
            break;
        default: break;
        }
    }
    const std::uint64_t rowBytes = blackAndWhite ? (samples * width + 7) / 8 : samples * width;
    if (!havePixels || compressed || width == 0 || length == 0 || samples == 0 || samples > 4 ||
        rowBytes > 0xFFFFFFFFu || pixels > fileSize || length > (fileSize - pixels) / rowBytes ||
        ::fseeko(f, static_cast<off_t>(pixels), SEEK_SET) != 0) {
        std::fclose(f);
        return false;
    }
    file_ = f;
    width_ = static_cast<std::uint32_t>(width);
    length_ = static_cast<std::uint32_t>(length);
    bytesPerRow_ = static_cast<std::uint32_t>(rowBytes);
    rowsDelivered_ = 0;
    return true;
}

void TiffStripReader::close()
{
    if (file_)
        std::fclose(file_);
    file_ = nullptr;
    width_ = length_ = bytesPerRow_ = rowsDelivered_ = 0;
}

long TiffStripReader::readRows(std::uint8_t* buffer, std::uint32_t maxRows)
{
    if (!file_)
        return -1;
    const std::uint32_t rows = maxRows < rowsLeft() ? maxRows : rowsLeft();
    const std::size_t bytes = std::size_t{rows} * bytesPerRow_;
    if (std::fread(buffer, 1, bytes, file_) != bytes)
        return -1;
    rowsDelivered_ += rows;
    return static_cast<long>(rows);
}

}  // namespace dorsa
