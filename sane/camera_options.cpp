#include "sane/camera_options.h"

#include "platform/ovcam/ovcam.h"

#include <sane/saneopts.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace rz410 {
namespace {

// The camera's capture sizes. The resolution option names a size by its
// width: a camera has no dots per inch, and a width is what every front end
// can show in its resolution control.
struct CaptureSize {
    SANE_Word width;
    SANE_Word height;
};
constexpr CaptureSize kCaptureSizes[] = {{160, 120}, {176, 144}, {320, 240}, {352, 288}, {640, 480}};
constexpr SANE_Word kDefaultWidth = 640;

// First entry is the number of words that follow.
const SANE_Word kResolutionList[] = {5, 160, 176, 320, 352, 640};

const char kModeColor[] = SANE_VALUE_SCAN_MODE_COLOR;
const char kModeGray[] = SANE_VALUE_SCAN_MODE_GRAY;
SANE_String_Const kModeList[] = {kModeColor, kModeGray, nullptr};
constexpr SANE_Word kModeIndexColor = 0;

// Shutter values in the order of the camera's exposure steps.
const char kShutterShort[] = "Short";
const char kShutterMedium[] = "Medium";
const char kShutterLong[] = "Long";
SANE_String_Const kShutterList[] = {kShutterShort, kShutterMedium, kShutterLong, nullptr};
constexpr char kShutterCharacters[] = {OVCAM_SHUTTER_SHORT, OVCAM_SHUTTER_MEDIUM, OVCAM_SHUTTER_LONG};

// Brightness, contrast, hue and saturation are steps of the camera's picture
// tables; 0 leaves the picture as the camera sees it.
const SANE_Range kPictureStepRange = {-10, 10, 1};

constexpr SANE_Int kSettable = SANE_CAP_SOFT_SELECT | SANE_CAP_SOFT_DETECT;

SANE_Int listSize(const SANE_String_Const* list)
{
    std::size_t longest = 0;
    for (; *list != nullptr; ++list)
        longest = std::max(longest, std::strlen(*list));
    return static_cast<SANE_Int>(longest + 1);
}

SANE_Int listLength(const SANE_String_Const* list)
{
    SANE_Int count = 0;
    while (list[count] != nullptr)
        ++count;
    return count;
}

SANE_Option_Descriptor group(const char* title)
{
    SANE_Option_Descriptor d{};
    d.name = "";
    d.title = title;
    d.desc = "";
    d.type = SANE_TYPE_GROUP;
    d.cap = 0;
    d.constraint_type = SANE_CONSTRAINT_NONE;
    return d;
}

SANE_Option_Descriptor pictureStep(const char* name, const char* title, const char* desc)
{
    SANE_Option_Descriptor d{};
    d.name = name;
    d.title = title;
    d.desc = desc;
    d.type = SANE_TYPE_INT;
    d.unit = SANE_UNIT_NONE;
    d.size = sizeof(SANE_Word);
    d.cap = kSettable;
    d.constraint_type = SANE_CONSTRAINT_RANGE;
    d.constraint.range = &kPictureStepRange;
    return d;
}

SANE_Option_Descriptor stringList(const char* name, const char* title, const char* desc,
                                  const SANE_String_Const* list)
{
    SANE_Option_Descriptor d{};
    d.name = name;
    d.title = title;
    d.desc = desc;
    d.type = SANE_TYPE_STRING;
    d.unit = SANE_UNIT_NONE;
    d.size = listSize(list);
    d.cap = kSettable;
    d.constraint_type = SANE_CONSTRAINT_STRING_LIST;
    d.constraint.string_list = list;
    return d;
}

SANE_Word nearestWord(const SANE_Word* list, SANE_Word wanted)
{
    SANE_Word best = list[1];
    for (SANE_Word i = 1; i <= list[0]; ++i) {
        // Distances as 64-bit: a wanted value near the ends of SANE_Word must not overflow.
        const long long distance = std::llabs(static_cast<long long>(list[i]) - wanted);
        if (distance < std::llabs(static_cast<long long>(best) - wanted))
            best = list[i];
    }
    return best;
}

SANE_Word heightForWidth(SANE_Word width)
{
    for (const CaptureSize& size : kCaptureSizes) {
        if (size.width == width)
            return size.height;
    }
    return kCaptureSizes[0].height;
}

} // namespace

