#include "camera/capture/preview_window.h"

#include "camera/capture/picture_convert.h"
#include "camera/core/string_table.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <set>
#include <vector>

using namespace lumoset;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "pipeline_preview_tests";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return application;
}

struct Message {
    int id;
    std::string text;
};

class Preview : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        mainWindow = std::make_unique<QWidget>();
        mainWindow->resize(640, 400);
        mainWindow->show();
    }

    PreviewWindow* create(std::function<QImage(int, int)> makeSurface = {})
    {
        PreviewServices services;
        services.messages = [this](int id, const std::string& text) { messages.push_back({id, text}); };
        services.makeSurface = std::move(makeSurface);
        return createPreview(mainWindow.get(), services);
    }

    std::unique_ptr<QWidget> mainWindow;
    std::vector<Message> messages;
};

// A bottom-up 24-bit body from rows given top to bottom, pixels as 0xRRGGBB.
std::vector<std::uint8_t> bitmap(int width, const std::vector<std::vector<QRgb>>& topDown)
{
    const std::size_t stride = dibRowBytes(width, 24);
    const int height = static_cast<int>(topDown.size());
    std::vector<std::uint8_t> body(stride * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &body[(height - 1 - y) * stride + 3 * x];
            const QRgb c = topDown[y][x];
            p[0] = static_cast<std::uint8_t>(qBlue(c));
            p[1] = static_cast<std::uint8_t>(qGreen(c));
            p[2] = static_cast<std::uint8_t>(qRed(c));
        }
    return body;
}

QRgb at(const PreviewWindow& w, int x, int y) { return w.surface().pixel(x, y) & 0xFFFFFF; }

} // namespace

TEST_F(Preview, CreatedShownAtTheLargeRectangleWithABlackSurface)
{
    PreviewWindow* w = create();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->parentWidget(), mainWindow.get());
    EXPECT_EQ(w->geometry(), QRect(61, 33, 320, 240));
    EXPECT_TRUE(w->isVisible());
    ASSERT_EQ(w->surface().size(), QSize(320, 240));
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 7)
            ASSERT_EQ(at(*w, x, y), 0u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(Preview, SurfaceThatCannotBeMadeFailsCreationWithMessage10304)
{
    EXPECT_EQ(create([](int, int) { return QImage(); }), nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].id, kStrFailToCreateWindow);
    EXPECT_EQ(messages[0].text, "Fail to create window!");
    EXPECT_TRUE(mainWindow->findChildren<PreviewWindow*>().isEmpty());
}

TEST_F(Preview, FrameIsStretchedToTheDisplayedSizeTopRowUp)
{
    PreviewWindow* w = create();
    ASSERT_NE(w, nullptr);
    const auto frame = bitmap(2, {{0xFF0000, 0xFFFFFF}, {0x0000FF, 0x00FF00}});
    ASSERT_TRUE(w->setPreviewFormat(2, 2, 24));
    w->setFrameSource(frame);
    ASSERT_TRUE(w->showFrame());
    EXPECT_EQ(at(*w, 5, 5), 0xFF0000u);
    EXPECT_EQ(at(*w, 314, 5), 0xFFFFFFu);
    EXPECT_EQ(at(*w, 5, 234), 0x0000FFu);
    EXPECT_EQ(at(*w, 314, 234), 0x00FF00u);

    // Small view: an 80 x 32 frame fills 160 x 120 and nothing beyond.
    w->positionPreview(false, false);
    w->setDisplaySize(previewDisplaySize(false));
    std::vector<std::vector<QRgb>> rows(32, std::vector<QRgb>(80, 0x336699));
    rows[0][0] = 0xABCDEF;
    const auto small = bitmap(80, rows);
    ASSERT_TRUE(w->setPreviewFormat(80, 32, 24));
    w->setFrameSource(small);
    ASSERT_TRUE(w->showFrame());
    EXPECT_EQ(at(*w, 0, 0), 0xABCDEFu);
    EXPECT_EQ(at(*w, 1, 2), 0xABCDEFu);   // one frame pixel covers 2 x 3.75
    EXPECT_EQ(at(*w, 159, 119), 0x336699u);
    EXPECT_EQ(at(*w, 161, 60), 0xFFFFFFu); // the earlier large frame is left there
    EXPECT_EQ(w->geometry(), QRect(141, 93, 160, 120));
}

