#pragma once
// Which cameras there are and how the backend reaches one of them.
//
// The virtual camera publishes each camera as the folder ousbdrvNNN under its
// device root. The camera access library always connects to the first camera
// under $OUSBDRV_ROOT, so an open camera is reached through a private root
// holding one link, ousbdrv000, to that camera's folder: the library then
// reaches exactly the camera the front end chose, and an unplugged camera's
// link leads nowhere.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz410 {

inline constexpr const char* kBackendName = "rz410";
inline constexpr const char* kConfigFileName = "rz410.conf";
// Key of the configuration file: the device root used when $OUSBDRV_ROOT is not set.
inline constexpr std::string_view kConfigRootKey = "root";

// Reads the configuration file from $SANE_CONFIG_DIR (':'-separated; a
// trailing ':' or no variable adds `defaultFolder`) and applies it.
void applyConfiguration(const std::string& defaultFolder);

// The device numbers of the cameras present under `root`, lowest first.
std::vector<int> camerasPresent(const std::filesystem::path& root);
// "ousbdrv003" <-> 3; nullopt for anything else.
std::string deviceName(int device);
std::optional<int> deviceNumber(std::string_view name);
// The camera's control node; it exists while the camera is plugged in.
std::string controlNodePath(const std::filesystem::path& root, int device);

class CameraRedirect {
public:
    CameraRedirect() = default;
    ~CameraRedirect() { end(); }
    CameraRedirect(const CameraRedirect&) = delete;
    CameraRedirect& operator=(const CameraRedirect&) = delete;

    // Makes the private root and points $OUSBDRV_ROOT at it. False (and
    // nothing changed) when the folder or the link cannot be made.
    bool begin(const std::filesystem::path& root, int device);
    // Puts $OUSBDRV_ROOT back and removes the private root.
    void end();

private:
    std::filesystem::path folder_;
    std::optional<std::string> previousRoot_;
    bool active_ = false;
};

} // namespace rz410
