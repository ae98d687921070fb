// The bitmap object: sizes, the file form written and read back, the
// messages of bad files, and drawing.
#include "module/archive.h"
#include "module/cdib.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "platform/ui/testing/test_application.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

using namespace ostrel2;
namespace fs = std::filesystem;
using platform::ui::testing::RecordingMessageBoxes;

namespace {

std::vector<std::uint8_t> readAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

void putU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// Reads bytes as a file; the messages shown land in `boxes`.
int readBytes(CDib& dib, const std::vector<std::uint8_t>& bytes)
{
    auto archive = CArchive::loadFromMemory(bytes.data(), bytes.size());
    return archive ? dib.Serialize(*archive) : -1;
}

class CDibFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "cdib.XXXXXX").string();
        folder = ::mkdtemp(tmpl.data());
    }
    void TearDown() override { fs::remove_all(folder); }

    // A written 8-bit 160 x 120 picture with a known pattern.
    std::vector<std::uint8_t> writtenGray()
    {
        CDib dib;
        EXPECT_TRUE(dib.Create(160, 120, 8));
        std::vector<std::uint8_t> pixels(dib.ImageSize());
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 160);
        dib.SetPixels(pixels.data());
        const fs::path path = folder / "gray.bmp";
        {
            auto archive = CArchive::open(path.string(), CArchive::Mode::Store);
            EXPECT_EQ(dib.Serialize(*archive), 1);
        }
        auto bytes = readAll(path);
        EXPECT_EQ(0, std::memcmp(bytes.data() + 1078, pixels.data(), std::min(pixels.size(), bytes.size() - 1078)));
        return bytes;
    }

    fs::path folder;
    RecordingMessageBoxes boxes;
};

} // namespace

TEST(CDib, CreateGivesHeaderTableAndImageSize)
{
    CDib dib;
    ASSERT_TRUE(dib.Create(640, 480, 24));
    EXPECT_EQ(dib.ColourEntries(), 0);
    EXPECT_EQ(dib.ImageSize(), 921600u);
    EXPECT_EQ(dib.Size(), QSize(640, 480));
    EXPECT_EQ(dib.MakePalette(), 0);

    ASSERT_TRUE(dib.Create(160, 120, 8));
    EXPECT_EQ(dib.ColourEntries(), 256);
    EXPECT_EQ(dib.ImageSize(), 19200u);
    const std::uint8_t* entry = dib.ColourTable() + 4 * 200;
    EXPECT_EQ(entry[0], 200);
    EXPECT_EQ(entry[1], 200);
    EXPECT_EQ(entry[2], 200);
    EXPECT_EQ(entry[3], 0);
    EXPECT_EQ(dib.MakePalette(), 1);
    EXPECT_EQ(dib.Palette().size(), 256);
    EXPECT_EQ(dib.Pixels(), nullptr);

    ASSERT_TRUE(dib.Create(176, 144, 8));
    EXPECT_EQ(dib.ImageSize(), 25344u);
    EXPECT_FALSE(dib.HasPalette());  // Create starts over

    EXPECT_FALSE(dib.Create(0, 10, 8));
    EXPECT_FALSE(dib.Create(10, 10, 7));
    EXPECT_EQ(dib.Size(), QSize(0, 0));
}

