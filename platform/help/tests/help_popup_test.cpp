#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>

#include <QApplication>
#include <QTest>
#include <QWidget>
#include <unistd.h>

#include "platform/help/help_service.h"
#include "platform/help/qt_help_service.h"
#include "platform/ui/testing/test_application.h"

namespace help = platform::help;

namespace {

class HelpPopupTest : public ::testing::Test {
protected:
  void SetUp() override {
    platform::ui::testing::testApplication();
    path_ = ::testing::TempDir() + "/" + std::to_string(::getpid()) + "_popup.hlp";
    std::ofstream(path_, std::ios::binary) << "LUMO-HELP 1\n"
                                              "[3] The live picture\n"
                                              "Shows what the camera sees.\n"
                                              "\n"
                                              "- Zoom enlarges it.\n"
                                              "- Mode turns it grey.\n"
                                              "[9] Take Picture\n"
                                              "Saves the picture.\n";
    owner_ = std::make_unique<QWidget>();
    owner_->resize(442, 455);
    owner_->show();
    service_.placeAt(QPoint(100, 100));
  }
  void TearDown() override {
    service_.request(nullptr, "", help::kHelpQuit, 0);
    waitForNoPopup();
    ::unlink(path_.c_str());
  }

  bool waitForNoPopup() {
    return QTest::qWaitFor([this] { return service_.openPopup() == nullptr; }, 5000);
  }

  std::string path_;
  std::unique_ptr<QWidget> owner_;
  help::QtHelpService service_;
};

TEST_F(HelpPopupTest, ShowsTheTopicNearThePointAndClosesOnClickOrKey) {
  EXPECT_TRUE(service_.request(owner_.get(), path_, help::kHelpContextPopup, 3));
  help::HelpPopup* popup = service_.openPopup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->titleText(), "The live picture");
  EXPECT_EQ(popup->bodyText(),
            QString::fromUtf8("Shows what the camera sees.\n\n\u2022 Zoom enlarges it.\n"
                              "\u2022 Mode turns it grey."));
  EXPECT_EQ(popup->parentWidget(), owner_.get());
  const QRect frame = popup->geometry();
  EXPECT_GT(frame.left(), 100);
  EXPECT_GT(frame.top(), 100);
  EXPECT_LT(frame.left(), 140);

  QTest::mouseClick(popup, Qt::LeftButton);
  ASSERT_TRUE(waitForNoPopup());

  EXPECT_TRUE(service_.request(owner_.get(), path_, help::kHelpContext, 9));
  popup = service_.openPopup();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->titleText(), "Take Picture");
  QTest::keyClick(popup, Qt::Key_A);
  ASSERT_TRUE(waitForNoPopup());
}

TEST_F(HelpPopupTest, SeveralRequestsAreShownInTurnAndQuitDropsTheRest) {
  EXPECT_TRUE(service_.request(owner_.get(), path_, help::kHelpContextPopup, 3));
  EXPECT_TRUE(service_.request(owner_.get(), path_, help::kHelpContextPopup, 9));
  EXPECT_EQ(service_.waitingPopups(), 1u);
  ASSERT_NE(service_.openPopup(), nullptr);
  EXPECT_EQ(service_.openPopup()->titleText(), "The live picture");
  QTest::keyClick(service_.openPopup(), Qt::Key_Escape);
  QTRY_VERIFY_WITH_TIMEOUT(service_.openPopup() != nullptr &&
                               service_.openPopup()->titleText() == "Take Picture",
                           5000);

  EXPECT_TRUE(service_.request(owner_.get(), path_, help::kHelpContextPopup, 3));
  EXPECT_EQ(service_.waitingPopups(), 1u);
  EXPECT_TRUE(service_.request(owner_.get(), path_, help::kHelpQuit, 0));
  EXPECT_EQ(service_.waitingPopups(), 0u);
  ASSERT_TRUE(waitForNoPopup());
  EXPECT_FALSE(service_.request(owner_.get(), path_, 0x0101, 3));  // not a command we serve
  EXPECT_EQ(service_.openPopup(), nullptr);
}

TEST_F(HelpPopupTest, AMissingFileTopicOrBrokenFileIsToldInAPopupAndReportedAsFailed) {
  const std::string missing = path_ + ".none";
  EXPECT_FALSE(service_.request(owner_.get(), missing, help::kHelpContextPopup, 3));
  ASSERT_NE(service_.openPopup(), nullptr);
  EXPECT_TRUE(service_.openPopup()->bodyText().contains(QString::fromStdString(missing)));
  EXPECT_TRUE(service_.openPopup()->bodyText().contains("not found"));
  service_.openPopup()->close();
  ASSERT_TRUE(waitForNoPopup());

  EXPECT_FALSE(service_.request(owner_.get(), path_, help::kHelpContextPopup, 42));
  ASSERT_NE(service_.openPopup(), nullptr);
  EXPECT_TRUE(service_.openPopup()->bodyText().contains("topic 42 is missing"));
  service_.openPopup()->close();
  ASSERT_TRUE(waitForNoPopup());

  // A context number past what a file can hold must not wrap onto topic 3.
  EXPECT_FALSE(service_.request(owner_.get(), path_, help::kHelpContextPopup, (1ull << 32) + 3));
  ASSERT_NE(service_.openPopup(), nullptr);
  service_.openPopup()->close();
  ASSERT_TRUE(waitForNoPopup());

  std::ofstream(path_, std::ios::binary) << "LUMO-HELP 1\n[3] A\n[3] B\n";
  EXPECT_FALSE(service_.request(owner_.get(), path_, help::kHelpContextPopup, 3));
  ASSERT_NE(service_.openPopup(), nullptr);
  EXPECT_TRUE(service_.openPopup()->bodyText().contains("used twice"));
}

TEST_F(HelpPopupTest, AWaitingRequestDiesWithItsOwner) {
  auto* doomed = new QWidget;
  doomed->show();
  EXPECT_TRUE(service_.request(owner_.get(), path_, help::kHelpContextPopup, 3));
  EXPECT_TRUE(service_.request(doomed, path_, help::kHelpContextPopup, 9));
  delete doomed;
  service_.openPopup()->close();
  EXPECT_TRUE(QTest::qWaitFor([this] { return service_.waitingPopups() == 0; }, 5000));
  EXPECT_EQ(service_.openPopup(), nullptr);
}

} // namespace
