#include "module/module_settings.h"

#include "platform/profile/profile.h"

#include <cctype>
#include <climits>
#include <string>

namespace ostrel2 {
namespace {

constexpr int kBestQualityDigit = 3;
constexpr int kZoomDigit = 2;
constexpr int kNoZoomDigit = 1;

int readKey(std::string_view name, std::string_view fileName)
{
    return decimalValue(platform::profile::getPrivateProfileString(kSettingsSection, name, kMissingValueText,
                                                                   fileName, kValueBufferSize));
}

bool writeKey(std::string_view name, int value, std::string_view fileName)
{
    return platform::profile::writePrivateProfileString(kSettingsSection, name, std::to_string(value), fileName);
}

} // namespace

int ModuleSettings::viewQualityCode() const
{
    const int index = ((viewQualityIndex % kViewQualityLevels) + kViewQualityLevels) % kViewQualityLevels;
    return (kBestQualityDigit - index) * 10 + (zoom ? kZoomDigit : kNoZoomDigit);
}

int ModuleSettings::captureQualityCode() const
{
    return kBestQualityDigit * 10 + (zoom ? kZoomDigit : kNoZoomDigit);
}

bool captureSizeForNumber(int number, CaptureSize& size)
{
    const int index = number - kFirstCaptureSizeNumber;
    if (index < 0 || index >= static_cast<int>(kCaptureSizes.size()))
        return false;
    size = kCaptureSizes[static_cast<std::size_t>(index)];
    return true;
}

CaptureSize ModuleSettings::captureSize() const
{
    CaptureSize size = kCaptureSizes.back();
    captureSizeForNumber(captureSizeNumber, size);
    return size;
}

int decimalValue(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        value = INT_MAX;
    return static_cast<int>(value);
}

void loadModuleSettings(ModuleSettings& s, std::string_view fileName)
{
    s.language = readKey(key::kLanguage, fileName);
    const int size = readKey(key::kCaptureSize, fileName);
    CaptureSize unused{};
    if (captureSizeForNumber(size, unused))
        s.captureSizeNumber = size;
    s.parameters.hue = readKey(key::kHue, fileName);
    s.parameters.saturation = readKey(key::kSaturation, fileName);
    s.parameters.brightness = readKey(key::kBrightness, fileName);
    s.parameters.contrast = readKey(key::kContrast, fileName);

    const int view = readKey(key::kView, fileName);
    if (view == kViewFull || view == kViewSmall)
        s.fullView = view == kViewFull;
    const int color = readKey(key::kColor, fileName);
    if (color == kColorColour || color == kColorGray)
        s.colour = color == kColorColour;
    const int zoom = readKey(key::kZoom, fileName);
    const int quality = readKey(key::kQuality, fileName);
    if (zoom == kZoomOff || zoom == kZoomOn) {
        s.zoom = zoom == kZoomOn;
        s.viewQualityIndex = quality == 1 ? 0 : quality == 2 ? 1 : 2;
    }
    const int shutter = readKey(key::kShutter, fileName);
    if (shutter >= 1 && shutter <= kShutterSteps)
        s.parameters.shutterIndex = shutter - 1;
}

bool saveModuleSettings(const ModuleSettings& s, std::string_view fileName)
{
    const auto step = [](int index, int steps) { return ((index % steps) + steps) % steps + 1; };
    bool ok = true;
    ok &= writeKey(key::kHue, s.parameters.hue, fileName);
    ok &= writeKey(key::kSaturation, s.parameters.saturation, fileName);
    ok &= writeKey(key::kBrightness, s.parameters.brightness, fileName);
    ok &= writeKey(key::kContrast, s.parameters.contrast, fileName);
    ok &= writeKey(key::kLanguage, s.language, fileName);
    ok &= writeKey(key::kCaptureSize, s.captureSizeNumber, fileName);
    ok &= writeKey(key::kZoom, s.zoom ? kZoomOn : kZoomOff, fileName);
    ok &= writeKey(key::kView, s.fullView ? kViewFull : kViewSmall, fileName);
    ok &= writeKey(key::kColor, s.colour ? kColorColour : kColorGray, fileName);
    ok &= writeKey(key::kShutter, step(s.parameters.shutterIndex, kShutterSteps), fileName);
    ok &= writeKey(key::kQuality, step(s.viewQualityIndex, kViewQualityLevels), fileName);
    return ok;
}

} // namespace ostrel2
