#include "camera/pages/sheet_changes.h"

namespace lumoset {

int soundIndicatorState(const CapturedSettings& record) {
  return record.recordSound == 1 ? record.soundQuality : kSoundIndicatorOff;
}

SheetChanges applySheetChanges(const CapturedSettings& lastApplied, CapturedSettings& live) {
  SheetChanges changes;
  changes.photoSize = live.photoSize != lastApplied.photoSize;
  changes.autoSnap = live.autoSnap != lastApplied.autoSnap;
  changes.photo = changes.photoSize || changes.autoSnap ||
                  live.snapEvery != lastApplied.snapEvery ||
                  live.totalTime != lastApplied.totalTime ||
                  live.seriesBaseName != lastApplied.seriesBaseName ||
                  live.seriesExtension != lastApplied.seriesExtension;
  if (changes.photo && live.autoSnap == 1) {
    live.snapTotalSec = live.totalTime.seconds();
    live.snapIntervalSec = live.snapEvery.seconds();
  }

  changes.videoType = live.videoType != lastApplied.videoType;
  changes.videoSize = live.videoSize != lastApplied.videoSize;
  changes.video = changes.videoType || changes.videoSize ||
                  live.stopAfter != lastApplied.stopAfter ||
                  live.frameEvery != lastApplied.frameEvery ||
                  live.recordSound != lastApplied.recordSound ||
                  live.soundQuality != lastApplied.soundQuality;
  if (changes.video) {
    if (live.videoType == kVideoContinuous || live.videoType == kVideoTimeLapse)
      live.stopAfterSec = live.stopAfter.seconds();
    if (live.videoType == kVideoTimeLapse)
      live.frameIntervalSec = live.frameEvery.seconds();
  }
  changes.soundIndicator = soundIndicatorState(live);
  return changes;
}

} // namespace lumoset
