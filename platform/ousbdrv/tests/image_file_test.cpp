// Still pictures from BMP and PNG files, and files that must be refused.
#include "platform/ousbdrv/image_file.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstring>
#include <fstream>
#include <unistd.h>

namespace po = platform::ousbdrv;

namespace {

void put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x)
{
    v[at] = static_cast<std::uint8_t>(x);
    v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}
void put32(std::vector<std::uint8_t>& v, std::size_t at, std::uint32_t x)
{
    put16(v, at, x);
    put16(v, at + 2, x >> 16);
}

// A BMP with a 40-byte header; `rows` are the stored rows, in file order.
std::vector<std::uint8_t> bmp(int width, int height, int bits, const std::vector<std::uint8_t>& palette,
                              const std::vector<std::vector<std::uint8_t>>& rows)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
    const std::size_t offset = 14 + 40 + palette.size();
    std::vector<std::uint8_t> f(offset + stride * rows.size(), 0);
    f[0] = 'B';
    f[1] = 'M';
    put32(f, 2, static_cast<std::uint32_t>(f.size()));
    put32(f, 10, static_cast<std::uint32_t>(offset));
    put32(f, 14, 40);
    put32(f, 18, static_cast<std::uint32_t>(width));
    put32(f, 22, static_cast<std::uint32_t>(height));
    put16(f, 26, 1);
    put16(f, 28, static_cast<std::uint32_t>(bits));
    std::copy(palette.begin(), palette.end(), f.begin() + 54);
    for (std::size_t r = 0; r < rows.size(); ++r)
        std::copy(rows[r].begin(), rows[r].end(), f.begin() + static_cast<std::ptrdiff_t>(offset + r * stride));
    return f;
}

po::Rgb at(const po::Picture& p, int x, int y)
{
    const std::uint8_t* c = p.pixel(x, y);
    return {c[0], c[1], c[2]};
}

bool same(po::Rgb a, po::Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

} // namespace

TEST(BmpFiles, TwentyFourBitRowsAreStoredBottomUp)
{
    // 2 x 2: bottom row red, blue; top row green, white (stored blue, green, red).
    const auto file = bmp(2, 2, 24, {}, {{0, 0, 255, 255, 0, 0}, {0, 255, 0, 255, 255, 255}});
    std::string error;
    const auto p = po::decodeBmp(file.data(), file.size(), error);
    ASSERT_TRUE(p) << error;
    EXPECT_TRUE(same(at(*p, 0, 0), {0, 255, 0}));
    EXPECT_TRUE(same(at(*p, 1, 0), {255, 255, 255}));
    EXPECT_TRUE(same(at(*p, 0, 1), {255, 0, 0}));
    EXPECT_TRUE(same(at(*p, 1, 1), {0, 0, 255}));
}

TEST(BmpFiles, PalettedTopDownPicturesUseTheirColourTable)
{
    std::vector<std::uint8_t> palette(256 * 4, 0);
    palette[4 * 7 + 2] = 200;  // entry 7: red 200
    auto file = bmp(3, 1, 8, palette, {{7, 0, 7}});
    put32(file, 22, static_cast<std::uint32_t>(-1));  // top-down
    std::string error;
    const auto p = po::decodeBmp(file.data(), file.size(), error);
    ASSERT_TRUE(p) << error;
    EXPECT_TRUE(same(at(*p, 0, 0), {200, 0, 0}));
    EXPECT_TRUE(same(at(*p, 1, 0), {0, 0, 0}));
}

TEST(BmpFiles, BitFieldMasksOfAnyWidthScaleToFullRange)
{
    // Red takes 28 bits, green 2, blue 2: a 28-bit channel times 255 needs more than 32 bits.
    std::vector<std::uint8_t> masks(12, 0);
    put32(masks, 0, 0xFFFFFFF0u);
    put32(masks, 4, 0x0000000Cu);
    put32(masks, 8, 0x00000003u);
    std::vector<std::uint8_t> row(12, 0);
    put32(row, 0, 0xFFFFFFF0u);  // full red
    put32(row, 4, 0x80000000u);  // half red
    put32(row, 8, 0x0000000Fu);  // full green and blue
    auto file = bmp(3, 1, 32, masks, {row});
    put32(file, 30, 3);  // bit fields
    std::string error;
    const auto p = po::decodeBmp(file.data(), file.size(), error);
    ASSERT_TRUE(p) << error;
    EXPECT_TRUE(same(at(*p, 0, 0), {255, 0, 0}));
    EXPECT_TRUE(same(at(*p, 1, 0), {127, 0, 0}));
    EXPECT_TRUE(same(at(*p, 2, 0), {0, 255, 255}));
}

TEST(BmpFiles, DamagedOrHostileHeadersAreRefused)
{
    const auto good = bmp(4, 4, 24, {}, std::vector<std::vector<std::uint8_t>>(4, std::vector<std::uint8_t>(12, 9)));
    std::string error;
    ASSERT_TRUE(po::decodeBmp(good.data(), good.size(), error));

    auto truncated = good;
    truncated.resize(good.size() - 1);
    EXPECT_FALSE(po::decodeBmp(truncated.data(), truncated.size(), error));

    auto huge = good;
    put32(huge, 18, 0x7FFFFFFF);
    EXPECT_FALSE(po::decodeBmp(huge.data(), huge.size(), error));

    // The widest picture taken is 16,384 pixels, written out rather than the constant.
    const auto widest = bmp(16384, 1, 8, std::vector<std::uint8_t>(1024, 0), {std::vector<std::uint8_t>(16384, 0)});
    EXPECT_TRUE(po::decodeBmp(widest.data(), widest.size(), error)) << error;
    const auto tooWide = bmp(16385, 1, 8, std::vector<std::uint8_t>(1024, 0), {std::vector<std::uint8_t>(16388, 0)});
    EXPECT_FALSE(po::decodeBmp(tooWide.data(), tooWide.size(), error));

    auto zero = good;
    put32(zero, 22, 0);
    EXPECT_FALSE(po::decodeBmp(zero.data(), zero.size(), error));

    auto compressed = good;
    put32(compressed, 30, 1);  // run-length
    EXPECT_FALSE(po::decodeBmp(compressed.data(), compressed.size(), error));

    auto badOffset = good;
    put32(badOffset, 10, 0xFFFFFFF0);
    EXPECT_FALSE(po::decodeBmp(badOffset.data(), badOffset.size(), error));

    auto shortPalette = bmp(2, 2, 8, std::vector<std::uint8_t>(16, 0), {{0, 0}, {0, 0}});
    shortPalette.resize(14 + 40 + 8);
    EXPECT_FALSE(po::decodeBmp(shortPalette.data(), shortPalette.size(), error));
}

TEST(ImageFiles, PngAndBmpAreToldApartBySignature)
{
    char dir[] = "/tmp/ousbdrv-image.XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::filesystem::path png = std::filesystem::path(dir) / "still.png";

    std::vector<std::uint8_t> rgb = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 2;
    image.height = 2;
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, png.c_str(), 0, rgb.data(), 0, nullptr));

    std::string error;
    const auto p = po::loadImageFile(png, error);
    ASSERT_TRUE(p) << error;
    EXPECT_EQ(p->rgb, rgb);

    const std::filesystem::path text = std::filesystem::path(dir) / "still.bmp";
    std::ofstream(text) << "not a picture";
    EXPECT_FALSE(po::loadImageFile(text, error));
    EXPECT_FALSE(po::loadImageFile(std::filesystem::path(dir) / "missing.png", error));
    std::filesystem::remove_all(dir);
}
