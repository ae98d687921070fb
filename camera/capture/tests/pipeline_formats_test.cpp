#include "camera/capture/picture_formats.h"

#include <gtest/gtest.h>

using namespace lumoset;

TEST(FrameFormats, SmallZoomedViewAtLowQualityAsksForTheSmallestFrames)
{
    const FrameFormat f = previewFrameFormat(false, false, 2);
    EXPECT_EQ(f.commandIndex, 22);
    EXPECT_EQ(f.frame, (FrameSize{80, 32}));
    EXPECT_EQ(previewDisplaySize(false), (FrameSize{160, 120}));
}

TEST(FrameFormats, EveryViewZoomAndQuality)
{
    struct Row {
        bool large, normal;
        int quality, command, width, height;
    };
    const Row rows[] = {
        {true, true, 0, 12, 320, 240},  {true, true, 1, 17, 320, 120},
        {true, true, 2, 13, 160, 120},  {true, false, 0, 15, 320, 120},
        {true, false, 1, 16, 160, 60},  {true, false, 2, 16, 160, 60},
        {false, true, 0, 13, 160, 120}, {false, true, 1, 18, 160, 60},
        {false, true, 2, 14, 80, 60},   {false, false, 0, 16, 160, 60},
        {false, false, 1, 22, 80, 32},  {false, false, 2, 22, 80, 32},
    };
    for (const Row& r : rows)
        EXPECT_EQ(previewFrameFormat(r.large, r.normal, r.quality),
                  (FrameFormat{r.command, {r.width, r.height}}))
            << r.large << r.normal << r.quality;
    // A quality read from a damaged settings file still selects a real format.
    EXPECT_EQ(previewFrameFormat(true, true, -3), previewFrameFormat(true, true, 0));
    EXPECT_EQ(previewFrameFormat(true, true, 9), previewFrameFormat(true, true, 2));
}

TEST(PreviewRectangles, VideoAlbumShiftsThePreviewRight)
{
    EXPECT_EQ(initialPreviewRectangle(), (PreviewRect{61, 33, 381, 273}));
    for (bool large : {true, false}) {
        const PreviewRect closed = previewRectangle(large, false);
        const PreviewRect open = previewRectangle(large, true);
        EXPECT_EQ(open.left - closed.left, 84);
        EXPECT_EQ(open.right - closed.right, 84);
        EXPECT_EQ(open.top, closed.top);
        const FrameSize shown = previewDisplaySize(large);
        EXPECT_EQ(closed.width(), shown.width);
        EXPECT_EQ(closed.height(), shown.height);
    }
    EXPECT_EQ(previewRectangle(false, false), (PreviewRect{141, 93, 301, 213}));
}

TEST(SpeedRegister, ValuesForTheThreeSpeeds)
{
    EXPECT_EQ(speedRegisterValue(0), 0);
    EXPECT_EQ(speedRegisterValue(1), 1);
    EXPECT_EQ(speedRegisterValue(2), 5);
    EXPECT_EQ(speedRegisterValue(7), 5);
    EXPECT_EQ(speedRegisterValue(-1), 0);
}
