#pragma once
// Which program opens a file, answered from the Linux desktop's own data in
// the shape of the registry lookups the programs were written against:
//
//   application path of "name"      the first PATH entry called name (or name
//                                    without ".exe"), as a full path
//   file type of ".ext"              the MIME type shared-mime-info gives *.ext
//   command of "type" + "\shell\.."  the Exec line of the type's default
//                                    application (mimeapps.list, then
//                                    mimeinfo.cache); every verb answers it
//
// Each lookup tells a missing key (nothing known) from a value that cannot be
// read (the key is there but gives nothing usable), because callers treat the
// two differently.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform::shell {

// The folders the lookups read, normally from PATH and the XDG variables.
struct DesktopDirectories {
    std::vector<std::string> path;        // PATH
    std::string configHome;               // XDG_CONFIG_HOME, default ~/.config
    std::vector<std::string> configDirs;  // XDG_CONFIG_DIRS, default /etc/xdg
    std::string dataHome;                 // XDG_DATA_HOME, default ~/.local/share
    std::vector<std::string> dataDirs;    // XDG_DATA_DIRS, default /usr/local/share:/usr/share
    std::vector<std::string> desktops;    // XDG_CURRENT_DESKTOP, lower case

    static DesktopDirectories fromEnvironment();
};

enum class LookupStatus {
    Found,
    KeyMissing,       // nothing by that name
    ValueUnreadable,  // the name is known but gives no usable value (or a
                      // value that does not fit the caller's buffer)
};

struct Lookup {
    LookupStatus status = LookupStatus::KeyMissing;
    std::string value;
    bool found() const { return status == LookupStatus::Found; }
};

class DesktopAssociations {
public:
    explicit DesktopAssociations(DesktopDirectories directories = DesktopDirectories::fromEnvironment());

    // `bufferSize` counts the terminating NUL the callers reserve room for:
    // a value of bufferSize bytes or more is unreadable.
    Lookup applicationPath(const std::string& programName, std::size_t bufferSize) const;
    Lookup fileTypeName(const std::string& extension, std::size_t bufferSize) const;
    // `verbPath` is the part after the type name, e.g. "\shell\open\command".
    Lookup fileTypeCommand(const std::string& typeName, const std::string& verbPath,
                           std::size_t bufferSize) const;

    const DesktopDirectories& directories() const { return directories_; }

private:
    std::optional<std::string> defaultDesktopFile(const std::string& mimeType) const;
    std::optional<std::string> findDesktopFile(const std::string& desktopId) const;

    DesktopDirectories directories_;
};

// The program part of an open command: when the last '%' stands at index 2 or
// later, the command up to the character before it (so "prog \"%1\"" gives
// "prog " and "viewer %U" gives "viewer"); otherwise the whole command.
std::string programFromCommand(const std::string& command);

// Buffer sizes of the file-type lookup.
inline constexpr std::size_t kFileTypeNameBuffer = 256;
inline constexpr std::size_t kCommandBuffer = 2048;

// The file-type lookup in full: type of `extension`, its command under
// `verbPath`, cut by programFromCommand. Nothing when either step fails.
std::optional<std::string> fileTypeProgram(const DesktopAssociations& associations,
                                           const std::string& extension,
                                           const std::string& verbPath);

} // namespace platform::shell
