#include "platform/profile/profile.h"
#include "platform/profile/testing/temp_windows_directory.h"

#include <sys/stat.h>

namespace pp = platform::profile;

using Profile = TempWindowsDirectory;

TEST_F(Profile, BareNamesLiveInTheWindowsDirectory)
{
    EXPECT_EQ(pp::windowsDirectory(), dir);
    EXPECT_EQ(pp::profilePath("O_VCAM.ini"), dir / "O_VCAM.ini");
    EXPECT_EQ(pp::profilePath("/etc/x.ini"), std::filesystem::path("/etc/x.ini"));
    ::unsetenv("WINDIR");
    EXPECT_EQ(pp::windowsDirectory(), std::filesystem::path(pp::kDefaultWindowsDirectory));
    ::setenv("WINDIR", "", 1);
    EXPECT_EQ(pp::windowsDirectory(), std::filesystem::path(pp::kDefaultWindowsDirectory));
}

TEST_F(Profile, MissingFileSectionOrKeyGivesTheDefault)
{
    EXPECT_EQ(pp::getPrivateProfileString("s", "k", "dflt", "none.ini"), "dflt");
    EXPECT_EQ(pp::getPrivateProfileInt("s", "k", 7, "none.ini"), 7);
    writeFile("a.ini", "[s]\nk=5\n");
    EXPECT_EQ(pp::getPrivateProfileInt("other", "k", -3, "a.ini"), -3);
    EXPECT_EQ(pp::getPrivateProfileInt("S", "K", -3, "a.ini"), 5);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "j", 1, "a.ini"), 1);
    // A default loses its trailing blanks, as a stored value does; leading ones stay.
    EXPECT_EQ(pp::getPrivateProfileString("s", "j", " d d \t ", "a.ini"), " d d");
    EXPECT_EQ(pp::getPrivateProfileString("s", "j", "   ", "a.ini"), "");
}

TEST_F(Profile, AByteOrderMarkHidesNoSectionAndIsKept)
{
    const std::string mark = "\xEF\xBB\xBF";
    writeFile("system.ini", mark + "[drivers]\r\nwave=x.drv\r\n");
    EXPECT_EQ(pp::getPrivateProfileString("drivers", "wave", "0", "system.ini"), "x.drv");
    ASSERT_TRUE(pp::writePrivateProfileString("drivers", "MSVideo", "v.drv", "system.ini"));
    EXPECT_EQ(readFile("system.ini"), mark + "[drivers]\r\nwave=x.drv\r\nMSVideo=v.drv\r\n");
}

TEST_F(Profile, StringsAreCutToTheCallersBuffer)
{
    writeFile("a.ini", "[drivers]\nMSVideo=abcdefghij\n");
    EXPECT_EQ(pp::getPrivateProfileString("drivers", "MSVideo", "0", "a.ini", 5), "abcd");
    EXPECT_EQ(pp::getPrivateProfileString("drivers", "MSVideo", "0", "a.ini", 0), "");
    EXPECT_EQ(pp::getPrivateProfileString("drivers", "Other", "0", "a.ini", 80), "0");
}

TEST_F(Profile, IntegersReadLikeTheWindowsService)
{
    writeFile("a.ini", "[s]\nneg=-12\nplus=+4\nhex=0x1F\ntrail=42abc\njunk=abc\nempty=\n"
                       "huge=99999999999999\nhugeneg=-99999999999999\nblank=   8\n");
    EXPECT_EQ(pp::getPrivateProfileInt("s", "neg", 0, "a.ini"), -12);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "plus", 0, "a.ini"), 4);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "hex", 0, "a.ini"), 31);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "trail", 0, "a.ini"), 42);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "junk", 9, "a.ini"), 0);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "empty", 9, "a.ini"), 9);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "huge", 0, "a.ini"), 2147483647);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "hugeneg", 0, "a.ini"), -2147483647 - 1);
    EXPECT_EQ(pp::getPrivateProfileInt("s", "blank", 0, "a.ini"), 8);
}

TEST_F(Profile, WritingCreatesDirectoryAndFileAndTouchesOnlyOneLine)
{
    ::setenv("WINDIR", (dir / "sub" / "win").c_str(), 1);
    ASSERT_TRUE(pp::writePrivateProfileString("Orvane.USB_VCAM", "Quality", "2", "O_VCAM.ini"));
    EXPECT_EQ(pp::getPrivateProfileInt("orvane.usb_vcam", "quality", 1, "O_VCAM.ini"), 2);
    ::setenv("WINDIR", dir.c_str(), 1);

    const std::string twain = "[Orvane.VCAM_TWAIN]\r\nSize=5\r\nname = keep  me \r\n\r\n";
    writeFile("O_VCAM.ini", twain + "[Orvane.USB_VCAM]\r\nquality=1\r\n");
    ASSERT_TRUE(pp::writePrivateProfileString("Orvane.USB_VCAM", "Quality", "0", "O_VCAM.ini"));
    ASSERT_TRUE(pp::writePrivateProfileString("Orvane.USB_VCAM", "Speed", "2", "O_VCAM.ini"));
    EXPECT_EQ(readFile("O_VCAM.ini"), twain + "[Orvane.USB_VCAM]\r\nquality=0\r\nSpeed=2\r\n");
}

