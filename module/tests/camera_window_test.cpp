// The camera window in-process with a recording camera and help service, the
// picture handed to the data source, and the 256-colour reduction.
#include "module/camera_dlg.h"
#include "module/main_wnd.h"
#include "module/palette_reduction.h"
#include "module/pending_image.h"
#include "module/skin_slider.h"
#include "module/tests/module_test_support.h"
#include "platform/help/testing/recording_help.h"
#include "platform/memory/global_memory.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "platform/ui/testing/test_application.h"
#include "imaging/dib.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace ostrel2;
using namespace ostrel2::testing;
namespace fs = std::filesystem;

namespace {

// A 640 x 480 colour picture, stored bottom-up in blue-green-red order like
// the camera's, whose every pixel tells where it is.
imaging::Bitmap numberedPicture(int width = 640, int height = 480, int bits = 24)
{
    imaging::Bitmap b;
    EXPECT_EQ(imaging::allocate(b, width, height, bits), imaging::kSuccess);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = b.line(y) + (bits / 8) * x;
            p[0] = static_cast<std::uint8_t>(x);      // blue
            if (bits == 24) {
                p[1] = static_cast<std::uint8_t>(y);  // green
                p[2] = static_cast<std::uint8_t>(x + y);  // red
            }
        }
    return b;
}

TW_IMAGEMEMXFER stripWithRoom(std::uint32_t bytes)
{
    TW_IMAGEMEMXFER strip{};
    strip.Memory.Length = bytes;
    return strip;
}

} // namespace

TEST(PendingImageStrips, ColourPictureArrivesTopFirstInRgbInFiveStrips)
{
    PendingImage pending;
    pending.set(numberedPicture());
    std::vector<std::uint8_t> whole(640 * 3 * 480);
    std::vector<std::uint8_t> room(100 * 1920);
    std::vector<std::uint16_t> results;
    std::vector<std::uint32_t> offsets, rows;
    for (int call = 0; call < 6; ++call) {
        TW_IMAGEMEMXFER strip = stripWithRoom(static_cast<std::uint32_t>(room.size()));
        results.push_back(GetResult(pending.fetchStrip(strip, room.data())));
        if (results.back() == SM_FETCH_NO_IMAGE)
            break;
        offsets.push_back(strip.YOffset);
        rows.push_back(strip.Rows);
        EXPECT_EQ(strip.BytesPerRow, 1920u);
        EXPECT_EQ(strip.Columns, 640u);
        EXPECT_EQ(strip.BytesWritten, strip.Rows * 1920u);
        std::copy_n(room.begin(), strip.BytesWritten, whole.begin() + strip.YOffset * 1920);
    }
    EXPECT_EQ(results, (std::vector<std::uint16_t>{0, 0, 0, 0, 1, 2}));
    EXPECT_EQ(offsets, (std::vector<std::uint32_t>{0, 100, 200, 300, 400}));
    EXPECT_EQ(rows.back(), 80u);
    for (int y : {0, 1, 239, 479})
        for (int x : {0, 5, 639}) {
            const std::uint8_t* p = &whole[static_cast<std::size_t>(y) * 1920 + 3 * x];
            EXPECT_EQ(p[0], static_cast<std::uint8_t>(x + y)) << x << "," << y;  // red first
            EXPECT_EQ(p[1], static_cast<std::uint8_t>(y));
            EXPECT_EQ(p[2], static_cast<std::uint8_t>(x));
        }
}

TEST(PendingImageStrips, StripsOf64KiBAndMoreAndTooSmallRoom)
{
    PendingImage pending;
    pending.set(numberedPicture());
    // Less than one row: an empty strip, and the picture stays.
    TW_IMAGEMEMXFER tiny = stripWithRoom(1919);
    std::uint8_t byte = 0;
    EXPECT_EQ(pending.fetchStrip(tiny, &byte), SM_FETCH_MORE);
    EXPECT_EQ(tiny.Rows, 0u);
    EXPECT_EQ(tiny.BytesWritten, 0u);
    EXPECT_EQ(pending.nextStripRow(), 0);

    // 300 rows are 576000 bytes: beyond 16 bits, whole and unbroken.
    std::vector<std::uint8_t> room(300 * 1920);
    TW_IMAGEMEMXFER big = stripWithRoom(static_cast<std::uint32_t>(room.size()));
    EXPECT_EQ(pending.fetchStrip(big, room.data()), SM_FETCH_MORE);
    EXPECT_EQ(big.Rows, 300u);
    EXPECT_EQ(big.BytesWritten, 576000u);
    EXPECT_EQ(room[299 * 1920 + 1], static_cast<std::uint8_t>(299));  // green of row 299
    TW_IMAGEMEMXFER rest = stripWithRoom(static_cast<std::uint32_t>(room.size()));
    EXPECT_EQ(pending.fetchStrip(rest, room.data()), SM_FETCH_LAST);
    EXPECT_EQ(rest.YOffset, 300u);
    EXPECT_EQ(rest.Rows, 180u);
    EXPECT_FALSE(pending.present());
}

