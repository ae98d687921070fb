#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "camera/core/context_help.h"
#include "platform/help/help_file.h"

namespace help = platform::help;

namespace {

// The context ids the camera program's help rectangles open, from the
// program's own help map so the files and the map cannot drift apart.
std::set<help::ContextId> lumosetContexts() {
  std::set<help::ContextId> ids;
  for (lumoset::HelpGroup group :
       {lumoset::HelpGroup::Drawer, lumoset::HelpGroup::Body, lumoset::HelpGroup::VideoAlbum})
    for (const lumoset::HelpRect& r : lumoset::helpRectangles(group))
      ids.insert(static_cast<help::ContextId>(r.contextId));
  return ids;
}
const std::set<help::ContextId> kLumosetContexts = lumosetContexts();
// The context numbers the scanner module's help areas open.
const std::set<help::ContextId> kOstrel2Contexts = {1,  2,  3,  4,  5,  6,  7,  8,
                                                    9, 10, 11, 12, 13, 16, 17, 18};

struct HelpSet {
  std::vector<std::string> files;  // the English one first
  const std::set<help::ContextId>* contexts;
  std::string installedIn;
};

const HelpSet kSets[] = {
    {{"LumosetA.hlp", "LumosetD.hlp", "LumosetF.hlp", "LumosetI.hlp", "LumosetE.hlp",
      "LumosetN.hlp"},
     &kLumosetContexts,
     LUMO_PROGRAM_DIR},
    {{"Ostrel2.hlp", "Ostrel2_d.hlp", "Ostrel2_f.hlp", "Ostrel2_i.hlp", "Ostrel2_e.hlp",
      "Ostrel2_n.hlp"},
     &kOstrel2Contexts,
     LUMO_MODULE_DIR},
};

std::string sourcePath(const std::string& name) {
  return std::string(LUMO_HELP_SOURCE_DIR) + "/" + name;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string allText(const help::HelpTopic& topic) {
  std::string text = topic.title;
  for (const help::HelpParagraph& paragraph : topic.paragraphs) text += "\n" + paragraph.text;
  return text;
}

TEST(HelpFiles, EveryFileHoldsAUsefulTopicForExactlyTheContextsItsProgramOpens) {
  for (const HelpSet& set : kSets) {
    for (const std::string& name : set.files) {
      const help::HelpFileResult result = help::loadHelpFile(sourcePath(name));
      ASSERT_TRUE(result.ok()) << result.message;
      std::set<help::ContextId> ids;
      for (const help::HelpTopic& topic : result.file.topics()) {
        ids.insert(topic.id);
        EXPECT_FALSE(topic.paragraphs.empty()) << name << " topic " << topic.id;
        // A title and at least a couple of sentences on what the part does.
        EXPECT_GE(allText(topic).size(), 120u) << name << " topic " << topic.id;
      }
      for (help::ContextId id : *set.contexts) {
        EXPECT_TRUE(ids.count(id)) << name << " lacks topic " << id;
      }
      for (help::ContextId id : ids) {
        EXPECT_TRUE(set.contexts->count(id)) << name << " has topic " << id
                                             << ", which nothing opens";
      }
    }
  }
}

TEST(HelpFiles, TheOtherLanguagesAreTranslationsNotCopiesOfTheEnglishFile) {
  for (const HelpSet& set : kSets) {
    const help::HelpFileResult english = help::loadHelpFile(sourcePath(set.files.front()));
    ASSERT_TRUE(english.ok()) << english.message;
    for (std::size_t i = 1; i < set.files.size(); ++i) {
      const help::HelpFileResult other = help::loadHelpFile(sourcePath(set.files[i]));
      ASSERT_TRUE(other.ok()) << other.message;
      for (const help::HelpTopic& topic : other.file.topics()) {
        const help::HelpTopic* original = english.file.find(topic.id);
        if (original == nullptr || original->paragraphs.empty()) continue;
        EXPECT_NE(topic.paragraphs.front().text, original->paragraphs.front().text)
            << set.files[i] << " topic " << topic.id << " is still in English";
      }
    }
  }
}

TEST(HelpFiles, TheBuildPutsEachFileBesideTheProgramThatReadsIt) {
  for (const HelpSet& set : kSets) {
    for (const std::string& name : set.files) {
      const std::string installed = set.installedIn + "/" + name;
      EXPECT_EQ(readAll(installed), readAll(sourcePath(name))) << installed;
      EXPECT_TRUE(help::loadHelpFile(installed).ok()) << installed;
    }
  }
}

} // namespace
