#include "tools/modify/capture_driver_registration.h"

#include "platform/profile/profile.h"

#include <string>

namespace modify {
namespace {

std::string readDriverKey(std::string_view key, std::string_view iniFile)
{
    return platform::profile::getPrivateProfileString(kDriversSection, key, kAbsentDefault,
                                                      iniFile, kValueBufferSize);
}

bool isAbsent(const std::string& value)
{
    return value.size() == 1;
}

std::string numberedKey(int n)
{
    return std::string(kDefaultDriverKey) + std::to_string(n);
}

bool writeDriverKey(std::string_view key, std::string_view value, std::string_view iniFile)
{
    return platform::profile::writePrivateProfileString(kDriversSection, key, value, iniFile);
}

// Stores the old default driver under `key`, then makes ours the default.
bool moveDefaultDriver(std::string_view key, const std::string& current, std::string_view iniFile)
{
    return writeDriverKey(key, current, iniFile) &&
           writeDriverKey(kDefaultDriverKey, kCaptureDriver, iniFile);
}

} // namespace

bool registerCaptureDriver(std::string_view iniFile)
{
    const std::string current = readDriverKey(kDefaultDriverKey, iniFile);
    if (isAbsent(current))
        return writeDriverKey(kDefaultDriverKey, kCaptureDriver, iniFile);
    if (current == kCaptureDriver)
        return true;

    // Already registered under a numbered key: the default stays as it is.
    // All ten keys are looked at before any is taken, so a free key in front
    // of the registered one does not register the driver a second time.
    for (int n = kFirstNumberedKey; n <= kLastNumberedKey; ++n)
        if (readDriverKey(numberedKey(n), iniFile) == kCaptureDriver)
            return true;

    for (int n = kFirstNumberedKey; n <= kLastNumberedKey; ++n) {
        const std::string key = numberedKey(n);
        if (isAbsent(readDriverKey(key, iniFile)))
            return moveDefaultDriver(key, current, iniFile);
    }
    return moveDefaultDriver(kOverflowDriverKey, current, iniFile);
}

} // namespace modify
