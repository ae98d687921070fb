#pragma once
// The module's settings: the user's picture parameters, capture size, view,
// mode, zoom, view quality, shutter and language, kept in section
// "Orvane.VCAM_TWAIN" of the shared settings file. Read when the camera
// window opens, written when the user closes it.

#include <array>
#include <string_view>

namespace ostrel2 {

inline constexpr const char* kSettingsFileName = "O_VCAM.ini";
inline constexpr const char* kSettingsSection = "Orvane.VCAM_TWAIN";
// What a key reads as when it is missing: no digits, so it counts as 0.
inline constexpr const char* kMissingValueText = "Bogus Value: Get didn't work";
// Values are read into a buffer of this many characters (79 and the end).
inline constexpr std::size_t kValueBufferSize = 80;

namespace key {
inline constexpr const char* kLanguage = "Language";
inline constexpr const char* kCaptureSize = "CaptureSize";
inline constexpr const char* kHue = "Hue";
inline constexpr const char* kSaturation = "Saturation";
inline constexpr const char* kBrightness = "Brightness";
inline constexpr const char* kContrast = "Contrast";
inline constexpr const char* kView = "View";
inline constexpr const char* kColor = "Color";
inline constexpr const char* kZoom = "Zoom";
inline constexpr const char* kQuality = "Quality";
inline constexpr const char* kShutter = "Shutter";
} // namespace key

// Values of the two-state keys.
inline constexpr int kViewFull = 1, kViewSmall = 2;
inline constexpr int kColorColour = 1, kColorGray = 2;
inline constexpr int kZoomOff = 1, kZoomOn = 2;

struct CaptureSize {
    int width;
    int height;
};
// Capture size numbers 1 to 5.
inline constexpr int kFirstCaptureSizeNumber = 1;
inline constexpr std::array<CaptureSize, 5> kCaptureSizes{{
    {160, 120}, {176, 144}, {320, 240}, {352, 288}, {640, 480}}};
inline constexpr int kViewQualityLevels = 3;
inline constexpr int kShutterSteps = 3;

// The camera parameters, module-wide: passed to the camera as read, without
// a range test (the sliders keep them in -10..10).
struct CameraParameters {
    int brightness = 0;
    int contrast = 0;
    int hue = 0;
    int saturation = 0;
    int shutterIndex = 0;  // 0, 1, 2
};

// Defaults for keys that are missing or out of range: the largest picture,
// full view, colour, no zoom, best quality, shortest shutter, English.
struct ModuleSettings {
    int language = 0;
    int captureSizeNumber = 5;
    CameraParameters parameters;
    bool fullView = true;
    bool colour = true;
    bool zoom = false;
    int viewQualityIndex = 0;

    // Tens digit 3, 2, 1 for quality 0, 1, 2; units digit 2 with zoom, else 1.
    int viewQualityCode() const;
    // The code of a taken picture: always best quality.
    int captureQualityCode() const;
    // The capture size of the number, or the largest when it is out of range.
    CaptureSize captureSize() const;
};

// The capture size of number 1..5; false for any other number.
bool captureSizeForNumber(int number, CaptureSize& size);

// A key's value as the standard decimal text-to-integer conversion reads it:
// leading blanks, a sign, digits; anything else ends the number; no digits
// gives 0. Values beyond the int range are limited to it.
int decimalValue(std::string_view text);

// Reads the keys in the order Language, CaptureSize, Hue, Saturation,
// Brightness, Contrast, View, Color, Zoom, Quality, Shutter into `settings`;
// values out of range leave their field as it was.
void loadModuleSettings(ModuleSettings& settings, std::string_view fileName = kSettingsFileName);
// Writes Hue, Saturation, Brightness, Contrast, Language, CaptureSize, Zoom,
// View, Color, Shutter, Quality, each with "%d". False when a write failed.
bool saveModuleSettings(const ModuleSettings& settings, std::string_view fileName = kSettingsFileName);

} // namespace ostrel2
