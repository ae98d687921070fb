#include "camera/albums/album_bmp_reader.h"
#include "camera/albums/album_save_names.h"

#include <cstring>

#include <gtest/gtest.h>

#include "album_test_support.h"
#include "imaging/save.h"

using namespace lumoset;
using lumoset::testing::BmpRecipe;
using lumoset::testing::makeBmp;

namespace {

void set32(std::vector<std::uint8_t>& file, size_t offset, std::uint32_t value)
{
    std::memcpy(file.data() + offset, &value, 4);
}

BmpReadResult readBytes(const std::vector<std::uint8_t>& file, AlbumPicture& picture)
{
    return readAlbumBmp(file.data(), file.size(), picture);
}

} // namespace

TEST(AlbumBmpReader, ColourTableSizeAndPixelPlaceComeFromTheHeaders)
{
    // Sixteen colours used, and six stray bytes before the pixels.
    BmpRecipe recipe;
    recipe.width = 5;
    recipe.height = 3;
    recipe.bits = 8;
    recipe.colours = 16;
    recipe.gapBeforePixels = 6;
    AlbumPicture picture;
    ASSERT_EQ(readBytes(makeBmp(recipe), picture), BmpReadResult::Ok);
    EXPECT_EQ(picture.colourEntries(), 16u);
    EXPECT_EQ(picture.info.size(), 40u + 64u);
    EXPECT_EQ(picture.info[40 + 4 + 2], recipe.fill.red);  // entry 1, red byte
    ASSERT_EQ(picture.pixels.size(), 8u * 3u);
    for (int row = 0; row < 3; ++row) {
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(picture.pixels[row * 8 + x], 1) << row << "," << x;
    }
    // A larger information header moves the table, not the picture.
    std::vector<std::uint8_t> v5 = makeBmp(BmpRecipe{});
    v5.insert(v5.begin() + 54, 84, 0);
    set32(v5, 14, 124);
    set32(v5, 10, 54 + 84);
    ASSERT_EQ(readBytes(v5, picture), BmpReadResult::Ok);
    EXPECT_EQ(picture.header().size, 40u);
    EXPECT_EQ(picture.pixels[2], BmpRecipe{}.fill.red);
}

TEST(AlbumBmpReader, RefusesImpossibleHeadersAndShortFiles)
{
    const std::vector<std::uint8_t> good = makeBmp(BmpRecipe{});
    AlbumPicture picture;
    ASSERT_EQ(readBytes(good, picture), BmpReadResult::Ok);

    struct Case {
        size_t offset;
        std::uint32_t value;
        const char* what;
    };
    const Case cases[] = {
        {18, 0, "zero width"},
        {22, 0xFFFFFFFF, "top-down height"},
        {18, 0x7FFFFFFF, "width beyond the limit"},
        {18, 30000, "pixel block beyond the limit"},  // 30000 x 48 x 3 fits; x 30000 high next
        {14, 12, "core header"},
        {14, 0x7FFFFFF0, "information header beyond the file"},
        {30, 1, "compressed"},
        {46, 257, "more than 256 colours"},
        {46, 0xFFFFFFFF, "colour count that overflows"},
        {10, 20, "pixels inside the headers"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> bad = good;
        set32(bad, c.offset, c.value);
        if (std::strcmp(c.what, "pixel block beyond the limit") == 0)
            set32(bad, 22, 30000);
        EXPECT_EQ(readBytes(bad, picture), BmpReadResult::InvalidHeader) << c.what;
        EXPECT_TRUE(picture.empty()) << c.what;
    }
    std::vector<std::uint8_t> depth = good;
    depth[28] = 7;
    EXPECT_EQ(readBytes(depth, picture), BmpReadResult::InvalidHeader);

    std::vector<std::uint8_t> notBmp = good;
    notBmp[0] = 'X';
    EXPECT_EQ(readBytes(notBmp, picture), BmpReadResult::NotBitmap);
    EXPECT_EQ(readAlbumBmp(good.data(), 50, picture), BmpReadResult::ShortRead);
    EXPECT_EQ(readAlbumBmp(good.data(), good.size() - 1, picture), BmpReadResult::ShortRead);
    // A pixel offset past the end of the file is a short file.
    std::vector<std::uint8_t> far = good;
    set32(far, 10, 0x7FFFFFFF);
    EXPECT_EQ(readBytes(far, picture), BmpReadResult::ShortRead);
    EXPECT_EQ(readAlbumBmpFile("/no/such/file.bmp", picture), BmpReadResult::CannotOpen);
}

TEST(AlbumSaveNames, BaseUpToFirstDotExtensionAfterLast)
{
    const ChosenSaveName a = splitChosenSaveName("/home/u/pics/a.b.jpg");
    EXPECT_EQ(a.directory, "/home/u/pics");
    EXPECT_EQ(a.baseName, "a");
    EXPECT_EQ(a.extension, "jpg");
    const ChosenSaveName plain = splitChosenSaveName("/x.y/clip");
    EXPECT_EQ(plain.directory, "/x.y");
    EXPECT_EQ(plain.baseName, "clip");
    EXPECT_EQ(plain.extension, "");
    const ChosenSaveName hidden = splitChosenSaveName("/d/.png");
    EXPECT_EQ(hidden.baseName, ".png");
    EXPECT_EQ(hidden.extension, "png");

    ASSERT_TRUE(saveFormatForExtension("JpG"));
    EXPECT_EQ(saveFormatForExtension("jpg")->formatCode, imaging::kFormatJpeg);
    EXPECT_EQ(saveFormatForExtension("jpg")->quality, 2);
    EXPECT_EQ(saveFormatForExtension("fpx")->formatCode, imaging::kFormatFpx);
    EXPECT_FALSE(saveFormatForExtension("gif"));
    EXPECT_FALSE(saveFormatForExtension("jpeg"));
}
