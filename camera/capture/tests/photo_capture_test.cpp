// Photo capture against the in-process camera on a fake clock.
#include "camera/capture/photo_capture.h"
#include "camera/capture/picture_tables.h"
#include "camera/capture/tests/photo_test_support.h"
#include "imaging/save.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/in_process.h"
#include "platform/print/recording_printer.h"
#include "imaging/save_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;
using namespace lumoset;
using namespace lumoset::testing;

namespace {

struct BmpInfo {
    int width = 0;
    int height = 0;  // negative for top-down files
    int bitsPerPixel = 0;
};

std::optional<BmpInfo> readBmpHeader(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char h[54] = {};
    if (!in.read(reinterpret_cast<char*>(h), sizeof h) || h[0] != 'B' || h[1] != 'M')
        return std::nullopt;
    const auto i32 = [&](int at) {
        std::int32_t v;
        std::memcpy(&v, h + at, 4);
        return v;
    };
    return BmpInfo{i32(18), i32(22), h[28] | (h[29] << 8)};
}

std::string magicOf(const fs::path& path, size_t n)
{
    std::ifstream in(path, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), static_cast<std::streamsize>(n));
    return s;
}

class PhotoCaptureTest : public ::testing::Test {
protected:
    PhotoCaptureTest()
        : cameras(clock), channel(cameras, clock, window, window),
          printers(true, 300, 300),
          capture(channel, clock, printers, window, photoAlbum, videoAlbum, still)
    {
        std::string tmpl = (fs::temp_directory_path() / "photo.XXXXXX").string();
        folder = ::mkdtemp(tmpl.data());
        fs::create_directories(folder / "PIC");
        fs::create_directories(folder / "AVI");
        window.folder = folder.string();
        channel.setFrameBuffers(planeA, planeB, output);
        channel.setPictureTables(&tables);
        capture.setFrameBuffers(planeA, output);
        capture.setPictureTables(&tables);
    }
    ~PhotoCaptureTest() override { fs::remove_all(folder); }

    void SetUp() override
    {
        ASSERT_TRUE(cameras.plug(0));
        ASSERT_TRUE(channel.startCamera());
        window.calls.clear();
    }

    po::FrameFormat cameraFormat()
    {
        po::FrameFormat format{};
        cameras.withCamera(0, [&](po::VirtualCamera& c) { format = c.format(); });
        return format;
    }

    platform::clock::FakeClock clock;
    po::InProcessCameras cameras;
    FakeMainWindow window;
    DeviceChannel channel;
    platform::print::RecordingPrinterService printers;
    RecordingAlbum photoAlbum;
    RecordingAlbum videoAlbum;
    imaging::Bitmap still;
    PictureTables tables;
    std::vector<std::uint8_t> planeA = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> planeB = std::vector<std::uint8_t>(kPlaneBufferBytes);
    std::vector<std::uint8_t> output = std::vector<std::uint8_t>(kOutputBufferBytes);
    PhotoCapture capture;
    fs::path folder;
};

} // namespace

TEST_F(PhotoCaptureTest, SinglePhotosAreNumberedBmpsHandedToThePhotoAlbum)
{
    capture.takePhoto(PhotoKind::Single);
    capture.takePhoto(PhotoKind::Single);
    EXPECT_EQ(window.state.photoCount, 2);
    ASSERT_EQ(photoAlbum.paths.size(), 2u);
    EXPECT_EQ(photoAlbum.paths[1], (folder / "PIC" / "PIC2").string());
    EXPECT_TRUE(videoAlbum.paths.empty());

    const auto bmp = readBmpHeader(folder / "PIC" / "PIC2.bmp");
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width, 320);
    EXPECT_EQ(std::abs(bmp->height), 240);
    EXPECT_EQ(bmp->bitsPerPixel, 24);

    // The preview was suspended around each shot and is re-formatted after it.
    EXPECT_FALSE(window.state.snapshotInProgress);
    EXPECT_TRUE(window.state.zoomPending);
    EXPECT_TRUE(window.timerRunning);
    const std::vector<std::string> oneShot = {"stop timer", "wait cursor", "refresh photo album",
                                              "start timer", "arrow cursor"};
    ASSERT_EQ(window.calls.size(), 2 * oneShot.size());
    EXPECT_TRUE(std::equal(oneShot.begin(), oneShot.end(), window.calls.begin()));
    EXPECT_TRUE(window.errors.empty());
}

