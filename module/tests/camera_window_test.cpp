// The camera window in-process with a recording camera and help service, the
// picture handed to the data source, and the 256-colour reduction.
#include "module/camera_dlg.h"
#include "module/main_wnd.h"
#include "module/module_app.h"
#include "module/module_strings.h"
#include "module/setting_dlg.h"
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
        results.push_back(pending.fetchStrip(strip, room.data()));
        if (results.back() == SM_FETCH_NO_IMAGE)
            break;
        offsets.push_back(+strip.YOffset);
        rows.push_back(+strip.Rows);
        EXPECT_EQ(+strip.BytesPerRow, 1920u);
        EXPECT_EQ(+strip.Columns, 640u);
        EXPECT_EQ(+strip.BytesWritten, strip.Rows * 1920u);
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
    EXPECT_EQ(+tiny.Rows, 0u);
    EXPECT_EQ(+tiny.BytesWritten, 0u);
    EXPECT_EQ(pending.nextStripRow(), 0);

    // 300 rows are 576000 bytes: beyond 16 bits, whole and unbroken.
    std::vector<std::uint8_t> room(300 * 1920);
    TW_IMAGEMEMXFER big = stripWithRoom(static_cast<std::uint32_t>(room.size()));
    EXPECT_EQ(pending.fetchStrip(big, room.data()), SM_FETCH_MORE);
    EXPECT_EQ(+big.Rows, 300u);
    EXPECT_EQ(+big.BytesWritten, 576000u);
    EXPECT_EQ(room[299 * 1920 + 1], static_cast<std::uint8_t>(299));  // green of row 299
    TW_IMAGEMEMXFER rest = stripWithRoom(static_cast<std::uint32_t>(room.size()));
    EXPECT_EQ(pending.fetchStrip(rest, room.data()), SM_FETCH_LAST);
    EXPECT_EQ(+rest.YOffset, 300u);
    EXPECT_EQ(+rest.Rows, 180u);
    EXPECT_FALSE(pending.present());
}

TEST(PendingImageInfo, GrayAndColourAndNoPicture)
{
    PendingImage pending;
    TW_IMAGEINFO info{};
    info.ImageWidth = 1234;
    pending.updateImageInfo(info);
    EXPECT_EQ(+info.ImageWidth, 1234);  // untouched without a picture

    SM_TRANSFER_DEFAULTS d = defaultTransferDefaults();
    EXPECT_EQ(d.word[0], 1);
    EXPECT_EQ(d.word[6], 2);
    EXPECT_EQ(d.word[10], 1);
    EXPECT_EQ(d.word[11], 0);
    d.word[kDefaultsCompressionWord] = 5;
    pending.setDefaults(d);

    pending.set(numberedPicture(352, 288, 8));
    pending.updateImageInfo(info);
    EXPECT_EQ(+info.ImageWidth, 352);
    EXPECT_EQ(+info.ImageLength, 288);
    EXPECT_EQ(+info.SamplesPerPixel, 1);
    EXPECT_EQ(+info.BitsPerPixel, 8);
    EXPECT_EQ(+info.PixelType, 1);
    EXPECT_EQ(+info.BitsPerSample[0], 8);
    EXPECT_EQ(+info.BitsPerSample[1], 0);
    EXPECT_EQ(+info.Compression, 5);

    pending.set(numberedPicture());
    pending.updateImageInfo(info);
    EXPECT_EQ(+info.SamplesPerPixel, 3);
    EXPECT_EQ(+info.BitsPerPixel, 24);
    EXPECT_EQ(+info.PixelType, 2);
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

}

namespace {

// The dialog on its own, with a recording camera, help service and boxes,
// and its settings file in a folder of its own.
class CameraWindow : public ::testing::Test {
protected:
    CameraWindow()
    {
        platform::ui::testing::testApplication();
        windir = fs::temp_directory_path() / ("ostrel2-window-" + std::to_string(::getpid()));
        fs::create_directories(windir);
        ::setenv("WINDIR", windir.c_str(), 1);
        calls.pendingSlot = [this]() -> imaging::Bitmap& { return pending.slot(); };
        calls.readyToScan = [this] { ++readyToScan; };
        calls.readyToClose = [this] { ++readyToClose; };
        calls.moduleFolder = "/modules/";
        dialog = std::make_unique<CCameraDlg>(settings, camera, calls, nullptr);
        dialog->show();
    }
    ~CameraWindow() override
    {
        dialog.reset();
        ::unsetenv("WINDIR");
        fs::remove_all(windir);
    }

