#include "camera/capture/picture_convert.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>
#include <vector>

using namespace lumoset;

// Counts allocations made through operator new while a test asks for it.
namespace {
std::atomic<bool> countingAllocations{false};
std::atomic<int> allocations{0};
} // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    if (countingAllocations)
        ++allocations;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Settings {
    int brightness, contrast, hue, saturation;
};

const Settings kSettings[] = {
    {0, 0, 0, 0},     {10, 10, 10, 10},   {-10, -10, -10, -10}, {3, -7, 25, -4},
    {0, 0, 60, 10},   {-5, 8, -33, 7},    {0, 10, -60, 10},     {1000, -1000, 77, 500},
};

PictureTables tablesFor(const Settings& s)
{
    PictureTables t;
    buildPictureTables(t, s.brightness, s.contrast, s.hue, s.saturation);
    return t;
}

Bytes randomBytes(std::size_t n, std::mt19937& rng)
{
    Bytes b(n);
    for (auto& v : b)
        v = static_cast<std::uint8_t>(rng());
    return b;
}

constexpr std::size_t kGuard = 64;
constexpr std::uint8_t kGuardByte = 0xA5;

// An output buffer with guard bytes after the image, pre-filled so that
// unwritten padding shows.
Bytes outputFor(int width, int height, int bits)
{
    return Bytes(dibRowBytes(width, bits) * static_cast<std::size_t>(height) + kGuard, kGuardByte);
}

std::span<std::uint8_t> image(Bytes& out) { return std::span(out).first(out.size() - kGuard); }

} // namespace

TEST(ConvertColour, KnownPlanesGiveKnownPixelsBottomUpInBlueGreenRedOrder)
{
    PictureTables t; // zero settings
    // Top row: pair (178, 78) gives u = 70, v = -70, g = -11 + 35 = 24;
    // pair (28, 228) gives u = -128, v = 127, g = 21 - 64 = -43.
    const Bytes a = {148, 255, 0, 148, /* bottom row */ 148, 148, 148, 148};
    const Bytes b = {178, 78, 28, 228, /* bottom row */ 128, 128, 128, 128};
    for (ConvertPath path : supportedConvertPaths()) {
        Bytes out(24, 0xEE);
        ASSERT_TRUE(convertColourOn(path, t, a, b, 4, 2, out)) << convertPathName(path);
        const Bytes expected = {
            128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128, // bottom row first
            58,  104, 198, 185, 231, 255, 127, 43,  0,   255, 171, 0,   // top row
        };
        EXPECT_EQ(out, expected) << convertPathName(path);
    }
}

TEST(ConvertColour, EveryPathMatchesThePortableOneOnEveryTableEntry)
{
    // 512 x 2: every luminance value twice per row; pairs (k, 255 - k) and
    // (k, k) reach every entry of both difference tables, and with the
    // luminance next to them every limit.
    constexpr int w = 512, h = 2;
    Bytes a(w * h), b(w * h);
    for (int x = 0; x < w; ++x) {
        a[x] = static_cast<std::uint8_t>(x);
        a[w + x] = static_cast<std::uint8_t>(255 - x / 2);
    }
    for (int k = 0; k < 256; ++k) {
        b[2 * k] = static_cast<std::uint8_t>(k);
        b[2 * k + 1] = static_cast<std::uint8_t>(255 - k);
        b[w + 2 * k] = static_cast<std::uint8_t>(k);
        b[w + 2 * k + 1] = static_cast<std::uint8_t>(k);
    }
    for (const Settings& s : kSettings) {
        const PictureTables t = tablesFor(s);
        Bytes expected = outputFor(w, h, 24);
        ASSERT_TRUE(convertColourOn(ConvertPath::Portable, t, a, b, w, h, image(expected)));
        for (ConvertPath path : supportedConvertPaths()) {
            Bytes out = outputFor(w, h, 24);
            ASSERT_TRUE(convertColourOn(path, t, a, b, w, h, image(out)));
            EXPECT_EQ(out, expected) << convertPathName(path) << " hue " << s.hue;
        }
    }
}

