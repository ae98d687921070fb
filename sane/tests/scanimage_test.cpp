// SANE's own command-line front end loading the backend through the meta
// backend (SANE_CONFIG_DIR, LD_LIBRARY_PATH), against the real virtual
// camera showing a known picture. Pictures are read back with ImageMagick.
#include "platform/shell/process.h"
#include "sane/tests/known_picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <numeric>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using rz410::testing::CamerasOfKnownPicture;
using rz410::testing::compare;
using rz410::testing::Difference;

namespace {

platform::shell::ProgramResult scanimage(const fs::path& root, const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"env"};
    // scanimage is not built with AddressSanitizer: its runtime has to come
    // first for the instrumented backend to load.
    if (const std::string runtime = SANITIZER_RUNTIME; !runtime.empty())
        argv.insert(argv.end(), {"LD_PRELOAD=" + runtime, "ASAN_OPTIONS=detect_leaks=0",
                                 "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1"});
    argv.insert(argv.end(), {"SANE_CONFIG_DIR=" SANE_CONFIG_FOLDER, "LD_LIBRARY_PATH=" SANE_BACKEND_FOLDER,
                             "OUSBDRV_ROOT=" + root.string(), "scanimage"});
    argv.insert(argv.end(), args.begin(), args.end());
    return platform::shell::runProgram(argv, platform::shell::CaptureOutput::StandardOutputAndError);
}

struct ReadBack {
    std::string description;  // "<width> <height> <colour space>"
    std::string pixels;       // RGB or grey bytes, top row first
};

ReadBack readBack(const fs::path& file, bool colour)
{
    ReadBack back;
    back.description =
        platform::shell::runProgram({"convert", file.string(), "-format", "%w %h %[colorspace]", "info:"}).output;
    back.pixels = platform::shell::runProgram(
                      {"convert", file.string(), "-depth", "8", (colour ? "rgb:-" : "gray:-")})
                      .output;
    return back;
}

double meanOf(const std::string& bytes)
{
    return std::accumulate(bytes.begin(), bytes.end(), 0.0,
                           [](double sum, char c) { return sum + static_cast<unsigned char>(c); }) /
           static_cast<double>(bytes.size());
}

} // namespace

TEST_F(CamerasOfKnownPicture, ScanimageListsTheCamerasAndEveryOptionWithItsConstraint)
{
    const auto list = scanimage(daemon->root(), {"-L"});
    EXPECT_EQ(list.exitCode, 0) << list.output;
    EXPECT_NE(list.output.find("`rz410:ousbdrv000' is a Lumo RZ-410 video camera"), std::string::npos) << list.output;
    EXPECT_NE(list.output.find("`rz410:ousbdrv002' is a Lumo RZ-410 video camera"), std::string::npos) << list.output;

    const auto options = scanimage(daemon->root(), {"-d", "rz410:ousbdrv002", "-A"});
    EXPECT_EQ(options.exitCode, 0) << options.output;
    for (const char* line : {"--mode Color|Gray [Color]", "--resolution 160|176|320|352|640dpi [640]",
                             "--preview[=(yes|no)] [no]", "--brightness -10..10 (in steps of 1) [0]",
                             "--contrast -10..10 (in steps of 1) [0]", "--hue -10..10 (in steps of 1) [0]",
                             "--saturation -10..10 (in steps of 1) [0]", "--shutter Short|Medium|Long [Short]"})
        EXPECT_NE(options.output.find(line), std::string::npos) << line << "\n" << options.output;
}