    void click(int id) { QTest::mouseClick(dialog->control(id), Qt::LeftButton); }
    void clickAt(QPoint p) { QTest::mouseClick(dialog.get(), Qt::LeftButton, {}, p); }
    bool shown(int id) const { return dialog->control(id)->isVisibleTo(dialog.get()); }
    std::vector<std::uintptr_t> helpAt(QPoint p)
    {
        help.clear();
        click(control::kHelp);
        EXPECT_TRUE(dialog->helpMode());
        clickAt(p);
        EXPECT_FALSE(dialog->helpMode());
        return help.popupContexts();
    }

    fs::path windir;
    ModuleSettings settings;
    RecordingCamera camera;
    platform::help::testing::RecordingHelp help;
    platform::ui::testing::RecordingMessageBoxes boxes;
    PendingImage pending;
    int readyToScan = 0;
    int readyToClose = 0;
    CameraDialogCalls calls;
    std::unique_ptr<CCameraDlg> dialog;
};

constexpr QPoint kRightTake{350, 330};
constexpr QPoint kLeftTake{260, 350};
constexpr QPoint kHueSlider{60, 400};
constexpr QPoint kDrawerFace{300, 430};
constexpr QPoint kDrawerHandle{90, 446};

} // namespace

TEST_F(CameraWindow, TakePictureThenTransferHandsOverOnceAndEraseDropsIt)
{
    ASSERT_EQ(dialog->connection().state(), CameraState::Ready);
    EXPECT_EQ(dialog->timers().interval(kCameraTimerId), kLiveTimerMs);
    dialog->tick();
    ASSERT_EQ(camera.images.size(), 1u);  // one live frame

    click(control::kTakeRight);
    EXPECT_FALSE(shown(control::kTakeLeft));
    EXPECT_FALSE(shown(control::kTakeRight));
    EXPECT_TRUE(shown(control::kTransfer));
    EXPECT_TRUE(shown(control::kErase));
    EXPECT_FALSE(dialog->control(control::kSettings)->isEnabled());
    EXPECT_EQ(dialog->connection().state(), CameraState::PictureHeld);
    EXPECT_FALSE(dialog->timers().isRunning(kCameraTimerId));
    EXPECT_EQ(camera.images.back().width, 640);

    click(control::kTransfer);
    EXPECT_EQ(readyToScan, 1);
    ASSERT_TRUE(pending.present());
    EXPECT_EQ(pending.bitmap().width(), 640);
    EXPECT_EQ(pending.bitmap().bitsPerPixel(), 24);
    EXPECT_EQ(pending.bitmap().line(0)[0], camera.fill);
    EXPECT_TRUE(shown(control::kTakeLeft));
    EXPECT_TRUE(shown(control::kTakeRight));
    EXPECT_FALSE(shown(control::kTransfer));
    EXPECT_TRUE(dialog->live());
    EXPECT_EQ(dialog->connection().state(), CameraState::Ready);
    EXPECT_EQ(dialog->timers().interval(kCameraTimerId), kLiveTimerMs);

    // The left button takes too; Erase goes back to live without a hand-over,
    // and a transfer request without a picture does nothing.
    pending.release();
    click(control::kTakeLeft);
    EXPECT_TRUE(dialog->pictureHeld());
    click(control::kErase);
    EXPECT_FALSE(dialog->pictureHeld());
    EXPECT_TRUE(shown(control::kTakeLeft));
    EXPECT_TRUE(dialog->live());
    dialog->windowMessage(kUmTransfer, 0, 0);
    EXPECT_EQ(readyToScan, 1);
    EXPECT_FALSE(pending.present());

    // 0x401 while a picture is held hands it over like Transfer.
    click(control::kTakeRight);
    dialog->windowMessage(kUmTransfer, 0, 0);
    EXPECT_EQ(readyToScan, 2);
    EXPECT_TRUE(pending.present());
    EXPECT_TRUE(shown(control::kTakeRight));
}

TEST_F(CameraWindow, FailedGrabIsNotOfferedAndTheLivePictureReturns)
{
    camera.present = false;
    click(control::kTakeRight);
    EXPECT_FALSE(dialog->pictureHeld());
    EXPECT_TRUE(dialog->live());
    EXPECT_TRUE(shown(control::kTakeRight));
    EXPECT_FALSE(shown(control::kTransfer));
    EXPECT_EQ(dialog->timers().interval(kCameraTimerId), kLiveTimerMs);
    dialog->windowMessage(kUmTransfer, 0, 0);
    EXPECT_EQ(readyToScan, 0);
    EXPECT_FALSE(pending.present());
}

