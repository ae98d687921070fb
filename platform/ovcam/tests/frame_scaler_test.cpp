// Scaling: orientation and the buffer checks no daemon run can pin down.
#include "platform/ovcam/frame_scaler.h"

#include <gtest/gtest.h>

#include <vector>

using namespace ovcam;

TEST(FrameScaler, KeepsOrientationAndRefusesShortBuffers)
{
    // A 4 x 2 grey frame, stored bottom-up with a padded stride: bottom row
    // dark, top row bright.
    std::vector<std::uint8_t> frame = {10, 10, 10, 10, 0, 0, 0, 0, 200, 200, 200, 200, 0, 0, 0, 0};
    const FrameView view{frame, 4, 2, 8};
    std::vector<std::uint8_t> out(8 * 4);
    ASSERT_TRUE(scaleFrame(view, 1, out, 8, 4));
    EXPECT_EQ(out.front(), 10);   // bottom row stays at the bottom
    EXPECT_EQ(out.back(), 200);   // top row at the top
    EXPECT_GT(out[8 * 2], 10);    // rows between are blended
    EXPECT_LT(out[8 * 2], 200);

    std::vector<std::uint8_t> small(8 * 4 - 1);
    EXPECT_FALSE(scaleFrame(view, 1, small, 8, 4));
    EXPECT_FALSE(scaleFrame({frame, 4, 3, 8}, 1, out, 8, 4));  // source shorter than described
    EXPECT_FALSE(scaleFrame(view, 2, out, 8, 4));
}
