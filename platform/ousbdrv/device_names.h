#pragma once
// Where the camera devices live on this machine. Programs keep the device
// names of the camera's driver ("\\.\ousbdrv000", "\\.\ousbdrv000\PIPE01");
// this is the one place that turns such a name into a file-system node under
// the device root:
//
//   \\.\ousbdrvNNN          ->  <root>/ousbdrvNNN/DEVICE   (the control device)
//   \\.\ousbdrvNNN\PIPE0k   ->  <root>/ousbdrvNNN/PIPE0k
//
// The device node is the directory <root>/ousbdrvNNN; opening the device
// connects to its DEVICE socket, so a node left behind by a daemon that died
// does not open.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform::ousbdrv {

inline constexpr const char* kRootVariable = "OUSBDRV_ROOT";
inline constexpr const char* kDefaultRoot = "/tmp/rz410-ousbdrv";
inline constexpr const char* kDeviceNamePrefix = "\\\\.\\";  // the four characters \\.\ .
inline constexpr const char* kNodePrefix = "ousbdrv";
inline constexpr const char* kControlNodeName = "DEVICE";
// The daemon's own control socket in the root (plug, unplug, stop).
inline constexpr const char* kDaemonSocketName = ".ousbdrvd";

// $OUSBDRV_ROOT when set and not empty, else kDefaultRoot.
std::filesystem::path deviceRoot();

// "ousbdrv000" .. "ousbdrv031" (three digits; larger numbers as they are).
std::string nodeName(int deviceNumber);
// "PIPE00", "PIPE01", "PIPE02".
std::string pipeNodeName(int pipe);

// The socket a device name stands for, or nullopt when the name is not of the
// forms above (wrong prefix, empty or unsafe parts, more than two parts).
std::optional<std::filesystem::path> nodePathForName(std::string_view deviceName,
                                                     const std::filesystem::path& root);

// What a node path names: a device number (nullopt if the directory is not
// ousbdrvNNN) and a pipe (nullopt for the control device or an unknown node).
struct NodeAddress {
    int device = -1;
    int pipe = -1;  // -1: the control device
};
std::optional<NodeAddress> parseNodeName(std::string_view directory, std::string_view node);

} // namespace platform::ousbdrv
