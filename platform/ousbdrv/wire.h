#pragma once
// The wire format between the client layer and the ousbdrvd daemon. Every
// node is a Unix-domain SOCK_SEQPACKET socket, so each message arrives whole
// and alone. The client sends one request and waits for its one response;
// the daemon answers each request at once, in order.
//
//   request:  u8 op, u8 0, u8 0, u8 0, u32 length     (+ length data bytes for Write)
//   response: u8 status, u8 pipe, u8 0, u8 0, u32 count  (+ count data bytes for Read)
//
// Integers are little-endian. `pipe` is 0, 1, 2 for PIPE00..02 and 0xFF for
// the control device. The daemon keeps each pipe's pending bytes itself; a
// Read asks for at most `length` bytes and gets min(length, pending, 131072).

#include <cstddef>
#include <cstdint>

namespace platform::ousbdrv::wire {

inline constexpr std::size_t kHeaderSize = 8;

enum class Op : std::uint8_t {
    Open = 1,   // handshake after connect; length 0
    Read = 2,   // length = bytes wanted
    Write = 3,  // length = bytes following
};

enum class Status : std::uint8_t {
    Ok = 0,
    WrongDirection = 1,  // read on the command pipe, write on a camera-to-host pipe or the control device
    BadRequest = 2,      // unknown op, malformed header, length over the limit
};

inline constexpr std::uint8_t kControlDevicePipe = 0xFF;

struct Header {
    std::uint8_t code = 0;  // Op in requests, Status in responses
    std::uint8_t pipe = 0;  // responses only
    std::uint32_t length = 0;
};

inline void encodeHeader(const Header& h, std::uint8_t* out)
{
    out[0] = h.code;
    out[1] = h.pipe;
    out[2] = 0;
    out[3] = 0;
    out[4] = static_cast<std::uint8_t>(h.length);
    out[5] = static_cast<std::uint8_t>(h.length >> 8);
    out[6] = static_cast<std::uint8_t>(h.length >> 16);
    out[7] = static_cast<std::uint8_t>(h.length >> 24);
}

inline Header decodeHeader(const std::uint8_t* in)
{
    Header h;
    h.code = in[0];
    h.pipe = in[1];
    h.length = static_cast<std::uint32_t>(in[4]) | static_cast<std::uint32_t>(in[5]) << 8 |
               static_cast<std::uint32_t>(in[6]) << 16 | static_cast<std::uint32_t>(in[7]) << 24;
    return h;
}

// Daemon control socket (<root>/.ousbdrvd): one text request per message,
// one text answer ("ok ..." or "error: ...").
//   plug N | unplug N | stop | status
inline constexpr std::size_t kMaxControlMessage = 4096;

} // namespace platform::ousbdrv::wire