TEST_F(PhotoCaptureTest, ZoomedShotsAreGrabbedAtHalfHeightAndStretchedBack)
{
    window.zoomed = true;
    window.settings.photoSize = 2;
    capture.takePhoto(PhotoKind::Single);
    EXPECT_EQ(cameraFormat().width, 320);
    EXPECT_EQ(cameraFormat().height, 120);
    auto bmp = readBmpHeader(folder / "PIC" / "PIC1.bmp");
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width, 320);
    EXPECT_EQ(std::abs(bmp->height), 240);

    window.settings.photoSize = 4;
    capture.takePhoto(PhotoKind::Single);
    EXPECT_EQ(cameraFormat().width, 496);
    EXPECT_EQ(cameraFormat().height, 240);
    bmp = readBmpHeader(folder / "PIC" / "PIC2.bmp");
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width, 640);
    EXPECT_EQ(std::abs(bmp->height), 480);
}

TEST_F(PhotoCaptureTest, SeriesFilesTakeTheFormatOfTheirExtension)
{
    window.seriesRunning = true;
    window.settings.seriesBaseName = (folder / "day").string();
    window.settings.seriesExtension = ".jpg";
    capture.takePhoto(PhotoKind::Series);
    capture.takePhoto(PhotoKind::Series);
    EXPECT_EQ(window.settings.seriesExtension, ".BMP");
    EXPECT_EQ(window.state.seriesCount, 2);
    EXPECT_TRUE(readBmpHeader(folder / "day1.BMP"));
    EXPECT_TRUE(readBmpHeader(folder / "day2.BMP"));

    window.state.seriesCount = 0;
    window.settings.seriesExtension = ".tif";
    capture.takePhoto(PhotoKind::Series);
    EXPECT_EQ(window.settings.seriesExtension, ".tif");
    const std::string magic = magicOf(folder / "day1.tif", 4);
    EXPECT_TRUE(magic == std::string("II*\0", 4) || magic == std::string("MM\0*", 4));

    window.settings.seriesExtension = ".GIF";
    capture.takePhoto(PhotoKind::Series);
    EXPECT_EQ(magicOf(folder / "day2.GIF", 4), "GIF8");
    EXPECT_TRUE(photoAlbum.paths.empty());
}

TEST_F(PhotoCaptureTest, SeriesShotWithoutDiskSpaceOnlyTellsTheUser)
{
    window.seriesRunning = true;
    window.language = 2;
    constexpr std::uint64_t kTenMegabytes = 10 * 1024 * 1024;  // written out, not the constant
    window.freeBytes = kTenMegabytes - 1;
    window.settings.seriesBaseName = (folder / "s").string();
    window.settings.seriesExtension = ".bmp";
    capture.takePhoto(PhotoKind::Series);
    EXPECT_EQ(window.messages, std::vector<int>{12308});
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(window.state.seriesCount, 0);
    EXPECT_FALSE(fs::exists(folder / "s1.bmp"));

    // Exactly the threshold is enough.
    window.freeBytes = kTenMegabytes;
    capture.takePhoto(PhotoKind::Series);
    EXPECT_EQ(window.state.seriesCount, 1);
    EXPECT_TRUE(fs::exists(folder / "s1.bmp"));

    // A single photo is not checked here (the Take Picture command does it).
    window.seriesRunning = false;
    window.freeBytes = 0;
    capture.takePhoto(PhotoKind::Single);
    EXPECT_EQ(window.state.photoCount, 1);
}

TEST_F(PhotoCaptureTest, VideoStillUsesTheVideoSizeAndTheCurrentVideoNumber)
{
    window.settings.videoSize = 1;
    window.state.videoCount = 3;
    capture.takePhoto(PhotoKind::VideoStill);
    const auto bmp = readBmpHeader(folder / "AVI" / "CAP3.bmp");
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width, 176);
    EXPECT_EQ(std::abs(bmp->height), 144);
    EXPECT_EQ(videoAlbum.paths, std::vector<std::string>{(folder / "AVI" / "CAP3").string()});
    EXPECT_EQ(window.state.videoCount, 3);
    EXPECT_NE(std::find(window.calls.begin(), window.calls.end(), "refresh video album"),
              window.calls.end());
}

