#include "camera/pages/picture_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "camera/core/string_table.h"
#include "platform/ui/file_dialog.h"

namespace lumoset {
namespace {

constexpr int kSizeNameFirst = 9001;
constexpr int kUnitCount = 3;  // seconds, minutes, hours
constexpr const char* kNoExtension = ".BMP";
constexpr const char* kDefaultSeriesFile = "snap.bmp";

constexpr std::array<const char*, kPhotoSizeCount> kSizeMarks = {
    "PAGE_SIZE_1", "PAGE_SIZE_2", "PAGE_SIZE_3", "PAGE_SIZE_4", "PAGE_SIZE_5"};
constexpr const char* kSingleMark = "PAGE_PHO_SNG";
constexpr const char* kSeriesMark = "PAGE_PHO_AUT";

} // namespace

SeriesFileName splitSeriesFileName(const std::string& fileName) {
  const std::size_t slash = fileName.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = fileName.find_last_of('.');
  if (dot != std::string::npos && dot > nameStart)
    return {fileName.substr(0, dot), fileName.substr(dot)};
  return {fileName, kNoExtension};
}

std::string seriesFileNameShown(const CapturedSettings& record, const std::string& programFolder) {
  std::string name = record.seriesBaseName + record.seriesExtension;
  if (!name.empty())
    return name;
  std::string folder = programFolder;
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  if (folder.empty())
    return kDefaultSeriesFile;
  if (folder == "/")
    return folder + kDefaultSeriesFile;
  return folder + "/" + kDefaultSeriesFile;
}

PicturePage::PicturePage(CapturedSettings& record, int languageOffset, std::string programFolder,
                         platform::ui::FileDialogService* fileDialogs, QWidget* parent)
    : SettingsPage(languageOffset, parent), record_(record),
      programFolder_(std::move(programFolder)), fileDialogs_(fileDialogs) {
  auto* sizeBox = addControl(kIdSizeGroup, new QGroupBox(text(kStrSize), this));
  auto* sizeLayout = new QVBoxLayout(sizeBox);
  sizeGroup_ = new QButtonGroup(this);
  for (int i = 0; i < kPhotoSizeCount; ++i) {
    auto* radio = addControl(kIdSizeFirst + i, new QRadioButton(
        QString::fromStdString(loadString(kSizeNameFirst + i)), sizeBox));
    sizeGroup_->addButton(radio, i);
    sizeLayout->addWidget(radio);
  }
  sizeLayout->addStretch();

  auto* autoSnap = addControl(kIdAutoSnap, new QCheckBox(text(kStrAutoSnap), this));
  auto* seriesBox = addControl(kIdSeriesGroup, new QGroupBox(this));
  auto* series = new QGridLayout(seriesBox);
  series->addWidget(addControl(kIdEveryLabel, new QLabel(text(kStrSnapEvery), seriesBox)), 0, 0);
  series->addWidget(addControl(kIdEveryValue, pagewidgets::valueEdit(seriesBox)), 0, 1);
  series->addWidget(addControl(kIdEveryUnit, pagewidgets::dropDownList(seriesBox)), 0, 2);
  series->addWidget(addControl(kIdTotalLabel, new QLabel(text(kStrTotalTime), seriesBox)), 1, 0);
  series->addWidget(addControl(kIdTotalValue, pagewidgets::valueEdit(seriesBox)), 1, 1);
  series->addWidget(addControl(kIdTotalUnit, pagewidgets::dropDownList(seriesBox)), 1, 2);
  series->addWidget(addControl(kIdFileLabel, new QLabel(text(kStrSaveSeries), seriesBox)), 2, 0,
                    1, 3);
  auto* fileRow = new QHBoxLayout;
  auto* fileName = addControl(kIdFileName, new QLineEdit(seriesBox));
  fileName->setMinimumWidth(fileName->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 28);
  fileRow->addWidget(fileName, 1);
  fileRow->addWidget(addControl(kIdBrowse, new QPushButton(text(kStrBrowse), seriesBox)));
  series->addLayout(fileRow, 3, 0, 1, 3);
  series->setColumnStretch(0, 1);

  strip_ = addControl(kIdStripFrame, new StripFrame(this, [this](QPainter& p, const QRect& r) {
                        paintStrip(p, r);
                      }));
  strip_->setFixedHeight(pagewidgets::kStripHeight);
  strip_->setMinimumWidth(kStripMarksWidth + 2 * pagewidgets::kStripMargin);

  auto* right = new QVBoxLayout;
  right->addWidget(autoSnap);
  right->addWidget(seriesBox);
  right->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(sizeBox);
  top->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addStretch();
  layout->addWidget(strip_);

  connect(autoSnap, &QCheckBox::clicked, this, [this](bool) { applyAutoSnapRule(); });
  connect(sizeGroup_, &QButtonGroup::idClicked, this, [this](int) { strip_->update(); });
  connect(controlAs<QPushButton>(kIdBrowse), &QPushButton::clicked, this, [this] { browse(); });
}

void PicturePage::onInitialise() {
  auto* everyUnit = controlAs<QComboBox>(kIdEveryUnit);
  auto* totalUnit = controlAs<QComboBox>(kIdTotalUnit);
  for (int i = 0; i < kUnitCount; ++i) {
    everyUnit->addItem(text(pagewidgets::kStrSeconds + i));
    totalUnit->addItem(text(pagewidgets::kStrSeconds + i));
  }
  size_ = std::clamp(record_.photoSize, 0, kPhotoSizeCount - 1);
  autoSnap_ = record_.autoSnap != 0 ? 1 : 0;
  everyValue_ = record_.snapEvery.value;
  totalValue_ = record_.totalTime.value;
  everyUnit->setCurrentIndex(std::clamp(record_.snapEvery.unit, 0, kUnitCount - 1));
  totalUnit->setCurrentIndex(std::clamp(record_.totalTime.unit, 0, kUnitCount - 1));
  fileName_ = QString::fromStdString(seriesFileNameShown(record_, programFolder_));
  putToControls();
  applyAutoSnapRule();
  marks_.load({kSizeMarks[0], kSizeMarks[1], kSizeMarks[2], kSizeMarks[3], kSizeMarks[4],
               kSingleMark, kSeriesMark});
}

bool PicturePage::exchangeFromControls() {
  autoSnap_ = controlAs<QCheckBox>(kIdAutoSnap)->isChecked() ? 1 : 0;
  size_ = std::max(sizeGroup_->checkedId(), 0);
  if (!exchangeInteger(kIdTotalValue, kTimeValueMin, kTimeValueMax, totalValue_))
    return false;
  fileName_ = controlAs<QLineEdit>(kIdFileName)->text();
  return exchangeInteger(kIdEveryValue, kTimeValueMin, kTimeValueMax, everyValue_);
}

void PicturePage::putToControls() {
  controlAs<QCheckBox>(kIdAutoSnap)->setChecked(autoSnap_ != 0);
  sizeGroup_->button(size_)->setChecked(true);
  putInteger(kIdTotalValue, totalValue_);
  controlAs<QLineEdit>(kIdFileName)->setText(fileName_);
  putInteger(kIdEveryValue, everyValue_);
}

void PicturePage::applyAutoSnapRule() {
  autoSnap_ = controlAs<QCheckBox>(kIdAutoSnap)->isChecked() ? 1 : 0;
  enableControls({kIdEveryLabel, kIdTotalLabel, kIdFileLabel, kIdFileName, kIdEveryValue,
                  kIdTotalValue, kIdEveryUnit, kIdTotalUnit, kIdBrowse},
                 autoSnap_ != 0);
  strip_->update();
}

void PicturePage::browse() {
  platform::ui::FileDialogRequest request;
  request.kind = platform::ui::FileDialogKind::Open;
  request.defaultName = kBrowseDefaultName;
  request.defaultExtension = kBrowseDefaultExtension;
  request.flags = platform::ui::kOfnOverwritePrompt | platform::ui::kOfnHideReadOnly |
                  platform::ui::kOfnNoChangeDir | platform::ui::kOfnLongNames;
  request.filter = kBrowseFilter;
  platform::ui::FileDialogService& dialogs =
      fileDialogs_ != nullptr ? *fileDialogs_ : platform::ui::fileDialogService();
  const std::optional<std::string> chosen = dialogs.choose(this, request);
  if (!chosen)
    return;
  // Only the name changes: whatever else the user typed stays in its edit.
  fileName_ = QString::fromStdString(*chosen);
  controlAs<QLineEdit>(kIdFileName)->setText(fileName_);
}

bool PicturePage::leave() {
  if (!exchangeFromControls())
    return false;
  const TimeAmount total{totalValue_, controlAs<QComboBox>(kIdTotalUnit)->currentIndex()};
  const TimeAmount every{everyValue_, controlAs<QComboBox>(kIdEveryUnit)->currentIndex()};
  if (total.seconds() < every.seconds()) {
    showPageMessage(kStrTotalTooShort);
    return false;
  }
  return true;
}

void PicturePage::apply() {
  if (!exchangeFromControls())
    return;
  record_.photoSize = size_;
  record_.autoSnap = autoSnap_;
  record_.snapEvery.value = everyValue_;
  record_.totalTime.value = totalValue_;
  record_.snapEvery.unit = controlAs<QComboBox>(kIdEveryUnit)->currentIndex();
  record_.totalTime.unit = controlAs<QComboBox>(kIdTotalUnit)->currentIndex();
  SeriesFileName split = splitSeriesFileName(fileName_.toStdString());
  record_.seriesBaseName = std::move(split.base);
  record_.seriesExtension = std::move(split.extension);
}

std::array<const char*, 2> PicturePage::stripBitmapNames() const {
  const int size = std::clamp(sizeGroup_->checkedId(), 0, kPhotoSizeCount - 1);
  const bool series = controlAs<QCheckBox>(kIdAutoSnap)->isChecked();
  return {kSizeMarks[size], series ? kSeriesMark : kSingleMark};
}

void PicturePage::paintStrip(QPainter& painter, const QRect& rect) {
  painter.fillRect(rect, Qt::black);
  if (!isInitialised())
    return;
  const auto names = stripBitmapNames();
  const int x0 = rect.left() + (rect.width() - kStripMarksWidth) / 2;
  marks_.draw(painter, rect, x0, names[0]);
  marks_.draw(painter, rect, x0 + kStripModeX, names[1]);
}

} // namespace lumoset
