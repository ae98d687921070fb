#pragma once
// What travels over the camera's three pipes: the command codes the camera
// understands, the register-write packets, the status answer and the frame
// formats. Both sides of the wire use these names: the virtual camera that
// answers and the programs that drive it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace platform::ousbdrv {

// Pipes below a device, by number: PIPE00, PIPE01, PIPE02.
enum class PipeId : std::uint8_t {
    Frame = 0,    // camera to host: 128-byte header, then a pixel plane
    Command = 1,  // host to camera: 8-byte command packets
    Status = 2,   // camera to host: 24-byte status answers
};
inline constexpr int kPipeCount = 3;

inline constexpr int kMaxDeviceNumber = 31;  // devices 0 .. 31
inline constexpr std::size_t kCommandPacketSize = 8;
inline constexpr std::size_t kStatusAnswerSize = 24;
inline constexpr std::size_t kStatusReportSize = 8;  // the answer is three reports
inline constexpr std::size_t kFrameHeaderSize = 128;

// Command codes (byte 0 of a packet; bytes 1 to 7 zero except in register writes).
namespace command {
inline constexpr std::uint8_t kStartFirst = 0x84;
inline constexpr std::uint8_t kStartSecond = 0x88;
inline constexpr std::uint8_t kFormat176x144 = 0xE8;
inline constexpr std::uint8_t kFormat496x240 = 0x90;  // raw format of 640 x 480 photos
inline constexpr std::uint8_t kBeginTransfer = 0x94;  // header + luminance plane
inline constexpr std::uint8_t kColourPlane = 0x98;    // header + colour-difference plane
inline constexpr std::uint8_t kFormat176x72Zoom = 0xEC;
inline constexpr std::uint8_t kUnused0xF0 = 0xF0;
inline constexpr std::uint8_t kEndTransfer = 0xA4;
inline constexpr std::uint8_t kUnused0xF4 = 0xF4;
inline constexpr std::uint8_t kStatusQuery = 0x51;
inline constexpr std::uint8_t kFormat352x288 = 0xF5;
inline constexpr std::uint8_t kFormat320x240 = 0xBC;
inline constexpr std::uint8_t kFormat160x120 = 0xC0;
inline constexpr std::uint8_t kFormat80x60 = 0xC4;
inline constexpr std::uint8_t kFormat320x120Zoom = 0xC8;
inline constexpr std::uint8_t kFormat160x60Zoom = 0xCC;
inline constexpr std::uint8_t kFormat320x120Reduced = 0xD0;
inline constexpr std::uint8_t kFormat160x60Reduced = 0xD4;
inline constexpr std::uint8_t kUnused0xF6 = 0xF6;
inline constexpr std::uint8_t kFormat352x144Zoom = 0xF7;
inline constexpr std::uint8_t kUnused0xF8 = 0xF8;
inline constexpr std::uint8_t kFormat80x32 = 0xF9;
inline constexpr std::uint8_t kUnused0xFA = 0xFA;
inline constexpr std::uint8_t kUnused0xFB = 0xFB;
inline constexpr std::uint8_t kUnused0xFC = 0xFC;
inline constexpr std::uint8_t kUnused0xFD = 0xFD;
inline constexpr std::uint8_t kRegisterWrite = 0xE4;  // two packets: register, then value
} // namespace command

// Register write: the first 0xE4 packet carries 0xFF - register in byte 1,
// the second 0x7F - value (one's complements within their ranges).
inline constexpr int kMaxRegister = 0xFF;
inline constexpr int kMaxRegisterValue = 0x7F;
inline constexpr std::uint8_t registerSelectByte(int reg) { return static_cast<std::uint8_t>(0xFF - reg); }
inline constexpr std::uint8_t registerValueByte(int value) { return static_cast<std::uint8_t>(0x7F - value); }
inline constexpr int registerFromByte(std::uint8_t b) { return 0xFF - b; }
// A value byte above 0x7F has no value; the camera ignores such a packet.
inline constexpr int valueFromByte(std::uint8_t b) { return 0x7F - b; }

// The exposure register: a larger value means a longer exposure, so frames
// come further apart.
inline constexpr int kExposureRegister = 58;

// Status answer: a frame is ready when byte 0, 8 or 16 is kStatusFrameReady;
// kStatusNotYet in byte 1 means "ask again". A camera that was never started
// answers with zeros: neither ready nor "not yet".
inline constexpr std::uint8_t kStatusFrameReady = 0x10;
inline constexpr std::uint8_t kStatusNotYet = 0x20;

// A frame format the camera can be switched to. `zoomed` frames show the
// centre quarter of the scene (half its width and height); every other format
// shows the whole scene. Half-height formats are stretched back by the host.
struct FrameFormat {
    std::uint8_t code;
    int width;
    int height;
    bool zoomed;
};

inline constexpr std::array<FrameFormat, 13> kFrameFormats{{
    {command::kFormat176x144, 176, 144, false},
    {command::kFormat496x240, 496, 240, false},
    {command::kFormat176x72Zoom, 176, 72, true},
    {command::kFormat352x288, 352, 288, false},
    {command::kFormat320x240, 320, 240, false},
    {command::kFormat160x120, 160, 120, false},
    {command::kFormat80x60, 80, 60, false},
    {command::kFormat320x120Zoom, 320, 120, true},
    {command::kFormat160x60Zoom, 160, 60, true},
    {command::kFormat320x120Reduced, 320, 120, false},
    {command::kFormat160x60Reduced, 160, 60, false},
    {command::kFormat352x144Zoom, 352, 144, true},
    {command::kFormat80x32, 80, 32, true},
}};

// The format a camera has before any format command.
inline constexpr std::uint8_t kDefaultFormatCode = command::kFormat320x240;

// The largest plane of any format (496 x 240).
inline constexpr std::size_t kMaxPlaneSize = 496 * 240;

std::optional<FrameFormat> frameFormatForCode(std::uint8_t code);

// The 128-byte header in front of each plane. Little-endian fields; the rest
// of the block is zero.
namespace header {
inline constexpr std::array<std::uint8_t, 4> kMagic{'F', 'R', 'M', 'H'};
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kFrameNumberOffset = 4;   // u32, counts from 1 per plug-in
inline constexpr std::size_t kWidthOffset = 8;         // u16
inline constexpr std::size_t kHeightOffset = 10;       // u16
inline constexpr std::size_t kPlaneOffset = 12;        // u8: 0 luminance, 1 colour difference
inline constexpr std::size_t kFormatCodeOffset = 13;   // u8: the format command in force
inline constexpr std::size_t kExposureOffset = 14;     // u8: value of the exposure register
inline constexpr std::size_t kTimestampOffset = 16;    // u64: camera time in milliseconds
inline constexpr std::uint8_t kPlaneLuminance = 0;
inline constexpr std::uint8_t kPlaneColourDifference = 1;
} // namespace header

} // namespace platform::ousbdrv
