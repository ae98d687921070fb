#pragma once
// The capture drivers installed on this machine: [drivers] of system.ini in
// the Windows directory, key MSVideo for driver 0 and MSVideo<n> for driver
// n, each naming a driver plugin file. A bare file name is looked for in the
// Windows directory, then in the lib/ folder beside the running program's
// bin/ folder; a name with a '/' is used as it stands.

#include "platform/vfw/capture_messages.h"
#include "platform/vfw/driver_interface.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace platform::vfw {

inline constexpr const char* kSystemIni = "system.ini";
inline constexpr const char* kDriversSection = "drivers";
inline constexpr const char* kDriverKeyBase = "MSVideo";
// Values of one character or less are no driver (how an unset key reads).
inline constexpr std::size_t kDriverValueBufferSize = 80;

// "MSVideo" for 0, "MSVideo<n>" above.
std::string driverKeyName(int index);
// The driver file named for `index`, or nullopt.
std::optional<std::string> driverFileName(int index);
// Where that file is, or nullopt when it is nowhere it may be.
std::optional<std::filesystem::path> locateDriverFile(const std::string& fileName);

// A loaded driver plugin; unloaded when destroyed.
class DriverLibrary {
public:
    // nullptr with the reason in `error` when the file does not load or does
    // not offer the driver calls.
    static std::unique_ptr<DriverLibrary> load(const std::filesystem::path& file, std::string* error);
    // The same for driver `index` of the driver list.
    static std::unique_ptr<DriverLibrary> loadIndex(int index, std::string* error);
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    const VfwDriverApi& api() const { return *api_; }

private:
    DriverLibrary(void* handle, const VfwDriverApi* api) : handle_(handle), api_(api) {}
    void* handle_;
    const VfwDriverApi* api_;
};

struct DriverDescription {
    std::string name;     // at most kDriverNameSize - 1 characters
    std::string version;  // at most kDriverVersionSize - 1 characters
};

// The description of driver `index` (0..9): nullopt when the list names
// none or it does not load.
std::optional<DriverDescription> driverDescription(int index);

} // namespace platform::vfw
