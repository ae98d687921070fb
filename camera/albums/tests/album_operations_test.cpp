#include "camera/albums/album_strip.h"

#include <filesystem>
#include <fstream>

#include <QTest>

#include "album_test_support.h"
#include "camera/albums/album_bmp_reader.h"
#include "platform/shell/process.h"

using namespace lumoset;
using namespace lumoset::testing;
namespace fs = std::filesystem;

namespace {

std::string identify(const std::string& file)
{
    return platform::shell::runProgram({"identify", "-format", "%m %w %h", file},
                                       platform::shell::CaptureOutput::StandardOutputAndError)
        .output;
}

// The picture makeBmp draws, as binary PPM, top line first.
void writeReferencePpm(const BmpRecipe& s, const std::string& path)
{
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << s.width << " " << s.height << "\n255\n";
    for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
            const Colour c = x < s.width / 2 && y < s.height / 2 ? s.corner : s.fill;
            out.put(static_cast<char>(c.red)).put(static_cast<char>(c.green)).put(static_cast<char>(c.blue));
        }
    }
}

} // namespace

TEST_F(AlbumTest, PhotoProgramPrefersTheApplicationPath)
{
    // An image editor name on PATH that is no program: no open program at
    // all, though .bmp files have one.
    fs::create_directories(desktopRoot / "bin");
    std::ofstream(desktopRoot / "bin/ipe") << "not a program";
    makeAlbum(AlbumStrip::kPhoto, "viewer \"%1\"");
    EXPECT_EQ(album->openProgram(), "");
    ASSERT_EQ(addFile("PIC1"), 1);
    EXPECT_EQ(album->openSelected(), 0);
    EXPECT_EQ(album->pendingMessageId(), kStrNoProgramForBmp);
    EXPECT_EQ(messageCount(AlbumStrip::kUmError), 1);

    delete album;
    fs::permissions(desktopRoot / "bin/ipe", fs::perms::owner_all);
    makeAlbum(AlbumStrip::kPhoto, "viewer \"%1\"");
    EXPECT_EQ(album->openProgram(), desktopRoot / "bin/ipe");

    delete album;
    fs::remove(desktopRoot / "bin/ipe");
    makeAlbum(AlbumStrip::kPhoto, "viewer \"%1\"");
    EXPECT_EQ(album->openProgram(), "viewer ");
}

TEST_F(AlbumTest, DoubleClickOpensThePhotoWithItsProgram)
{
    fs::create_directories(desktopRoot / "bin");
    const std::string output = desktopRoot / "opened";
    const std::string viewer = writeRecordingProgram(desktopRoot.path(), "viewer", output);
    makeAlbum(AlbumStrip::kPhoto, viewer + " \"%f\"");
    ASSERT_EQ(addFile("PIC1"), 1);
    QTest::mouseDClick(album, Qt::LeftButton, {}, album->layout().slotRect(0).center());
    EXPECT_EQ(waitForFile(output), path("PIC1.bmp") + "\n");
    EXPECT_EQ(messageCount(AlbumStrip::kUmError), 0);
}

TEST_F(AlbumTest, VideoOpensTheClipAndReportsAMissingProgram)
{
    fs::create_directories(desktopRoot / "bin");
    const std::string output = desktopRoot / "played";
    const std::string player = writeRecordingProgram(desktopRoot.path(), "player", output);
    makeAlbum(AlbumStrip::kVideo, {}, player + " --fullscreen %U");
    ASSERT_EQ(addFile("CAP3"), 1);
    EXPECT_EQ(album->openSelected(), 1);
    EXPECT_EQ(waitForFile(output), "--fullscreen\n" + path("CAP3.avi") + "\n");

    delete album;
    makeAlbum(AlbumStrip::kVideo);
    ASSERT_EQ(addFile("CAP4"), 1);
    EXPECT_EQ(album->openSelected(), 0);
    EXPECT_EQ(album->pendingMessageId(), kStrNoProgramForAvi);
    EXPECT_EQ(parent->messagesOf(AlbumStrip::kUmError).back().wParam, 1u);
}

