#pragma once
// A record of everything that crossed a virtual camera's pipes, for tests
// and for watching a program at work. One entry per event; the daemon writes
// them as text lines (--log FILE), the in-process cameras keep them.
//
//   <device> <node> <event> <requested> <delivered> [<hex bytes>]
//   000 PIPE01 write 8 8 e4c5000000000000
//   000 PIPE00 read 40960 19200
//   000 PIPE02 read 24 24 0020000000000000...
//   003 DEVICE open 0 0
//   003 - unplug 0 0
//
// Bytes are given for writes and for status reads, not for frame data.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ousbdrv {

enum class LogEvent { Open, Close, Read, Write, Refused, Plug, Unplug };

inline constexpr int kLogNodeDevice = -1;  // the control device
inline constexpr int kLogNodeNone = -2;    // the camera itself (plug, unplug)

struct LogEntry {
    int device = 0;
    int node = kLogNodeNone;  // 0..2 for PIPE00..02
    LogEvent event = LogEvent::Open;
    std::uint32_t requested = 0;
    std::uint32_t delivered = 0;
    std::vector<std::uint8_t> data;

    bool operator==(const LogEntry&) const = default;
};

std::string formatLogEntry(const LogEntry& entry);
std::optional<LogEntry> parseLogEntry(std::string_view line);
// Every well-formed line of a log file (others are skipped).
std::vector<LogEntry> readLogFile(const std::filesystem::path& path);

// Where entries go: a file (appended, one write per line, so the line is in
// the file before the camera answers), a list in memory, or both.
class PacketLog {
public:
    PacketLog() = default;
    ~PacketLog();
    PacketLog(const PacketLog&) = delete;
    PacketLog& operator=(const PacketLog&) = delete;

    bool openFile(const std::filesystem::path& path);
    void keepInMemory(bool keep);

    void add(LogEntry entry);
    std::vector<LogEntry> entries() const;
    void clear();

private:
    mutable std::mutex mutex_;
    int fd_ = -1;
    bool keep_ = false;
    std::vector<LogEntry> entries_;
};

} // namespace platform::ousbdrv
