// Several processes writing one profile file at once.
#include "platform/profile/ini_document.h"
#include "platform/profile/profile.h"
#include "platform/profile/testing/temp_windows_directory.h"

#include <csignal>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace pp = platform::profile;

namespace {

pid_t startHammer(const std::string& file, const std::string& section, int count)
{
    std::string path = PROFILE_HAMMER_PATH;
    std::string countText = std::to_string(count);
    char* argv[] = {path.data(), const_cast<char*>(file.c_str()),
                    const_cast<char*>(section.c_str()), countText.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        return -1;
    return pid;
}

int waitExit(pid_t pid)
{
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

} // namespace

using ProfileWriters = TempWindowsDirectory;

TEST_F(ProfileWriters, TwoProcessesNeverLoseEachOthersKeys)
{
    constexpr int kKeys = 150;
    writeFile("O_VCAM.ini", "[Orvane.VCAM_TWAIN]\nSize=3\n");
    const pid_t a = startHammer("O_VCAM.ini", "Orvane.USB_VCAM", kKeys);
    const pid_t b = startHammer("O_VCAM.ini", "Orvane.VCAM_VFW", kKeys);
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    const int statusA = waitExit(a);
    const int statusB = waitExit(b);
    ASSERT_TRUE(WIFEXITED(statusA) && WEXITSTATUS(statusA) == 0);
    ASSERT_TRUE(WIFEXITED(statusB) && WEXITSTATUS(statusB) == 0);

    const pp::IniDocument doc(readFile("O_VCAM.ini"));
    EXPECT_EQ(doc.value("Orvane.VCAM_TWAIN", "Size"), "3");
    for (const char* section : {"Orvane.USB_VCAM", "Orvane.VCAM_VFW"}) {
        ASSERT_EQ(doc.keyNames(section).size(), static_cast<size_t>(kKeys)) << section;
        for (int i = 0; i < kKeys; ++i)
            EXPECT_EQ(doc.value(section, "Key" + std::to_string(i)), std::to_string(i * 7));
    }
    // No temporary files are left behind: only the file and its lock.
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"O_VCAM.ini", ".O_VCAM.ini.lock"}));
}

TEST_F(ProfileWriters, AKilledWriterLeavesAWholeFile)
{
    constexpr int kKeys = 100000;  // far more than it can write before the kill
    writeFile("O_VCAM.ini", "[Keep]\nk=1\n");
    const pid_t pid = startHammer("O_VCAM.ini", "S", kKeys);
    ASSERT_GT(pid, 0);
    // Let it get well into its writes; the file grows with every one.
    for (int i = 0; i < 400 && pp::getPrivateProfileString("S", "Key50", "", "O_VCAM.ini").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(pid, SIGKILL);
    waitExit(pid);

    // Every key the writer got to is present in full, with nothing torn.
    const pp::IniDocument doc(readFile("O_VCAM.ini"));
    EXPECT_EQ(doc.value("Keep", "k"), "1");
    const auto keys = doc.keyNames("S");
    ASSERT_GE(keys.size(), 50u);
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i], "Key" + std::to_string(i));
        EXPECT_EQ(doc.value("S", keys[i]), std::to_string(i * 7));
    }
    // The next writer is not blocked by the dead one's lock.
    EXPECT_TRUE(pp::writePrivateProfileString("Keep", "k", "2", "O_VCAM.ini"));
}