TEST_F(PhotoCaptureTest, BlackAndWhitePhotosAreGreyBitmaps)
{
    window.colour = false;
    window.settings.photoSize = 0;
    capture.takePhoto(PhotoKind::Single);
    const auto bmp = readBmpHeader(folder / "PIC" / "PIC1.bmp");
    ASSERT_TRUE(bmp);
    EXPECT_EQ(bmp->width, 160);
    EXPECT_EQ(bmp->bitsPerPixel, 8);
}

TEST_F(PhotoCaptureTest, PrintsAtOnePixelPerPointFromTheTopLeftMargin)
{
    capture.takePhoto(PhotoKind::Print);
    const auto& journal = printers.journal();
    ASSERT_EQ(journal.images.size(), 1u);
    EXPECT_EQ(journal.images[0].width, 320);
    EXPECT_EQ(journal.images[0].height, 240);
    EXPECT_EQ(journal.images[0].target.left, 10);
    EXPECT_EQ(journal.images[0].target.top, 10);
    EXPECT_EQ(journal.images[0].target.width, 1333);
    EXPECT_EQ(journal.images[0].target.height, 1000);
    EXPECT_EQ(journal.documentsEnded, 1);
    EXPECT_EQ(journal.calls.back(), "release");
    EXPECT_TRUE(photoAlbum.paths.empty());
    EXPECT_TRUE(window.messages.empty());
}

TEST(PhotoCapturePrinting, NoDefaultPrinterTellsTheUserAndPrintsNothing)
{
    platform::clock::FakeClock clock;
    po::InProcessCameras cameras(clock);
    FakeMainWindow window;
    DeviceChannel channel(cameras, clock, window, window);
    platform::print::RecordingPrinterService noPrinter(false, 300, 300);
    RecordingAlbum albums;
    imaging::Bitmap still;
    PictureTables tables;
    std::vector<std::uint8_t> a(kPlaneBufferBytes), b(kPlaneBufferBytes), out(kOutputBufferBytes);
    channel.setFrameBuffers(a, b, out);
    channel.setPictureTables(&tables);
    PhotoCapture capture(channel, clock, noPrinter, window, albums, albums, still);
    capture.setFrameBuffers(a, out);
    capture.setPictureTables(&tables);
    ASSERT_TRUE(cameras.plug(0));
    ASSERT_TRUE(channel.startCamera());

    window.language = 1;
    capture.takePhoto(PhotoKind::Print);
    EXPECT_EQ(window.messages, std::vector<int>{11309});
    EXPECT_TRUE(noPrinter.journal().images.empty());
    EXPECT_FALSE(window.state.snapshotInProgress);
}

TEST_F(PhotoCaptureTest, AShotWithoutFrameBringsTheLivePictureBack)
{
    // The camera answers but never has a frame: 101 rounds of "not yet".
    ASSERT_TRUE(cameras.unplug(0));
    po::CameraOptions slow;
    slow.baseFrameInterval = std::chrono::hours(1);
    po::InProcessCameras stuck(clock, slow);
    DeviceChannel stuckChannel(stuck, clock, window, window);
    stuckChannel.setFrameBuffers(planeA, planeB, output);
    PhotoCapture shot(stuckChannel, clock, printers, window, photoAlbum, videoAlbum, still);
    shot.setFrameBuffers(planeA, output);
    shot.setPictureTables(&tables);
    ASSERT_TRUE(stuck.plug(0));
    ASSERT_TRUE(stuckChannel.startCamera());
    window.calls.clear();
    // Every poll gives -1 and is followed by a read, which gets a frame:
    // the camera delivers on request even when it said "not yet".
    shot.takePhoto(PhotoKind::Single);
    EXPECT_EQ(window.state.photoCount, 1);

    // A camera that fails: the window closes it inside the report.
    window.onError = [&](int) { stuckChannel.closeCamera(); };
    ASSERT_TRUE(stuck.unplug(0));
    window.calls.clear();
    shot.takePhoto(PhotoKind::Single);
    // The format command is the first to fail; nothing is asked of the
    // closed camera after that.
    EXPECT_EQ(window.errors, std::vector<int>{kCameraErrorCommandWrite}) << "reported once";
    EXPECT_EQ(window.state.photoCount, 1);
    EXPECT_EQ(photoAlbum.paths.size(), 1u);
    // Not left frozen: the snapshot flag is cleared and the preview will be
    // re-formatted; the timer is left to the reconnect of the closed camera.
    EXPECT_FALSE(window.state.snapshotInProgress);
    EXPECT_TRUE(window.state.zoomPending);
    EXPECT_EQ(std::count(window.calls.begin(), window.calls.end(), "start timer"), 0);
    EXPECT_EQ(window.calls.back(), "arrow cursor");
}

