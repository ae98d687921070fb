#include "platform/ousbdrv/device_names.h"

#include "platform/ousbdrv/protocol.h"

#include <cstdio>
#include <cstdlib>

namespace platform::ousbdrv {
namespace fs = std::filesystem;
namespace {

bool isSafePart(std::string_view part)
{
    if (part.empty() || part.size() > 32)
        return false;
    for (const char c : part) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

// Parses "<prefix><digits>" into the number; nullopt otherwise.
std::optional<int> numberAfter(std::string_view text, std::string_view prefix, std::size_t maxDigits)
{
    if (text.size() <= prefix.size() || text.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    const std::string_view digits = text.substr(prefix.size());
    if (digits.size() > maxDigits)
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

fs::path deviceRoot()
{
    const char* value = std::getenv(kRootVariable);
    if (value != nullptr && *value != '\0')
        return fs::path(value);
    return fs::path(kDefaultRoot);
}

std::string nodeName(int deviceNumber)
{
    char text[32];
    std::snprintf(text, sizeof text, "%s%03d", kNodePrefix, deviceNumber);
    return text;
}

std::string pipeNodeName(int pipe)
{
    char text[16];
    std::snprintf(text, sizeof text, "PIPE%02d", pipe);
    return text;
}

std::optional<fs::path> nodePathForName(std::string_view deviceName, const fs::path& root)
{
    const std::string_view prefix(kDeviceNamePrefix);
    if (deviceName.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    std::string_view rest = deviceName.substr(prefix.size());
    const std::size_t sep = rest.find('\\');
    const std::string_view device = rest.substr(0, sep);
    if (!isSafePart(device))
        return std::nullopt;
    if (sep == std::string_view::npos)
        return root / std::string(device) / kControlNodeName;
    const std::string_view pipe = rest.substr(sep + 1);
    if (!isSafePart(pipe) || pipe == kControlNodeName)
        return std::nullopt;
    return root / std::string(device) / std::string(pipe);
}

std::optional<NodeAddress> parseNodeName(std::string_view directory, std::string_view node)
{
    const std::optional<int> device = numberAfter(directory, kNodePrefix, 3);
    if (!device || *device > kMaxDeviceNumber || directory != nodeName(*device))
        return std::nullopt;
    if (node == kControlNodeName)
        return NodeAddress{*device, -1};
    const std::optional<int> pipe = numberAfter(node, "PIPE", 2);
    if (!pipe || *pipe >= kPipeCount || node != pipeNodeName(*pipe))
        return std::nullopt;
    return NodeAddress{*device, *pipe};
}

} // namespace platform::ousbdrv