TEST_F(CDibFiles, EightBitFileIsWrittenAndReadBack)
{
    const auto bytes = writtenGray();
    ASSERT_EQ(bytes.size(), 20278u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32(bytes, 2), 20278u);
    EXPECT_EQ(u32(bytes, 10), 1078u);

    CDib back;
    ASSERT_EQ(readBytes(back, bytes), 1);
    EXPECT_EQ(back.Size(), QSize(160, 120));
    EXPECT_EQ(back.ColourEntries(), 256);
    EXPECT_TRUE(back.HasPalette());
    ASSERT_EQ(back.ImageSize(), 19200u);
    EXPECT_EQ(0, std::memcmp(back.Pixels(), bytes.data() + 1078, 19200));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(CDibFiles, BadFilesAreRefusedWithTheirMessages)
{
    auto bytes = writtenGray();
    CDib dib;
    const auto refusedWith = [&](const std::vector<std::uint8_t>& file, const char* message) {
        boxes.clear();
        EXPECT_EQ(readBytes(dib, file), 0);
        ASSERT_EQ(boxes.shown().size(), 1u);
        EXPECT_EQ(boxes.shown()[0].text, message);
        EXPECT_EQ(boxes.shown()[0].style, platform::ui::kMbOk);
    };

    refusedWith({}, kMsgReadShortHeader);
    refusedWith({'B', 'M', 0, 0}, kMsgReadShortHeader);
    auto wrongType = bytes;
    wrongType[0] = 'M';
    refusedWith(wrongType, kMsgInvalidBitmapFile);
    // Cut inside the pixels: a read error, not a crash.
    refusedWith(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 5000), kMsgReadError);

    // Pixels said to start inside the file header.
    auto lowOffset = bytes;
    putU32(lowOffset, 10, 20);
    refusedWith(lowOffset, kMsgInvalidBitmapFile);
    // An 8-bit header block without room for its colour table.
    auto noTable = bytes;
    putU32(noTable, 10, 54);
    refusedWith(noTable, kMsgInvalidBitmapFile);
    // Impossible sizes: negative height, huge width, an image size smaller
    // than the rows, a depth no bitmap has.
    for (const auto& [offset, value] : std::vector<std::pair<std::size_t, std::uint32_t>>{
             {22, 0xFFFFFF88u}, {18, 0x7FFFFFFFu}, {34, 100u}}) {
        auto bad = bytes;
        putU32(bad, offset, value);
        refusedWith(bad, kMsgInvalidBitmapFile);
    }
    auto badDepth = bytes;
    badDepth[28] = 7;
    refusedWith(badDepth, kMsgInvalidBitmapFile);
    // An image size larger than the file holds is refused before allocating.
    auto bigImage = bytes;
    putU32(bigImage, 34, 400u << 20);
    refusedWith(bigImage, kMsgReadError);
    EXPECT_EQ(dib.Pixels(), nullptr);
}

TEST_F(CDibFiles, WritingWithoutAPictureOrToAFullDeviceFails)
{
    CDib empty;
    const fs::path path = folder / "empty.bmp";
    auto archive = CArchive::open(path.string(), CArchive::Mode::Store);
    EXPECT_EQ(empty.Serialize(*archive), 0);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, kMsgWriteError);

    if (fs::exists("/dev/full")) {
        CDib dib;
        ASSERT_TRUE(dib.Create(160, 120, 8));
        std::vector<std::uint8_t> pixels(dib.ImageSize());
        dib.SetPixels(pixels.data());
        auto full = CArchive::open("/dev/full", CArchive::Mode::Store);
        ASSERT_TRUE(full);
        EXPECT_EQ(dib.Serialize(*full), 0);
        EXPECT_EQ(boxes.shown().back().text, kMsgWriteError);
    }
}

TEST(CDib, DrawsUprightAndNeedsAHeader)
{
    platform::ui::testing::testApplication();
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::blue);
    QPainter painter(&target);
    CDib dib;
    EXPECT_EQ(dib.Draw(&painter, 0, 0, 4, 4, 2, 2), 0);

    // 2 x 2 gray, stored bottom-up: bottom row black, top row white.
    ASSERT_TRUE(dib.Create(2, 2, 8));
    std::uint8_t pixels[8] = {0, 0, 0, 0, 255, 255, 0, 0};
    dib.SetPixels(pixels);
    EXPECT_EQ(dib.Draw(&painter, 0, 0, 4, 4, 2, 2), 1);
    painter.end();
    EXPECT_EQ(qGray(target.pixel(1, 0)), 255);
    EXPECT_EQ(qGray(target.pixel(1, 3)), 0);
}
