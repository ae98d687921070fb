// Device names to nodes under the root, and the packet log's text form.
#include "platform/ousbdrv/device_names.h"
#include "platform/ousbdrv/packet_log.h"

#include <gtest/gtest.h>

namespace po = platform::ousbdrv;

TEST(DeviceNames, MapTheDriverNamesOntoNodesUnderTheRoot)
{
    const std::filesystem::path root = "/r";
    EXPECT_EQ(po::nodePathForName(R"(\\.\ousbdrv000)", root), std::filesystem::path("/r/ousbdrv000/DEVICE"));
    EXPECT_EQ(po::nodePathForName(R"(\\.\ousbdrv012\PIPE02)", root), std::filesystem::path("/r/ousbdrv012/PIPE02"));
    EXPECT_EQ(po::nodeName(7), "ousbdrv007");
}

TEST(DeviceNames, RefuseNamesThatWouldLeaveTheRoot)
{
    using namespace std::string_literals;
    for (const std::string& bad : {R"(ousbdrv000)"s, R"(\\.\)"s, R"(\\.\..\PIPE00)"s, R"(\\.\ousbdrv000\..)"s,
                                   R"(\\.\ousbdrv000\PIPE00\x)"s, R"(\\.\a/b)"s, R"(\\.\ousbdrv000\DEVICE)"s,
                                   R"(\\.\ousbdrv000\)"s, "\\\\.\\ousbdrv000\0x"s})
        EXPECT_FALSE(po::nodePathForName(bad, "/r").has_value()) << bad;
}

TEST(DeviceNames, ParseOnlyTheNodesADevicePublishes)
{
    const auto pipe = po::parseNodeName("ousbdrv031", "PIPE01");
    ASSERT_TRUE(pipe);
    EXPECT_EQ(pipe->device, 31);
    EXPECT_EQ(pipe->pipe, 1);
    EXPECT_EQ(po::parseNodeName("ousbdrv003", "DEVICE")->pipe, -1);
    EXPECT_FALSE(po::parseNodeName("ousbdrv032", "DEVICE"));
    EXPECT_FALSE(po::parseNodeName("ousbdrv3", "DEVICE"));
    EXPECT_FALSE(po::parseNodeName("ousbdrv003", "PIPE03"));
    EXPECT_FALSE(po::parseNodeName("ousbdrv003", "PIPE1"));
}

TEST(PacketLogText, RoundTripsAndSkipsMalformedLines)
{
    const po::LogEntry write{3, 1, po::LogEvent::Write, 8, 8, {0xE4, 0xC5, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(po::formatLogEntry(write), "003 PIPE01 write 8 8 e4c5000000000000");
    EXPECT_EQ(po::parseLogEntry(po::formatLogEntry(write)), write);
    const po::LogEntry unplug{12, po::kLogNodeNone, po::LogEvent::Unplug, 0, 0, {}};
    EXPECT_EQ(po::parseLogEntry(po::formatLogEntry(unplug)), unplug);
    for (const char* bad : {"", "000 PIPE01 write 8", "000 PIPE09x write 8 8", "000 PIPE01 jump 8 8",
                            "000 PIPE01 write 8 8 e4c", "000 PIPE01 write 8 8 zz"})
        EXPECT_FALSE(po::parseLogEntry(bad)) << bad;
}
