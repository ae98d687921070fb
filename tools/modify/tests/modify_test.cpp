// Runs the built modify program against a temporary Windows directory, as
// the installation would.
#include "platform/profile/ini_document.h"
#include "platform/profile/testing/temp_windows_directory.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

using platform::profile::IniDocument;

class Modify : public TempWindowsDirectory {
protected:
    void runModify(int expectedExitStatus = 0)
    {
        std::string path = MODIFY_PATH;
        char* argv[] = {path.data(), nullptr};
        pid_t pid = -1;
        ASSERT_EQ(::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), expectedExitStatus);
    }
    IniDocument systemIni() const { return IniDocument(readFile("system.ini")); }
};

} // namespace

TEST_F(Modify, NoDefaultDriverRegistersWithoutNumberedKeys)
{
    writeFile("system.ini", "[boot]\nshell=x\n[drivers]\nwave=mmdrv.dll\n");
    runModify();
    EXPECT_EQ(readFile("system.ini"),
              "[boot]\nshell=x\n[drivers]\nwave=mmdrv.dll\nMSVideo=O_vdocap.drv\n");
}

TEST_F(Modify, NoFileAtAllCreatesIt)
{
    runModify();
    EXPECT_EQ(readFile("system.ini"), "[drivers]\nMSVideo=O_vdocap.drv\n");
}

TEST_F(Modify, OtherDriverMovesToTheFirstFreeNumberedKey)
{
    writeFile("system.ini", "[drivers]\nMSVideo=x.drv\n");
    runModify();
    auto ini = systemIni();
    EXPECT_EQ(ini.value("drivers", "MSVideo"), "O_vdocap.drv");
    EXPECT_EQ(ini.value("drivers", "MSVideo1"), "x.drv");

    writeFile("system.ini", "[drivers]\nMSVideo=x.drv\nMSVideo1=y.drv\n");
    runModify();
    ini = systemIni();
    EXPECT_EQ(ini.value("drivers", "MSVideo"), "O_vdocap.drv");
    EXPECT_EQ(ini.value("drivers", "MSVideo1"), "y.drv");
    EXPECT_EQ(ini.value("drivers", "MSVideo2"), "x.drv");
}

TEST_F(Modify, AlreadyRegisteredChangesNothing)
{
    for (const std::string text : {"[drivers]\nMSVideo=x.drv\nMSVideo1=y.drv\nMSVideo2=z.drv\nMSVideo3=O_vdocap.drv\n",
                                   "[drivers]\nMSVideo=x.drv\nMSVideo3=O_vdocap.drv\n",
                                   "[drivers]\nmsvideo = O_vdocap.drv\n"}) {
        writeFile("system.ini", text);
        runModify();
        EXPECT_EQ(readFile("system.ini"), text);
    }
}

TEST_F(Modify, ComparisonIsCaseSensitiveAndOneCharacterCountsAsAbsent)
{
    writeFile("system.ini", "[drivers]\nMSVideo=o_vdocap.drv\n");
    runModify();
    auto ini = systemIni();
    EXPECT_EQ(ini.value("drivers", "MSVideo"), "O_vdocap.drv");
    EXPECT_EQ(ini.value("drivers", "MSVideo1"), "o_vdocap.drv");

    writeFile("system.ini", "[drivers]\nMSVideo=z\nMSVideo1=y.drv\n");
    runModify();
    EXPECT_EQ(readFile("system.ini"), "[drivers]\nMSVideo=O_vdocap.drv\nMSVideo1=y.drv\n");
}

TEST_F(Modify, OneCharacterNumberedKeyCountsAsFree)
{
    writeFile("system.ini", "[drivers]\nMSVideo=x.drv\nMSVideo1=y.drv\nMSVideo2=0\n");
    runModify();
    auto ini = systemIni();
    EXPECT_EQ(ini.value("drivers", "MSVideo2"), "x.drv");
    EXPECT_EQ(ini.value("drivers", "MSVideo"), "O_vdocap.drv");
}

TEST_F(Modify, AllTenTakenOverwritesMSVideo11)
{
    std::string text = "[drivers]\nMSVideo=x.drv\n";
    for (int n = 1; n <= 10; ++n)
        text += "MSVideo" + std::to_string(n) + "=d" + std::to_string(n) + ".drv\n";
    writeFile("system.ini", text + "MSVideo11=old.drv\n");
    runModify();
    auto ini = systemIni();
    EXPECT_EQ(ini.value("drivers", "MSVideo"), "O_vdocap.drv");
    EXPECT_EQ(ini.value("drivers", "MSVideo11"), "x.drv");
    for (int n = 1; n <= 10; ++n)
        EXPECT_EQ(ini.value("drivers", "MSVideo" + std::to_string(n)), "d" + std::to_string(n) + ".drv");
}

TEST_F(Modify, SecondRunLeavesTheFileAsTheFirst)
{
    writeFile("system.ini", "[drivers]\nMSVideo=x.drv\nMSVideo1=y.drv\n");
    runModify();
    const std::string afterFirst = readFile("system.ini");
    runModify();
    EXPECT_EQ(readFile("system.ini"), afterFirst);
}

TEST_F(Modify, LongValuesAreComparedAsTheirFirst79Characters)
{
    // A value longer than the 80-byte buffer is moved cut to 79 characters,
    // exactly as it was read.
    const std::string longName(100, 'L');
    writeFile("system.ini", "[drivers]\nMSVideo=" + longName + "\n");
    runModify();
    EXPECT_EQ(systemIni().value("drivers", "MSVideo1"), longName.substr(0, 79));
}

TEST_F(Modify, OddSettingsFilesAreEditedInPlaceOrFailLoudly)
{
    // A file saved with a UTF-8 byte-order mark keeps its one [drivers] section.
    writeFile("system.ini", "\xEF\xBB\xBF[drivers]\nMSVideo=x.drv\n");
    runModify();
    EXPECT_EQ(readFile("system.ini"), "\xEF\xBB\xBF[drivers]\nMSVideo=O_vdocap.drv\nMSVideo1=x.drv\n");

    // A link to a file not made yet is written through.
    std::filesystem::remove(dir / "system.ini");
    std::filesystem::create_symlink("real-system.ini", dir / "system.ini");
    runModify();
    EXPECT_EQ(readFile("real-system.ini"), "[drivers]\nMSVideo=O_vdocap.drv\n");

    // Something that cannot be written is reported by the exit status.
    std::filesystem::remove(dir / "system.ini");
    std::filesystem::create_directory(dir / "system.ini");
    runModify(1);
}
