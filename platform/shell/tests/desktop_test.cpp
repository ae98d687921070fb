#include "platform/shell/desktop_associations.h"
#include "platform/shell/file_operations.h"
#include "platform/shell/process.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace platform::shell;

namespace {

void writeFile(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TempDir {
    fs::path root;
    explicit TempDir(const fs::path& base = fs::temp_directory_path())
    {
        std::string pattern = (base / "shell-test-XXXXXX").string();
        root = ::mkdtemp(pattern.data());
    }
    ~TempDir() { fs::remove_all(root); }
};

// A desktop with one image viewer for BMP files and a player for AVI files.
DesktopDirectories testDesktop(const fs::path& root)
{
    writeFile(root / "data/mime/globs2", "# comment\n50:image/bmp:*.bmp\n50:video/x-msvideo:*.avi\n"
                                         "40:image/x-other:*.bmp\n");
    writeFile(root / "data/applications/viewer.desktop",
              "[Desktop Entry]\nType=Application\nName=Viewer\nExec=/opt/view\\sit \"%f\"\n");
    writeFile(root / "data/applications/vendor/player.desktop",
              "[Desktop Entry]\nName=Player\nExec=player --play %U\n[Desktop Action x]\nExec=wrong\n");
    writeFile(root / "config/mimeapps.list",
              "[Default Applications]\nimage/bmp=missing.desktop;viewer.desktop;\n");
    writeFile(root / "data/applications/mimeinfo.cache",
              "[MIME Cache]\nvideo/x-msvideo=vendor-player.desktop;\n");
    DesktopDirectories d;
    d.path = {(root / "bin").string()};
    d.configHome = (root / "config").string();
    d.dataHome = (root / "data").string();
    return d;
}

} // namespace

TEST(DesktopAssociations, FileTypesAndTheirCommands)
{
    TempDir dir;
    const DesktopAssociations desktop(testDesktop(dir.root));

    const Lookup bmp = desktop.fileTypeName(".BMP", kFileTypeNameBuffer);
    ASSERT_TRUE(bmp.found());
    EXPECT_EQ(bmp.value, "image/bmp");
    EXPECT_EQ(desktop.fileTypeName(".xyz", kFileTypeNameBuffer).status, LookupStatus::KeyMissing);

    // The first installed default wins; Exec escapes are undone.
    EXPECT_EQ(desktop.fileTypeCommand("image/bmp", "\\shell\\open\\command", kCommandBuffer).value,
              "/opt/view it \"%f\"");
    EXPECT_EQ(fileTypeProgram(desktop, ".bmp", "\\shell\\open\\command"), "/opt/view it ");
    // The cache finds a desktop file kept in a vendor sub-folder.
    EXPECT_EQ(fileTypeProgram(desktop, ".avi", "\\shell\\play\\command"), "player --play");
    EXPECT_EQ(fileTypeProgram(desktop, ".png", "\\shell\\open\\command"), std::nullopt);
    // A command that does not fit the buffer cannot be read.
    EXPECT_EQ(desktop.fileTypeCommand("image/bmp", "\\shell\\open\\command", 10).status,
              LookupStatus::ValueUnreadable);
}

TEST(DesktopAssociations, ProgramCutsAtTheLastPlaceholder)
{
    EXPECT_EQ(programFromCommand("prog \"%1\""), "prog ");
    EXPECT_EQ(programFromCommand("prog %1 %2"), "prog %1");
    EXPECT_EQ(programFromCommand("/usr/bin/prog"), "/usr/bin/prog");
    EXPECT_EQ(programFromCommand("a%"), "a%");  // '%' at index 1 keeps it whole
    EXPECT_EQ(programFromCommand("%1"), "%1");
    EXPECT_EQ(programFromCommand(""), "");
}

TEST(DesktopAssociations, ApplicationPathsComeFromPath)
{
    TempDir dir;
    const DesktopAssociations desktop(testDesktop(dir.root));
    EXPECT_EQ(desktop.applicationPath("App Paths\\ipe.exe", kCommandBuffer).status,
              LookupStatus::KeyMissing);

    writeFile(dir.root / "bin/ipe", "#!/bin/sh\n");
    // A name that is there but is no program: the value cannot be read.
    EXPECT_EQ(desktop.applicationPath("App Paths\\ipe.exe", kCommandBuffer).status,
              LookupStatus::ValueUnreadable);
    fs::permissions(dir.root / "bin/ipe", fs::perms::owner_all);
    const Lookup found = desktop.applicationPath("App Paths\\ipe.exe", kCommandBuffer);
    ASSERT_TRUE(found.found());
    EXPECT_EQ(found.value, (dir.root / "bin/ipe").string());
}

TEST(StartProgram, StartsWithoutWaitingAndReportsMissingPrograms)
{
    TempDir dir;
    const fs::path out = dir.root / "args";
    ASSERT_TRUE(startProgram({"sh", "-c", "printf '%s|' \"$@\" > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"",
                              out.string(), "two words", "$HOME"}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!fs::exists(out) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(readFile(out), "two words|$HOME|");
    EXPECT_FALSE(startProgram({"no-such-program-anywhere"}));
    EXPECT_FALSE(startProgram({}));
}

TEST(SplitCommandLine, QuotesGroupAndBackslashesInPathsStay)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(splitCommandLine("prog  \"/a b/c.bmp\""), (V{"prog", "/a b/c.bmp"}));
    EXPECT_EQ(splitCommandLine("\"/opt/my prog\" -x \"\""), (V{"/opt/my prog", "-x", ""}));
    EXPECT_EQ(splitCommandLine("a\\b \"q\\\"x\""), (V{"a\\b", "q\"x"}));
    EXPECT_TRUE(splitCommandLine("   ").empty());
}

TEST(FileOperations, MoveNeverReplacesAndCrossesFileSystems)
{
    TempDir dir;
    writeFile(dir.root / "a.avi", "clip");
    writeFile(dir.root / "b.avi", "other");
    EXPECT_FALSE(moveFileNoReplace((dir.root / "a.avi").string(), (dir.root / "b.avi").string()));
    EXPECT_EQ(readFile(dir.root / "a.avi"), "clip");
    EXPECT_EQ(readFile(dir.root / "b.avi"), "other");

    EXPECT_TRUE(moveFileNoReplace((dir.root / "a.avi").string(), (dir.root / "c.avi").string()));
    EXPECT_FALSE(fs::exists(dir.root / "a.avi"));
    EXPECT_EQ(readFile(dir.root / "c.avi"), "clip");
    EXPECT_FALSE(moveFileNoReplace((dir.root / "missing").string(), (dir.root / "d").string()));

    if (!fs::is_directory("/dev/shm"))
        GTEST_SKIP() << "no second file system";
    TempDir other("/dev/shm");
    writeFile(other.root / "taken.avi", "x");
    EXPECT_FALSE(moveFileNoReplace((dir.root / "c.avi").string(), (other.root / "taken.avi").string()));
    EXPECT_TRUE(fs::exists(dir.root / "c.avi"));
    EXPECT_TRUE(moveFileNoReplace((dir.root / "c.avi").string(), (other.root / "c.avi").string()));
    EXPECT_FALSE(fs::exists(dir.root / "c.avi"));
    EXPECT_EQ(readFile(other.root / "c.avi"), "clip");
}

TEST(FileOperations, DeleteRemovesFilesOnly)
{
    TempDir dir;
    writeFile(dir.root / "x.bmp", "x");
    EXPECT_TRUE(deleteFile((dir.root / "x.bmp").string()));
    EXPECT_FALSE(deleteFile((dir.root / "x.bmp").string()));
    EXPECT_FALSE(deleteFile(dir.root.string()));
    EXPECT_TRUE(fs::is_directory(dir.root));
}
