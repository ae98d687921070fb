#include "camera/capture/photo_capture.h"
#include "camera/capture/photo_naming.h"
#include "imaging/save.h"

#include <gtest/gtest.h>

using namespace lumoset;

TEST(PhotoNaming, SeriesExtensionsPickTheirFormatAndOthersBecomeBmp)
{
    const std::pair<const char*, int> listed[] = {
        {".PCX", imaging::kFormatPcx}, {".gif", imaging::kFormatGif}, {".tif", imaging::kFormatTif},
        {".Tga", imaging::kFormatTga}, {".cmp", imaging::kFormatCmp}, {".bmp", imaging::kFormatBmp}};
    for (const auto& [ext, code] : listed) {
        std::string extension = ext;
        EXPECT_EQ(seriesFormatFor(extension), code) << ext;
        EXPECT_EQ(extension, ext) << "a listed extension is kept as written";
    }
    for (const char* other : {".jpg", ".tiff", "", ".", ".BMPX"}) {
        std::string extension = other;
        EXPECT_EQ(seriesFormatFor(extension), imaging::kFormatBmp) << other;
        EXPECT_EQ(extension, ".BMP") << other;
    }
}

TEST(PhotoNaming, FileNamesAndAlbumPaths)
{
    EXPECT_EQ(seriesFileName("/shots/day", 2, ".BMP"), "/shots/day2.BMP");
    EXPECT_EQ(photoFileName("/data/PIC", 2), "/data/PIC/PIC2.bmp");
    EXPECT_EQ(videoStillFileName("/data/AVI", 7), "/data/AVI/CAP7.bmp");
    EXPECT_EQ(withoutExtension("/data/PIC/PIC2.bmp"), "/data/PIC/PIC2");
    EXPECT_EQ(withoutExtension("/a.b/c.d/PIC3.bmp"), "/a.b/c.d/PIC3");
    EXPECT_EQ(withoutExtension("/a.b/noext"), "/a.b/noext");
}

TEST(PhotoNaming, PrintSizeIsOnePicturePixelPerPointInSinglePrecision)
{
    EXPECT_EQ(printExtent(300, 320), 1333);  // 96,000 / 72
    EXPECT_EQ(printExtent(300, 240), 1000);  // 72,000 / 72 just above 1000
    EXPECT_EQ(printExtent(72, 640), 640);
    EXPECT_EQ(printExtent(600, 480), 4000);
    EXPECT_EQ(printExtent(0, 480), 0);
}

TEST(PhotoSizeTable, ZoomedFramesAreHalfHeightExceptTheLargest)
{
    for (size_t i = 0; i < kPhotoSizeTable.size(); ++i) {
        const auto& e = kPhotoSizeTable[i];
        if (static_cast<int>(i) == kLargestPhotoSize) {
            EXPECT_EQ(e.normalRawWidth, 496);
            EXPECT_EQ(e.zoomedRawHeight, 240);
            EXPECT_EQ(e.normalCommand, e.zoomedCommand);
        } else {
            EXPECT_EQ(e.normalRawWidth, e.width);
            EXPECT_EQ(e.normalRawHeight, e.height);
            EXPECT_EQ(e.zoomedRawHeight * 2, e.height);
        }
    }
    EXPECT_EQ(kPhotoSizeTable[2].zoomedCommand, 15);
    EXPECT_EQ(kPhotoSizeTable[3].zoomedCommand, 20);
}
