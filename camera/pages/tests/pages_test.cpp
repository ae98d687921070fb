#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPainter>
#include <QTimer>

#include "camera/core/string_table.h"
#include "camera/pages/language_page.h"
#include "camera/pages/picture_page.h"
#include "camera/pages/sheet_changes.h"
#include "camera/pages/tests/page_test_support.h"
#include "camera/pages/video_page.h"
#include "camera/resources/skin_resources.h"
#include "platform/ui/testing/recording_message_boxes.h"
#include "platform/ui/testing/scripted_file_dialogs.h"

namespace lumoset {
namespace {

using namespace lumoset::testing;
namespace uitest = platform::ui::testing;

constexpr int kVideo = SettingsSheet::kTabVideo;
constexpr int kPicture = SettingsSheet::kTabPicture;
constexpr int kLanguage = SettingsSheet::kTabLanguage;
const char* const kProgramFolder = "/opt/lumoset/";

class PagesTest : public ::testing::Test {
protected:
  void SetUp() override { uitest::testApplication(); }

  // A fresh sheet over the record and language, shown.
  std::unique_ptr<SettingsSheet> openSheet() {
    SheetServices services;
    services.programFolder = kProgramFolder;
    auto sheet = std::make_unique<SettingsSheet>(nullptr, record, language, services);
    sheet->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(sheet.get()));
    return sheet;
  }

  QWidget* video(int id) { return controlOf(*sheet, kVideo, id); }
  QWidget* picture(int id) { return controlOf(*sheet, kPicture, id); }
  bool checked(QWidget* w) { return qobject_cast<QAbstractButton*>(w)->isChecked(); }

  // The message boxes shown since the last call.
  std::vector<std::string> takeMessages() {
    std::vector<std::string> texts;
    for (const auto& box : boxes.shown())
      texts.push_back(box.text);
    boxes.clear();
    return texts;
  }

