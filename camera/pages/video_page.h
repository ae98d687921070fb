#pragma once
// The Video page of the settings sheet: capture size, recording type
// (continuous, time lapse, manual), the time-lapse interval, the stop-after
// time and the sound, summed up in a strip of small bitmaps.

#include <QImage>
#include <array>

#include "camera/core/captured_settings.h"
#include "camera/pages/page_widgets.h"
#include "camera/pages/settings_page.h"

class QButtonGroup;

namespace lumoset {

class VideoPage final : public SettingsPage {
public:
  static constexpr int kDialogId = 130;

  // Control ids.
  static constexpr int kIdSizeGroup = 1085;
  static constexpr int kIdSizeFirst = 1074;  // 1074..1077, sizes 0..3
  static constexpr int kIdTypeGroup = 1086;
  static constexpr int kIdContinuous = 1020;
  static constexpr int kIdTimeLapse = 1021;
  static constexpr int kIdManual = 1022;
  static constexpr int kIdLapseLabel = 1082;
  static constexpr int kIdLapseValue = 1023;
  static constexpr int kIdLapseUnit = 1069;
  static constexpr int kIdStopLabel = 1072;
  static constexpr int kIdStopValue = 1029;
  static constexpr int kIdStopUnit = 1032;
  static constexpr int kIdSoundGroup = 1115;
  static constexpr int kIdRecordSound = 1030;
  static constexpr int kIdQualityLabel = 1071;
  static constexpr int kIdQuality = 1024;
  static constexpr int kIdQualityFormat = 1083;

  // Base string ids.
  static constexpr int kStrTabTitle = 10100;
  static constexpr int kStrSize = 10101;
  static constexpr int kStrType = 10102;
  static constexpr int kStrContinuous = 10103;
  static constexpr int kStrTimeLapse = 10104;
  static constexpr int kStrManual = 10105;
  static constexpr int kStrOneFrameEvery = 10106;
  static constexpr int kStrStopAfter = 10110;
  static constexpr int kStrRecordSound = 10113;
  static constexpr int kStrQuality = 10114;
  static constexpr int kStrTelephone = 10115;  // 10116 Radio
  static constexpr int kStrQualityFormat = 10118;  // + quality
  static constexpr int kStrLapseTooLong = 10320;

  // Strip layout: the three marks span this width.
  static constexpr int kStripMarksWidth = 161;
  static constexpr int kStripTypeX = 65;
  static constexpr int kStripSoundX = 130;

  VideoPage(CapturedSettings& record, int languageOffset, QWidget* parent = nullptr);

  bool leave() override;
  void apply() override;

  // The bitmaps the strip shows now, left to right.
  std::array<const char*, 3> stripBitmapNames() const;

private:
  void onInitialise() override;
  void readChoices();
  bool exchangeFromControls();
  void putToControls();
  void applyTypeRule();
  void applySoundRule();
  void qualityChanged(int selection);
  void paintStrip(QPainter& painter, const QRect& rect);

  CapturedSettings& record_;
  QButtonGroup* sizeGroup_ = nullptr;
  QButtonGroup* typeGroup_ = nullptr;
  StripFrame* strip_ = nullptr;
  pagewidgets::StripMarks marks_;

  // The page's copies.
  int recordSound_ = 0;
  int lapseValue_ = 1;
  int stopValue_ = 10;
  int type_ = kVideoContinuous;
  int size_ = 0;
  int quality_ = 0;
};

} // namespace lumoset
