// The camera's side of the protocol, driven packet by packet on a fake clock.
#include "platform/ousbdrv/in_process.h"
#include "platform/ousbdrv/virtual_camera.h"

#include <gtest/gtest.h>

namespace po = platform::ousbdrv;
using platform::clock::Milliseconds;

namespace {

class CameraTest : public ::testing::Test {
protected:
    explicit CameraTest(po::CameraOptions options = {}, const po::SceneSource* scene = nullptr)
        : camera(0, scene ? *scene : pattern, clock, options)
    {
    }

    void send(std::initializer_list<std::uint8_t> head)
    {
        std::uint8_t p[8] = {};
        std::copy(head.begin(), head.end(), p);
        ASSERT_EQ(camera.write(1, {p, 8}), 8);
    }
    void start()
    {
        send({0x84});
        send({0x88});
    }
    std::vector<std::uint8_t> read(int pipe, std::size_t n)
    {
        std::vector<std::uint8_t> out(n);
        const long got = camera.read(pipe, out);
        EXPECT_GE(got, 0);
        out.resize(static_cast<std::size_t>(std::max(got, 0L)));
        return out;
    }
    std::vector<std::uint8_t> status() { return read(2, 24); }

    platform::clock::FakeClock clock;
    po::TestPattern pattern;
    po::VirtualCamera camera;
};

int readyByte(const std::vector<std::uint8_t>& s)
{
    for (const int i : {0, 8, 16})
        if (s[static_cast<std::size_t>(i)] == 0x10)
            return i;
    return -1;
}

} // namespace

TEST_F(CameraTest, AnswersZerosUntilStartedThenNotYetUntilTheFrameIsExposed)
{
    EXPECT_EQ(status(), std::vector<std::uint8_t>(24, 0));
    send({0x88});  // the second start packet alone does not start it
    EXPECT_EQ(status(), std::vector<std::uint8_t>(24, 0));
    start();
    send({0x51});
    const auto notYet = status();
    EXPECT_EQ(notYet[1], 0x20);
    EXPECT_EQ(readyByte(notYet), -1);
    clock.advance(Milliseconds(30));
    // The ready report moves through the three reports in turn.
    EXPECT_EQ(readyByte(status()), 0);
    EXPECT_EQ(readyByte(status()), 8);
    const auto third = status();
    EXPECT_EQ(readyByte(third), 16);
    EXPECT_EQ(third[1], 0x20);  // the reports before it still said "not yet"
    EXPECT_EQ(third[9], 0x20);
}

TEST_F(CameraTest, StatusIsOneAnswerOfTwentyFourBytesReadAsFarAsAsked)
{
    start();
    send({0x51});
    EXPECT_EQ(read(2, 8).size(), 8u);
    EXPECT_EQ(read(2, 100).size(), 16u);  // the rest of that answer, no more
    send({0x51});
    EXPECT_EQ(read(2, 100).size(), 24u);
}

TEST_F(CameraTest, ExposureRegisterStretchesTheFrameInterval)
{
    start();
    send({0xE4, 0xFF - 58});
    send({0xE4, 0x7F - 5});
    EXPECT_EQ(camera.registerValue(58), 5);
    EXPECT_EQ(camera.frameInterval(), Milliseconds(30 + 5 * 15));
    send({0x94});
    send({0xA4});
    clock.advance(Milliseconds(104));
    EXPECT_EQ(readyByte(status()), -1);
    clock.advance(Milliseconds(1));
    EXPECT_NE(readyByte(status()), -1);

    // A register select followed by another command selects nothing.
    send({0xE4, 0xFF - 40});
    send({0x51});
    send({0xE4, 0x7F - 9});
    EXPECT_EQ(camera.registerValue(40), 0);
}

TEST_F(CameraTest, TransferBehavesLikeABulkPipe)
{
    start();
    send({0xC0});
    send({0x94});
    const auto first = read(0, 64);
    ASSERT_EQ(first.size(), 64u);
    EXPECT_EQ(std::vector<std::uint8_t>(first.begin(), first.begin() + 4), (std::vector<std::uint8_t>{'F', 'R', 'M', 'H'}));
    EXPECT_EQ(camera.pendingFrameBytes(), 128u - 64 + 19200);
    send({0xA4});  // drops the unread rest
    EXPECT_EQ(read(0, 4096).size(), 0u);
    send({0x98});  // no transfer open: nothing
    EXPECT_EQ(read(0, 4096).size(), 0u);

    send({0x94});
    const auto header = read(0, 128);
    EXPECT_EQ(header[0], 'F');
    EXPECT_EQ(header[8] | header[9] << 8, 160);
    EXPECT_EQ(header[10] | header[11] << 8, 120);
    EXPECT_EQ(header[12], 0);
    EXPECT_EQ(read(0, 40960).size(), 19200u);  // at most what is pending
    send({0x98});
    EXPECT_EQ(read(0, 128)[12], 1);
    EXPECT_EQ(read(0, 19199).size(), 19199u);
    EXPECT_EQ(read(0, 10).size(), 1u);
}