  uitest::RecordingMessageBoxes boxes;
  uitest::ScriptedFileDialogs dialogs;
  CapturedSettings record;
  int language = 0;
  std::unique_ptr<SettingsSheet> sheet;
};

// Whether `name` is drawn in the strip with its left edge at `x`, centred
// vertically.
bool stripShows(QWidget* strip, int x, const char* name) {
  const QImage shown = strip->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QImage mark = loadSkinBitmap(name).convertToFormat(QImage::Format_RGB32);
  if (mark.isNull())
    return false;
  const int y = (strip->height() - mark.height()) / 2;
  return shown.copy(x, y, mark.width(), mark.height()) == mark;
}

TEST_F(PagesTest, TimeLapseIsCheckedOnLeavingAndOkStoresWhatTheUserSet) {
  sheet = openSheet();
  EXPECT_EQ(sheet->currentTab(), kVideo);
  clickOn(video(VideoPage::kIdTimeLapse));
  EXPECT_TRUE(video(VideoPage::kIdLapseValue)->isEnabled());
  typeInto(video(VideoPage::kIdLapseValue), "2");
  chooseEntry(video(VideoPage::kIdLapseUnit), kUnitMinutes);
  typeInto(video(VideoPage::kIdStopValue), "100");
  clickOn(video(VideoPage::kIdSizeFirst + 3));

  // 100 seconds against 2 minutes: neither OK nor another tab lets go.
  clickButton(*sheet, QDialogButtonBox::Ok);
  clickTab(*sheet, kPicture);
  EXPECT_EQ(takeMessages(), std::vector<std::string>(2, loadString(VideoPage::kStrLapseTooLong)));
  EXPECT_TRUE(sheet->isVisible());
  EXPECT_EQ(sheet->currentTab(), kVideo);
  EXPECT_EQ(sheet->tabBar()->currentIndex(), kVideo);
  EXPECT_FALSE(sheet->picturePage()->isInitialised());
  EXPECT_EQ(record, CapturedSettings{});

  // 120 seconds (2 minutes: values stop at 100) is exactly enough.
  typeInto(video(VideoPage::kIdStopValue), "2");
  chooseEntry(video(VideoPage::kIdStopUnit), kUnitMinutes);
  clickButton(*sheet, QDialogButtonBox::Ok);
  EXPECT_EQ(takeMessages(), std::vector<std::string>{});
  EXPECT_EQ(sheet->result(), QDialog::Accepted);
  EXPECT_EQ(record.videoType, kVideoTimeLapse);
  EXPECT_EQ(record.videoSize, 3);
  EXPECT_EQ(record.frameEvery, (TimeAmount{2, kUnitMinutes}));
  EXPECT_EQ(record.stopAfter, (TimeAmount{2, kUnitMinutes}));

  // The main window's follow-up: what to redraw and the new seconds.
  const SheetChanges changes = applySheetChanges(CapturedSettings{}, record);
  EXPECT_TRUE(changes.videoType && changes.videoSize && !changes.photo);
  EXPECT_EQ(record.frameIntervalSec, 120);
  EXPECT_EQ(record.stopAfterSec, 120);
}

TEST_F(PagesTest, RecordingTypeRulesGovernSoundAndTimeRows) {
  sheet = openSheet();
  QWidget* sound = video(VideoPage::kIdRecordSound);
  // Continuous: stop row on, lapse row and the quality off until sound is ticked.
  EXPECT_TRUE(video(VideoPage::kIdStopValue)->isEnabled());
  EXPECT_FALSE(video(VideoPage::kIdLapseUnit)->isEnabled());
  EXPECT_FALSE(video(VideoPage::kIdQuality)->isEnabled());
  clickOn(sound);
  ASSERT_TRUE(checked(sound));
  EXPECT_TRUE(video(VideoPage::kIdQuality)->isEnabled());

  // Radio quality: the format line and the strip's sound mark follow.
  chooseEntry(video(VideoPage::kIdQuality), 1);
  EXPECT_EQ(qobject_cast<QLabel*>(video(VideoPage::kIdQualityFormat))->text(),
            "22050Hz 8Bits Mono 22KB/Sec");
  QWidget* strip = video(kIdStripFrame);
  const int x0 = (strip->width() - VideoPage::kStripMarksWidth) / 2;
  EXPECT_TRUE(stripShows(strip, x0, "PAGE_SIZE_1"));
  EXPECT_TRUE(stripShows(strip, x0 + VideoPage::kStripTypeX, "PAGE_VDO_CON"));
  EXPECT_TRUE(stripShows(strip, x0 + VideoPage::kStripSoundX, "PAGE_SND_RAD"));

  // Time lapse unticks and greys the sound; continuous brings it back unticked.
  clickOn(video(VideoPage::kIdTimeLapse));
  EXPECT_FALSE(checked(sound));
  EXPECT_FALSE(sound->isEnabled());
  EXPECT_FALSE(video(VideoPage::kIdSoundGroup)->isEnabled());
  EXPECT_TRUE(stripShows(strip, x0 + VideoPage::kStripSoundX, "PAGE_SND_NO"));
  clickOn(video(VideoPage::kIdContinuous));
  EXPECT_TRUE(sound->isEnabled());
  EXPECT_FALSE(checked(sound));
  EXPECT_FALSE(video(VideoPage::kIdQuality)->isEnabled());

  // Manual greys both time rows and the sound group.
  clickOn(video(VideoPage::kIdManual));
  for (int id : {VideoPage::kIdStopLabel, VideoPage::kIdStopValue, VideoPage::kIdStopUnit,
                 VideoPage::kIdLapseLabel, VideoPage::kIdLapseValue, VideoPage::kIdLapseUnit,
                 VideoPage::kIdSoundGroup, VideoPage::kIdRecordSound, VideoPage::kIdQuality})
    EXPECT_FALSE(video(id)->isEnabled()) << id;
  EXPECT_TRUE(stripShows(strip, x0 + VideoPage::kStripTypeX, "PAGE_VDO_MANU"));

  // Continuous with sound stores 1 and the quality.
  clickOn(video(VideoPage::kIdContinuous));
  clickOn(sound);
  clickButton(*sheet, QDialogButtonBox::Ok);
  EXPECT_EQ(record.recordSound, 1);
  EXPECT_EQ(record.soundQuality, 1);
}

TEST_F(PagesTest, IntegerEditsRefuseTextAndOutOfRangeValuesWithTheFocusBack) {
  sheet = openSheet();
  QWidget* stop = video(VideoPage::kIdStopValue);
  const struct {
    const char* typed;
    const char* message;
  } refused[] = {{"abc", "Please enter an integer."},
                 {"", "Please enter an integer."},
                 {"12x", "Please enter an integer."},
                 {"99999999999999999999", "Please enter an integer."},
                 {"0", "Please enter an integer between 1 and 100."},
                 {"101", "Please enter an integer between 1 and 100."},
                 {"-5", "Please enter an integer between 1 and 100."}};
  for (const auto& c : refused) {
    typeInto(stop, c.typed);
    video(VideoPage::kIdSizeFirst)->setFocus();
    clickTab(*sheet, kPicture);
    ASSERT_EQ(boxes.shown().size(), 1u) << c.typed;
    EXPECT_EQ(boxes.shown()[0].text, c.message) << c.typed;
    EXPECT_EQ(boxes.shown()[0].caption, "Lumoset");
    EXPECT_EQ(sheet->currentTab(), kVideo);
    EXPECT_EQ(QApplication::focusWidget(), stop) << c.typed;
    boxes.clear();
  }
  typeInto(stop, " 100 ");
  clickTab(*sheet, kPicture);
  EXPECT_TRUE(boxes.shown().empty());
  EXPECT_EQ(sheet->currentTab(), kPicture);
}

TEST_F(PagesTest, PictureSeriesIsCheckedEvenUntickedAndTheFileNameSplitsOnOk) {
  sheet = openSheet();
  clickTab(*sheet, kPicture);
  ASSERT_EQ(sheet->currentTab(), kPicture);
  auto* fileName = qobject_cast<QLineEdit*>(picture(PicturePage::kIdFileName));
  EXPECT_EQ(fileName->text(), "/opt/lumoset/snap.bmp");
  // Auto snap off: the series controls are grey and the strip says single.
  QWidget* strip = picture(kIdStripFrame);
  const int x0 = (strip->width() - PicturePage::kStripMarksWidth) / 2;
  EXPECT_FALSE(fileName->isEnabled());
  EXPECT_FALSE(picture(PicturePage::kIdBrowse)->isEnabled());
  EXPECT_TRUE(stripShows(strip, x0, "PAGE_SIZE_3"));
  EXPECT_TRUE(stripShows(strip, x0 + PicturePage::kStripModeX, "PAGE_PHO_SNG"));

  clickOn(picture(PicturePage::kIdAutoSnap));
  EXPECT_TRUE(fileName->isEnabled());
  EXPECT_TRUE(stripShows(strip, x0 + PicturePage::kStripModeX, "PAGE_PHO_AUT"));
  typeInto(picture(PicturePage::kIdEveryValue), "1");
  chooseEntry(picture(PicturePage::kIdEveryUnit), kUnitMinutes);
  typeInto(picture(PicturePage::kIdTotalValue), "59");
  clickOn(picture(PicturePage::kIdAutoSnap));  // unticked: still checked
  clickOn(picture(PicturePage::kIdSizeFirst + 4));
  EXPECT_TRUE(stripShows(strip, x0, "PAGE_SIZE_5"));

  clickButton(*sheet, QDialogButtonBox::Ok);
  EXPECT_EQ(takeMessages(), std::vector<std::string>{loadString(PicturePage::kStrTotalTooShort)});
  EXPECT_TRUE(sheet->isVisible());

  // Browse: the typed total stays; only the name is replaced.
  clickOn(picture(PicturePage::kIdAutoSnap));
  typeInto(picture(PicturePage::kIdTotalValue), "60");
  dialogs.answerCancel();
  dialogs.answerWith("/home/ann/pictures/holiday.jpg");
  clickOn(picture(PicturePage::kIdBrowse));
  EXPECT_EQ(fileName->text(), "/opt/lumoset/snap.bmp");
  clickOn(picture(PicturePage::kIdBrowse));
  EXPECT_EQ(fileName->text(), "/home/ann/pictures/holiday.jpg");
  EXPECT_EQ(qobject_cast<QLineEdit*>(picture(PicturePage::kIdTotalValue))->text(), "60");
  ASSERT_EQ(dialogs.requests().size(), 2u);
  const auto& request = dialogs.requests()[0].request;
  EXPECT_EQ(request.kind, platform::ui::FileDialogKind::Open);
  EXPECT_EQ(request.defaultName, "Capture");
  EXPECT_EQ(request.defaultExtension, "bmp");
  EXPECT_EQ(request.flags, platform::ui::kOfnOverwritePrompt | platform::ui::kOfnHideReadOnly |
                               platform::ui::kOfnNoChangeDir | platform::ui::kOfnLongNames);
  EXPECT_EQ(request.filter, PicturePage::kBrowseFilter);
  EXPECT_EQ(dialogs.requests()[0].owner, sheet->picturePage());

  clickButton(*sheet, QDialogButtonBox::Ok);
  EXPECT_EQ(takeMessages(), std::vector<std::string>{});
  EXPECT_EQ(record.photoSize, 4);
  EXPECT_EQ(record.autoSnap, 1);
  EXPECT_EQ(record.snapEvery, (TimeAmount{1, kUnitMinutes}));
  EXPECT_EQ(record.totalTime, (TimeAmount{60, kUnitSeconds}));
  EXPECT_EQ(record.seriesBaseName, "/home/ann/pictures/holiday");
  EXPECT_EQ(record.seriesExtension, ".jpg");
  applySheetChanges(CapturedSettings{}, record);
  EXPECT_EQ(record.snapIntervalSec, 60);
  EXPECT_EQ(record.snapTotalSec, 60);

  // Reopened, the page shows the stored name again.
  sheet = openSheet();
  clickTab(*sheet, kPicture);
  EXPECT_EQ(qobject_cast<QLineEdit*>(picture(PicturePage::kIdFileName))->text(),
            "/home/ann/pictures/holiday.jpg");
  EXPECT_TRUE(checked(picture(PicturePage::kIdSizeFirst + 4)));
}

TEST_F(PagesTest, LanguageChangesOnlyByOkFromAPageThatWasShown) {
  sheet = openSheet();
  EXPECT_EQ(sheet->windowTitle().toStdString(), "Advanced Settings...");
  for (QAbstractButton* button : sheet->buttons()->buttons())
    EXPECT_TRUE(sheet->buttons()->standardButton(button) == QDialogButtonBox::Ok ||
                sheet->buttons()->standardButton(button) == QDialogButtonBox::Cancel);
  EXPECT_EQ(sheet->buttons()->buttons().size(), 2);

  // Deutsch, then Cancel: still English.
  clickTab(*sheet, kLanguage);
  clickOn(controlOf(*sheet, kLanguage, LanguagePage::kIdLanguageFirst + 1));
  clickButton(*sheet, QDialogButtonBox::Cancel);
  EXPECT_EQ(language, 0);

  // Deutsch, then OK from the Video tab: the language page was shown, so it counts.
  sheet = openSheet();
  clickTab(*sheet, kLanguage);
  clickOn(controlOf(*sheet, kLanguage, LanguagePage::kIdLanguageFirst + 1));
  clickTab(*sheet, kVideo);
  clickButton(*sheet, QDialogButtonBox::Ok);
  EXPECT_EQ(language, 1);

  // The next sheet speaks German, including the lists and the page's message.
  sheet = openSheet();
  EXPECT_EQ(sheet->windowTitle().toStdString(), loadString(11312));
  QStringList tabs;
  for (int i = 0; i < sheet->tabBar()->count(); ++i)
    tabs << sheet->tabBar()->tabText(i);
  EXPECT_EQ(tabs, (QStringList{"Video", "Bild", "Sprache"}));
  EXPECT_EQ(entriesOf(video(VideoPage::kIdLapseUnit)),
            (QStringList{"Sekunden", "Minuten", "Stunden"}));
  clickTab(*sheet, kLanguage);
  EXPECT_TRUE(checked(controlOf(*sheet, kLanguage, LanguagePage::kIdLanguageFirst + 1)));
  clickTab(*sheet, kVideo);
  clickOn(video(VideoPage::kIdTimeLapse));
  typeInto(video(VideoPage::kIdLapseValue), "50");
  typeInto(video(VideoPage::kIdStopValue), "49");
  clickButton(*sheet, QDialogButtonBox::Ok);
  EXPECT_EQ(takeMessages(), std::vector<std::string>{loadString(11320)});
  clickButton(*sheet, QDialogButtonBox::Cancel);

  // OK with the Language tab never shown keeps a language other than English.
  language = 3;
  sheet = openSheet();
  clickButton(*sheet, QDialogButtonBox::Ok);
  EXPECT_EQ(sheet->result(), QDialog::Accepted);
  EXPECT_FALSE(sheet->languagePage()->isInitialised());
  EXPECT_EQ(language, 3);
}

TEST_F(PagesTest, KeyboardWalksTheControlsAndEnterOrEscapeCloseTheSheet) {
  sheet = openSheet();
  QWidget* stop = video(VideoPage::kIdStopValue);
  typeInto(stop, "30");
  // Tab reaches the stop row's list, later OK and Cancel, and comes round.
  std::vector<QWidget*> visited;
  for (int i = 0; i < 40 && (visited.empty() || QApplication::focusWidget() != stop); ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  auto reached = [&](QWidget* w) {
    return std::find(visited.begin(), visited.end(), w) != visited.end();
  };
  EXPECT_TRUE(reached(video(VideoPage::kIdStopUnit)));
  EXPECT_TRUE(reached(sheet->buttons()->button(QDialogButtonBox::Ok)));
  EXPECT_TRUE(reached(sheet->buttons()->button(QDialogButtonBox::Cancel)));
  EXPECT_EQ(QApplication::focusWidget(), stop);

  // Escape: nothing stored.
  QTest::keyClick(stop, Qt::Key_Escape);
  EXPECT_EQ(sheet->result(), QDialog::Rejected);
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_EQ(record.stopAfter.value, 10);

  // Enter in an edit is OK; Ctrl+Tab walks the tabs.
  sheet = openSheet();
  typeInto(video(VideoPage::kIdStopValue), "30");
  QTest::keyClick(video(VideoPage::kIdStopValue), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(sheet->currentTab(), kPicture);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  EXPECT_EQ(sheet->result(), QDialog::Accepted);
  EXPECT_EQ(record.stopAfter.value, 30);
}

TEST_F(PagesTest, RunSettingsSheetRunsModallyAndReportsOk) {
  QTimer::singleShot(0, [] {
    auto* sheetWindow = dynamic_cast<SettingsSheet*>(QApplication::activeModalWidget());
    ASSERT_NE(sheetWindow, nullptr);
    typeInto(sheetWindow->videoPage()->control(VideoPage::kIdStopValue), "42");
    clickButton(*sheetWindow, QDialogButtonBox::Ok);
  });
  EXPECT_EQ(runSettingsSheet(nullptr, record, language, SheetServices{}), platform::ui::kIdOk);
  EXPECT_EQ(record.stopAfter.value, 42);
}

} // namespace
} // namespace lumoset
