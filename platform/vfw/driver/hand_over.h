#pragma once
// The keys the camera program leaves for the capture driver in section
// Orvane.VCAM_VFW of O_VCAM.ini just before it records, and the run signal
// STOP ("0" ends a continuous recording).

#include <string_view>

namespace vdocap {

inline constexpr std::string_view kSettingsFile = "O_VCAM.ini";
inline constexpr std::string_view kHandOverSection = "Orvane.VCAM_VFW";

struct HandOver {
    bool colour = true;
    bool zoomed = false;
    int quality = 1;
    int width = 160;
    int height = 120;
    int frameRate = 0;
    int frames = 0;
};

// Missing or unusable values give the defaults above; a size that is not
// one of the four video sizes gives 160 x 120.
HandOver readHandOver();
// False once STOP reads "0".
bool runSignal();

} // namespace vdocap
