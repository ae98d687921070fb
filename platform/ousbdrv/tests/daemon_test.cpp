// The ousbdrvd program: its nodes, its command line, and how clients fare
// when cameras are unplugged or the daemon stops, dies or hangs.
#include "platform/ousbdrv/device_names.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/ousbdrv/testing/daemon_process.h"

#include <gtest/gtest.h>
#include <png.h>

#include <csignal>
#include <cstring>

namespace po = platform::ousbdrv;
namespace fs = std::filesystem;
using std::chrono::steady_clock;

namespace {

constexpr const char* kPipe00 = R"(\\.\ousbdrv000\PIPE00)";
constexpr const char* kPipe01 = R"(\\.\ousbdrv000\PIPE01)";
constexpr const char* kPipe02 = R"(\\.\ousbdrv000\PIPE02)";

class DaemonTest : public ::testing::Test {
protected:
    DaemonTest() : daemon(OUSBDRVD_PATH), transport(daemon.root()) {}

    bool command(po::DeviceHandle& pipe, std::uint8_t code)
    {
        const std::uint8_t packet[8] = {code};
        return pipe.write(packet, 8) == 8;
    }

    po::testing::DaemonProcess daemon;
    po::SocketTransport transport;
};

} // namespace

TEST_F(DaemonTest, HelpDocumentsTheOptions)
{
    std::string out;
    EXPECT_EQ(daemon.runCommand({"--help"}, &out), 0);
    for (const char* option : {"--root", "--device", "--image", "--plug", "--unplug", "--stop", "OUSBDRV_ROOT"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
    EXPECT_EQ(daemon.runCommand({"--device", "32"}), 2);
    EXPECT_EQ(daemon.runCommand({"--ready-byte", "4"}), 2);
    EXPECT_EQ(daemon.runCommand({"--image", "/nonexistent.png"}), 1);
    EXPECT_EQ(daemon.runCommand({"--unplug", "0"}), 1);  // no daemon to talk to
}

TEST_F(DaemonTest, PublishesItsDevicesAndRemovesThemWhenStopped)
{
    ASSERT_TRUE(daemon.start({"--device", "0", "--device", "3"}, {0, 3})) << daemon.error();
    EXPECT_TRUE(fs::exists(daemon.root() / "ousbdrv003" / "PIPE02"));
    EXPECT_EQ(transport.open(R"(\\.\ousbdrv001)"), nullptr);
    auto pipe = transport.open(kPipe02);
    ASSERT_NE(pipe, nullptr);

    EXPECT_EQ(daemon.runCommand({"--stop"}), 0);
    EXPECT_TRUE(fs::is_empty(daemon.root()));
    EXPECT_EQ(daemon.stop(), 0);
    std::uint8_t answer[24];
    EXPECT_EQ(pipe->read(answer, 24), -1);
}

TEST_F(DaemonTest, TerminationSignalAlsoStopsCleanly)
{
    ASSERT_TRUE(daemon.start({}, {0})) << daemon.error();
    EXPECT_EQ(daemon.stop(), 0);
    EXPECT_TRUE(fs::is_empty(daemon.root()));
}

TEST_F(DaemonTest, PipesBehaveLikeBulkPipes)
{
    ASSERT_TRUE(daemon.start({}, {0})) << daemon.error();
    auto frame = transport.open(kPipe00);
    auto commands = transport.open(kPipe01);
    auto status = transport.open(kPipe02);
    ASSERT_TRUE(frame && commands && status);
    for (const std::uint8_t c : {0x84, 0x88, 0xC0, 0x94})
        ASSERT_TRUE(command(*commands, c));
    std::vector<std::uint8_t> buffer(200000);
    EXPECT_EQ(frame->read(buffer.data(), 64), 64);
    EXPECT_TRUE(command(*commands, 0xA4));
    EXPECT_EQ(frame->read(buffer.data(), 4096), 0);  // dropped
    EXPECT_TRUE(command(*commands, 0x94));
    EXPECT_EQ(frame->read(buffer.data(), buffer.size()), 128 + 19200);
    EXPECT_EQ(std::memcmp(buffer.data(), "FRMH", 4), 0);

    // Requests the camera refuses fail without breaking the handle.
    EXPECT_EQ(commands->read(buffer.data(), 8), -1);
    EXPECT_EQ(frame->write(buffer.data(), 8), -1);
    // Written out, not the constant: 4096 bytes go through at once, one more does not.
    std::fill(buffer.begin(), buffer.end(), 0);
    EXPECT_EQ(commands->write(buffer.data(), 4096), 4096);
    EXPECT_EQ(commands->write(buffer.data(), 4097), -1);
    // Control requests: 4096 bytes reach the daemon (which refuses nonsense), 4097 are not sent.
    const auto longest = po::sendDaemonCommand(daemon.root(), std::string(4096, 'x'));
    ASSERT_TRUE(longest.has_value());
    EXPECT_EQ(longest->rfind("error", 0), 0u) << *longest;
    EXPECT_FALSE(po::sendDaemonCommand(daemon.root(), std::string(4097, 'x')).has_value());
    EXPECT_TRUE(command(*commands, 0x51));
    EXPECT_EQ(status->read(buffer.data(), 24), 24);
}

TEST_F(DaemonTest, UnplugFromTheCommandLineFailsOpenPipesAndPlugBringsTheCameraBack)
{
    ASSERT_TRUE(daemon.start({}, {0})) << daemon.error();
    auto status = transport.open(kPipe02);
    ASSERT_NE(status, nullptr);
    std::uint8_t answer[24];
    ASSERT_EQ(status->read(answer, 24), 24);

    std::string out;
    ASSERT_EQ(daemon.runCommand({"--unplug", "0"}, &out), 0) << out;
    EXPECT_FALSE(fs::exists(daemon.root() / "ousbdrv000"));
    const auto before = steady_clock::now();
    EXPECT_EQ(status->read(answer, 24), -1);
    EXPECT_LT(steady_clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_EQ(transport.open(R"(\\.\ousbdrv000)"), nullptr);
    EXPECT_EQ(daemon.runCommand({"--unplug", "0"}), 1);

    ASSERT_EQ(daemon.runCommand({"--plug", "0"}), 0);
    EXPECT_EQ(status->read(answer, 24), -1);  // the old handle stays failed
    auto again = transport.open(kPipe02);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->read(answer, 24), 24);
    EXPECT_EQ(daemon.runCommand({"--plug", "0"}), 1);
    EXPECT_EQ(daemon.runCommand({"--plug", "31"}), 0);
    EXPECT_TRUE(daemon.deviceAnswers(31));
}

TEST_F(DaemonTest, KilledDaemonFailsPipesAtOnceAndItsLeftoversAreReplaced)
{
    ASSERT_TRUE(daemon.start({}, {0})) << daemon.error();
    auto frame = transport.open(kPipe00);
    ASSERT_NE(frame, nullptr);
    daemon.kill();
    std::uint8_t buffer[64];
    const auto before = steady_clock::now();
    EXPECT_EQ(frame->read(buffer, sizeof buffer), -1);
    EXPECT_EQ(transport.open(R"(\\.\ousbdrv000)"), nullptr);
    EXPECT_LT(steady_clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_TRUE(fs::exists(daemon.root() / "ousbdrv000" / "DEVICE"));  // left behind

    ASSERT_TRUE(daemon.start({}, {0})) << daemon.error();
    EXPECT_TRUE(daemon.deviceAnswers(0));
}

TEST_F(DaemonTest, OneDaemonPerRoot)
{
    ASSERT_TRUE(daemon.start({}, {0})) << daemon.error();
    EXPECT_EQ(daemon.runCommand({"--device", "1"}), 1);
    EXPECT_TRUE(daemon.deviceAnswers(0));
}

TEST_F(DaemonTest, DaemonThatStopsAnsweringFailsReadsAfterTheTimeout)
{
    ASSERT_TRUE(daemon.start({}, {0})) << daemon.error();
    auto status = transport.open(kPipe02);
    ASSERT_NE(status, nullptr);
    ::kill(daemon.pid(), SIGSTOP);
    std::uint8_t answer[24];
    const auto before = steady_clock::now();
    EXPECT_EQ(status->read(answer, 24), -1);
    const auto waited = steady_clock::now() - before;
    EXPECT_EQ(status->read(answer, 24), -1);  // at once: the handle stays failed
    EXPECT_LT(steady_clock::now() - before, waited + std::chrono::milliseconds(200));
    ::kill(daemon.pid(), SIGCONT);
    // Written out, not the constant: one and a half seconds.
    EXPECT_GE(waited, std::chrono::milliseconds(1500 - 50));
    EXPECT_LT(waited, std::chrono::milliseconds(1500) + std::chrono::seconds(2));
}

TEST_F(DaemonTest, StillImageIsWhatTheCameraSees)
{
    const fs::path png = daemon.root() / "grey.png";
    std::vector<std::uint8_t> rgb(64 * 48 * 3, 180);
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = 64;
    image.height = 48;
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, png.c_str(), 0, rgb.data(), 0, nullptr));

    ASSERT_TRUE(daemon.start({"--image", png.string()}, {0})) << daemon.error();
    auto frame = transport.open(kPipe00);
    auto commands = transport.open(kPipe01);
    ASSERT_TRUE(frame && commands);
    for (const std::uint8_t c : {0x84, 0x88, 0xC4, 0x94})
        ASSERT_TRUE(command(*commands, c));
    std::vector<std::uint8_t> buffer(128 + 80 * 60);
    ASSERT_EQ(frame->read(buffer.data(), buffer.size()), static_cast<long>(buffer.size()));
    // Luminance byte of grey 180 at neutral settings: 148 + (180 - 128) / 1.2.
    for (std::size_t i = 128; i < buffer.size(); ++i)
        ASSERT_NEAR(buffer[i], 191, 1) << i;
}
