#pragma once
// The Picture page of the settings sheet: photo size, single pictures or an
// auto-snap series with its interval, total time and file name, summed up
// in a strip of small bitmaps.

#include <array>
#include <string>

#include "camera/core/captured_settings.h"
#include "camera/pages/page_widgets.h"
#include "camera/pages/settings_page.h"

class QButtonGroup;

namespace platform::ui {
class FileDialogService;
}

namespace lumoset {

struct SeriesFileName {
  std::string base;
  std::string extension;  // with its dot
};

// Splits a series file name at the last dot of its last path component,
// when that dot is not the component's first character; a name without such
// a dot keeps all of it as base and gets ".BMP". Dots in folder names never
// split.
SeriesFileName splitSeriesFileName(const std::string& fileName);

// The file name the page shows for the record: base + extension, or
// `programFolder`/snap.bmp when both are empty.
std::string seriesFileNameShown(const CapturedSettings& record, const std::string& programFolder);

class PicturePage final : public SettingsPage {
public:
  static constexpr int kDialogId = 131;

  // Control ids.
  static constexpr int kIdSizeGroup = 1088;
  static constexpr int kIdSizeFirst = 1055;  // 1055..1059, sizes 0..4
  static constexpr int kIdAutoSnap = 1068;
  static constexpr int kIdSeriesGroup = 1089;
  static constexpr int kIdEveryLabel = 1061;
  static constexpr int kIdEveryValue = 1064;
  static constexpr int kIdEveryUnit = 1066;
  static constexpr int kIdTotalLabel = 1062;
  static constexpr int kIdTotalValue = 1049;
  static constexpr int kIdTotalUnit = 1067;
  static constexpr int kIdFileLabel = 1063;
  static constexpr int kIdFileName = 1065;
  static constexpr int kIdBrowse = 1050;

  // Base string ids.
  static constexpr int kStrTabTitle = 10001;
  static constexpr int kStrSize = 10002;
  static constexpr int kStrAutoSnap = 10003;
  static constexpr int kStrSnapEvery = 10004;
  static constexpr int kStrTotalTime = 10005;
  static constexpr int kStrSaveSeries = 10006;
  static constexpr int kStrBrowse = 10007;
  static constexpr int kStrTotalTooShort = 10319;

  // Strip layout: the two marks span this width.
  static constexpr int kStripMarksWidth = 80;
  static constexpr int kStripModeX = 55;

  // What Browse asks the file dialog for.
  static constexpr const char* kBrowseDefaultName = "Capture";
  static constexpr const char* kBrowseDefaultExtension = "bmp";
  static constexpr const char* kBrowseFilter =
      "PCX Files (*.pcx)|*.pcx|GIF Files (*.gif)|*.gif|TIF Files (*.tif)|*.tif|"
      "TGA Files (*.tga)|*.tga|Bitmap Files (*.bmp)|*.bmp|";

  // `fileDialogs`: the service Browse uses; null for the installed one.
  PicturePage(CapturedSettings& record, int languageOffset, std::string programFolder,
              platform::ui::FileDialogService* fileDialogs, QWidget* parent = nullptr);

  bool leave() override;
  void apply() override;

  // The bitmaps the strip shows now, left to right.
  std::array<const char*, 2> stripBitmapNames() const;

private:
  void onInitialise() override;
  bool exchangeFromControls();
  void putToControls();
  void applyAutoSnapRule();
  void browse();
  void paintStrip(QPainter& painter, const QRect& rect);

  CapturedSettings& record_;
  std::string programFolder_;
  platform::ui::FileDialogService* fileDialogs_;
  QButtonGroup* sizeGroup_ = nullptr;
  StripFrame* strip_ = nullptr;
  pagewidgets::StripMarks marks_;

  // The page's copies.
  int autoSnap_ = 0;
  int size_ = 2;
  int totalValue_ = 20;
  QString fileName_;
  int everyValue_ = 5;
};

} // namespace lumoset