TEST_F(Preview, GreyFramesShowTheirLevels)
{
    PreviewWindow* w = create();
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(w->setPreviewFormat(2, 1, 8));
    EXPECT_EQ(w->description().rowBytes, 4u);
    ASSERT_NE(w->description().palette, nullptr);
    EXPECT_EQ((*w->description().palette)[200], (PaletteColour{200, 200, 200}));
    const std::vector<std::uint8_t> frame = {40, 200, 0, 0};
    w->setFrameSource(frame);
    ASSERT_TRUE(w->showFrame());
    EXPECT_EQ(at(*w, 10, 100), 0x282828u);
    EXPECT_EQ(at(*w, 300, 100), 0xC8C8C8u);
}

TEST_F(Preview, PaletteDisplayShowsOnlySharedPaletteColoursDitheredFromTheTop)
{
    PreviewWindow* w = create();
    ASSERT_NE(w, nullptr);
    w->setPaletteDisplay(true);
    std::mt19937 rng(11);
    std::vector<std::vector<QRgb>> rows(240, std::vector<QRgb>(320));
    for (auto& row : rows)
        for (auto& px : row)
            px = rng() & 0xFFFFFF;
    const auto frame = bitmap(320, rows);
    ASSERT_TRUE(w->setPreviewFormat(320, 240, 24));
    w->setFrameSource(frame);
    ASSERT_TRUE(w->showFrame());

    std::set<QRgb> palette;
    for (const PaletteColour& c : sharedPalette())
        palette.insert(qRgb(c.red, c.green, c.blue) & 0xFFFFFF);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const QRgb source = rows[y][x];
            const PaletteColour& expected = sharedPalette()[ditherPixel(
                qRed(source), qGreen(source), qBlue(source), x, y)];
            ASSERT_EQ(at(*w, x, y), qRgb(expected.red, expected.green, expected.blue) & 0xFFFFFF)
                << x << "," << y;
        }

    // Stretched grey frames stay on the palette too.
    const std::vector<std::uint8_t> grey = {13, 77, 140, 250, 1, 2, 3, 4};
    ASSERT_TRUE(w->setPreviewFormat(4, 2, 8));
    w->setFrameSource(grey);
    ASSERT_TRUE(w->showFrame());
    for (int y = 0; y < 240; y += 3)
        for (int x = 0; x < 320; x += 3)
            ASSERT_TRUE(palette.count(at(*w, x, y))) << x << "," << y;
}

TEST_F(Preview, NothingIsDrawnWithoutAFormatOrFromTooSmallABuffer)
{
    PreviewWindow* w = create();
    ASSERT_NE(w, nullptr);
    const std::vector<std::uint8_t> frame(320 * 240 * 3, 0xFF);
    w->setFrameSource(frame);
    EXPECT_FALSE(w->showFrame()); // no format yet
    ASSERT_TRUE(w->setPreviewFormat(320, 240, 24));
    w->setFrameSource(std::span(frame).first(frame.size() - 1));
    EXPECT_FALSE(w->showFrame());
    EXPECT_EQ(at(*w, 100, 100), 0u);

    EXPECT_FALSE(w->setPreviewFormat(320, 240, 16));
    EXPECT_FALSE(w->setPreviewFormat(0, 240, 24));
    EXPECT_FALSE(w->setPreviewFormat(320, 100000, 8));
    EXPECT_EQ(w->description().bitsPerPixel, 24);
    EXPECT_EQ(w->description().imageBytes, 320u * 240 * 3);
}

TEST_F(Preview, PositionFollowsViewAndVideoAlbumAndCarriesTheCaptureWindow)
{
    PreviewWindow* w = create();
    ASSERT_NE(w, nullptr);
    QWidget captureWindow(mainWindow.get());
    EXPECT_EQ(w->positionPreview(true, true, &captureWindow), QRect(145, 33, 320, 240));
    EXPECT_EQ(w->geometry(), QRect(145, 33, 320, 240));
    EXPECT_EQ(captureWindow.geometry(), QRect(145, 33, 321, 241));
    EXPECT_EQ(w->positionPreview(false, true), QRect(225, 93, 160, 120));
    EXPECT_EQ(captureWindow.geometry(), QRect(145, 33, 321, 241)); // not given: not moved
}
