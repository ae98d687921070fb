// The main window against the real virtual-camera daemon, on Qt's offscreen
// platform: start-up, live picture, commands, series, device loss and
// recovery, context help and the exit path.
#include "camera/app/main_window.h"

#include "camera/app/tests/album_double.h"
#include "camera/capture/preview_window.h"
#include "camera/core/context_help.h"
#include "camera/skin/bitmap_button.h"
#include "camera/skin/main_skin.h"
#include "platform/clock/clock.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/testing/daemon_process.h"
#include "platform/print/recording_printer.h"
#include "platform/profile/profile.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "platform/ui/testing/test_application.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;
using namespace lumoset;

namespace {

struct HelpRequest {
    std::string file;
    int contextId;
};

// Polls the event loop until `done` or the timeout.
template <typename Condition>
bool waitFor(Condition done, int timeoutMs = 5000)
{
    for (int waited = 0; waited < timeoutMs; waited += 20) {
        if (done())
            return true;
        QTest::qWait(20);
    }
    return done();
}

std::string iniValue(const fs::path& ini, const std::string& key)
{
    std::ifstream in(ini);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    return {};
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::ui::testing::testApplication();
        std::string tmpl = (fs::temp_directory_path() / "mainwindow.XXXXXX").string();
        folder = ::mkdtemp(tmpl.data());
        windir = folder / "windows";
        data = folder / "data";
        fs::create_directories(windir);
        fs::create_directories(data);
        ::setenv("WINDIR", windir.c_str(), 1);
        daemon = std::make_unique<po::testing::DaemonProcess>(OUSBDRVD_PATH, folder / "cams");
        ASSERT_TRUE(daemon->start({"--device", "0"}, {0})) << daemon->error();
        transport = std::make_unique<po::SocketTransport>(daemon->root());
    }

    void TearDown() override
    {
        window.reset();
        daemon.reset();
        fs::remove_all(folder);
    }

    MainWindow& start(bool albumsWithItems = false)
    {
        MainWindowServices services;
        services.transport = transport.get();
        services.clock = &platform::clock::systemClock();
        services.printers = &printers;
        services.showHelpTopic = [this](QWidget*, const std::string& file, int id) {
            help.push_back({file, id});
        };
        services.fileExists = [this](const std::string& path) { return existingFiles.count(path) > 0; };
        services.runSettingsSheet = [this](QWidget*, CapturedSettings& live, int& language) {
            if (!sheetEdit)
                return false;
            sheetEdit(live, language);
            return true;
        };
        services.makeAlbum = [albumsWithItems](int, QWidget* parent) -> std::unique_ptr<AlbumPanel> {
            auto album = std::make_unique<lumoset::testing::AlbumDouble>(parent);
            if (albumsWithItems)
                album->addPicture("/nowhere/PIC9");
            return album;
        };
        MainWindowOptions options;
        options.programFolder = "/opt/lumoset/";
        options.dataFolder = data.string();
        window = std::make_unique<MainWindow>(services, options);
        EXPECT_TRUE(window->initialise());
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return *window;
    }

    bool livePicture(int frames = 3)
    {
        const int before = window->state().framesShown;
        return waitFor([&] { return window->state().framesShown >= std::max(before, 0) + frames; });
    }