TEST(ConvertColour, EveryPathMatchesThePortableOneOnRandomFramesOfManyWidths)
{
    // Widths around the vector sizes (8, 64 pixels), the frame sizes the
    // camera sends, and widths whose rows need padding.
    const std::pair<int, int> sizes[] = {{496, 240}, {320, 240}, {80, 32}, {2, 1},  {6, 3},
                                         {10, 2},    {14, 3},    {62, 5},  {64, 2}, {66, 2},
                                         {126, 3},   {130, 3},   {202, 7}};
    std::mt19937 rng(2024);
    for (const Settings& s : kSettings) {
        const PictureTables t = tablesFor(s);
        for (auto [w, h] : sizes) {
            const Bytes a = randomBytes(static_cast<std::size_t>(w * h), rng);
            const Bytes b = randomBytes(static_cast<std::size_t>(w * h), rng);
            Bytes expected = outputFor(w, h, 24);
            ASSERT_TRUE(convertColourOn(ConvertPath::Portable, t, a, b, w, h, image(expected)));
            const std::size_t stride = dibRowBytes(w, 24);
            for (int r = 0; r < h; ++r) // padding is zeroed
                for (std::size_t i = static_cast<std::size_t>(w) * 3; i < stride; ++i)
                    ASSERT_EQ(expected[r * stride + i], 0);
            for (ConvertPath path : supportedConvertPaths()) {
                Bytes out = outputFor(w, h, 24);
                ASSERT_TRUE(convertColourOn(path, t, a, b, w, h, image(out)));
                ASSERT_EQ(out, expected) << convertPathName(path) << " " << w << "x" << h;
            }
        }
    }
}

TEST(ConvertGrey, LumaTableBottomUpOnEveryPath)
{
    PictureTables t;
    const Bytes a = {148, 255, 0, /* bottom row */ 100, 200, 148};
    for (ConvertPath path : supportedConvertPaths()) {
        Bytes out(8, 0xEE);
        ASSERT_TRUE(convertGreyOn(path, t, a, 3, 2, out));
        EXPECT_EQ(out, (Bytes{71, 190, 128, 0, 128, 255, 0, 0})) << convertPathName(path);
    }

    std::mt19937 rng(7);
    for (const Settings& s : kSettings) {
        const PictureTables tables = tablesFor(s);
        for (auto [w, h] : {std::pair{496, 240}, {320, 240}, {5, 3}, {63, 2}, {65, 2}, {256, 1}}) {
            Bytes a2 = randomBytes(static_cast<std::size_t>(w * h), rng);
            if (w == 256)
                for (int x = 0; x < 256; ++x)
                    a2[x] = static_cast<std::uint8_t>(x);
            Bytes expected = outputFor(w, h, 8);
            ASSERT_TRUE(convertGreyOn(ConvertPath::Portable, tables, a2, w, h, image(expected)));
            for (ConvertPath path : supportedConvertPaths()) {
                Bytes out = outputFor(w, h, 8);
                ASSERT_TRUE(convertGreyOn(path, tables, a2, w, h, image(out)));
                ASSERT_EQ(out, expected) << convertPathName(path) << " " << w << "x" << h;
            }
        }
    }
}

TEST(Convert, UnusableSizesAndBuffersAreRefusedWithoutWriting)
{
    PictureTables t;
    Bytes a(496 * 240, 148), b(496 * 240, 128);
    Bytes out(496 * 240 * 3, 0xEE);
    const Bytes untouched = out;
    EXPECT_FALSE(convertColour(t, a, b, 5, 2, out));   // odd width splits a pair
    EXPECT_FALSE(convertColour(t, a, b, 0, 2, out));
    EXPECT_FALSE(convertColour(t, a, b, 4, 0, out));
    EXPECT_FALSE(convertColour(t, a, b, -4, 2, out));
    EXPECT_FALSE(convertColour(t, a, b, 8192, 2, out)); // beyond any frame
    EXPECT_FALSE(convertColour(t, std::span(a).first(100), b, 10, 11, out));
    EXPECT_FALSE(convertColour(t, a, std::span(b).first(100), 10, 11, out));
    EXPECT_FALSE(convertColour(t, a, b, 496, 240, std::span(out).first(out.size() - 1)));
    EXPECT_FALSE(convertGrey(t, a, 0, 1, out));
    EXPECT_FALSE(convertGrey(t, std::span(a).first(9), 5, 2, out));
    EXPECT_FALSE(convertGrey(t, a, 5, 2, std::span(out).first(15))); // rows pad to 8
    // Converting a plane onto itself would read what was just written.
    EXPECT_FALSE(convertColour(t, a, b, 4, 2, std::span(a).subspan(3)));
    EXPECT_FALSE(convertGrey(t, a, 4, 2, a));
    EXPECT_EQ(out, untouched);
    EXPECT_TRUE(convertGrey(t, a, 5, 2, std::span(out).first(16)));
}

TEST(Convert, ActivePathIsTheWidestSupportedAndNeverAllocates)
{
    EXPECT_EQ(activeConvertPath(), supportedConvertPaths().back());
    PictureTables t;
    Bytes a(496 * 240, 90), b(496 * 240, 170), out(496 * 240 * 3);
    allocations = 0;
    countingAllocations = true;
    const bool colour = convertColour(t, a, b, 496, 240, out);
    const bool grey = convertGrey(t, a, 496, 240, out);
    countingAllocations = false;
    EXPECT_TRUE(colour && grey);
    EXPECT_EQ(allocations, 0);
}
