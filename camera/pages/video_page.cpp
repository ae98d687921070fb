#include "camera/pages/video_page.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "camera/core/string_table.h"
#include "camera/pages/page_widgets.h"

namespace lumoset {
namespace {

constexpr int kSizeNameFirst = 9001;
constexpr int kStopUnitCount = 2;   // seconds, minutes
constexpr int kLapseUnitCount = 3;  // seconds, minutes, hours
constexpr int kQualityCount = 2;    // telephone, radio

constexpr std::array<const char*, kVideoSizeCount> kSizeMarks = {"PAGE_SIZE_1", "PAGE_SIZE_2",
                                                                 "PAGE_SIZE_3", "PAGE_SIZE_4"};
constexpr std::array<const char*, 3> kTypeMarks = {"PAGE_VDO_CON", "PAGE_VDO_LAPS",
                                                   "PAGE_VDO_MANU"};
constexpr std::array<const char*, kQualityCount> kSoundMarks = {"PAGE_SND_TEL", "PAGE_SND_RAD"};
constexpr const char* kNoSoundMark = "PAGE_SND_NO";

} // namespace

VideoPage::VideoPage(CapturedSettings& record, int languageOffset, QWidget* parent)
    : SettingsPage(languageOffset, parent), record_(record) {
  auto* sizeBox = addControl(kIdSizeGroup, new QGroupBox(text(kStrSize), this));
  auto* sizeLayout = new QVBoxLayout(sizeBox);
  sizeGroup_ = new QButtonGroup(this);
  for (int i = 0; i < kVideoSizeCount; ++i) {
    auto* radio = addControl(kIdSizeFirst + i, new QRadioButton(
        QString::fromStdString(loadString(kSizeNameFirst + i)), sizeBox));
    sizeGroup_->addButton(radio, i);
    sizeLayout->addWidget(radio);
  }
  sizeLayout->addStretch();

  auto* typeBox = addControl(kIdTypeGroup, new QGroupBox(text(kStrType), this));
  auto* typeLayout = new QGridLayout(typeBox);
  typeGroup_ = new QButtonGroup(this);
  auto* continuous = addControl(kIdContinuous, new QRadioButton(text(kStrContinuous), typeBox));
  auto* timeLapse = addControl(kIdTimeLapse, new QRadioButton(text(kStrTimeLapse), typeBox));
  typeGroup_->addButton(continuous, kVideoContinuous);
  typeGroup_->addButton(timeLapse, kVideoTimeLapse);
  typeLayout->addWidget(continuous, 0, 0, 1, 3);
  typeLayout->addWidget(timeLapse, 1, 0, 1, 3);
  auto* lapseLabel = addControl(kIdLapseLabel, new QLabel(text(kStrOneFrameEvery), typeBox));
  lapseLabel->setIndent(pagewidgets::kRowIndent);
  typeLayout->addWidget(lapseLabel, 2, 0);
  typeLayout->addWidget(addControl(kIdLapseValue, pagewidgets::valueEdit(typeBox)), 2, 1);
  typeLayout->addWidget(addControl(kIdLapseUnit, pagewidgets::dropDownList(typeBox)), 2, 2);
  auto* manual = addControl(kIdManual, new QRadioButton(text(kStrManual), typeBox));
  typeGroup_->addButton(manual, kVideoManual);
  typeLayout->addWidget(manual, 3, 0, 1, 3);
  typeLayout->addWidget(addControl(kIdStopLabel, new QLabel(text(kStrStopAfter), typeBox)), 4, 0);
  typeLayout->addWidget(addControl(kIdStopValue, pagewidgets::valueEdit(typeBox)), 4, 1);
  typeLayout->addWidget(addControl(kIdStopUnit, pagewidgets::dropDownList(typeBox)), 4, 2);
  typeLayout->setColumnStretch(0, 1);

  auto* soundBox = addControl(kIdSoundGroup, new QGroupBox(this));
  auto* soundLayout = new QGridLayout(soundBox);
  soundLayout->addWidget(addControl(kIdRecordSound, new QCheckBox(text(kStrRecordSound), soundBox)),
                         0, 0);
  soundLayout->addWidget(addControl(kIdQualityLabel, new QLabel(text(kStrQuality), soundBox)), 0,
                         1, Qt::AlignRight);
  soundLayout->addWidget(addControl(kIdQuality, pagewidgets::dropDownList(soundBox)), 0, 2);
  soundLayout->addWidget(addControl(kIdQualityFormat, new QLabel(soundBox)), 1, 1, 1, 2);
  soundLayout->setColumnStretch(0, 1);

  strip_ = addControl(kIdStripFrame, new StripFrame(this, [this](QPainter& p, const QRect& r) {
                        paintStrip(p, r);
                      }));
  strip_->setFixedHeight(pagewidgets::kStripHeight);
  strip_->setMinimumWidth(kStripMarksWidth + 2 * pagewidgets::kStripMargin);

  auto* top = new QHBoxLayout;
  top->addWidget(sizeBox);
  top->addWidget(typeBox, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(soundBox);
  layout->addStretch();
  layout->addWidget(strip_);

  connect(typeGroup_, &QButtonGroup::idClicked, this, [this](int) { applyTypeRule(); });
  connect(sizeGroup_, &QButtonGroup::idClicked, this, [this](int) { strip_->update(); });
  connect(controlAs<QCheckBox>(kIdRecordSound), &QCheckBox::clicked, this,
          [this](bool) { applySoundRule(); });
  connect(controlAs<QComboBox>(kIdQuality), &QComboBox::currentIndexChanged, this,
          [this](int selection) { qualityChanged(selection); });
}

void VideoPage::onInitialise() {
  auto* lapseUnit = controlAs<QComboBox>(kIdLapseUnit);
  auto* stopUnit = controlAs<QComboBox>(kIdStopUnit);
  auto* quality = controlAs<QComboBox>(kIdQuality);
  {
    const QSignalBlocker blockQuality(quality);
    for (int i = 0; i < kLapseUnitCount; ++i)
      lapseUnit->addItem(text(pagewidgets::kStrSeconds + i));
    for (int i = 0; i < kStopUnitCount; ++i)
      stopUnit->addItem(text(pagewidgets::kStrSeconds + i));
    for (int i = 0; i < kQualityCount; ++i)
      quality->addItem(text(kStrTelephone + i));
  }
  enableControls({kIdLapseLabel, kIdLapseUnit, kIdLapseValue}, false);

  // Values the lists cannot show are taken as the nearest one they can.
  type_ = std::clamp(record_.videoType, kVideoContinuous, kVideoManual);
  size_ = std::clamp(record_.videoSize, 0, kVideoSizeCount - 1);
  lapseValue_ = record_.frameEvery.value;
  stopValue_ = record_.stopAfter.value;
  recordSound_ = record_.recordSound != 0 ? 1 : 0;
  quality_ = std::clamp(record_.soundQuality, 0, kQualityCount - 1);
  lapseUnit->setCurrentIndex(std::clamp(record_.frameEvery.unit, 0, kLapseUnitCount - 1));
  stopUnit->setCurrentIndex(std::clamp(record_.stopAfter.unit, 0, kStopUnitCount - 1));
  {
    const QSignalBlocker blockQuality(quality);
    quality->setCurrentIndex(quality_);
  }
  controlAs<QLabel>(kIdQualityFormat)->setText(text(kStrQualityFormat + quality_));
  putToControls();
  applyTypeRule();
  applySoundRule();
  marks_.load({kSizeMarks[0], kSizeMarks[1], kSizeMarks[2], kSizeMarks[3], kTypeMarks[0],
               kTypeMarks[1], kTypeMarks[2], kSoundMarks[0], kSoundMarks[1], kNoSoundMark});
}

void VideoPage::readChoices() {
  recordSound_ = controlAs<QCheckBox>(kIdRecordSound)->isChecked() ? 1 : 0;
  type_ = std::max(typeGroup_->checkedId(), 0);
  size_ = std::max(sizeGroup_->checkedId(), 0);
}

bool VideoPage::exchangeFromControls() {
  recordSound_ = controlAs<QCheckBox>(kIdRecordSound)->isChecked() ? 1 : 0;
  if (!exchangeInteger(kIdLapseValue, kTimeValueMin, kTimeValueMax, lapseValue_))
    return false;
  if (!exchangeInteger(kIdStopValue, kTimeValueMin, kTimeValueMax, stopValue_))
    return false;
  type_ = std::max(typeGroup_->checkedId(), 0);
  size_ = std::max(sizeGroup_->checkedId(), 0);
  return true;
}

void VideoPage::putToControls() {
  controlAs<QCheckBox>(kIdRecordSound)->setChecked(recordSound_ != 0);
  putInteger(kIdLapseValue, lapseValue_);
  putInteger(kIdStopValue, stopValue_);
  typeGroup_->button(type_)->setChecked(true);
  sizeGroup_->button(size_)->setChecked(true);
}

void VideoPage::applyTypeRule() {
  readChoices();
  const std::initializer_list<int> stopRow = {kIdStopLabel, kIdStopUnit, kIdStopValue};
  const std::initializer_list<int> lapseRow = {kIdLapseLabel, kIdLapseUnit, kIdLapseValue};
  const std::initializer_list<int> soundDetails = {kIdQualityLabel, kIdQuality, kIdQualityFormat};
  auto* recordSound = controlAs<QCheckBox>(kIdRecordSound);
  switch (type_) {
  case kVideoContinuous:
    enableControls(stopRow, true);
    enableControls(lapseRow, false);
    enableControls({kIdSoundGroup, kIdRecordSound}, true);
    enableControls(soundDetails, recordSound_ != 0);
    break;
  case kVideoTimeLapse:
    enableControls(stopRow, true);
    enableControls(lapseRow, true);
    enableControls({kIdSoundGroup, kIdRecordSound}, false);
    enableControls(soundDetails, false);
    recordSound_ = 0;
    recordSound->setChecked(false);
    break;
  default:
    enableControls(stopRow, false);
    enableControls(lapseRow, false);
    enableControls({kIdSoundGroup, kIdRecordSound}, false);
    enableControls(soundDetails, false);
    recordSound_ = 0;
    recordSound->setChecked(false);
    break;
  }
  strip_->update();
}

void VideoPage::applySoundRule() {
  readChoices();
  enableControls({kIdQualityLabel, kIdQuality, kIdQualityFormat}, recordSound_ != 0);
  strip_->update();
}

void VideoPage::qualityChanged(int selection) {
  if (selection < 0 || selection >= kQualityCount)
    return;
  controlAs<QLabel>(kIdQualityFormat)->setText(text(kStrQualityFormat + selection));
  quality_ = selection;
  strip_->update();
}

bool VideoPage::leave() {
  if (!exchangeFromControls())
    return false;
  if (type_ == kVideoTimeLapse) {
    const TimeAmount stop{stopValue_, controlAs<QComboBox>(kIdStopUnit)->currentIndex()};
    const TimeAmount lapse{lapseValue_, controlAs<QComboBox>(kIdLapseUnit)->currentIndex()};
    if (stop.seconds() < lapse.seconds()) {
      showPageMessage(kStrLapseTooLong);
      return false;
    }
  }
  return true;
}

void VideoPage::apply() {
  if (!exchangeFromControls())
    return;
  record_.videoType = type_;
  record_.videoSize = size_;
  record_.frameEvery.value = lapseValue_;
  record_.stopAfter.value = stopValue_;
  record_.recordSound = type_ == kVideoContinuous ? recordSound_ : 0;
  record_.stopAfter.unit = controlAs<QComboBox>(kIdStopUnit)->currentIndex();
  record_.frameEvery.unit = controlAs<QComboBox>(kIdLapseUnit)->currentIndex();
  record_.soundQuality = controlAs<QComboBox>(kIdQuality)->currentIndex();
}

std::array<const char*, 3> VideoPage::stripBitmapNames() const {
  const bool sound = controlAs<QCheckBox>(kIdRecordSound)->isChecked();
  const int type = std::clamp(typeGroup_->checkedId(), 0, 2);
  const int size = std::clamp(sizeGroup_->checkedId(), 0, kVideoSizeCount - 1);
  return {kSizeMarks[size], kTypeMarks[type], sound ? kSoundMarks[quality_] : kNoSoundMark};
}

void VideoPage::paintStrip(QPainter& painter, const QRect& rect) {
  painter.fillRect(rect, Qt::black);
  if (!isInitialised())
    return;
  const auto names = stripBitmapNames();
  const int x0 = rect.left() + (rect.width() - kStripMarksWidth) / 2;
  const std::array<int, 3> offsets = {0, kStripTypeX, kStripSoundX};
  for (std::size_t i = 0; i < names.size(); ++i)
    marks_.draw(painter, rect, x0 + offsets[i], names[i]);
}

} // namespace lumoset
