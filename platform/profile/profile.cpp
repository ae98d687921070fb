#include "profile.h"

#include "ini_document.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::profile {
namespace fs = std::filesystem;
namespace {

// As the kernel's own limit on links followed in one path.
constexpr int kMaxLinkHops = 40;

// Whole file as text; nullopt when it cannot be read or is too large.
// A missing file reads as empty.
std::optional<std::string> readFileText(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        static_cast<std::uintmax_t>(st.st_size) > kMaxProfileFileSize) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text;
    char chunk[16384];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 || text.size() + static_cast<size_t>(n) > kMaxProfileFileSize) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        text.append(chunk, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

// Writes a sibling temporary file and renames it over the target, so that
// readers see either the old or the new file, never a part of one.
bool replaceFile(const fs::path& path, std::string_view text)
{
    // Created with 0666 so that the process's umask applies as for any new
    // file (without touching the umask, which other threads share); a file
    // being replaced passes its own permissions on.
    static std::atomic<unsigned> counter{0};
    const std::string stem = (path.parent_path() / ("." + path.filename().string() + ".")).string();
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        tmp = stem + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    struct stat old {};
    bool ok = true;
    if (::stat(path.c_str(), &old) == 0)
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, text) && ::fsync(fd) == 0;
    ::close(fd);
    if (!ok || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

// The file a settings path names once its symbolic links are followed, so that
// the file is replaced and the link stays. A link to a file not there yet
// names that file: the first write creates it. nullopt for a loop.
std::optional<fs::path> followLinks(fs::path path)
{
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(path, ec)))
            return path;
        const fs::path target = fs::read_symlink(path, ec);
        if (ec)
            return std::nullopt;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return std::nullopt;
}

// Runs edit on the file's current contents under the writers' lock and
// stores the result. edit returns false when there is nothing to store.
bool editProfile(std::string_view fileName, const std::function<bool(IniDocument&)>& edit)
{
    const auto resolved = followLinks(profilePath(fileName));
    if (!resolved)
        return false;
    const fs::path& path = *resolved;
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);

    // The lock lives in its own file: the profile itself is replaced by
    // rename, and a lock on a replaced inode would protect nothing.
    const fs::path lockPath = path.parent_path() / ("." + path.filename().string() + ".lock");
    const int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lockFd < 0)
        return false;
    while (::flock(lockFd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            ::close(lockFd);
            return false;
        }
    }
    bool ok = false;
    if (const auto text = readFileText(path)) {
        IniDocument doc(*text);
        ok = !edit(doc) || replaceFile(path, doc.text());
    }
    ::flock(lockFd, LOCK_UN);
    ::close(lockFd);
    return ok;
}

std::optional<std::string> readValue(std::string_view section, std::string_view key,
                                     std::string_view fileName)
{
    const auto text = readFileText(profilePath(fileName));
    if (!text)
        return std::nullopt;
    return IniDocument(*text).value(section, key);
}

// A value must stay on its line: a line break in it would inject keys.
bool isSingleLine(std::string_view s)
{
    return s.find_first_of("\r\n") == std::string_view::npos;
}

// A key line starting with ';' is a comment and one starting with '[' a
// section header: such a key would be written but never read back.
bool isReadableKey(std::string_view key)
{
    const std::size_t first = key.find_first_not_of(" \t\f\v");
    return first == std::string_view::npos || (key[first] != ';' && key[first] != '[');
}

} // namespace

fs::path windowsDirectory()
{
    const char* env = std::getenv(kWindowsDirectoryVariable);
    if (env != nullptr && *env != '\0')
        return fs::path(env);
    return fs::path(kDefaultWindowsDirectory);
}

fs::path profilePath(std::string_view fileName)
{
    if (fileName.find('/') != std::string_view::npos)
        return fs::path(fileName);
    return windowsDirectory() / fs::path(fileName);
}

std::string getPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue, std::string_view fileName,
                                    std::size_t bufferSize)
{
    if (bufferSize == 0)
        return {};
    std::string value;
    if (auto stored = readValue(section, key, fileName)) {
        value = std::move(*stored);
    } else {
        // A default is given back without its trailing blanks, as a stored
        // value would be.
        const size_t end = defaultValue.find_last_not_of(" \t");
        value = defaultValue.substr(0, end == std::string_view::npos ? 0 : end + 1);
    }
    if (value.size() > bufferSize - 1)
        value.resize(bufferSize - 1);
    return value;
}

int getPrivateProfileInt(std::string_view section, std::string_view key, int defaultValue,
                         std::string_view fileName)
{
    const auto value = readValue(section, key, fileName);
    if (!value || value->empty())
        return defaultValue;
    std::string_view s = *value;
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    long long magnitude = 0;
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (const char c : s) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            break;
        magnitude = std::min(magnitude * base + digit, kLimit);  // saturate, never overflow
    }
    if (negative)
        return static_cast<int>(-magnitude);
    return static_cast<int>(std::min<long long>(magnitude, std::numeric_limits<int>::max()));
}

bool writePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, std::string_view fileName)
{
    if (section.empty() || key.empty() || !isSingleLine(section) || !isSingleLine(key) ||
        !isSingleLine(value) || key.find('=') != std::string_view::npos || !isReadableKey(key) ||
        section.find(']') != std::string_view::npos)
        return false;
    return editProfile(fileName, [&](IniDocument& doc) {
        doc.setValue(section, key, value);
        return true;
    });
}

bool deletePrivateProfileKey(std::string_view section, std::string_view key,
                             std::string_view fileName)
{
    return editProfile(fileName, [&](IniDocument& doc) { return doc.removeKey(section, key); });
}

bool deletePrivateProfileSection(std::string_view section, std::string_view fileName)
{
    return editProfile(fileName, [&](IniDocument& doc) { return doc.removeSection(section); });
}

} // namespace platform::profile
