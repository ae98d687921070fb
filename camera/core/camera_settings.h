#pragma once
// The camera program's part of the shared settings file O_VCAM.ini: its
// preferences between runs, and the hand-over keys it writes for the capture
// driver before every recording.

#include <string>

namespace lumoset {

inline constexpr const char* kSettingsFileName = "O_VCAM.ini";
inline constexpr const char* kPreferencesSection = "Orvane.USB_VCAM";
inline constexpr const char* kDriverHandOverSection = "Orvane.VCAM_VFW";

inline constexpr int kLanguageOffsetStep = 1000;
inline constexpr int kLanguageIndexCount = 6;  // English .. Nederlands
inline constexpr int kSelectionCount = 3;      // quality and speed: 0, 1, 2

// Picture values are kept as stored, even outside the sliders' range, but
// no further than this, so that nothing computed from them can overflow.
inline constexpr int kPictureValueLimit = 1000;

struct Preferences {
    int quality = 1;
    int speed = 1;
    int brightness = 0;
    int contrast = 0;
    int hue = 0;
    int saturation = 0;
    int languageOffset = 0;  // 1000 x language index

    bool operator==(const Preferences&) const = default;
};

struct DriverHandOver {
    bool colour = true;
    bool zoomed = false;
    int quality = 1;
    int width = 160;
    int height = 120;
    int frameRate = 0;
    int frames = 0;  // frame rate x stop-after seconds
};

class CameraSettings {
public:
    explicit CameraSettings(std::string fileName = kSettingsFileName);

    // Missing keys, section or file give the defaults; a quality, speed or
    // language outside its range gives its default too.
    Preferences loadPreferences() const;
    // Quality, Speed, Brightness, Contrast, Hue, Saturation, Language, in
    // this order. Write failures are ignored.
    void savePreferences(const Preferences& preferences) const;

    // Color, Zoom, Quality, Width, Height, Frames, FrameRate, STOP ("1"),
    // in this order, before the capture window is made.
    void writeDriverHandOver(const DriverHandOver& handOver) const;
    // STOP = "0": ends a continuous recording in the driver.
    void signalDriverStop() const;

private:
    std::string fileName_;
};

} // namespace lumoset
