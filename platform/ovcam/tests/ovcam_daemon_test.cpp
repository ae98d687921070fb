// The exported calls against the real virtual-camera daemon showing a known
// still picture: every size in colour and grey, zoom, the settings, and a
// camera that goes away and comes back.
#include "platform/ovcam/ovcam.h"

#include "imaging/bitmap.h"
#include "imaging/save.h"
#include "imaging/testing/known_picture.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/shell/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;

namespace {

using imaging::testing::comparePixels;
using imaging::testing::greyOf;
using imaging::testing::writeKnownPicture;
using Difference = imaging::testing::PictureDifference;

// The known picture (or a crop of it) at a size, as RGB bytes top row first.
std::optional<std::string> expectedRgb(const fs::path& file, int width, int height, const std::string& crop = {})
{
    std::vector<std::string> args = {"convert", file.string()};
    if (!crop.empty())
        args.insert(args.end(), {"-crop", crop, "+repage"});
    args.insert(args.end(), {"-resize", std::to_string(width) + "x" + std::to_string(height) + "!", "-depth", "8",
                             "rgb:-"});
    auto result = platform::shell::runProgram(args);
    if (result.exitCode != 0)
        return std::nullopt;
    return std::move(result.output);
}

// A bottom-up blue-green-red (or grey) buffer as RGB (or grey) bytes, top row first.
std::string topDown(const std::vector<std::uint8_t>& pixels, int width, int height, bool colour)
{
    const int bpp = colour ? 3 : 1;
    std::string out;
    out.reserve(pixels.size());
    for (int y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * width * bpp;
        for (int x = 0; x < width; ++x) {
            if (colour) {
                out.push_back(static_cast<char>(row[3 * x + 2]));
                out.push_back(static_cast<char>(row[3 * x + 1]));
                out.push_back(static_cast<char>(row[3 * x + 0]));
            } else {
                out.push_back(static_cast<char>(row[x]));
            }
        }
    }
    return out;
}

double meanOf(const std::vector<std::uint8_t>& pixels)
{
    return std::accumulate(pixels.begin(), pixels.end(), 0.0) / static_cast<double>(pixels.size());
}

class OvcamOfKnownPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "ovcam-e2e.XXXXXX").string();
        folder = ::mkdtemp(tmpl.data());
        known = writeKnownPicture(folder);
        daemon = std::make_unique<po::testing::DaemonProcess>(OUSBDRVD_PATH);
        ASSERT_TRUE(daemon->start({"--device", "0", "--image", known.string()}, {0})) << daemon->error();
        ::setenv("OUSBDRV_ROOT", daemon->root().c_str(), 1);
    }

    void TearDown() override
    {
        // Neutral settings for the next test: they outlive a connection.
        OVCAM_Setting(OVCAM_SETTING_PICTURE, 0, 0, 0, 0);
        OVCAM_Setting(OVCAM_SETTING_COLOUR, 0, 0, 0, 0);
        OVCAM_Setting(OVCAM_SETTING_SHUTTER, OVCAM_SHUTTER_SHORT, 0, 0, 0);
        OVCAM_Fini();
        daemon.reset();
        ::unsetenv("OUSBDRV_ROOT");
        fs::remove_all(folder);
    }

    std::vector<std::uint8_t> picture(bool colour, int width, int height, int code = OVCAM_QUALITY_BEST_NORMAL)
    {
        std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * (colour ? 3 : 1), 0);
        EXPECT_NE(OVCAM_GetImage(colour ? OVCAM_MODE_COLOUR : OVCAM_MODE_GREY, width, height, code, pixels.data()),
                  0);
        return pixels;
    }

    fs::path folder;
    fs::path known;
    std::unique_ptr<po::testing::DaemonProcess> daemon;
};

} // namespace

TEST_F(OvcamOfKnownPicture, EveryCaptureSizeInColourAndGreyMatchesThePicture)
{
    ASSERT_NE(OVCAM_Init(), 0);
    const int sizes[][2] = {{160, 120}, {176, 144}, {320, 240}, {352, 288}, {640, 480}};
    for (const bool colour : {true, false}) {
        for (const auto& size : sizes) {
            SCOPED_TRACE(std::string(colour ? "colour " : "grey ") + std::to_string(size[0]) + "x" +
                         std::to_string(size[1]));
            const auto want = expectedRgb(known, size[0], size[1]);
            ASSERT_TRUE(want);
            const std::string got = topDown(picture(colour, size[0], size[1]), size[0], size[1], colour);
            const Difference d = colour ? comparePixels(got, *want) : comparePixels(got, greyOf(*want));
            EXPECT_LT(d.mean, 5.0);
            EXPECT_LE(d.worst, 16);
        }
    }
}