    fs::path folder, windir, data;
    std::unique_ptr<po::testing::DaemonProcess> daemon;
    std::unique_ptr<po::SocketTransport> transport;
    platform::print::RecordingPrinterService printers{false, 300, 300};
    platform::ui::testing::RecordingMessageBoxes boxes;
    std::vector<HelpRequest> help;
    std::set<std::string> existingFiles;
    // What the user does in the settings sheet before OK; none means Cancel.
    std::function<void(CapturedSettings&, int&)> sheetEdit;
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, StartsLiveWithStoredPreferencesAndCyclesQualityAndSpeed)
{
    {
        std::ofstream ini(windir / "O_VCAM.ini");
        ini << "[Orvane.USB_VCAM]\nQuality=2\nSpeed=0\nLanguage=2\n";
    }
    MainWindow& w = start();
    EXPECT_EQ(w.windowTitle().toStdString(), "Lumoset");
    EXPECT_EQ(w.size(), QSize(kWidthNoAlbum, kClientHeight));
    for (const char* sub : {"PIC", "AVI", "AUTOSNAP"})
        EXPECT_TRUE(fs::is_directory(data / sub)) << sub;
    EXPECT_EQ(w.state().quality, 2);
    EXPECT_EQ(w.state().speed, 0);
    EXPECT_EQ(w.state().languageOffset, 2000);
    EXPECT_EQ(w.tooltips().text(w.skin().button(kIdTakePicture)), "Enregistrer une image");
    EXPECT_TRUE(w.timers().isRunning(kTimerPreview));
    EXPECT_EQ(w.timers().interval(kTimerPreview), kPreviewPeriodMs);
    ASSERT_TRUE(livePicture());
    EXPECT_TRUE(w.noticeText().empty());

    std::vector<int> qualities, speeds;
    for (int i = 0; i < 4; ++i) {
        w.command(kIdQuality);
        w.command(kIdSpeed);
        qualities.push_back(w.state().quality);
        speeds.push_back(w.state().speed);
    }
    EXPECT_EQ(qualities, (std::vector<int>{0, 1, 2, 0}));
    EXPECT_EQ(speeds, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(w.skin().flags().qualityLevel, 0);
    ASSERT_TRUE(livePicture());  // the new formats reach the camera and frames keep coming

    // The small view with zoom and quality 2 asks for 80 x 32 frames shown at 160 x 120.
    w.command(kIdView);
    w.command(kIdZoom);
    w.command(kIdQuality);
    w.command(kIdQuality);
    ASSERT_TRUE(livePicture());
    EXPECT_EQ(w.preview()->description().width, 80);
    EXPECT_EQ(w.preview()->description().height, 32);
    EXPECT_EQ(w.preview()->geometry(), QRect(141, 93, 160, 120));
}

TEST_F(MainWindowTest, SinglePhotoAndSeriesCountShotsByTheirTimes)
{
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    w.command(kIdTakePicture);
    EXPECT_TRUE(fs::exists(data / "PIC" / "PIC1.bmp"));
    EXPECT_EQ(w.photoState().photoCount, 1);
    EXPECT_TRUE(w.timers().isRunning(kTimerPreview));

    // 20 s every 5 s: four shots, the fifth tick ends the series.
    CapturedSettings& c = w.capturedSettings();
    c.autoSnap = 1;
    c.snapIntervalSec = 5;
    c.snapTotalSec = 20;
    c.seriesBaseName = (data / "AUTOSNAP" / "day").string();
    c.seriesExtension = ".bmp";
    w.command(kIdTakePicture);
    EXPECT_TRUE(w.state().autoSnapRunning);
    EXPECT_EQ(w.timers().interval(kTimerAutoSnap), 5000);
    EXPECT_EQ(w.timers().interval(kTimerProgress), 1000);
    EXPECT_FALSE(w.skin().button(kIdTakePicture)->isEnabled());
    EXPECT_TRUE(w.skin().button(kIdStop)->isEnabled());
    for (int tick = 0; tick < 5; ++tick)
        ASSERT_TRUE(w.timers().fire(kTimerAutoSnap));
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(fs::exists(data / "AUTOSNAP" / ("day" + std::to_string(n) + ".bmp"))) << n;
    EXPECT_FALSE(fs::exists(data / "AUTOSNAP" / "day5.bmp"));
    EXPECT_FALSE(w.state().autoSnapRunning);
    EXPECT_FALSE(w.timers().isRunning(kTimerAutoSnap));
    EXPECT_TRUE(w.skin().button(kIdTakePicture)->isEnabled());
    EXPECT_FALSE(w.skin().button(kIdStop)->isEnabled());

    // 10 s every 20 s: no shot, over at the first tick.
    c.snapIntervalSec = 20;
    c.snapTotalSec = 10;
    c.seriesBaseName = (data / "AUTOSNAP" / "none").string();
    w.command(kIdTakePicture);
    EXPECT_EQ(w.state().shotsLeft, 0);
    ASSERT_TRUE(w.timers().fire(kTimerAutoSnap));
    EXPECT_FALSE(w.state().autoSnapRunning);
    EXPECT_FALSE(fs::exists(data / "AUTOSNAP" / "none1.bmp"));
}

TEST_F(MainWindowTest, TheSettingsSheetChangesTooltipsIndicatorsAndTheNextPhoto)
{
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    EXPECT_EQ(w.tooltips().text(w.skin().button(kIdTakePicture)), "Take Picture");

    sheetEdit = [](CapturedSettings& live, int& language) {
        language = 2;  // Français
        live.photoSize = 0;
        live.autoSnap = 1;
        live.snapEvery = {1, kUnitMinutes};
        live.totalTime = {2, kUnitMinutes};
        live.videoType = kVideoTimeLapse;
        live.recordSound = 1;
        live.soundQuality = 1;
    };
    w.command(kIdSetup);
    EXPECT_EQ(w.state().languageOffset, 2000);
    EXPECT_EQ(w.tooltips().text(w.skin().button(kIdTakePicture)), "Enregistrer une image");
    EXPECT_EQ(w.capturedSettings().snapIntervalSec, 60);
    EXPECT_EQ(w.capturedSettings().snapTotalSec, 120);
    EXPECT_EQ(w.skin().flags().photoSize, 0);
    EXPECT_EQ(w.skin().flags().photoMode, 1);
    EXPECT_EQ(w.skin().flags().recordingMode, kVideoTimeLapse);
    EXPECT_EQ(w.skin().flags().sound, kSoundRadio);
    EXPECT_TRUE(w.timers().isRunning(kTimerPreview));

    // Cancel changes nothing; the next single photo is taken at 160 x 120.
    sheetEdit = nullptr;
    w.command(kIdSetup);
    EXPECT_EQ(w.state().languageOffset, 2000);
    w.capturedSettings().autoSnap = 0;
    w.command(kIdTakePicture);
    const auto photo = data / "PIC" / "PIC1.bmp";
    ASSERT_TRUE(fs::exists(photo));
    std::ifstream in(photo, std::ios::binary);
    char header[26] = {};
    in.read(header, sizeof header);
    std::int32_t width = 0;
    std::memcpy(&width, header + 18, 4);
    EXPECT_EQ(width, 160);

    // A confirmed exit stores the language and nothing of the pages, which
    // start from their defaults in every run.
    boxes.answerWith(platform::ui::kIdYes);
    ASSERT_TRUE(w.requestExit());
    const fs::path ini = windir / "O_VCAM.ini";
    EXPECT_EQ(iniValue(ini, "Language"), "2");
    std::ifstream stored(ini);
    const std::string text((std::istreambuf_iterator<char>(stored)), std::istreambuf_iterator<char>());
    for (const char* pageWord : {"Snap", "Size", "Lapse", "Sound", "Video", "Auto"})
        EXPECT_EQ(text.find(pageWord), std::string::npos) << pageWord << " in\n" << text;
}

TEST_F(MainWindowTest, UnpluggingShowsTheNoticeAndReplugRestartsThePreview)
{
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    ASSERT_EQ(daemon->runCommand({"--unplug", "0"}), 0);
    ASSERT_TRUE(waitFor([&] { return w.state().deviceError; }));
    EXPECT_EQ(w.noticeText(), "Device not ready !");
    EXPECT_FALSE(w.skin().button(kIdTakePicture)->isEnabled());
    EXPECT_FALSE(w.skin().button(kIdPrint)->isEnabled());
    EXPECT_FALSE(w.timers().isRunning(kTimerPreview));
    EXPECT_EQ(w.timers().interval(kTimerReconnect), kReconnectPeriodMs);

    ASSERT_EQ(daemon->runCommand({"--plug", "0"}), 0);
    ASSERT_TRUE(waitFor([&] { return !w.state().deviceError; }));
    EXPECT_FALSE(w.timers().isRunning(kTimerReconnect));
    EXPECT_TRUE(w.noticeText().empty());
    EXPECT_TRUE(w.skin().button(kIdTakePicture)->isEnabled());
    EXPECT_TRUE(livePicture());
}

TEST_F(MainWindowTest, AlbumPanelsWidenTheWindowAndHelpClicksFollowTheShift)
{
    MainWindow& w = start();
    const int left = w.pos().x();
    w.command(kIdOpenVideoAlbum);
    EXPECT_EQ(w.width(), kWidthOneAlbum);
    EXPECT_EQ(w.pos().x(), left - kVideoAlbumShift);
    EXPECT_FALSE(w.skin().button(kIdOpenVideoAlbum)->isEnabled());
    EXPECT_TRUE(w.videoAlbum()->window()->isVisible());
    w.command(kIdOpenPhotoAlbum);
    EXPECT_EQ(w.width(), kWidthBothAlbums);
    EXPECT_EQ(w.photoAlbum()->window()->geometry(), QRect(kPhotoAlbumXShifted, kAlbumTop, 70, 272));
    ASSERT_TRUE(livePicture());
    EXPECT_EQ(w.preview()->geometry(), QRect(145, 33, 320, 240));

    // Italiano asks for the I file and, without one, takes the English file.
    existingFiles = {"/opt/lumoset/LumosetA.hlp"};
    w.command(kIdHelp);
    EXPECT_TRUE(w.state().helpMode);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(70 + kVideoAlbumShift, 150));
    EXPECT_FALSE(w.state().helpMode);
    w.command(kIdHelp);
    QTest::mouseClick(&w, Qt::LeftButton, {}, QPoint(70, 150));
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help[0].contextId, kContextPreview);
    EXPECT_EQ(help[1].contextId, 18);  // the video album, not the preview
    EXPECT_EQ(help[0].file, "/opt/lumoset/LumosetA.hlp");
    EXPECT_EQ(helpFileName("/p/", 3, [](const std::string& f) { return f == "/p/LumosetI.hlp"; }),
              "/p/LumosetI.hlp");
    EXPECT_EQ(helpFileName("/p/", 3, [](const std::string&) { return false; }), "/p/LumosetA.hlp");

    w.command(kIdCloseVideoAlbum);
    EXPECT_EQ(w.width(), kWidthOneAlbum);
    EXPECT_EQ(w.pos().x(), left);
    EXPECT_EQ(w.photoAlbum()->window()->geometry().x(), kPhotoAlbumX);
    w.command(kIdClosePhotoAlbum);
    EXPECT_EQ(w.width(), kWidthNoAlbum);
    EXPECT_TRUE(boxes.shown().empty());  // no "Window rect is wrong!"
}

