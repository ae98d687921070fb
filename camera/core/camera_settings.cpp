#include "camera/core/camera_settings.h"

#include "platform/profile/profile.h"

#include <algorithm>

namespace lumoset {
namespace {

namespace profile = platform::profile;

constexpr const char* kKeyQuality = "Quality";
constexpr const char* kKeySpeed = "Speed";
constexpr const char* kKeyBrightness = "Brightness";
constexpr const char* kKeyContrast = "Contrast";
constexpr const char* kKeyHue = "Hue";
constexpr const char* kKeySaturation = "Saturation";
constexpr const char* kKeyLanguage = "Language";

constexpr const char* kKeyColor = "Color";
constexpr const char* kKeyZoom = "Zoom";
constexpr const char* kKeyWidth = "Width";
constexpr const char* kKeyHeight = "Height";
constexpr const char* kKeyFrames = "Frames";
constexpr const char* kKeyFrameRate = "FrameRate";
constexpr const char* kKeyStop = "STOP";

constexpr const char* kFlagOn = "1";
constexpr const char* kFlagOff = "0";

int inRangeOr(int value, int count, int fallback)
{
    return (value >= 0 && value < count) ? value : fallback;
}

int limitedPictureValue(int value)
{
    return std::clamp(value, -kPictureValueLimit, kPictureValueLimit);
}

} // namespace

CameraSettings::CameraSettings(std::string fileName) : fileName_(std::move(fileName)) {}

Preferences CameraSettings::loadPreferences() const
{
    const Preferences defaults;
    const auto read = [&](const char* key, int fallback) {
        return profile::getPrivateProfileInt(kPreferencesSection, key, fallback, fileName_);
    };
    Preferences p;
    p.quality = inRangeOr(read(kKeyQuality, defaults.quality), kSelectionCount, defaults.quality);
    p.speed = inRangeOr(read(kKeySpeed, defaults.speed), kSelectionCount, defaults.speed);
    p.brightness = limitedPictureValue(read(kKeyBrightness, defaults.brightness));
    p.contrast = limitedPictureValue(read(kKeyContrast, defaults.contrast));
    p.hue = limitedPictureValue(read(kKeyHue, defaults.hue));
    p.saturation = limitedPictureValue(read(kKeySaturation, defaults.saturation));
    p.languageOffset = kLanguageOffsetStep * inRangeOr(read(kKeyLanguage, 0), kLanguageIndexCount, 0);
    return p;
}

void CameraSettings::savePreferences(const Preferences& p) const
{
    const auto write = [&](const char* key, int value) {
        profile::writePrivateProfileString(kPreferencesSection, key, std::to_string(value), fileName_);
    };
    write(kKeyQuality, p.quality);
    write(kKeySpeed, p.speed);
    write(kKeyBrightness, p.brightness);
    write(kKeyContrast, p.contrast);
    write(kKeyHue, p.hue);
    write(kKeySaturation, p.saturation);
    write(kKeyLanguage, p.languageOffset / kLanguageOffsetStep);
}

void CameraSettings::writeDriverHandOver(const DriverHandOver& h) const
{
    const auto write = [&](const char* key, const std::string& value) {
        profile::writePrivateProfileString(kDriverHandOverSection, key, value, fileName_);
    };
    write(kKeyColor, h.colour ? kFlagOn : kFlagOff);
    write(kKeyZoom, h.zoomed ? kFlagOn : kFlagOff);
    write(kKeyQuality, std::to_string(h.quality));
    write(kKeyWidth, std::to_string(h.width));
    write(kKeyHeight, std::to_string(h.height));
    write(kKeyFrames, std::to_string(h.frames));
    write(kKeyFrameRate, std::to_string(h.frameRate));
    write(kKeyStop, kFlagOn);
}

void CameraSettings::signalDriverStop() const
{
    profile::writePrivateProfileString(kDriverHandOverSection, kKeyStop, kFlagOff, fileName_);
}

} // namespace lumoset
