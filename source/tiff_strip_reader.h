#pragma once
// Reads the pixel rows of an uncompressed, single-strip, little-endian TIFF
// file strip by strip: the file the module writes when it cannot hand the
// picture over in strips itself.

#include <cstdint>
#include <cstdio>
#include <string>

namespace dorsa {

class TiffStripReader {
public:
    TiffStripReader() = default;
    TiffStripReader(const TiffStripReader&) = delete;
    TiffStripReader& operator=(const TiffStripReader&) = delete;
    ~TiffStripReader() { close(); }

    // Opens the file and reads its first directory. False when the file
    // cannot be read this way: short, big-endian, compressed, several strips
    // or pointing outside itself. blackAndWhite packs 8 pixels a byte.
    bool open(const std::string& path, bool blackAndWhite);
    void close();
    bool isOpen() const { return file_ != nullptr; }

    // Up to maxRows rows into buffer (which has room for them); the number
    // read, or -1 when reading failed.
    long readRows(std::uint8_t* buffer, std::uint32_t maxRows);

    std::uint32_t width() const { return width_; }
    std::uint32_t length() const { return length_; }
    std::uint32_t bytesPerRow() const { return bytesPerRow_; }
    std::uint32_t rowsDelivered() const { return rowsDelivered_; }
    std::uint32_t rowsLeft() const { return length_ - rowsDelivered_; }

private:
    std::FILE* file_ = nullptr;
    std::uint32_t width_ = 0;
    std::uint32_t length_ = 0;
    std::uint32_t bytesPerRow_ = 0;
    std::uint32_t rowsDelivered_ = 0;
};

}  // namespace dorsa
