#include "camera/albums/album_strip.h"

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "album_test_support.h"

using namespace lumoset;
using namespace lumoset::testing;

namespace {

// Inside the fill part (bottom right) of the thumbnail in window slot `slot`.
QRgb slotPixel(const AlbumStrip& album, int slot)
{
    const AlbumLayout& l = album.layout();
    return album.windowSurface().pixel(l.marginX + 45, l.gap + l.topRemainder + slot * l.pitch + 35);
}

QPoint slotCentre(const AlbumStrip& album, int slot)
{
    return album.layout().slotRect(slot).center();
}

BmpRecipe filled(std::uint8_t red)
{
    BmpRecipe recipe;
    recipe.fill = {red, 100, 50};
    return recipe;
}

QImage labelBand(const AlbumStrip& album, int item)
{
    const AlbumLayout& l = album.layout();
    return album.strip().copy(0, l.gap + item * l.pitch + kThumbnailHeight, l.stripWidth, l.gap);
}

} // namespace

TEST(AlbumLayout, MainWindowAreaGivesTheKnownPositions)
{
    const AlbumLayout l = AlbumLayout::forClient(70, 272);
    EXPECT_EQ(l.marginX, 5);
    EXPECT_EQ(l.gap, 18);
    EXPECT_EQ(l.pitch, 63);
    EXPECT_EQ(l.topRemainder, 3);
    EXPECT_EQ(l.stripWidth, 71);
    EXPECT_EQ(l.stripHeight, 3168);
    EXPECT_EQ(l.itemRect(1), QRect(QPoint(4, 81), QPoint(64, 125)));
    EXPECT_EQ(l.slotRect(0), QRect(QPoint(4, 21), QPoint(64, 65)));
}

TEST_F(AlbumTest, AddingScrollsFromTheFifthItemAndRefusesTheFiftyFirst)
{
    makeAlbum(AlbumStrip::kPhoto);
    for (int n = 1; n <= 4; ++n)
        ASSERT_EQ(addFile("PIC" + std::to_string(n), filled(static_cast<std::uint8_t>(10 * n))), 1);
    EXPECT_EQ(album->firstVisible(), 0);
    EXPECT_TRUE(clock.sleeps().empty());
    EXPECT_FALSE(album->canScrollUp());
    EXPECT_FALSE(album->canScrollDown());
    EXPECT_EQ(album->selectedIndex(), 3);

    ASSERT_EQ(addFile("PIC5", filled(50)), 1);
    EXPECT_EQ(album->firstVisible(), 1);
    EXPECT_EQ(clock.sleeps(), std::vector<platform::clock::Milliseconds>(10, platform::clock::Milliseconds(5)));
    EXPECT_EQ(qRed(slotPixel(*album, 0)), 20);
    EXPECT_EQ(qRed(slotPixel(*album, 3)), 50);
    EXPECT_EQ(album->folder(), files.path());
    EXPECT_EQ(album->itemName(4), "PIC5");

    for (int n = 6; n <= 50; ++n)
        ASSERT_EQ(addFile("PIC" + std::to_string(n)), 1);
    EXPECT_EQ(album->isFull(), 1);
    EXPECT_EQ(addFile("PIC51"), 0);
    EXPECT_EQ(album->itemCount(), 50);
    EXPECT_EQ(album->pendingMessageId(), kStrAlbumFull);
    EXPECT_EQ(messageCount(AlbumStrip::kUmError), 2);
    EXPECT_EQ(parent->messagesOf(AlbumStrip::kUmError).back().wParam, 0u);
    EXPECT_TRUE(fileExists(path("PIC51.bmp")));
    EXPECT_EQ(album->itemName(49), "PIC50");
}