TEST_F(CameraTest, EveryFormatDeliversItsPlaneSize)
{
    start();
    for (const po::FrameFormat& f : po::kFrameFormats) {
        send({f.code});
        send({0x94});
        send({0x98});
        const std::size_t plane = static_cast<std::size_t>(f.width) * f.height;
        EXPECT_EQ(camera.pendingFrameBytes(), 2 * (128 + plane)) << int(f.code);
        const auto header = read(0, 128);
        EXPECT_EQ(header[13], f.code);
        send({0xA4});
    }
}

TEST_F(CameraTest, UnreadFramesDoNotPileUpWithoutLimit)
{
    start();
    send({0x90});
    for (int i = 0; i < 50; ++i)
        send({0x94});
    EXPECT_LE(camera.pendingFrameBytes(), 4 * (128 + po::kMaxPlaneSize));
}

TEST_F(CameraTest, RefusesTheWrongDirectionAndIgnoresPartialPackets)
{
    std::uint8_t buffer[8] = {0x84};
    EXPECT_EQ(camera.write(0, {buffer, 8}), -1);
    EXPECT_EQ(camera.read(1, {buffer, 8}), -1);
    // Two packets in one write, then three stray bytes.
    const std::uint8_t packets[19] = {0x84, 0, 0, 0, 0, 0, 0, 0, 0x88, 0, 0, 0, 0, 0, 0, 0, 0x94, 0, 0};
    EXPECT_EQ(camera.write(1, {packets, 19}), 19);
    EXPECT_TRUE(camera.started());
    EXPECT_EQ(camera.pendingFrameBytes(), 0u);
}

namespace {

// Dark left of scene column 400, bright from there.
po::Picture splitPicture()
{
    po::Picture p;
    p.resize(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            p.set(x, y, x < 400 ? po::Rgb{20, 20, 20} : po::Rgb{230, 230, 230});
    return p;
}

class StillCameraTest : public CameraTest {
protected:
    StillCameraTest() : CameraTest({}, &still) {}
    static inline const po::StillImage still{splitPicture()};

    // Column of the first bright luminance byte in the middle row.
    int edgeColumn(std::uint8_t code, int width, int height)
    {
        send({code});
        send({0x94});
        read(0, 128);
        const auto plane = read(0, static_cast<std::size_t>(width) * height);
        send({0xA4});
        const std::size_t row = static_cast<std::size_t>(height / 2) * width;
        for (int x = 0; x < width; ++x)
            if (plane[row + x] > 128)
                return x;
        return -1;
    }
};

} // namespace

TEST_F(StillCameraTest, ZoomedFormatsShowTheCentreAtTwiceTheSize)
{
    start();
    EXPECT_EQ(edgeColumn(0xBC, 320, 240), 200);  // 400 / 2
    EXPECT_EQ(edgeColumn(0xC8, 320, 120), 240);  // (400 - 160) at full scale
    EXPECT_EQ(edgeColumn(0xD0, 320, 120), 200);  // reduced quality: whole scene
    EXPECT_EQ(edgeColumn(0x90, 496, 240), 310);  // 400 x 496 / 640
}

TEST(InProcessCameras, UnplugFailsOpenHandlesForGood)
{
    platform::clock::FakeClock clock;
    po::InProcessCameras cameras(clock);
    ASSERT_TRUE(cameras.plug(5));
    EXPECT_FALSE(cameras.plug(5));
    EXPECT_FALSE(cameras.plug(32));
    EXPECT_EQ(cameras.open(R"(\\.\ousbdrv004)"), nullptr);
    auto status = cameras.open(R"(\\.\ousbdrv005\PIPE02)");
    ASSERT_NE(status, nullptr);
    std::uint8_t answer[24];
    EXPECT_EQ(status->read(answer, 24), 24);
    EXPECT_TRUE(cameras.unplug(5));
    EXPECT_EQ(status->read(answer, 24), -1);
    EXPECT_EQ(cameras.open(R"(\\.\ousbdrv005)"), nullptr);
    ASSERT_TRUE(cameras.plug(5));
    EXPECT_EQ(status->read(answer, 24), -1);  // a new camera, not the old handle's
    EXPECT_NE(cameras.open(R"(\\.\ousbdrv005)"), nullptr);
}
