#pragma once
// The options a front end sees for one open camera: one table row per option
// (descriptor and current value), looked up by index. Values from the front
// end are checked against the row's constraint: numbers out of range are
// brought to the nearest allowed value and reported as inexact, anything
// else that does not fit is refused.

#include <sane/sane.h>

#include <array>

namespace rz410 {

enum OptionIndex : int {
    kOptionCount = 0,
    kOptionModeGroup,
    kOptionMode,
    kOptionResolution,
    kOptionPreview,
    kOptionEnhancementGroup,
    kOptionBrightness,
    kOptionContrast,
    kOptionHue,
    kOptionSaturation,
    kOptionShutter,
    kNumberOfOptions
};

// What a picture is taken with, derived from the current values.
struct CaptureSettings {
    bool colour = true;
    int width = 0;
    int height = 0;
    bool preview = false;
    int brightness = 0;
    int contrast = 0;
    int hue = 0;
    int saturation = 0;
    char shutter = 0;  // OVCAM_SHUTTER_*
};

class CameraOptions {
public:
    CameraOptions();

    // Null for an index out of range.
    const SANE_Option_Descriptor* descriptor(SANE_Int option) const;

    // One sane_control_option call. `info` may be null. While `busy` (a scan
    // runs) values can be read but not changed.
    SANE_Status control(SANE_Int option, SANE_Action action, void* value, SANE_Int* info, bool busy);

    CaptureSettings settings() const;
    // The picture the current values give, as the front end is told it.
    SANE_Parameters parameters() const;

private:
    SANE_Status setValue(SANE_Int option, const void* value, SANE_Int* info);

    std::array<SANE_Option_Descriptor, kNumberOfOptions> descriptors_{};
    // Integers and booleans as they are; string options as the index of the
    // value in their list.
    std::array<SANE_Word, kNumberOfOptions> values_{};
};

} // namespace rz410