TEST_F(Profile, RefusesValuesThatWouldInjectLines)
{
    writeFile("a.ini", "[s]\nk=1\n");
    EXPECT_FALSE(pp::writePrivateProfileString("s", "k", "2\n[evil]\nx=1", "a.ini"));
    EXPECT_FALSE(pp::writePrivateProfileString("s", "a=b", "2", "a.ini"));
    EXPECT_FALSE(pp::writePrivateProfileString("s]x", "k", "2", "a.ini"));
    EXPECT_FALSE(pp::writePrivateProfileString("", "k", "2", "a.ini"));
    EXPECT_EQ(readFile("a.ini"), "[s]\nk=1\n");
}

TEST_F(Profile, OversizedOrUnreadableFilesGiveDefaultsAndAreNotRewritten)
{
    // The largest file read is exactly the limit; one byte more gives defaults.
    const std::string head = "[s]\nk=1\n";
    writeFile("limit.ini", head + std::string(pp::kMaxProfileFileSize - head.size(), 'x'));
    EXPECT_EQ(pp::getPrivateProfileInt("s", "k", 9, "limit.ini"), 1);
    writeFile("limit.ini", head + std::string(pp::kMaxProfileFileSize - head.size() + 1, 'x'));
    EXPECT_EQ(pp::getPrivateProfileInt("s", "k", 9, "limit.ini"), 9);

    writeFile("big.ini", head + std::string(pp::kMaxProfileFileSize, 'x'));
    EXPECT_EQ(pp::getPrivateProfileInt("s", "k", 9, "big.ini"), 9);
    EXPECT_FALSE(pp::writePrivateProfileString("s", "k", "2", "big.ini"));
    EXPECT_EQ(std::filesystem::file_size(dir / "big.ini"), 8 + pp::kMaxProfileFileSize);

    std::filesystem::create_directory(dir / "adir.ini");
    EXPECT_EQ(pp::getPrivateProfileString("s", "k", "d", "adir.ini"), "d");
    EXPECT_FALSE(pp::writePrivateProfileString("s", "k", "2", "adir.ini"));
}

TEST_F(Profile, KeepsTheFilesPermissionsAndWritesThroughSymlinks)
{
    writeFile("real.ini", "[s]\nk=1\n");
    ::chmod((dir / "real.ini").c_str(), 0640);
    std::filesystem::create_symlink(dir / "real.ini", dir / "link.ini");
    ASSERT_TRUE(pp::writePrivateProfileString("s", "k", "2", "link.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(readFile("real.ini"), "[s]\nk=2\n");
    struct stat st {};
    ASSERT_EQ(::stat((dir / "real.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A link to a file not there yet (relative, through a second link): the
    // first write creates the file it names, and the links stay.
    std::filesystem::create_symlink("later.ini", dir / "hop.ini");
    std::filesystem::create_symlink("hop.ini", dir / "dangling.ini");
    ASSERT_TRUE(pp::writePrivateProfileString("s", "k", "3", "dangling.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.ini"));
    EXPECT_EQ(readFile("later.ini"), "[s]\nk=3\n");
    EXPECT_EQ(pp::getPrivateProfileInt("s", "k", 0, "dangling.ini"), 3);

    std::filesystem::create_symlink("loop.ini", dir / "loop.ini");
    EXPECT_FALSE(pp::writePrivateProfileString("s", "k", "4", "loop.ini"));
}

TEST_F(Profile, NewFilesFollowTheUmask)
{
    const mode_t previous = ::umask(027);
    const bool written = pp::writePrivateProfileString("s", "k", "1", "new.ini");
    ::umask(previous);
    ASSERT_TRUE(written);
    struct stat st {};
    ASSERT_EQ(::stat((dir / "new.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(Profile, DeletesKeysAndSections)
{
    writeFile("a.ini", "[a]\nx=1\ny=2\n[b]\nz=3\n");
    EXPECT_TRUE(pp::deletePrivateProfileKey("a", "x", "a.ini"));
    EXPECT_TRUE(pp::deletePrivateProfileKey("a", "missing", "a.ini"));
    EXPECT_TRUE(pp::deletePrivateProfileSection("B", "a.ini"));
    EXPECT_EQ(readFile("a.ini"), "[a]\ny=2\n");
}
