// The file route's TIFF reader against files it must refuse.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "source/tiff_strip_reader.h"

namespace {

struct Entry { std::uint16_t tag, type; std::uint32_t count, value; };

std::vector<std::uint8_t> tiff(std::uint32_t width, std::uint32_t length, std::uint32_t samples,
                               std::uint32_t pixelOffset, std::uint32_t pixelBytes, bool bigEndian = false)
{
    std::vector<std::uint8_t> out = {bigEndian ? std::uint8_t('M') : std::uint8_t('I'),
                                     bigEndian ? std::uint8_t('M') : std::uint8_t('I'), 42, 0};
    auto put = [&](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    put(8 + pixelBytes, 4);
    for (std::uint32_t i = 0; i < pixelBytes; ++i)
        out.push_back(static_cast<std::uint8_t>(i));
    const Entry entries[] = {{256, 4, 1, width}, {257, 4, 1, length}, {273, 4, 1, pixelOffset}, {277, 3, 1, samples}};
    put(4, 2);
    for (const Entry& e : entries) {
        put(e.tag, 2);
        put(e.type, 2);
        put(e.count, 4);
        put(e.value, 4);
    }
    return out;
}

class TiffStripReaderTest : public ::testing::Test {
protected:
    std::string write(const std::vector<std::uint8_t>& bytes)
    {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return path.string();
    }
    void TearDown() override { std::filesystem::remove(path); }
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("tiffreader" + std::to_string(::getpid()) + ".tif");
    dorsa::TiffStripReader reader;
};

TEST_F(TiffStripReaderTest, ReadsRowsInStrips)
{
    ASSERT_TRUE(reader.open(write(tiff(4, 3, 3, 8, 36)), false));
    EXPECT_EQ(reader.bytesPerRow(), 12u);
    std::vector<std::uint8_t> rows(24);
    EXPECT_EQ(reader.readRows(rows.data(), 2), 2);
    EXPECT_EQ(rows[12], 12);
    EXPECT_EQ(reader.readRows(rows.data(), 2), 1);
    EXPECT_EQ(rows[0], 24);
    EXPECT_EQ(reader.rowsLeft(), 0u);
}

TEST_F(TiffStripReaderTest, RefusesFilesItCannotReadSafely)
{
    EXPECT_FALSE(reader.open(write({'I', 'I', 42}), false));                   // short header
    EXPECT_FALSE(reader.open(write(tiff(4, 3, 3, 8, 36, true)), false));        // big-endian
    EXPECT_FALSE(reader.open(write(tiff(4, 10, 3, 8, 36)), false));             // rows past the end
    EXPECT_FALSE(reader.open(write(tiff(4, 3, 3, 0xFFFFFFF0u, 36)), false));    // offset outside
    EXPECT_FALSE(reader.open(write(tiff(0xFFFFFFFFu, 0xFFFFFFFFu, 3, 8, 36)), false));  // overflowing size
    auto noDirectory = tiff(4, 3, 3, 8, 36);
    noDirectory[4] = 0xF0;  // directory beyond the file
    EXPECT_FALSE(reader.open(write(noDirectory), false));
    EXPECT_FALSE(reader.open((path.string() + ".missing"), false));
}

}  // namespace