TEST_F(OvcamOfKnownPicture, ZoomShowsTheCentreAndLowerQualityStaysClose)
{
    ASSERT_NE(OVCAM_Init(), 0);
    const auto centre = expectedRgb(known, 320, 240, "320x240+160+120");
    ASSERT_TRUE(centre);
    const Difference zoomed = comparePixels(topDown(picture(true, 320, 240, OVCAM_QUALITY_BEST_ZOOM), 320, 240, true), *centre);
    EXPECT_LT(zoomed.mean, 6.0);
    EXPECT_LE(zoomed.worst, 18);

    const auto whole = expectedRgb(known, 320, 240);
    ASSERT_TRUE(whole);
    const Difference coarse = comparePixels(topDown(picture(true, 320, 240, 11), 320, 240, true), *whole);
    EXPECT_LT(coarse.mean, 8.0);
}

TEST_F(OvcamOfKnownPicture, SettingsChangeThePictureAndOutliveAReconnection)
{
    ASSERT_NE(OVCAM_Init(), 0);
    const double neutral = meanOf(picture(false, 160, 120));

    OVCAM_Setting(OVCAM_SETTING_PICTURE, 8, 0, 0, 0);
    const double brighter = meanOf(picture(false, 160, 120));
    EXPECT_GT(brighter, neutral + 20);

    OVCAM_Setting(OVCAM_SETTING_PICTURE, 0, 0, 0, 0);
    OVCAM_Setting(OVCAM_SETTING_SHUTTER, OVCAM_SHUTTER_LONG, 0, 0, 0);
    const double longExposure = meanOf(picture(false, 160, 120));
    EXPECT_GT(longExposure, neutral + 10);

    // Hue turns the colours: the red channel of the picture moves.
    OVCAM_Setting(OVCAM_SETTING_SHUTTER, OVCAM_SHUTTER_SHORT, 0, 0, 0);
    const std::vector<std::uint8_t> plain = picture(true, 160, 120);
    OVCAM_Setting(OVCAM_SETTING_COLOUR, 10, 10, 0, 0);
    const std::vector<std::uint8_t> turned = picture(true, 160, 120);
    double redShift = 0;
    for (std::size_t i = 2; i < plain.size(); i += 3)
        redShift += std::abs(int(plain[i]) - int(turned[i]));
    EXPECT_GT(redShift / (plain.size() / 3.0), 5.0);

    // The settings stay with the library across a reconnection.
    OVCAM_Fini();
    ASSERT_NE(OVCAM_Init(), 0);
    OVCAM_Setting(OVCAM_SETTING_COLOUR, 0, 0, 0, 0);
    OVCAM_Fini();
    OVCAM_Setting(OVCAM_SETTING_PICTURE, 8, 0, 0, 0);
    ASSERT_NE(OVCAM_Init(), 0);
    EXPECT_NEAR(meanOf(picture(false, 160, 120)), brighter, 3.0);
}

TEST_F(OvcamOfKnownPicture, NoCameraNoPictureUntilItComesBack)
{
    std::vector<std::uint8_t> pixels(640 * 480 * 3);
    EXPECT_EQ(OVCAM_GetImage(OVCAM_MODE_COLOUR, 160, 120, 31, pixels.data()), 0);  // never connected
    ASSERT_NE(OVCAM_Init(), 0);
    EXPECT_EQ(OVCAM_GetImage(OVCAM_MODE_COLOUR, 641, 480, 31, pixels.data()), 0);
    EXPECT_EQ(OVCAM_GetImage(OVCAM_MODE_COLOUR, 160, 0, 31, pixels.data()), 0);
    EXPECT_EQ(OVCAM_GetImage(OVCAM_MODE_COLOUR, 160, 120, 31, nullptr), 0);

    ASSERT_EQ(daemon->runCommand({"--unplug", "0"}), 0);
    EXPECT_EQ(OVCAM_GetImage(OVCAM_MODE_COLOUR, 160, 120, 31, pixels.data()), 0);
    EXPECT_EQ(OVCAM_GetImage(OVCAM_MODE_COLOUR, 160, 120, 31, pixels.data()), 0);
    OVCAM_Fini();
    EXPECT_EQ(OVCAM_Init(), 0);

    ASSERT_EQ(daemon->runCommand({"--plug", "0"}), 0);
    ASSERT_NE(OVCAM_Init(), 0);
    EXPECT_NE(OVCAM_GetImage(OVCAM_MODE_COLOUR, 160, 120, 31, pixels.data()), 0);
}