TEST_F(AlbumTest, UnreadableFilesAreNotAdded)
{
    makeAlbum(AlbumStrip::kVideo);
    EXPECT_EQ(album->addItem(path("CAP1")), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Can't open file \"" + path("CAP1.bmp") + "\"!");
    writeBinary(path("CAP2.bmp"), {'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(album->addItem(path("CAP2")), 0);
    EXPECT_EQ(album->pendingMessageId(), kStrInvalidBitmapFormat);
    BmpRecipe fourBit;
    fourBit.bits = 4;  // readable, but no picture the imaging library takes
    EXPECT_EQ(addFile("CAP3", fourBit), 0);
    EXPECT_EQ(album->itemCount(), 0);
    EXPECT_EQ(album->selectedIndex(), -1);
    EXPECT_EQ(album->strip().pixel(30, 30), qRgb(0, 0, 0));
}

TEST_F(AlbumTest, ThumbnailsOfPalettePicturesKeepTheirColours)
{
    makeAlbum(AlbumStrip::kPhoto);
    BmpRecipe palette;
    palette.bits = 8;
    palette.colours = 16;
    palette.fill = {30, 140, 250};
    ASSERT_EQ(addFile("PIC1", palette), 1);
    EXPECT_EQ(slotPixel(*album, 0), qRgb(30, 140, 250));
    // The 24-bit corner quarter lands in the thumbnail's corner.
    ASSERT_EQ(addFile("PIC2"), 1);
    const AlbumLayout& l = album->layout();
    EXPECT_EQ(album->windowSurface().pixel(l.marginX + 10, l.slotRect(1).top() + 10), qRgb(20, 220, 30));
}

TEST_F(AlbumTest, ScrollingStopsWithTheLastItemAloneAtTheTop)
{
    makeAlbum(AlbumStrip::kPhoto);
    for (int n = 1; n <= 5; ++n)
        ASSERT_EQ(addFile("PIC" + std::to_string(n), filled(static_cast<std::uint8_t>(10 * n))), 1);
    EXPECT_TRUE(album->canScrollUp());
    EXPECT_TRUE(album->canScrollDown());
    for (int i = 0; i < 5; ++i)
        album->scrollUp();
    EXPECT_EQ(album->firstVisible(), 4);
    EXPECT_FALSE(album->canScrollUp());
    EXPECT_EQ(qRed(slotPixel(*album, 0)), 50);
    EXPECT_EQ(slotPixel(*album, 1), qRgb(0, 0, 0));

    for (int i = 0; i < 4; ++i)
        album->scrollDown();
    EXPECT_EQ(album->firstVisible(), 0);
    EXPECT_FALSE(album->canScrollDown());
    EXPECT_TRUE(album->canScrollUp());
    EXPECT_EQ(qRed(slotPixel(*album, 0)), 10);
    EXPECT_EQ(qRed(slotPixel(*album, 3)), 40);
}

TEST_F(AlbumTest, ClicksSelectOnlyExistingItems)
{
    makeAlbum(AlbumStrip::kPhoto);
    QTest::mouseClick(album, Qt::LeftButton, {}, slotCentre(*album, 0));  // empty album
    EXPECT_EQ(album->selectedIndex(), -1);
    ASSERT_EQ(addFile("PIC1"), 1);
    ASSERT_EQ(addFile("PIC2"), 1);
    EXPECT_EQ(album->selectedIndex(), 1);

    QTest::mouseClick(album, Qt::LeftButton, {}, slotCentre(*album, 2));
    QTest::mouseClick(album, Qt::LeftButton, {}, QPoint(35, 260));
    EXPECT_EQ(album->selectedIndex(), 1);

    const AlbumLayout& l = album->layout();
    const QRect first = l.itemRect(0);
    EXPECT_EQ(album->strip().pixel(first.left(), first.top() + 20), qRgb(0, 0, 0));
    QTest::mouseClick(album, Qt::LeftButton, {}, slotCentre(*album, 0));
    EXPECT_EQ(album->selectedIndex(), 0);
    // The frame moves: the new one in the selection colour, the old erased.
    EXPECT_EQ(album->strip().pixel(first.left(), first.top() + 20), qRgb(28, 226, 255));
    EXPECT_EQ(album->strip().pixel(l.itemRect(1).left(), l.itemRect(1).top() + 20), qRgb(0, 0, 0));
    EXPECT_EQ(album->windowSurface().pixel(l.slotRect(0).left(), l.slotRect(0).top() + 20),
              qRgb(28, 226, 255));
}

TEST_F(AlbumTest, NumbersKeepTheirValuesAfterARemoval)
{
    makeAlbum(AlbumStrip::kPhoto);
    for (int n = 1; n <= 4; ++n)
        ASSERT_EQ(addFile("PIC" + std::to_string(n)), 1);
    const QImage three = labelBand(*album, 2);
    const QImage four = labelBand(*album, 3);
    ASSERT_NE(labelBand(*album, 1), three);

    QTest::mouseClick(album, Qt::LeftButton, {}, slotCentre(*album, 1));
    album->runMenuCommand(kStrDelete);
    EXPECT_FALSE(fileExists(path("PIC2.bmp")));
    EXPECT_EQ(album->itemCount(), 3);
    EXPECT_EQ(album->itemName(1), "PIC3");
    EXPECT_EQ(album->itemName(2), "PIC4");
    EXPECT_EQ(album->selectedIndex(), 1);
    EXPECT_EQ(labelBand(*album, 1), three);
    EXPECT_EQ(labelBand(*album, 2), four);
    const QImage emptied = labelBand(*album, 3);
    bool black = true;
    for (int y = 0; y < emptied.height(); ++y)
        for (int x = 0; x < emptied.width(); ++x)
            black = black && emptied.pixel(x, y) == qRgb(0, 0, 0);
    EXPECT_TRUE(black);

    // A new item carries the next running number, not the count.
    ASSERT_EQ(addFile("PIC5"), 1);
    EXPECT_NE(labelBand(*album, 3), four);
}

TEST_F(AlbumTest, RemovalsKeepArrowsAndFirstVisibleTrue)
{
    makeAlbum(AlbumStrip::kPhoto);
    ASSERT_EQ(addFile("PIC1"), 1);
    album->runMenuCommand(kStrDelete);
    EXPECT_EQ(album->itemCount(), 0);
    EXPECT_EQ(album->selectedIndex(), -1);
    EXPECT_FALSE(album->canScrollUp());
    EXPECT_FALSE(album->canScrollDown());
    EXPECT_EQ(messageCount(AlbumStrip::kUmArrowsChanged), 1);

    // Five items seen from the top: removing one leaves four with no arrows.
    for (int n = 2; n <= 6; ++n)
        ASSERT_EQ(addFile("PIC" + std::to_string(n)), 1);
    for (int i = 0; i < 4 && album->canScrollDown(); ++i)
        album->scrollDown();
    ASSERT_EQ(album->firstVisible(), 0);
    album->runMenuCommand(kStrDelete);  // the last added, still selected
    EXPECT_EQ(album->itemCount(), 4);
    EXPECT_FALSE(album->canScrollUp());
    EXPECT_EQ(messageCount(AlbumStrip::kUmArrowsChanged), 2);

    // Scrolled down to the end, removing the item alone at the top brings
    // the previous one back.
    ASSERT_EQ(addFile("PIC7"), 1);
    ASSERT_EQ(addFile("PIC8"), 1);
    while (album->canScrollUp())
        album->scrollUp();
    ASSERT_EQ(album->firstVisible(), 5);
    album->runMenuCommand(kStrDelete);
    EXPECT_EQ(album->itemCount(), 5);
    EXPECT_EQ(album->firstVisible(), 4);
    EXPECT_EQ(album->selectedIndex(), 4);
}

TEST_F(AlbumTest, RightClickMenuPausesThePreviewAndRunsTheChosenCommand)
{
    makeAlbum(AlbumStrip::kPhoto);
    ASSERT_EQ(addFile("PIC1"), 1);
    ASSERT_EQ(addFile("PIC2"), 1);

    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        for (QAction* a : menu->actions())
            texts << a->text() + "=" + QString::number(a->data().toInt());
        QAction* remove = menu->actions().at(3);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(remove).center());
    });
    QTest::mouseClick(album, Qt::RightButton, {}, slotCentre(*album, 0));
    EXPECT_EQ(texts, QStringList({"Open=10204", "Save=10202", "Print=10205", "Delete=10203"}));
    EXPECT_EQ(album->itemCount(), 1);
    EXPECT_FALSE(fileExists(path("PIC1.bmp")));
    auto pauses = parent->messagesOf(AlbumStrip::kUmPausePreview);
    ASSERT_EQ(pauses.size(), 2u);
    EXPECT_EQ(pauses[0].wParam, AlbumStrip::kPausePreview);
    EXPECT_EQ(pauses[1].wParam, AlbumStrip::kResumePreview);

    // Closed without a choice: resumed, nothing else.
    QTimer::singleShot(0, [] {
        if (QWidget* menu = QApplication::activePopupWidget())
            QTest::keyClick(menu, Qt::Key_Escape);
    });
    QTest::mouseClick(album, Qt::RightButton, {}, slotCentre(*album, 0));
    EXPECT_EQ(album->itemCount(), 1);
    pauses = parent->messagesOf(AlbumStrip::kUmPausePreview);
    ASSERT_EQ(pauses.size(), 4u);
    EXPECT_EQ(pauses[3].wParam, AlbumStrip::kResumePreview);

    // Below the last item no menu opens.
    QTest::mouseClick(album, Qt::RightButton, {}, slotCentre(*album, 1));
    EXPECT_EQ(parent->messagesOf(AlbumStrip::kUmPausePreview).size(), 4u);
}

TEST_F(AlbumTest, LabelsSitLeftInPhotoAndRightInVideoAlbums)
{
    auto greenColumns = [](const AlbumStrip& a) {
        const QImage band = labelBand(a, 0);
        int left = band.width(), right = -1;
        for (int y = 0; y < band.height(); ++y) {
            for (int x = 0; x < band.width(); ++x) {
                const QRgb p = band.pixel(x, y);
                if (qGreen(p) > 100 && qRed(p) < 80 && qBlue(p) < 80) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
            }
        }
        return std::pair{left, right};
    };
    makeAlbum(AlbumStrip::kPhoto);
    ASSERT_EQ(addFile("PIC1"), 1);
    const auto photo = greenColumns(*album);
    EXPECT_GE(photo.first, 5);
    EXPECT_LE(photo.second, 5 + 9);

    delete album;
    makeAlbum(AlbumStrip::kVideo);
    ASSERT_EQ(addFile("CAP1"), 1);
    const auto video = greenColumns(*album);
    EXPECT_GE(video.first, 5 + 52);
    EXPECT_LE(video.second, 5 + 52 + 9);
}