TEST_F(AlbumTest, SavesInEachFormatAndTakesTheItemOut)
{
    ScratchFolder out;
    makeAlbum(AlbumStrip::kPhoto);
    const BmpRecipe recipe;
    struct Case {
        const char* chosen;
        const char* written;
        const char* format;
    };
    const Case cases[] = {{"p.bmp", "p.bmp", "BMP"}, {"a.b.jpg", "a.jpg", "JPEG"}, {"p.PCX", "p.PCX", "PCX"},
                          {"p.png", "p.png", "PNG"}, {"p.psd", "p.psd", "PSD"}, {"p.tga", "p.tga", "TGA"},
                          {"p.tif", "p.tif", "TIFF"}, {"p.fpx", "p.fpx", nullptr}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string name = "PIC" + std::to_string(++n);
        ASSERT_EQ(addFile(name, recipe), 1);
        dialog.answers.push_back(out / c.chosen);
        album->runMenuCommand(kStrSave);
        const std::string written = out / c.written;
        ASSERT_TRUE(fileExists(written)) << c.chosen;
        EXPECT_FALSE(fileExists(path(name + ".bmp"))) << c.chosen;
        EXPECT_EQ(album->itemCount(), 0) << c.chosen;
        if (c.format != nullptr) {
            const std::string seen = identify(written);
            EXPECT_EQ(seen.rfind(c.format, 0), 0u) << c.chosen << ": " << seen;
            EXPECT_NE(seen.find(" 64 48"), std::string::npos) << c.chosen << ": " << seen;
        } else {
            writeReferencePpm(recipe, out / "reference.ppm");
            const auto check = platform::shell::runProgram(
                {PYTHON_PATH, CHECK_FPX_PATH, written, out / "reference.ppm"},
                platform::shell::CaptureOutput::StandardOutputAndError);
            EXPECT_EQ(check.output, "ok\n");
        }
    }
    ASSERT_EQ(dialog.requests.size(), 8u);
    EXPECT_EQ(dialog.requests[0].defaultExtension, "bmp");
    EXPECT_EQ(dialog.requests[0].initialName, "*.bmp");
    EXPECT_FALSE(dialog.requests[0].confirmOverwrite);
    EXPECT_EQ(qtNameFilters(dialog.requests[0].filter).substr(0, 45),
              "BMP (Windows bitmap) (*.bmp);;JPG (JPEG File ");
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(AlbumTest, FailedOrRefusedSavesKeepItemAndFile)
{
    makeAlbum(AlbumStrip::kPhoto);
    ASSERT_EQ(addFile("PIC1"), 1);
    dialog.answers = {std::nullopt, files / "x", files / "x.gif", "/no/such/folder/x.png"};
    album->runMenuCommand(kStrSave);  // cancelled
    EXPECT_EQ(messageCount(AlbumStrip::kUmError), 0);
    album->runMenuCommand(kStrSave);
    EXPECT_EQ(album->pendingMessageId(), kStrInvalidFileName);
    album->runMenuCommand(kStrSave);
    EXPECT_EQ(messageCount(AlbumStrip::kUmError), 2);
    album->runMenuCommand(kStrSave);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text.rfind("Error saving!!\nReturn value:-", 0), 0u) << boxes.shown()[0].text;
    EXPECT_EQ(album->itemCount(), 1);
    EXPECT_TRUE(fileExists(path("PIC1.bmp")));
}

TEST_F(AlbumTest, SavingOntoItsOwnFileKeepsThePicture)
{
    makeAlbum(AlbumStrip::kPhoto);
    ASSERT_EQ(addFile("PIC1"), 1);
    dialog.answers.push_back(path("PIC1.bmp"));
    album->runMenuCommand(kStrSave);
    EXPECT_EQ(album->itemCount(), 0);
    AlbumPicture picture;
    EXPECT_EQ(readAlbumBmpFile(path("PIC1.bmp"), picture), BmpReadResult::Ok);
    EXPECT_EQ(picture.header().width, 64);
}

TEST_F(AlbumTest, VideoSaveMovesTheClipUnderItsAviName)
{
    ScratchFolder out;
    makeAlbum(AlbumStrip::kVideo);
    ASSERT_EQ(addFile("CAP1"), 1);
    ASSERT_EQ(addFile("CAP2"), 1);
    std::ofstream(out / "taken.avi") << "keep";
    dialog.answers = {out / "taken.avi", out / "clip.mpg"};

    album->runMenuCommand(kStrSave);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Can't save this file \"taken.avi\"");
    EXPECT_EQ(album->itemCount(), 2);
    EXPECT_TRUE(fileExists(path("CAP2.avi")));

    album->runMenuCommand(kStrSave);
    EXPECT_TRUE(fileExists(out / "clip.avi"));
    EXPECT_FALSE(fileExists(out / "clip.mpg"));
    EXPECT_FALSE(fileExists(path("CAP2.avi")));
    EXPECT_FALSE(fileExists(path("CAP2.bmp")));
    EXPECT_EQ(album->itemCount(), 1);
    EXPECT_TRUE(dialog.requests[1].confirmOverwrite);
    EXPECT_EQ(dialog.requests[1].defaultExtension, "avi");
}

TEST_F(AlbumTest, DeletingAVideoWhoseThumbnailIsGoneReportsIt)
{
    makeAlbum(AlbumStrip::kVideo);
    ASSERT_EQ(addFile("CAP1"), 1);
    fs::remove(path("CAP1.bmp"));
    album->runMenuCommand(kStrDelete);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Can't delete file \"" + path("CAP1.bmp") + "\"!");
    EXPECT_EQ(album->itemCount(), 1);
    EXPECT_TRUE(fileExists(path("CAP1.avi")));
}

TEST_F(AlbumTest, PrintKeepsThePhysicalSize)
{
    makeAlbum(AlbumStrip::kPhoto);
    BmpRecipe recipe;
    recipe.width = 60;
    recipe.height = 45;
    ASSERT_EQ(addFile("PIC1", recipe), 1);
    recipe.pelsPerMeter = 0;  // no resolution recorded: printed at 72 per inch
    ASSERT_EQ(addFile("PIC2", recipe), 1);
    album->runMenuCommand(kStrPrint);
    QTest::mouseClick(album, Qt::LeftButton, {}, album->layout().slotRect(0).center());
    album->runMenuCommand(kStrPrint);
    const auto& journal = printers.journal();
    ASSERT_EQ(journal.images.size(), 2u);
    for (const auto& image : journal.images) {
        EXPECT_EQ(image.target.left, 10);
        EXPECT_EQ(image.target.top, 10);
        EXPECT_EQ(image.target.width, 500);
        EXPECT_EQ(image.target.height, 375);
    }
    EXPECT_EQ(journal.documentsEnded, 2);
    EXPECT_EQ(album->itemCount(), 2);

    platform::print::RecordingPrinterService none(false, 600, 600);
    AlbumStrip noPrinter(AlbumStrip::kPhoto, AlbumStrip::Services{clock, none, dialog, *desktop}, parent.get());
    ASSERT_TRUE(noPrinter.create(QSize(70, 272)));
    ASSERT_EQ(noPrinter.addItem(path("PIC1")), 1);
    EXPECT_EQ(noPrinter.printSelected(), 0);
    EXPECT_EQ(noPrinter.pendingMessageId(), kStrPrinterJobFailed);
}
