#pragma once
// The captured-settings record: the photo and video values the settings
// sheet edits and photo capture and recording read. Nothing of it is stored
// between runs; every run starts from these defaults.

#include <string>

namespace lumoset {

// Photo sizes, index 0..4, and video sizes, index 0..3 (the first four).
inline constexpr int kPhotoSizeCount = 5;
inline constexpr int kVideoSizeCount = 4;

// Time units: a value with unit u is value x 60^u seconds.
inline constexpr int kUnitSeconds = 0;
inline constexpr int kUnitMinutes = 1;
inline constexpr int kUnitHours = 2;

inline constexpr int kVideoContinuous = 0;
inline constexpr int kVideoTimeLapse = 1;
inline constexpr int kVideoManual = 2;

struct TimeAmount {
    int value = 0;
    int unit = kUnitSeconds;

    // value x 60^unit; a unit below 0 counts as seconds, one above 2 as hours.
    long long seconds() const
    {
        long long s = value;
        for (int u = 0; u < unit && u < kUnitHours; ++u)
            s *= 60;
        return s;
    }
    friend bool operator==(const TimeAmount&, const TimeAmount&) = default;
};

struct CapturedSettings {
    // Photo
    int photoSize = 2;  // 320 x 240
    int autoSnap = 0;   // 0 single, 1 series
    TimeAmount snapEvery{5, kUnitSeconds};
    TimeAmount totalTime{20, kUnitSeconds};
    std::string seriesBaseName;   // the series file name without its extension
    std::string seriesExtension;  // with its dot, e.g. ".tif"

    // Video
    int videoType = kVideoContinuous;
    int videoSize = 0;  // 160 x 120
    TimeAmount stopAfter{10, kUnitSeconds};
    TimeAmount frameEvery{1, kUnitSeconds};
    int recordSound = 0;
    int soundQuality = 0;  // 0 telephone, 1 radio, 2 CD

    // Derived, in seconds.
    long long snapIntervalSec = 5;
    long long snapTotalSec = 20;
    long long frameIntervalSec = 1;
    long long stopAfterSec = 10;

    friend bool operator==(const CapturedSettings&, const CapturedSettings&) = default;
};

} // namespace lumoset