TEST_F(CameraWindow, HelpContextsFollowThePictureAndTheDrawer)
{
    EXPECT_EQ(helpAt(kRightTake), (std::vector<std::uintptr_t>{6}));
    EXPECT_EQ(helpAt(kLeftTake), (std::vector<std::uintptr_t>{6}));
    ASSERT_FALSE(help.requests().empty());
    EXPECT_EQ(help.requests()[0].helpFile, "/modules/Ostrel2.hlp");
    EXPECT_EQ(help.requests()[0].command, platform::help::kHelpContextPopup);

    // Drawer closed: no help for the slider's place, and the click on the
    // drawer's face leaves it closed.
    EXPECT_TRUE(helpAt(kHueSlider).empty());
    EXPECT_FALSE(dialog->drawerOpen());
    EXPECT_TRUE(helpAt(kDrawerFace).empty());
    EXPECT_FALSE(dialog->drawerOpen());

    clickAt(kDrawerFace);
    ASSERT_TRUE(dialog->drawerOpen());
    EXPECT_TRUE(dialog->slider(kSliderHue)->isVisibleTo(dialog.get()));
    EXPECT_TRUE(shown(control::kViewQuality));
    EXPECT_EQ(helpAt(kHueSlider), (std::vector<std::uintptr_t>{8}));
    EXPECT_EQ(helpAt({270, 410}), (std::vector<std::uintptr_t>{5}));

    click(control::kTakeRight);
    EXPECT_EQ(helpAt(kRightTake), (std::vector<std::uintptr_t>{17}));
    EXPECT_EQ(helpAt(kLeftTake), (std::vector<std::uintptr_t>{18}));

    settings.language = 1;
    EXPECT_EQ(helpAt({70, 100}), (std::vector<std::uintptr_t>{1}));
    EXPECT_EQ(help.requests()[0].helpFile, "/modules/Ostrel2_d.hlp");

    clickAt(kDrawerHandle);
    EXPECT_FALSE(dialog->drawerOpen());
    EXPECT_FALSE(shown(control::kViewQuality));
}

TEST_F(CameraWindow, LampsCycleSlidersReportAndResetCentres)
{
    clickAt(kDrawerFace);
    std::vector<int> lamps{dialog->litLamp(0)};
    for (int i = 0; i < 3; ++i) {
        click(control::kViewQuality);
        lamps.push_back(dialog->litLamp(0));
    }
    EXPECT_EQ(lamps, (std::vector<int>{0, 1, 2, 0}));
    click(control::kShutter);
    EXPECT_EQ(dialog->litLamp(1), 1);

    // Dragged far right: +10, sent to the camera; the preview stops meanwhile.
    CSkinSlider* hue = dialog->slider(kSliderHue);
    QTest::mousePress(hue, Qt::LeftButton, {}, {35, 6});
    QTest::mouseMove(hue, {60, 6});
    EXPECT_FALSE(dialog->timers().isRunning(kCameraTimerId));
    QTest::mouseMove(hue, {71, 6});
    QTest::mouseRelease(hue, Qt::LeftButton, {}, {71, 6});
    EXPECT_EQ(hue->value(), 10);
    EXPECT_EQ(settings.parameters.hue, 10);
    EXPECT_EQ(camera.settings.back(), (SettingCall{kSettingColour, 10, 0}));
    EXPECT_EQ(dialog->timers().interval(kCameraTimerId), kLiveTimerMs);

    // Back to the centre: 0. A press without a move reports nothing.
    QTest::mousePress(hue, Qt::LeftButton, {}, {55, 6});
    QTest::mouseMove(hue, {35, 6});
    QTest::mouseRelease(hue, Qt::LeftButton, {}, {35, 6});
    EXPECT_EQ(settings.parameters.hue, 0);
    const std::size_t sent = camera.settings.size();
    QTest::mouseClick(hue, Qt::LeftButton, {}, {35, 6});
    EXPECT_EQ(camera.settings.size(), sent);

    hue->setValue(4);
    click(control::kReset);
    EXPECT_EQ(hue->value(), 0);
    EXPECT_EQ(dialog->litLamp(0), 0);
    EXPECT_EQ(dialog->litLamp(1), 0);
}