namespace {

// A camera whose frame pipe never delivers more than the headers: every
// frame arrives short, and nothing else fails.
class HeadersOnlyTransport final : public po::DeviceTransport {
public:
    explicit HeadersOnlyTransport(po::DeviceTransport& inner) : inner_(inner) {}
    std::unique_ptr<po::DeviceHandle> open(std::string_view name) override
    {
        auto handle = inner_.open(name);
        if (!handle)
            return nullptr;
        const bool framePipe = name.size() >= 6 && name.substr(name.size() - 6) == "PIPE00";
        return std::make_unique<Handle>(std::move(handle), framePipe);
    }

private:
    class Handle final : public po::DeviceHandle {
    public:
        Handle(std::unique_ptr<po::DeviceHandle> inner, bool framePipe)
            : inner_(std::move(inner)), framePipe_(framePipe) {}
        long read(void* buffer, std::size_t size) override
        {
            return framePipe_ && size > kFrameHeaderBytes ? 0 : inner_->read(buffer, size);
        }
        long write(const void* data, std::size_t size) override { return inner_->write(data, size); }

    private:
        std::unique_ptr<po::DeviceHandle> inner_;
        bool framePipe_;
    };
    po::DeviceTransport& inner_;
};

} // namespace

TEST_F(PhotoCaptureTest, GivesUpAfter101AttemptsAndRestartsTheOpenPreview)
{
    HeadersOnlyTransport headersOnly(cameras);
    DeviceChannel shortChannel(headersOnly, clock, window, window);
    shortChannel.setFrameBuffers(planeA, planeB, output);
    PhotoCapture shot(shortChannel, clock, printers, window, photoAlbum, videoAlbum, still);
    shot.setFrameBuffers(planeA, output);
    shot.setPictureTables(&tables);
    channel.closeCamera();
    ASSERT_TRUE(shortChannel.startCamera());
    cameras.log().clear();
    window.calls.clear();

    shot.takePhoto(PhotoKind::Single);
    int transfers = 0;
    for (const po::LogEntry& e : cameras.log().entries())
        transfers += e.event == po::LogEvent::Write && e.node == 1 && !e.data.empty() && e.data[0] == 0x94;
    EXPECT_EQ(transfers, 101);  // written out: the count itself is what is checked
    EXPECT_TRUE(window.errors.empty());
    EXPECT_EQ(window.state.photoCount, 0);
    EXPECT_TRUE(photoAlbum.paths.empty());
    EXPECT_FALSE(window.state.snapshotInProgress);
    EXPECT_TRUE(window.state.zoomPending);
    EXPECT_TRUE(window.timerRunning);
    EXPECT_EQ(window.calls, (std::vector<std::string>{"stop timer", "wait cursor", "start timer",
                                                      "arrow cursor"}));
}

namespace {

// Runs `duringFrameRead`, once set, in the middle of the next frame-pipe read.
class FrameReadHookTransport final : public po::DeviceTransport {
public:
    explicit FrameReadHookTransport(po::DeviceTransport& inner) : inner_(inner) {}
    std::function<void()> duringFrameRead;

    std::unique_ptr<po::DeviceHandle> open(std::string_view name) override
    {
        auto handle = inner_.open(name);
        if (!handle)
            return nullptr;
        const bool framePipe = name.size() >= 6 && name.substr(name.size() - 6) == "PIPE00";
        return std::make_unique<Handle>(std::move(handle), framePipe ? &duringFrameRead : nullptr);
    }

private:
    class Handle final : public po::DeviceHandle {
    public:
        Handle(std::unique_ptr<po::DeviceHandle> inner, std::function<void()>* hook)
            : inner_(std::move(inner)), hook_(hook) {}
        long read(void* buffer, std::size_t size) override
        {
            if (hook_ != nullptr && *hook_)
                std::exchange(*hook_, nullptr)();
            return inner_->read(buffer, size);
        }
        long write(const void* data, std::size_t size) override { return inner_->write(data, size); }

