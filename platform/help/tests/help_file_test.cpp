#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/help/help_file.h"

namespace help = platform::help;

namespace {

std::string tempPath(const std::string& name) {
  return (::testing::TempDir() + "/") + std::to_string(::getpid()) + "_" + name;
}

void writeFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

TEST(HelpFile, ReadsTopicsParagraphsAndListItems) {
  const std::string text =
      "\xEF\xBB\xBFLUMO-HELP 1\r\n"
      "# a comment\r\n"
      "\r\n"
      "[3]   The live picture  \r\n"
      "The window shows\r\n"
      "  what the camera sees.\r\n"
      "\r\n"
      "- Zoom: closer.\r\n"
      "- View: smaller\r\n"
      "  or larger.\r\n"
      "# a comment inside a topic\r\n"
      "[2147483647] Größte Nummer\r\n"
      "[0] Empty\r\n";
  const help::HelpFileResult result = help::parseHelpFile(text);
  ASSERT_TRUE(result.ok()) << result.message;
  ASSERT_EQ(result.file.topics().size(), 3u);

  const help::HelpTopic* live = result.file.find(3);
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(live->title, "The live picture");
  ASSERT_EQ(live->paragraphs.size(), 3u);
  EXPECT_EQ(live->paragraphs[0].text, "The window shows what the camera sees.");
  EXPECT_FALSE(live->paragraphs[0].listItem);
  EXPECT_EQ(live->paragraphs[1].text, "Zoom: closer.");
  EXPECT_TRUE(live->paragraphs[1].listItem);
  EXPECT_EQ(live->paragraphs[2].text, "View: smaller or larger.");

  ASSERT_NE(result.file.find(2147483647u), nullptr);
  EXPECT_EQ(result.file.find(2147483647u)->title, "Größte Nummer");
  EXPECT_TRUE(result.file.find(0)->paragraphs.empty());
  EXPECT_EQ(result.file.find(4), nullptr);
}

TEST(HelpFile, RefusesMalformedTextWithItsLine) {
  struct Case {
    const char* what;
    std::string text;
    help::HelpFileError error;
    int line;
  };
  const std::string head = "LUMO-HELP 1\n";
  const Case cases[] = {
      {"empty file", "", help::HelpFileError::NotHelpFile, 0},
      {"other signature", "LUMO-HELP 2\n[1] A\n", help::HelpFileError::NotHelpFile, 1},
      {"text before a topic", head + "\nWords\n", help::HelpFileError::Malformed, 3},
      {"unclosed id", head + "[12 Title\n", help::HelpFileError::Malformed, 2},
      {"id not a number", head + "[x1] Title\n", help::HelpFileError::Malformed, 2},
      {"id too large", head + "[2147483648] Title\n", help::HelpFileError::Malformed, 2},
      {"id overflowing 64 bits", head + "[99999999999999999999] T\n",
       help::HelpFileError::Malformed, 2},
      {"no title", head + "[5]   \n", help::HelpFileError::Malformed, 2},
      {"duplicate id", head + "[5] A\ntext\n[5] B\n", help::HelpFileError::Malformed, 4},
      {"title too long", head + "[5] " + std::string(help::kMaxTitleBytes + 1, 'x') + "\n",
       help::HelpFileError::Malformed, 2},
      {"line too long", head + "[5] A\n" + std::string(help::kMaxLineBytes + 1, 'x') + "\n",
       help::HelpFileError::Malformed, 3},
      {"invalid UTF-8", head + "[5] A\nab\xC3(\n", help::HelpFileError::BadEncoding, 3},
      {"overlong UTF-8", head + "[5] \xC0\xAF\n", help::HelpFileError::BadEncoding, 2},
      {"surrogate", head + "[5] \xED\xA0\x80\n", help::HelpFileError::BadEncoding, 2},
      {"truncated sequence at end", head + "[5] A\xE2\x82", help::HelpFileError::BadEncoding, 2},
      {"control character", head + "[5] A\nx\x01y\n", help::HelpFileError::BadEncoding, 3},
  };
  for (const Case& c : cases) {
    const help::HelpFileResult result = help::parseHelpFile(c.text);
    EXPECT_EQ(result.error, c.error) << c.what;
    EXPECT_EQ(result.line, c.line) << c.what;
    EXPECT_FALSE(result.message.empty()) << c.what;
    EXPECT_TRUE(result.file.topics().empty()) << c.what;
  }
}

TEST(HelpFile, RefusesOversizedFilesTopicsAndCounts) {
  std::string topic = "LUMO-HELP 1\n[1] Long\n";
  const std::string line(1000, 'w');
  while (topic.size() < help::kMaxTopicBytes + 2000) topic += line + "\n";
  EXPECT_EQ(help::parseHelpFile(topic).error, help::HelpFileError::Malformed);

  std::string many = "LUMO-HELP 1\n";
  for (std::size_t i = 0; i <= help::kMaxTopics; ++i) many += "[" + std::to_string(i) + "] T\n";
  const help::HelpFileResult tooMany = help::parseHelpFile(many);
  EXPECT_EQ(tooMany.error, help::HelpFileError::Malformed);
  EXPECT_EQ(tooMany.line, static_cast<int>(help::kMaxTopics) + 2);

  std::string huge = "LUMO-HELP 1\n[1] T\n";
  while (huge.size() <= help::kMaxHelpFileBytes) huge += line + "\n\n";
  EXPECT_EQ(help::parseHelpFile(huge).error, help::HelpFileError::TooLarge);

  const std::string path = tempPath("huge.hlp");
  writeFile(path, huge);
  const help::HelpFileResult loaded = help::loadHelpFile(path);
  EXPECT_EQ(loaded.error, help::HelpFileError::TooLarge);
  EXPECT_NE(loaded.message.find(path), std::string::npos);
  ::unlink(path.c_str());
}

TEST(HelpFile, LoadsFromDiskAndReportsMissingOrUnusablePaths) {
  const std::string path = tempPath("good.hlp");
  writeFile(path, "LUMO-HELP 1\n[7] Quality\nThree levels.\n");
  const help::HelpFileResult good = help::loadHelpFile(path);
  ASSERT_TRUE(good.ok()) << good.message;
  ASSERT_NE(good.file.find(7), nullptr);
  EXPECT_EQ(good.file.find(7)->paragraphs.at(0).text, "Three levels.");

  writeFile(path, "LUMO-HELP 1\n[7] Quality\n[7] Again\n");
  const help::HelpFileResult bad = help::loadHelpFile(path);
  EXPECT_EQ(bad.error, help::HelpFileError::Malformed);
  EXPECT_EQ(bad.line, 3);
  EXPECT_NE(bad.message.find(path), std::string::npos);
  ::unlink(path.c_str());

  const help::HelpFileResult missing = help::loadHelpFile(path);
  EXPECT_EQ(missing.error, help::HelpFileError::NotFound);
  EXPECT_NE(missing.message.find(path), std::string::npos);
  EXPECT_EQ(help::loadHelpFile(::testing::TempDir()).error, help::HelpFileError::NotFound);
  EXPECT_EQ(help::loadHelpFile("").error, help::HelpFileError::NotFound);
}

} // namespace