TEST_F(CameraWindow, CloseSavesSettingsAsksOnceAndLanguageReloadsTooltips)
{
    EXPECT_EQ(dialog->control(control::kTakeRight)->toolTip(), "Take picture");
    settings.language = 1;
    dialog->windowMessage(kUmLanguageChanged, 0, 0);
    EXPECT_EQ(dialog->control(control::kTakeRight)->toolTip().toStdString(), moduleString(1, kStrTakePicture));

    click(control::kView);
    click(control::kClose);
    EXPECT_EQ(readyToClose, 1);
    EXPECT_FALSE(dialog->timers().isRunning(kCameraTimerId));
    ModuleSettings stored;
    loadModuleSettings(stored);
    EXPECT_FALSE(stored.fullView);
    EXPECT_EQ(stored.language, 1);
}

TEST(CameraFrame, SystemCloseAsksTheDataSourceAndCloseMessageDestroys)
{
    platform::ui::testing::testApplication();
    const fs::path windir = fs::temp_directory_path() / ("ostrel2-frame-" + std::to_string(::getpid()));
    fs::create_directories(windir);
    ::setenv("WINDIR", windir.c_str(), 1);
    ModuleSettings settings;
    RecordingCamera camera;
    int closeRequests = 0, exits = 0;
    CMainWnd::Calls calls{[&] { ++closeRequests; }, [&] { ++exits; }};
    QPointer<CMainWnd> frame = new CMainWnd(settings, camera, CameraDialogCalls{}, calls);
    frame->show();
    EXPECT_EQ(frame->windowTitle(), "Orvane RZ-410");
    EXPECT_EQ(frame->pos(), QPoint(0, 0));
    EXPECT_FALSE(frame->close());  // the frame stays until the data source closes it
    EXPECT_EQ(closeRequests, 1);
    EXPECT_TRUE(frame->isVisible());
    platform::ui::sendMessage(frame, platform::ui::kWmCommand, platform::ui::commandWParam(kIdAppExit, 0), 0);
    EXPECT_EQ(exits, 1);
    const int finis = camera.finis;
    frame->closeFromModule();
    EXPECT_TRUE(frame.isNull());
    EXPECT_EQ(camera.finis, finis + 1);
    ::unsetenv("WINDIR");
    fs::remove_all(windir);
}

TEST_F(CameraWindow, ColourPicturesOn256ColourScreensUseTheFixedPalette)
{
    dialog->setDrawingDepth(8);
    std::vector<std::uint8_t> pixels(8 * 8 * 3, 0);
    for (std::size_t i = 0; i < pixels.size(); i += 3)
        pixels[i + 2] = 255;  // pure red, stored blue-green-red
    CDib dib;
    ASSERT_TRUE(dib.Create(8, 8, 24));
    dib.SetPixels(pixels.data());
    ASSERT_TRUE(dialog->drawPicture(dib, QRect(100, 100, 8, 8)));
    const QRgb shown = dialog->surface().pixel(103, 103);
    // Red 255 under any threshold reaches the top red level, green and blue the lowest.
    EXPECT_EQ(shown, fixedPaletteEntry(0xE0));
}

TEST(ModuleApplication, MissingDataSourceIsToldWhenTheWindowOpensAndNothingIsCalledBack)
{
    platform::ui::testing::testApplication();
    const fs::path windir = fs::temp_directory_path() / ("ostrel2-app-" + std::to_string(::getpid()));
    fs::create_directories(windir);
    ::setenv("WINDIR", windir.c_str(), 1);
    platform::ui::testing::RecordingMessageBoxes boxes;
    RecordingCamera camera;
    {
        CModuleApp app(camera);
        app.bindDataSource((windir / "nowhere/").string());
        EXPECT_FALSE(app.hasCallbacks());
        EXPECT_TRUE(boxes.shown().empty());
        CMainWnd* frame = app.openWindow();
        ASSERT_NE(frame, nullptr);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, "Device not ready");
        EXPECT_EQ(boxes.shown()[0].caption, "Orvane RZ-410");
        EXPECT_EQ(app.openWindow(), frame);  // one window, one warning
        EXPECT_EQ(boxes.shown().size(), 1u);
        QTest::mouseClick(frame->dialog()->control(control::kClose), Qt::LeftButton);  // no data source: no call
        app.closeWindow();
        EXPECT_EQ(app.window(), nullptr);
    }
    ::unsetenv("WINDIR");
    fs::remove_all(windir);
}