TEST_F(CamerasOfKnownPicture, ScansAtEverySizeInColourAndGreyAsPngAndTiffShowTheKnownPicture)
{
    const int sizes[][2] = {{160, 120}, {176, 144}, {320, 240}, {352, 288}, {640, 480}};
    for (const bool colour : {true, false}) {
        for (const auto& size : sizes) {
            const auto want = rz410::testing::expectedRgb(known, size[0], size[1]);
            ASSERT_TRUE(want);
            for (const std::string format : {"png", "tiff"}) {
                const std::string label = std::string(colour ? "colour " : "grey ") + std::to_string(size[0]) + "x" +
                                          std::to_string(size[1]) + " " + format;
                SCOPED_TRACE(label);
                const fs::path file = folder / ("scan." + format);
                const auto scan = scanimage(daemon->root(), {"-d", "rz410:ousbdrv000", "--mode", colour ? "Color" : "Gray",
                                                             "--resolution", std::to_string(size[0]),
                                                             "--format=" + format, "-o", file.string()});
                ASSERT_EQ(scan.exitCode, 0) << scan.output;
                const ReadBack back = readBack(file, colour);
                EXPECT_EQ(back.description, std::to_string(size[0]) + " " + std::to_string(size[1]) +
                                                (colour ? " sRGB" : " Gray"));
                const Difference d = compare(back.pixels, colour ? *want : rz410::testing::greyOf(*want));
                EXPECT_LT(d.mean, 5.0);
                EXPECT_LE(d.worst, 16);
            }
        }
    }
}

TEST_F(CamerasOfKnownPicture, ScanimageReachesTheCameraItNamesWithItsSettings)
{
    const fs::path file = folder / "scan.png";
    const std::vector<std::string> grey160 = {"--mode", "Gray", "--resolution", "160", "--format=png", "-o",
                                              file.string()};
    auto args = [&](const std::string& device, std::vector<std::string> more) {
        std::vector<std::string> all = {"-d", device};
        all.insert(all.end(), grey160.begin(), grey160.end());
        all.insert(all.end(), more.begin(), more.end());
        return all;
    };

    ASSERT_EQ(scanimage(daemon->root(), args("rz410:ousbdrv002", {})).exitCode, 0);
    const double neutral = meanOf(readBack(file, false).pixels);
    // Above the range: taken as the largest brightness, not refused.
    const auto bright = scanimage(daemon->root(), args("rz410:ousbdrv002", {"--brightness", "50"}));
    ASSERT_EQ(bright.exitCode, 0) << bright.output;
    EXPECT_GT(meanOf(readBack(file, false).pixels), neutral + 20);
    const auto longExposure = scanimage(daemon->root(), args("rz410:ousbdrv002", {"--shutter", "Long"}));
    ASSERT_EQ(longExposure.exitCode, 0) << longExposure.output;
    EXPECT_GT(meanOf(readBack(file, false).pixels), neutral + 10);

    // A preview comes from coarser frames but still shows the picture.
    const fs::path previewFile = folder / "preview.png";
    const auto preview = scanimage(daemon->root(), {"-d", "rz410:ousbdrv002", "--preview=yes", "--resolution", "320",
                                                    "--format=png", "-o", previewFile.string()});
    ASSERT_EQ(preview.exitCode, 0) << preview.output;
    const auto want = rz410::testing::expectedRgb(known, 320, 240);
    ASSERT_TRUE(want);
    EXPECT_LT(compare(readBack(previewFile, true).pixels, *want).mean, 8.0);

    // Only camera 2 delivered pictures, though camera 0 comes first.
    std::ifstream log(folder / "packets.log");
    int picturesOfCamera0 = 0, picturesOfCamera2 = 0;
    for (std::string line; std::getline(log, line);) {
        picturesOfCamera0 += line.starts_with("000 PIPE00 read") ? 1 : 0;
        picturesOfCamera2 += line.starts_with("002 PIPE00 read") ? 1 : 0;
    }
    EXPECT_EQ(picturesOfCamera0, 0);
    EXPECT_GT(picturesOfCamera2, 0);

    // A camera that is gone is neither offered nor scanned.
    ASSERT_EQ(daemon->runCommand({"--unplug", "2"}), 0);
    const auto list = scanimage(daemon->root(), {"-L"});
    EXPECT_EQ(list.output.find("ousbdrv002"), std::string::npos) << list.output;
    EXPECT_NE(scanimage(daemon->root(), args("rz410:ousbdrv002", {})).exitCode, 0);
    const auto first = scanimage(daemon->root(), args("rz410:ousbdrv000", {}));
    EXPECT_EQ(first.exitCode, 0) << first.output;
}
