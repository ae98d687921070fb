// Faults the INI fuzzer found, pinned: a file mixing line ends keeps every
// other byte through a write, and a key that could never be read back
// (a comment or a section header once written) is refused.

#include "platform/profile/ini_document.h"
#include "platform/profile/profile.h"
#include "platform/profile/testing/temp_windows_directory.h"

#include <fstream>
#include <iterator>

namespace pp = platform::profile;

using ProfileFuzzFindings = TempWindowsDirectory;

TEST_F(ProfileFuzzFindings, MixedLineEndsSurviveWritesByteForByte)
{
    const std::string mixed = "[a]\r\nk=1\nj=2\r\n[b]\nx=y";
    EXPECT_EQ(pp::IniDocument(mixed).text(), mixed);

    writeFile("m.ini", mixed);
    ASSERT_TRUE(pp::writePrivateProfileString("a", "k", "9", "m.ini"));
    ASSERT_TRUE(pp::writePrivateProfileString("b", "new", "n", "m.ini"));
    ASSERT_TRUE(pp::writePrivateProfileString("c", "z", "1", "m.ini"));
    std::ifstream in(dir / "m.ini", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Rewritten lines keep their own end; new lines take the file's "\r\n".
    EXPECT_EQ(text, "[a]\r\nk=9\nj=2\r\n[b]\nx=y\r\nnew=n\r\n\r\n[c]\r\nz=1\r\n");
    EXPECT_EQ(pp::getPrivateProfileString("b", "x", "", "m.ini"), "y");
}

TEST_F(ProfileFuzzFindings, KeysThatWouldNotReadBackAreRefused)
{
    writeFile("k.ini", "[s]\nk=1\nl=2\n");
    for (const char* key : {";k", "  ;k", "[k", "\t[k]"}) {
        EXPECT_FALSE(pp::writePrivateProfileString("s", key, "v", "k.ini")) << key;
    }
    EXPECT_EQ(pp::getPrivateProfileString("s", "l", "", "k.ini"), "2");
    EXPECT_TRUE(pp::writePrivateProfileString("s", "k;[", "v", "k.ini"));
    EXPECT_EQ(pp::getPrivateProfileString("s", "k;[", "", "k.ini"), "v");
}