CameraOptions::CameraOptions()
{
    SANE_Option_Descriptor& count = descriptors_[kOptionCount];
    count.name = "";
    count.title = SANE_TITLE_NUM_OPTIONS;
    count.desc = SANE_DESC_NUM_OPTIONS;
    count.type = SANE_TYPE_INT;
    count.unit = SANE_UNIT_NONE;
    count.size = sizeof(SANE_Word);
    count.cap = SANE_CAP_SOFT_DETECT;
    count.constraint_type = SANE_CONSTRAINT_NONE;
    values_[kOptionCount] = kNumberOfOptions;

    descriptors_[kOptionModeGroup] = group(SANE_TITLE_SCAN_MODE);

    descriptors_[kOptionMode] = stringList(SANE_NAME_SCAN_MODE, SANE_TITLE_SCAN_MODE, SANE_DESC_SCAN_MODE, kModeList);
    values_[kOptionMode] = kModeIndexColor;

    SANE_Option_Descriptor& resolution = descriptors_[kOptionResolution];
    resolution.name = SANE_NAME_SCAN_RESOLUTION;
    resolution.title = "Capture size";
    resolution.desc = "Picture size, given by its width: 160 (160 x 120), 176 (176 x 144), 320 (320 x 240), "
                      "352 (352 x 288) or 640 (640 x 480 pixels).";
    resolution.type = SANE_TYPE_INT;
    resolution.unit = SANE_UNIT_DPI;
    resolution.size = sizeof(SANE_Word);
    resolution.cap = kSettable;
    resolution.constraint_type = SANE_CONSTRAINT_WORD_LIST;
    resolution.constraint.word_list = kResolutionList;
    values_[kOptionResolution] = kDefaultWidth;

    SANE_Option_Descriptor& preview = descriptors_[kOptionPreview];
    preview.name = SANE_NAME_PREVIEW;
    preview.title = SANE_TITLE_PREVIEW;
    preview.desc = "Take the picture from the camera's coarse, faster frames.";
    preview.type = SANE_TYPE_BOOL;
    preview.unit = SANE_UNIT_NONE;
    preview.size = sizeof(SANE_Word);
    preview.cap = kSettable;
    preview.constraint_type = SANE_CONSTRAINT_NONE;
    values_[kOptionPreview] = SANE_FALSE;

    descriptors_[kOptionEnhancementGroup] = group("Enhancement");
    descriptors_[kOptionBrightness] = pictureStep(SANE_NAME_BRIGHTNESS, SANE_TITLE_BRIGHTNESS, SANE_DESC_BRIGHTNESS);
    descriptors_[kOptionContrast] = pictureStep(SANE_NAME_CONTRAST, SANE_TITLE_CONTRAST, SANE_DESC_CONTRAST);
    descriptors_[kOptionHue] = pictureStep(SANE_NAME_HUE, SANE_TITLE_HUE, "Turns the colours of the picture.");
    descriptors_[kOptionSaturation] =
        pictureStep(SANE_NAME_SATURATION, SANE_TITLE_SATURATION, "Strength of the colours of the picture.");

    descriptors_[kOptionShutter] =
        stringList("shutter", "Shutter", "Exposure of the picture: a longer one gives a brighter picture.",
                   kShutterList);
    values_[kOptionShutter] = 0;
}

const SANE_Option_Descriptor* CameraOptions::descriptor(SANE_Int option) const
{
    if (option < 0 || option >= kNumberOfOptions)
        return nullptr;
    return &descriptors_[static_cast<std::size_t>(option)];
}

