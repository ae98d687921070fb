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

void writeDriverKey(std::string_view key, std::string_view value, std::string_view iniFile)
{
    platform::profile::writePrivateProfileString(kDriversSection, key, value, iniFile);
}

} // namespace

void registerCaptureDriver(std::string_view iniFile)
{
    const std::string current = readDriverKey(kDefaultDriverKey, iniFile);
    if (isAbsent(current)) {
        writeDriverKey(kDefaultDriverKey, kCaptureDriver, iniFile);
        return;
    }
    if (current == kCaptureDriver)
        return;

    // Already registered under a numbered key: the default stays as it is.
    // All ten keys are looked at before any is taken, so a free key in front
    // of the registered one does not register the driver a second time.
    for (int n = kFirstNumberedKey; n <= kLastNumberedKey; ++n)
        if (readDriverKey(numberedKey(n), iniFile) == kCaptureDriver)
            return;

    for (int n = kFirstNumberedKey; n <= kLastNumberedKey; ++n) {
        const std::string key = numberedKey(n);
        if (isAbsent(readDriverKey(key, iniFile))) {
            writeDriverKey(key, current, iniFile);
            writeDriverKey(kDefaultDriverKey, kCaptureDriver, iniFile);
            return;
        }
    }
    writeDriverKey(kOverflowDriverKey, current, iniFile);
    writeDriverKey(kDefaultDriverKey, kCaptureDriver, iniFile);
}

} // namespace modify
