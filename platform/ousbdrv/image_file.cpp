#include "platform/ousbdrv/image_file.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace platform::ousbdrv {
namespace {

std::uint32_t u32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t u16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;

// Scales a masked channel value to 0..255.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;

    explicit Channel(std::uint32_t m = 0) : mask(m)
    {
        if (mask == 0)
            return;
        while (((mask >> shift) & 1) == 0)
            ++shift;
        max = mask >> shift;
    }
    std::uint8_t take(std::uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        // 64-bit: a channel wider than 24 bits times 255 does not fit in 32.
        const std::uint64_t value = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>(value * 255u / max);
    }
};

std::optional<Picture> fail(std::string& error, const char* reason)
{
    error = reason;
    return std::nullopt;
}

std::optional<Picture> loadPng(const std::filesystem::path& path, std::string& error)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = std::string("not a readable PNG file: ") + image.message;
        png_image_free(&image);
        return std::nullopt;
    }
    if (image.width == 0 || image.height == 0 || image.width > static_cast<png_uint_32>(kMaxImageSide) ||
        image.height > static_cast<png_uint_32>(kMaxImageSide) ||
        static_cast<std::int64_t>(image.width) * image.height > kMaxImagePixels) {
        png_image_free(&image);
        return fail(error, "PNG picture size out of range");
    }
    image.format = PNG_FORMAT_RGB;
    Picture picture;
    picture.resize(static_cast<int>(image.width), static_cast<int>(image.height));
    png_color black{0, 0, 0};
    if (!png_image_finish_read(&image, &black, picture.rgb.data(), 0, nullptr)) {
        error = std::string("damaged PNG file: ") + image.message;
        png_image_free(&image);
        return std::nullopt;
    }
    return picture;
}

} // namespace

std::optional<Picture> decodeBmp(const std::uint8_t* data, std::size_t size, std::string& error)
{
    if (size < kFileHeaderSize + kCoreHeaderSize || data[0] != 'B' || data[1] != 'M')
        return fail(error, "not a BMP file");
    const std::uint32_t pixelOffset = u32(data + 10);
    const std::uint32_t headerSize = u32(data + kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && (headerSize < kInfoHeaderSize || headerSize > 1024))
        return fail(error, "unknown BMP header size");
    if (kFileHeaderSize + headerSize > size)
        return fail(error, "BMP header truncated");
    const std::uint8_t* h = data + kFileHeaderSize;

    std::int64_t width = 0;
    std::int64_t height = 0;
    int bits = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t coloursUsed = 0;
    std::size_t paletteEntrySize = 4;
    if (headerSize == kCoreHeaderSize) {
        width = u16(h + 4);
        height = static_cast<std::int16_t>(u16(h + 6));
        bits = u16(h + 10);
        paletteEntrySize = 3;
    } else {
        width = static_cast<std::int32_t>(u32(h + 4));
        height = static_cast<std::int32_t>(u32(h + 8));
        bits = u16(h + 14);
        compression = u32(h + 16);
        coloursUsed = u32(h + 32);
    }
    const bool topDown = height < 0;
    if (topDown)
        height = -height;
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide ||
        width * height > kMaxImagePixels)
        return fail(error, "BMP picture size out of range");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fail(error, "unsupported BMP bit depth");
    if (compression != kBiRgb && !(compression == kBiBitfields && (bits == 16 || bits == 32)))
        return fail(error, "compressed BMP files are not supported");

    // Masks for 16 and 32 bits: given after a 40-byte header (bit fields) or
    // inside a larger header; the defaults otherwise.
    Channel red, green, blue;
    if (bits == 16 || bits == 32) {
        std::uint32_t masks[3] = {bits == 16 ? 0x7C00u : 0xFF0000u, bits == 16 ? 0x03E0u : 0xFF00u,
                                  bits == 16 ? 0x001Fu : 0xFFu};
        if (compression == kBiBitfields) {
            const std::size_t at = kFileHeaderSize + kInfoHeaderSize;
            if (at + 12 > size)
                return fail(error, "BMP colour masks truncated");
            for (int i = 0; i < 3; ++i)
                masks[i] = u32(data + at + 4 * i);
        }
        red = Channel(masks[0]);
        green = Channel(masks[1]);
        blue = Channel(masks[2]);
    }

    std::vector<Rgb> palette;
    if (bits <= 8) {
        const std::size_t maxColours = std::size_t{1} << bits;
        const std::size_t count = coloursUsed == 0 ? maxColours : std::min<std::size_t>(coloursUsed, maxColours);
        const std::size_t at = kFileHeaderSize + headerSize;
        if (at + count * paletteEntrySize > size)
            return fail(error, "BMP colour table truncated");
        palette.resize(maxColours);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t* e = data + at + i * paletteEntrySize;
            palette[i] = {e[2], e[1], e[0]};
        }
    }

    const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bits + 31) / 32 * 4;
    if (pixelOffset > size || stride * static_cast<std::uint64_t>(height) > size - pixelOffset)
        return fail(error, "BMP pixel data truncated");

    Picture picture;
    picture.resize(static_cast<int>(width), static_cast<int>(height));
    for (std::int64_t y = 0; y < height; ++y) {
        const std::uint8_t* row = data + pixelOffset + stride * static_cast<std::uint64_t>(topDown ? y : height - 1 - y);
        for (std::int64_t x = 0; x < width; ++x) {
            Rgb c;
            switch (bits) {
            case 1:
                c = palette[(row[x / 8] >> (7 - x % 8)) & 1];
                break;
            case 4:
                c = palette[(row[x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F];
                break;
            case 8:
                c = palette[row[x]];
                break;
            case 16: {
                const std::uint32_t p = u16(row + 2 * x);
                c = {red.take(p), green.take(p), blue.take(p)};
                break;
            }
            case 24:
                c = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
                break;
            default: {
                const std::uint32_t p = u32(row + 4 * x);
                c = {red.take(p), green.take(p), blue.take(p)};
                break;
            }
            }
            picture.set(static_cast<int>(x), static_cast<int>(y), c);
        }
    }
    return picture;
}

std::optional<Picture> loadImageFile(const std::filesystem::path& path, std::string& error)
{
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec)
        return fail(error, "cannot read the file");
    if (size > kMaxImageFileSize)
        return fail(error, "file too large for a picture");
    std::ifstream in(path, std::ios::binary);
    std::uint8_t signature[8] = {};
    if (!in.read(reinterpret_cast<char*>(signature), sizeof signature) && in.gcount() < 2)
        return fail(error, "cannot read the file");
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (in.gcount() == 8 && std::memcmp(signature, kPngSignature, 8) == 0)
        return loadPng(path, error);
    if (signature[0] != 'B' || signature[1] != 'M')
        return fail(error, "neither a BMP nor a PNG file");
    in.clear();
    in.seekg(0);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size())))
        return fail(error, "cannot read the file");
    return decodeBmp(bytes.data(), bytes.size(), error);
}

} // namespace platform::ousbdrv
