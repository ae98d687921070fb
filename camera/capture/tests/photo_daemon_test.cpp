// Photos of a known still picture shown by the real virtual-camera daemon,
// read back by ImageMagick: device protocol, conversion, orientation,
// resizing and file writing proven together.
#include "camera/capture/photo_capture.h"
#include "camera/capture/picture_tables.h"
#include "camera/capture/tests/photo_test_support.h"
#include "imaging/bitmap.h"
#include "imaging/save.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/print/recording_printer.h"
#include "platform/shell/process.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <optional>

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;
using namespace lumoset;
using namespace lumoset::testing;

namespace {

std::optional<std::string> runForOutput(const std::vector<std::string>& args)
{
    auto result = platform::shell::runProgram(args);
    if (result.exitCode != 0)
        return std::nullopt;
    return std::move(result.output);
}

// The picture as 8-bit RGB, top row first, scaled by ImageMagick when a size
// is given.
std::optional<std::string> rgbPixels(const fs::path& file, int width = 0, int height = 0)
{
    std::vector<std::string> args = {"convert", file.string()};
    if (width > 0) {
        args.push_back("-resize");
        args.push_back(std::to_string(width) + "x" + std::to_string(height) + "!");
    }
    args.insert(args.end(), {"-depth", "8", "rgb:-"});
    return runForOutput(args);
}

// A smooth picture whose colours say where each pixel is: red grows to the
// right, green downwards, blue in a slow wave. A flipped or mirrored photo
// cannot match it.
fs::path writeKnownPicture(const fs::path& folder)
{
    imaging::Bitmap bitmap;
    EXPECT_EQ(imaging::allocate(bitmap, 640, 480, 24), imaging::kSuccess);
    for (int y = 0; y < 480; ++y) {
        std::uint8_t* line = bitmap.line(y);
        for (int x = 0; x < 640; ++x) {
            const int red = 30 + x * 190 / 639;
            const int green = 30 + y * 190 / 479;
            const int blue = 110 + static_cast<int>(60 * std::sin((x + y) / 160.0));
            line[3 * x + 0] = static_cast<std::uint8_t>(blue);
            line[3 * x + 1] = static_cast<std::uint8_t>(green);
            line[3 * x + 2] = static_cast<std::uint8_t>(red);
        }
    }
    const fs::path path = folder / "known.bmp";
    EXPECT_EQ(imaging::save(path.string(), bitmap, imaging::kFormatBmp, 24, 0), imaging::kSuccess);
    return path;
}

struct Difference {
    double mean = 1e9;
    int worst = 1 << 30;
};

// Mean and 99th-percentile absolute difference of two equal-sized byte images.
Difference compare(const std::string& a, const std::string& b)
{
    if (a.size() != b.size() || a.empty())
        return {};
    std::vector<int> histogram(256, 0);
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int d = std::abs(static_cast<unsigned char>(a[i]) - static_cast<unsigned char>(b[i]));
        sum += d;
        ++histogram[static_cast<size_t>(d)];
    }
    Difference result{sum / static_cast<double>(a.size()), 0};
    size_t seen = 0;
    for (int d = 0; d < 256; ++d) {
        seen += static_cast<size_t>(histogram[static_cast<size_t>(d)]);
        if (seen >= a.size() * 99 / 100) {
            result.worst = d;
            break;
        }
    }
    return result;
}

std::string greyOf(const std::string& rgb)
{
    std::string grey(rgb.size() / 3, '\0');
    for (size_t i = 0; i < grey.size(); ++i) {
        const auto c = [&](size_t k) { return static_cast<unsigned char>(rgb[3 * i + k]); };
        grey[i] = static_cast<char>(std::lround(0.3 * c(0) + 0.6 * c(1) + 0.1 * c(2)));
    }
    return grey;
}

class PhotoOfKnownPicture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "photo-e2e.XXXXXX").string();
        folder = ::mkdtemp(tmpl.data());
        fs::create_directories(folder / "PIC");
        fs::create_directories(folder / "AVI");
        window.folder = folder.string();
        known = writeKnownPicture(folder);

        daemon = std::make_unique<po::testing::DaemonProcess>(OUSBDRVD_PATH);
        ASSERT_TRUE(daemon->start({"--device", "0", "--image", known.string()}, {0}))
            << daemon->error();
        transport = std::make_unique<po::SocketTransport>(daemon->root());
        channel = std::make_unique<DeviceChannel>(*transport, platform::clock::systemClock(),
                                                  window, window);
        channel->setFrameBuffers(planeA, planeB, output);
        channel->setPictureTables(&tables);
        capture = std::make_unique<PhotoCapture>(*channel, platform::clock::systemClock(), printers,
                                                 window, albums, albums, still);
        capture->setFrameBuffers(planeA, output);
        capture->setPictureTables(&tables);
        ASSERT_TRUE(channel->startCamera());
    }

    void TearDown() override
    {
        capture.reset();
        channel.reset();
        transport.reset();
        daemon.reset();
        fs::remove_all(folder);
    }

    fs::path folder;
    fs::path known;
    FakeMainWindow window;
    RecordingAlbum albums;
    platform::print::RecordingPrinterService printers{true, 300, 300};
    imaging::Bitmap still;
    PictureTables tables;
    std::vector<std::uint8_t> planeA = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> planeB = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> output = std::vector<std::uint8_t>(kOutputBufferBytes);
    std::unique_ptr<po::testing::DaemonProcess> daemon;
    std::unique_ptr<po::SocketTransport> transport;
    std::unique_ptr<DeviceChannel> channel;
    std::unique_ptr<PhotoCapture> capture;
};

} // namespace

TEST_F(PhotoOfKnownPicture, EveryPhotoSizeInColourAndGreyMatchesThePicture)
{
    int photo = 0;
    for (const bool colour : {true, false}) {
        window.colour = colour;
        for (int index = 0; index < kPhotoSizeCount; ++index) {
            SCOPED_TRACE((colour ? "colour, size " : "grey, size ") + std::to_string(index));
            window.settings.photoSize = index;
            capture->takePhoto(PhotoKind::Single);
            ASSERT_EQ(window.state.photoCount, ++photo);
            const auto& size = kPhotoSizeTable[static_cast<size_t>(index)];
            const auto got = rgbPixels(folder / "PIC" / ("PIC" + std::to_string(photo) + ".bmp"));
            const auto want = rgbPixels(known, size.width, size.height);
            ASSERT_TRUE(got && want);
            ASSERT_EQ(got->size(), want->size()) << "picture size differs";
            const Difference d = colour ? compare(*got, *want) : compare(greyOf(*got), greyOf(*want));
            EXPECT_LT(d.mean, 4.0);
            EXPECT_LE(d.worst, 14);
        }
    }
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(PhotoOfKnownPicture, ZoomedPhotoShowsTheCentreAtTwiceTheSize)
{
    window.zoomed = true;
    window.settings.photoSize = 2;
    capture->takePhoto(PhotoKind::Single);
    const auto got = rgbPixels(folder / "PIC" / "PIC1.bmp");
    const auto centre = runForOutput({"convert", known.string(), "-crop", "320x240+160+120",
                                      "+repage", "-depth", "8", "rgb:-"});
    ASSERT_TRUE(got && centre);
    const Difference d = compare(*got, *centre);
    EXPECT_LT(d.mean, 5.0);
    EXPECT_LE(d.worst, 16);
}
