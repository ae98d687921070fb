// The AVI writer's files as ffprobe and ffmpeg read them: formats, counts,
// frame contents, the OpenDML segments, and files whose writing was cut short.
#include "platform/vfw/avi_writer.h"
#include "platform/vfw/testing/vfw_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace platform::vfw;
using namespace vfw_testing;

namespace {

class AviWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "avi-writer.XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }

    // Frame n: every pixel (n * 7, 100, 255 - n * 5) in blue-green-red order.
    static void fillFrame(std::vector<std::uint8_t>& frame, int n)
    {
        for (std::size_t i = 0; i + 2 < frame.size(); i += 3) {
            frame[i] = static_cast<std::uint8_t>(n * 7);
            frame[i + 1] = 100;
            frame[i + 2] = static_cast<std::uint8_t>(255 - n * 5);
        }
    }

    fs::path dir;
};

constexpr WaveFormatEx kCdSound{kWaveFormatPcm, 2, 44100, 176400, 4, 16, 0};

TEST_F(AviWriterTest, SegmentedFileWithSoundReadsWholeWithEveryFrameInPlace)
{
    // 160 x 120 x 3 = 57,600 bytes a frame: a 256 KiB segment limit gives
    // many AVIX segments for 24 frames.
    const fs::path file = dir / "odml.avi";
    AviWriter writer;
    ASSERT_TRUE(writer.open(file, {160, 120, 24, 200000}, &kCdSound, 256 * 1024)) << writer.error();
    std::vector<std::uint8_t> frame(writer.frameBytes());
    std::vector<std::uint8_t> sound(176400 / 5 + 2);  // a fifth of a second, plus a part block
    for (int n = 0; n < 24; ++n) {
        fillFrame(frame, n);
        ASSERT_TRUE(writer.writeVideo(frame));
        ASSERT_TRUE(writer.writeAudio(sound));
    }
    ASSERT_TRUE(writer.close()) << writer.error();
    EXPECT_GT(writer.segments(), 4);

    const auto video = probeStream(file, "v:0");
    EXPECT_EQ(video.at("codec_name"), "rawvideo");
    EXPECT_EQ(probeInt(video, "width"), 160);
    EXPECT_EQ(probeInt(video, "height"), 120);
    EXPECT_EQ(video.at("r_frame_rate"), "5/1");
    EXPECT_EQ(probeInt(video, "nb_frames"), 24);
    EXPECT_EQ(probeInt(video, "nb_read_frames"), 24);
    const auto audio = probeStream(file, "a:0");
    EXPECT_EQ(audio.at("codec_name"), "pcm_s16le");
    EXPECT_EQ(probeInt(audio, "sample_rate"), 44100);
    EXPECT_EQ(probeInt(audio, "channels"), 2);

    for (int n : {0, 13, 23}) {
        const std::string rgb = decodeFrameRgb(file, n);
        ASSERT_EQ(rgb.size(), 160u * 120 * 3) << "frame " << n;
        // Top-left and bottom-right pixels: rows stored bottom-up come out right.
        for (std::size_t at : {std::size_t{0}, rgb.size() - 3}) {
            EXPECT_EQ(static_cast<unsigned char>(rgb[at]), 255 - n * 5);
            EXPECT_EQ(static_cast<unsigned char>(rgb[at + 1]), 100);
            EXPECT_EQ(static_cast<unsigned char>(rgb[at + 2]), n * 7);
        }
    }
}

TEST_F(AviWriterTest, GreyFramesKeepTheirLevelsAndOrientation)
{
    const fs::path file = dir / "grey.avi";
    AviWriter writer;
    ASSERT_TRUE(writer.open(file, {176, 144, 8, 166667}, nullptr)) << writer.error();
    std::vector<std::uint8_t> frame(writer.frameBytes());
    // Bottom-up body: the first stored row is the bottom one.
    for (int row = 0; row < 144; ++row)
        std::fill_n(frame.begin() + row * 176, 176, static_cast<std::uint8_t>(row));
    ASSERT_TRUE(writer.writeVideo(frame));
    ASSERT_TRUE(writer.writeVideo(frame));
    ASSERT_TRUE(writer.close());

    const auto video = probeStream(file, "v:0");
    EXPECT_EQ(video.at("pix_fmt"), "pal8");
    EXPECT_EQ(video.at("r_frame_rate"), "1000000/166667");  // 166,667 us per frame
    EXPECT_EQ(probeInt(video, "nb_read_frames"), 2);
    const std::string rgb = decodeFrameRgb(file, 1);
    ASSERT_EQ(rgb.size(), 176u * 144 * 3);
    EXPECT_EQ(static_cast<unsigned char>(rgb[0]), 143);                      // top row
    EXPECT_EQ(static_cast<unsigned char>(rgb[rgb.size() - 1]), 0);           // bottom row
}

TEST_F(AviWriterTest, WrongSizesAndFormatsAreRefusedWithoutTouchingTheFile)
{
    AviWriter writer;
    EXPECT_FALSE(writer.open(dir / "a.avi", {0, 120, 24, 200000}, nullptr));
    EXPECT_FALSE(writer.open(dir / "b.avi", {160, 120, 16, 200000}, nullptr));
    EXPECT_FALSE(writer.open(dir / "c.avi", {160, 120, 24, 0}, nullptr));
    WaveFormatEx badSound = kCdSound;
    badSound.nBlockAlign = 3;
    EXPECT_FALSE(writer.open(dir / "d.avi", {160, 120, 24, 200000}, &badSound));
    EXPECT_FALSE(fs::exists(dir / "d.avi"));

    ASSERT_TRUE(writer.open(dir / "e.avi", {160, 120, 24, 200000}, nullptr));
    std::vector<std::uint8_t> shortFrame(writer.frameBytes() - 1);
    EXPECT_FALSE(writer.writeVideo(shortFrame));
    EXPECT_FALSE(writer.writeAudio(shortFrame));  // no sound stream
    EXPECT_EQ(writer.videoFrames(), 0u);
    EXPECT_TRUE(writer.close());
}

TEST_F(AviWriterTest, FullDiskEndsTheFileWithEveryFrameWrittenBeforeIt)
{
    // A file size limit stands in for a full disk: writes past it fail.
    const fs::path file = dir / "full.avi";
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 400 * 1024;

    AviWriter writer;
    ASSERT_TRUE(writer.open(file, {160, 120, 24, 200000}, nullptr));
    std::vector<std::uint8_t> frame(writer.frameBytes());
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    int written = 0;
    for (int n = 0; n < 20; ++n) {
        fillFrame(frame, n);
        if (!writer.writeVideo(frame))
            break;
        ++written;
    }
    const bool closed = writer.close();
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);

    EXPECT_FALSE(closed) << "a failed write must not count as a complete file";
    EXPECT_TRUE(writer.failed());
    ASSERT_GT(written, 2);
    ASSERT_LT(written, 20);
    const auto video = probeStream(file, "v:0");
    EXPECT_EQ(probeInt(video, "nb_read_frames"), written);
    EXPECT_EQ(probeInt(video, "nb_frames"), written);
    const std::string last = decodeFrameRgb(file, written - 1);
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(static_cast<unsigned char>(last[2]), (written - 1) * 7);
}

} // namespace
