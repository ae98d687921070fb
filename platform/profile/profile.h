#pragma once
// The private-profile (INI) service every deliverable keeps its settings in.
//
// A bare file name ("O_VCAM.ini", "system.ini") lives in the Windows
// directory; a name with a '/' is used as given. Section and key names are
// compared without regard to case; a missing file, section or key gives the
// caller's default. Writing one key rewrites or appends only that line.
//
// Writers hold an exclusive lock beside the file and replace it atomically,
// so programs writing the same file at once never lose each other's keys and
// a crash mid-write leaves the previous file whole.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform::profile {

inline constexpr const char* kWindowsDirectoryVariable = "WINDIR";
// Machine-wide stand-in for the Windows directory when $WINDIR is not set.
inline constexpr const char* kDefaultWindowsDirectory = "/var/lib/rz410/windows";

// Files larger than this are not settings files; reading one gives defaults
// and writing to one fails rather than loading it into memory.
inline constexpr std::uintmax_t kMaxProfileFileSize = 4u * 1024 * 1024;

// $WINDIR when set and not empty, else kDefaultWindowsDirectory.
std::filesystem::path windowsDirectory();

// Where a profile file name lives (see above).
std::filesystem::path profilePath(std::string_view fileName);

// At most bufferSize - 1 characters of the value (or of the default), as a
// caller's fixed buffer would hold them. bufferSize 0 gives "". A default
// comes back without its trailing blanks.
std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::string_view fileName,
                                    std::size_t bufferSize = 4096);

// Leading blanks, an optional sign and decimal digits (or 0x and hex digits);
// a value without digits reads as 0; a missing or empty value gives the default.
int getPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         std::string_view fileName);

// Creates the file and the Windows directory when needed. False when the
// file could not be written; its previous contents then stay as they were.
bool writePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view fileName);

bool deletePrivateProfileKey(std::string_view section, std::string_view key,
                             std::string_view fileName);
bool deletePrivateProfileSection(std::string_view section, std::string_view fileName);

} // namespace platform::profile
