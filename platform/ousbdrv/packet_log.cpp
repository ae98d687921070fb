#include "platform/ousbdrv/packet_log.h"

#include "platform/ousbdrv/device_names.h"

#include <cerrno>
#include <cstdio>
#include <charconv>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace platform::ousbdrv {
namespace {

constexpr std::size_t kMaxLoggedBytes = 64;

struct EventName {
    LogEvent event;
    const char* name;
};
constexpr EventName kEventNames[] = {
    {LogEvent::Open, "open"},       {LogEvent::Close, "close"}, {LogEvent::Read, "read"},
    {LogEvent::Write, "write"},     {LogEvent::Refused, "refused"}, {LogEvent::Plug, "plug"},
    {LogEvent::Unplug, "unplug"},
};

std::string nodeText(int node)
{
    if (node == kLogNodeDevice)
        return "DEVICE";
    if (node == kLogNodeNone)
        return "-";
    return pipeNodeName(node);
}

std::vector<std::string_view> splitFields(std::string_view line)
{
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\r'))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\r')
            ++i;
        if (i > start)
            fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

template <typename T>
bool parseNumber(std::string_view text, T& value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string formatLogEntry(const LogEntry& entry)
{
    char device[8];
    std::snprintf(device, sizeof device, "%03d", entry.device);
    std::string line = device;
    line += ' ';
    line += nodeText(entry.node);
    line += ' ';
    for (const EventName& e : kEventNames)
        if (e.event == entry.event)
            line += e.name;
    line += ' ' + std::to_string(entry.requested) + ' ' + std::to_string(entry.delivered);
    if (!entry.data.empty()) {
        static constexpr char kHex[] = "0123456789abcdef";
        line += ' ';
        const std::size_t n = std::min(entry.data.size(), kMaxLoggedBytes);
        for (std::size_t i = 0; i < n; ++i) {
            line += kHex[entry.data[i] >> 4];
            line += kHex[entry.data[i] & 0x0F];
        }
    }
    return line;
}

std::optional<LogEntry> parseLogEntry(std::string_view line)
{
    const std::vector<std::string_view> f = splitFields(line);
    if (f.size() != 5 && f.size() != 6)
        return std::nullopt;
    LogEntry entry;
    if (!parseNumber(f[0], entry.device) || entry.device < 0)
        return std::nullopt;
    if (f[1] == "DEVICE")
        entry.node = kLogNodeDevice;
    else if (f[1] == "-")
        entry.node = kLogNodeNone;
    else if (f[1].size() == 6 && f[1].substr(0, 4) == "PIPE" && parseNumber(f[1].substr(4), entry.node))
        ;
    else
        return std::nullopt;
    bool known = false;
    for (const EventName& e : kEventNames)
        if (f[2] == e.name) {
            entry.event = e.event;
            known = true;
        }
    if (!known || !parseNumber(f[3], entry.requested) || !parseNumber(f[4], entry.delivered))
        return std::nullopt;
    if (f.size() == 6) {
        const std::string_view hex = f[5];
        if (hex.size() % 2 != 0)
            return std::nullopt;
        for (std::size_t i = 0; i < hex.size(); i += 2) {
            const int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
            if (hi < 0 || lo < 0)
                return std::nullopt;
            entry.data.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
        }
    }
    return entry;
}

std::vector<LogEntry> readLogFile(const std::filesystem::path& path)
{
    std::vector<LogEntry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (std::optional<LogEntry> e = parseLogEntry(line))
            entries.push_back(std::move(*e));
    return entries;
}

PacketLog::~PacketLog()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool PacketLog::openFile(const std::filesystem::path& path)
{
    std::lock_guard lock(mutex_);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
    return true;
}

void PacketLog::keepInMemory(bool keep)
{
    std::lock_guard lock(mutex_);
    keep_ = keep;
}

void PacketLog::add(LogEntry entry)
{
    std::lock_guard lock(mutex_);
    if (fd_ >= 0) {
        const std::string line = formatLogEntry(entry) + '\n';
        std::size_t done = 0;
        while (done < line.size()) {
            const ssize_t n = ::write(fd_, line.data() + done, line.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
    }
    if (keep_) {
        if (entry.data.size() > kMaxLoggedBytes)
            entry.data.resize(kMaxLoggedBytes);
        entries_.push_back(std::move(entry));
    }
}

std::vector<LogEntry> PacketLog::entries() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

void PacketLog::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
}

} // namespace platform::ousbdrv