    private:
        std::unique_ptr<po::DeviceHandle> inner_;
        std::function<void()>* hook_;
    };
    po::DeviceTransport& inner_;
};

} // namespace

TEST_F(PhotoCaptureTest, AShotDuringAFrameReadWaitsFiftyTimesThenGivesUp)
{
    std::optional<PhotoResult> nested;
    std::size_t nestedWaits = 0;
    FrameReadHookTransport hooked(cameras);
    DeviceChannel hookedChannel(hooked, clock, window, window);
    hookedChannel.setFrameBuffers(planeA, planeB, output);
    PhotoCapture shot(hookedChannel, clock, printers, window, photoAlbum, videoAlbum, still);
    shot.setFrameBuffers(planeA, output);
    shot.setPictureTables(&tables);
    channel.closeCamera();
    ASSERT_TRUE(hookedChannel.startCamera());

    hooked.duringFrameRead = [&] {
        clock.clearSleeps();
        nested = shot.takePhoto(PhotoKind::Single);
        const auto sleeps = clock.sleeps();
        nestedWaits = static_cast<std::size_t>(std::count(sleeps.begin(), sleeps.end(), std::chrono::milliseconds(100)));
    };
    shot.takePhoto(PhotoKind::Single);
    ASSERT_TRUE(nested.has_value());
    EXPECT_EQ(*nested, PhotoResult::NotTaken);
    EXPECT_EQ(nestedWaits, 50u);  // written out: the count itself is what is checked
    EXPECT_EQ(window.state.photoCount, 1) << "the shot that held the frame read still ends";
}

TEST_F(PhotoCaptureTest, EveryShotSetsTheSaveOptionsAndBlueGreenRedOrder)
{
    imaging::SaveOptions other;
    other.fields[7] = 99;
    imaging::setSaveOptions(other);
    capture.takePhoto(PhotoKind::Single);
    const imaging::SaveOptions options = imaging::saveOptions();
    for (size_t i = 0; i < imaging::SaveOptions::kFieldCount; ++i) {
        const int expected = i < 2 ? 72 : (i == 4 ? 1 : 0);
        EXPECT_EQ(options.fields[i], expected) << "field " << i;
    }
    EXPECT_EQ(still.colourOrder(), imaging::ColourOrder::Bgr);
}

TEST_F(PhotoCaptureTest, OutOfRangeSizeIndexTakesNoShot)
{
    window.settings.photoSize = 5;
    capture.takePhoto(PhotoKind::Single);
    window.settings.videoSize = 4;  // video sizes stop at 352 x 288
    capture.takePhoto(PhotoKind::VideoStill);
    EXPECT_TRUE(window.calls.empty());
    EXPECT_EQ(window.state.photoCount, 0);
}

TEST_F(PhotoCaptureTest, APhotoThatCannotBeWrittenIsNeitherCountedNorAlbumedAndIsReportedOnce)
{
    capture.takePhoto(PhotoKind::Single);
    ASSERT_EQ(window.state.photoCount, 1);
    fs::remove_all(folder / "PIC");  // the folder is gone: the next file cannot be made

    EXPECT_EQ(capture.takePhoto(PhotoKind::Single), PhotoResult::SaveFailed);
    EXPECT_EQ(window.state.photoCount, 1);
    EXPECT_EQ(photoAlbum.paths.size(), 1u);
    EXPECT_EQ(window.messages, std::vector<int>{kStrInvalidFileName});
    EXPECT_TRUE(capture.lastFileName().empty());
    // The live picture comes back as after any shot.
    EXPECT_TRUE(window.timerRunning);

    fs::create_directories(folder / "PIC");
    EXPECT_EQ(capture.takePhoto(PhotoKind::Single), PhotoResult::Taken);
    EXPECT_TRUE(fs::exists(folder / "PIC" / "PIC2.bmp"));
    EXPECT_EQ(saveFailureMessage(imaging::kDiskFull), kStrInsufficientDiskSpace);
}