SANE_Status CameraOptions::control(SANE_Int option, SANE_Action action, void* value, SANE_Int* info, bool busy)
{
    if (info != nullptr)
        *info = 0;
    const SANE_Option_Descriptor* d = descriptor(option);
    if (d == nullptr || value == nullptr || d->type == SANE_TYPE_GROUP)
        return SANE_STATUS_INVAL;
    const SANE_Word current = values_[static_cast<std::size_t>(option)];

    switch (action) {
    case SANE_ACTION_GET_VALUE:
        if (d->type == SANE_TYPE_STRING) {
            const char* text = d->constraint.string_list[current];
            std::memcpy(value, text, std::strlen(text) + 1);
        } else {
            std::memcpy(value, &current, sizeof current);
        }
        return SANE_STATUS_GOOD;
    case SANE_ACTION_SET_VALUE:
        if (!SANE_OPTION_IS_SETTABLE(d->cap))
            return SANE_STATUS_INVAL;
        if (busy)
            return SANE_STATUS_DEVICE_BUSY;
        return setValue(option, value, info);
    case SANE_ACTION_SET_AUTO:  // no option has an automatic value
    default:
        return SANE_STATUS_INVAL;
    }
}

SANE_Status CameraOptions::setValue(SANE_Int option, const void* value, SANE_Int* info)
{
    const SANE_Option_Descriptor& d = descriptors_[static_cast<std::size_t>(option)];
    SANE_Word& stored = values_[static_cast<std::size_t>(option)];
    SANE_Int flags = 0;

    if (d.type == SANE_TYPE_STRING) {
        // The front end's buffer is only known to hold a terminated string;
        // one longer than the longest allowed value is not one of them.
        const char* text = static_cast<const char*>(value);
        if (::strnlen(text, static_cast<std::size_t>(d.size)) == static_cast<std::size_t>(d.size))
            return SANE_STATUS_INVAL;
        const SANE_Int count = listLength(d.constraint.string_list);
        SANE_Int match = -1;
        for (SANE_Int i = 0; i < count; ++i) {
            if (::strcasecmp(text, d.constraint.string_list[i]) == 0) {
                match = i;
                break;
            }
        }
        if (match < 0)
            return SANE_STATUS_INVAL;
        if (std::strcmp(text, d.constraint.string_list[match]) != 0)
            flags |= SANE_INFO_INEXACT;
        stored = match;
    } else {
        SANE_Word wanted = 0;
        std::memcpy(&wanted, value, sizeof wanted);  // the caller's buffer need not be aligned
        SANE_Word accepted = wanted;
        if (d.type == SANE_TYPE_BOOL) {
            if (wanted != SANE_FALSE && wanted != SANE_TRUE)
                return SANE_STATUS_INVAL;
        } else if (d.constraint_type == SANE_CONSTRAINT_RANGE) {
            accepted = std::clamp(wanted, d.constraint.range->min, d.constraint.range->max);
        } else if (d.constraint_type == SANE_CONSTRAINT_WORD_LIST) {
            accepted = nearestWord(d.constraint.word_list, wanted);
        }
        if (accepted != wanted)
            flags |= SANE_INFO_INEXACT;
        stored = accepted;
    }

    if (option == kOptionMode || option == kOptionResolution)
        flags |= SANE_INFO_RELOAD_PARAMS;
    if (info != nullptr)
        *info = flags;
    return SANE_STATUS_GOOD;
}

CaptureSettings CameraOptions::settings() const
{
    CaptureSettings s;
    s.colour = values_[kOptionMode] == kModeIndexColor;
    s.width = values_[kOptionResolution];
    s.height = heightForWidth(s.width);
    s.preview = values_[kOptionPreview] == SANE_TRUE;
    s.brightness = values_[kOptionBrightness];
    s.contrast = values_[kOptionContrast];
    s.hue = values_[kOptionHue];
    s.saturation = values_[kOptionSaturation];
    s.shutter = kShutterCharacters[values_[kOptionShutter]];
    return s;
}

SANE_Parameters CameraOptions::parameters() const
{
    const CaptureSettings s = settings();
    SANE_Parameters p{};
    p.format = s.colour ? SANE_FRAME_RGB : SANE_FRAME_GRAY;
    p.last_frame = SANE_TRUE;
    p.pixels_per_line = s.width;
    p.bytes_per_line = s.width * (s.colour ? 3 : 1);
    p.lines = s.height;
    p.depth = 8;
    return p;
}

} // namespace rz410
