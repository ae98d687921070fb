#pragma once
// Makes O_vdocap.drv the default video capture driver in the [drivers]
// section of system.ini, moving a different driver found there to a free
// numbered key. Silent; running it again changes nothing.

#include <string_view>

namespace modify {

inline constexpr std::string_view kSystemIni = "system.ini";
inline constexpr std::string_view kDriversSection = "drivers";
inline constexpr std::string_view kDefaultDriverKey = "MSVideo";
inline constexpr std::string_view kOverflowDriverKey = "MSVideo11";
inline constexpr std::string_view kCaptureDriver = "O_vdocap.drv";
inline constexpr int kFirstNumberedKey = 1;
inline constexpr int kLastNumberedKey = 10;

// Values are read into a buffer of this size with the default "0"; a read of
// exactly one character is how an absent key shows.
inline constexpr std::size_t kValueBufferSize = 80;
inline constexpr std::string_view kAbsentDefault = "0";

// Runs the registration on <iniFile> (a bare name lives in the Windows
// directory). False when a write failed: the tool still shows nothing, but
// its exit status tells the installation. The old default driver is only
// replaced once it is stored under its new key, so a failed move loses nothing.
bool registerCaptureDriver(std::string_view iniFile = kSystemIni);

} // namespace modify