TEST(PendingImageInfo, GrayAndColourAndNoPicture)
{
    PendingImage pending;
    TW_IMAGEINFO info{};
    info.ImageWidth = 1234;
    pending.updateImageInfo(info);
    EXPECT_EQ(info.ImageWidth, 1234);  // untouched without a picture

    SM_TRANSFER_DEFAULTS d = defaultTransferDefaults();
    EXPECT_EQ(d.word[0], 1);
    EXPECT_EQ(d.word[6], 2);
    EXPECT_EQ(d.word[10], 1);
    EXPECT_EQ(d.word[11], 0);
    d.word[kDefaultsCompressionWord] = 5;
    pending.setDefaults(d);

    pending.set(numberedPicture(352, 288, 8));
    pending.updateImageInfo(info);
    EXPECT_EQ(info.ImageWidth, 352);
    EXPECT_EQ(info.ImageLength, 288);
    EXPECT_EQ(info.SamplesPerPixel, 1);
    EXPECT_EQ(info.BitsPerPixel, 8);
    EXPECT_EQ(info.PixelType, 1);
    EXPECT_EQ(info.BitsPerSample[0], 8);
    EXPECT_EQ(info.BitsPerSample[1], 0);
    EXPECT_EQ(info.Compression, 5);

    pending.set(numberedPicture());
    pending.updateImageInfo(info);
    EXPECT_EQ(info.SamplesPerPixel, 3);
    EXPECT_EQ(info.BitsPerPixel, 24);
    EXPECT_EQ(info.PixelType, 2);
    EXPECT_EQ((std::vector<int>(info.BitsPerSample, info.BitsPerSample + 4)), (std::vector<int>{8, 8, 8, 0}));
}

TEST(PendingImageFetch, FileAndDibHandOverOnceAndTypesFollowTheExtension)
{
    EXPECT_EQ(fileTypeForPath("/tmp/a.bmp"), kFileTypeBmp);
    EXPECT_EQ(fileTypeForPath("/tmp/A.BmP"), kFileTypeBmp);
    EXPECT_EQ(fileTypeForPath("/tmp/a.jpg"), kFileTypeJpeg);
    EXPECT_EQ(fileTypeForPath("/tmp/a.pcx"), kFileTypePcx);
    EXPECT_EQ(fileTypeForPath("/tmp/a.tif"), kFileTypeOther);
    EXPECT_EQ(fileTypeForPath(".bmp"), kFileTypeOther);  // only after the first character

    const fs::path folder = fs::temp_directory_path() / ("ostrel2-fetch-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    PendingImage pending;
    pending.set(numberedPicture());
    const fs::path file = folder / "picture.bmp";
    EXPECT_EQ(pending.fetchFile(file.string()), kFetchDone);
    EXPECT_EQ(pending.fetchFile(file.string()), SM_FETCH_NO_IMAGE);
    std::ifstream in(file, std::ios::binary);
    char magic[2] = {};
    in.read(magic, 2);
    EXPECT_EQ(std::string(magic, 2), "BM");
    EXPECT_EQ(fs::file_size(file), 54u + 640u * 480u * 3u);

    pending.set(numberedPicture());
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(pending.fetchDib(dib), kFetchDone);
    ASSERT_NE(dib, nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(dib));
    const imaging::BitmapInfoHeader header = imaging::readBitmapInfoHeader(bytes);
    EXPECT_EQ(header.width, 640);
    EXPECT_EQ(header.height, 480);
    EXPECT_EQ(header.bitCount, 24);
    GlobalUnlock(dib);
    GlobalFree(dib);
    TW_HANDLE again = nullptr;
    EXPECT_EQ(pending.fetchDib(again), SM_FETCH_NO_IMAGE);
    TW_IMAGEMEMXFER strip = stripWithRoom(1920);
    EXPECT_EQ(pending.fetchStrip(strip, nullptr), SM_FETCH_NO_IMAGE);
    fs::remove_all(folder);
}

TEST(PaletteReduction, FixedPaletteAndThresholdedPixels)
{
    EXPECT_EQ(fixedPaletteEntry(0), qRgb(0x10, 0x10, 0x20));
    EXPECT_EQ(fixedPaletteEntry(255), qRgb(0xF0, 0xF0, 0xE0));
    EXPECT_EQ(ditherThreshold(1, 8), 194);   // column 1 mod 8 picks the row, top row 8 mod 8 the column
    EXPECT_EQ(ditherThreshold(0, 3), 162);
    // 100 under threshold 130: blue 3 x 85 - 130 = 125 -> 1; green and red 6 x 36 - 130 = 86.
    EXPECT_EQ(reducePixel(100, 100, 100, 130), 0x01 | 0x08 | 0x40);
    EXPECT_EQ(reducePixel(255, 255, 255, 2), 0xFF);
    EXPECT_EQ(reducePixel(0, 0, 0, 254), 0x00);

    // Rows are counted from the top: the bottom row of a 2-row DIB is top row 2.
    const std::uint8_t pixels[2 * 4] = {100, 100, 100, 0, 100, 100, 100, 0};
    std::uint8_t out[2 * 4] = {};
    reduceToFixedPalette(pixels, 1, 2, out);
    EXPECT_EQ(out[0], reducePixel(100, 100, 100, ditherThreshold(0, 2)));
    EXPECT_EQ(out[4], reducePixel(100, 100, 100, ditherThreshold(0, 1)));

    EXPECT_TRUE(drawsDirectly(16, false));
    EXPECT_TRUE(drawsDirectly(32, true));
    EXPECT_FALSE(drawsDirectly(32, false));
    EXPECT_FALSE(drawsDirectly(8, true));
}