TEST_F(MainWindowTest, ExitWithEmptyAlbumsAsksNothingAndSavesTheSettings)
{
    {
        std::ofstream ini(windir / "O_VCAM.ini");
        ini << "[Orvane.VCAM_TWAIN]\nCaptureSize=3\n";
    }
    MainWindow& w = start();
    std::ofstream(data / "AUTOSNAP" / "mine.bmp") << "kept";
    w.command(kIdQuality);
    ASSERT_TRUE(w.requestExit());
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_TRUE(fs::exists(data / "AUTOSNAP" / "mine.bmp"));
    EXPECT_FALSE(fs::exists(data / "PIC"));
    const fs::path ini = windir / "O_VCAM.ini";
    EXPECT_EQ(iniValue(ini, "Quality"), "2");
    EXPECT_EQ(iniValue(ini, "Speed"), "1");
    EXPECT_EQ(iniValue(ini, "Language"), "0");
    EXPECT_EQ(iniValue(ini, "CaptureSize"), "3");  // the scanner module's section is untouched
}

TEST_F(MainWindowTest, ConfirmedExitDeletesThePhotosOfTheRunAndTheirFolder)
{
    MainWindow& w = start();
    ASSERT_TRUE(livePicture());
    w.command(kIdTakePicture);
    w.command(kIdTakePicture);
    ASSERT_TRUE(fs::exists(data / "PIC" / "PIC2.bmp"));
    boxes.answerWith(platform::ui::kIdYes);
    ASSERT_TRUE(w.requestExit());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_FALSE(fs::exists(data / "PIC"));
    EXPECT_FALSE(fs::exists(data / "AVI"));
    EXPECT_FALSE(fs::exists(data / "AUTOSNAP"));
}

TEST_F(MainWindowTest, ExitAnsweredNoKeepsTheWindowAndThePreview)
{
    MainWindow& w = start(/*albumsWithItems=*/true);
    ASSERT_TRUE(livePicture());
    boxes.answerWith(platform::ui::kIdNo);
    EXPECT_FALSE(w.requestExit());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Do you want to exit Lumoset without saving file(s)?");
    EXPECT_EQ(boxes.shown()[0].caption, "Lumoset");
    EXPECT_TRUE(w.timers().isRunning(kTimerPreview));
    EXPECT_TRUE(livePicture());
    EXPECT_TRUE(fs::exists(data / "PIC"));
}

} // namespace
