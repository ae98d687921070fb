#pragma once
// What the main window does with the captured-settings record after the
// settings sheet has closed: find what changed against the copy it last
// applied, and bring the derived seconds up to date.

#include "camera/core/captured_settings.h"

namespace lumoset {

// The sound indicator's state when no sound is recorded (0..2 are the
// sound qualities).
inline constexpr int kSoundIndicatorOff = 3;

struct SheetChanges {
  bool photoSize = false;  // redraw the photo size indicator
  bool autoSnap = false;   // redraw the single / series indicator
  bool photo = false;      // any photo field
  bool videoType = false;  // redraw the recording type indicator
  bool videoSize = false;  // redraw the video size indicator
  bool video = false;      // any video field: redraw the sound indicator
  int soundIndicator = kSoundIndicatorOff;

  bool any() const { return photo || video; }
};

// The sound indicator's state for `record`.
int soundIndicatorState(const CapturedSettings& record);

// Compares `live` with `lastApplied` and recomputes in `live` the derived
// seconds the changes call for: the series interval and total when a photo
// field changed with auto snap on; the stop time for a continuous recording,
// the stop time and frame interval for a time-lapse one when a video field
// changed. The caller then redraws what the result names and makes
// `lastApplied` a copy of `live`.
SheetChanges applySheetChanges(const CapturedSettings& lastApplied, CapturedSettings& live);

} // namespace lumoset
