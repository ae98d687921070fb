#include <gtest/gtest.h>

#include "camera/pages/picture_page.h"
#include "camera/pages/sheet_changes.h"

namespace lumoset {
namespace {

TEST(SheetChangesTest, SeriesSecondsFollowTheUnitsOnlyWithAutoSnapOn) {
  const CapturedSettings before;
  CapturedSettings live = before;
  live.snapIntervalSec = 99;  // nothing changed: a stale value stays as it is
  EXPECT_FALSE(applySheetChanges(before, live).any());
  EXPECT_EQ(live.snapIntervalSec, 99);
  live.snapIntervalSec = 5;

  live.snapEvery = {2, kUnitMinutes};
  live.totalTime = {3, kUnitHours};
  SheetChanges changes = applySheetChanges(before, live);
  EXPECT_TRUE(changes.photo);
  EXPECT_FALSE(changes.autoSnap);
  EXPECT_EQ(live.snapIntervalSec, 5);  // auto snap off: left alone
  EXPECT_EQ(live.snapTotalSec, 20);

  live.autoSnap = 1;
  changes = applySheetChanges(before, live);
  EXPECT_TRUE(changes.autoSnap);
  EXPECT_FALSE(changes.photoSize);
  EXPECT_EQ(live.snapIntervalSec, 120);
  EXPECT_EQ(live.snapTotalSec, 3 * 3600);

  // A new series file name alone is a photo change too.
  CapturedSettings named = before;
  named.autoSnap = 1;
  CapturedSettings renamed = named;
  renamed.seriesBaseName = "/tmp/x";
  renamed.totalTime = {1, kUnitMinutes};
  renamed.snapTotalSec = 0;
  named.totalTime = renamed.totalTime;
  EXPECT_TRUE(applySheetChanges(named, renamed).photo);
  EXPECT_EQ(renamed.snapTotalSec, 60);
}

TEST(SheetChangesTest, VideoSecondsDependOnTheRecordingType) {
  const CapturedSettings before;
  CapturedSettings live = before;
  live.stopAfter = {2, kUnitMinutes};
  live.frameEvery = {1, kUnitHours};
  applySheetChanges(before, live);
  EXPECT_EQ(live.stopAfterSec, 120);  // continuous: the stop time only
  EXPECT_EQ(live.frameIntervalSec, 1);

  live.videoType = kVideoTimeLapse;
  SheetChanges changes = applySheetChanges(before, live);
  EXPECT_TRUE(changes.videoType);
  EXPECT_EQ(live.frameIntervalSec, 3600);

  CapturedSettings manual = before;
  manual.videoType = kVideoManual;
  manual.stopAfter = {50, kUnitSeconds};
  applySheetChanges(before, manual);
  EXPECT_EQ(manual.stopAfterSec, 10);  // manual derives nothing

  CapturedSettings sound = before;
  sound.recordSound = 1;
  sound.soundQuality = 1;
  changes = applySheetChanges(before, sound);
  EXPECT_TRUE(changes.video);
  EXPECT_FALSE(changes.videoSize);
  EXPECT_EQ(changes.soundIndicator, 1);
}

TEST(SeriesFileNameTest, SplitsAtTheLastDotOfTheNameOnly) {
  auto split = splitSeriesFileName("/home/ann/pictures/holiday.jpg");
  EXPECT_EQ(split.base, "/home/ann/pictures/holiday");
  EXPECT_EQ(split.extension, ".jpg");
  split = splitSeriesFileName("series.2026.tif");
  EXPECT_EQ(split.base, "series.2026");
  EXPECT_EQ(split.extension, ".tif");

  // No dot, a dot only as the name's first character, a dot only in a folder.
  for (const std::string name : {"/home/ann/holiday", ".jpg", "/home/ann/.jpg", "/home/a.b/snap", ""}) {
    split = splitSeriesFileName(name);
    EXPECT_EQ(split.base, name);
    EXPECT_EQ(split.extension, ".BMP") << name;
  }
}

TEST(SeriesFileNameTest, ShownNameDefaultsToSnapInTheProgramFolder) {
  CapturedSettings record;
  EXPECT_EQ(seriesFileNameShown(record, "/opt/lumoset"), "/opt/lumoset/snap.bmp");
  EXPECT_EQ(seriesFileNameShown(record, "/opt/lumoset/"), "/opt/lumoset/snap.bmp");
  EXPECT_EQ(seriesFileNameShown(record, "/"), "/snap.bmp");
  record.seriesBaseName = "/tmp/run";
  record.seriesExtension = ".pcx";
  EXPECT_EQ(seriesFileNameShown(record, "/opt/lumoset"), "/tmp/run.pcx");
}

} // namespace
} // namespace lumoset
