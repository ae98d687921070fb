#include "platform/shell/desktop_associations.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace platform::shell {

namespace {

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::vector<std::string> splitList(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find(separator, start), text.size());
        if (end > start)
            parts.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string environmentOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? std::string(value) : fallback;
}

std::string trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The value of `key` in group `group` of a desktop-entry style file.
std::optional<std::string> readKey(const std::string& file, const std::string& group,
                                   const std::string& key)
{
    std::ifstream in(file);
    if (!in)
        return std::nullopt;
    std::string line;
    bool inGroup = false;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        if (line[0] == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        if (!inGroup)
            continue;
        const size_t equals = line.find('=');
        if (equals == std::string::npos || trim(line.substr(0, equals)) != key)
            continue;
        return trim(line.substr(equals + 1));
    }
    return std::nullopt;
}

// Escapes of a desktop entry's string values.
std::string unescapeValue(const std::string& value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's': out += ' '; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case 'r': out += '\r'; break;
        case '\\': out += '\\'; break;
        default: out += '\\'; out += value[i]; break;
        }
    }
    return out;
}

bool fileExists(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

Lookup fitted(std::string value, std::size_t bufferSize)
{
    if (value.size() >= bufferSize)
        return {LookupStatus::ValueUnreadable, {}};
    return {LookupStatus::Found, std::move(value)};
}

// "Software\...\App Paths\name" style keys name a program by their last part.
std::string lastKeyPart(const std::string& key)
{
    const size_t slash = key.find_last_of('\\');
    return slash == std::string::npos ? key : key.substr(slash + 1);
}

} // namespace

DesktopDirectories DesktopDirectories::fromEnvironment()
{
    DesktopDirectories d;
    const std::string home = environmentOr("HOME", "/");
    d.path = splitList(environmentOr("PATH", "/usr/local/bin:/usr/bin:/bin"), ':');
    d.configHome = environmentOr("XDG_CONFIG_HOME", home + "/.config");
    d.configDirs = splitList(environmentOr("XDG_CONFIG_DIRS", "/etc/xdg"), ':');
    d.dataHome = environmentOr("XDG_DATA_HOME", home + "/.local/share");
    d.dataDirs = splitList(environmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"), ':');
    d.desktops = splitList(lower(environmentOr("XDG_CURRENT_DESKTOP", "")), ':');
    return d;
}

DesktopAssociations::DesktopAssociations(DesktopDirectories directories)
    : directories_(std::move(directories))
{
}

Lookup DesktopAssociations::applicationPath(const std::string& programName,
                                            std::size_t bufferSize) const
{
    const std::string name = lastKeyPart(programName);
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    std::vector<std::string> candidates{name};
    if (name.size() > 4 && lower(name.substr(name.size() - 4)) == ".exe")
        candidates.push_back(name.substr(0, name.size() - 4));
    for (const std::string& folder : directories_.path) {
        for (const std::string& candidate : candidates) {
            const std::string full = folder + "/" + candidate;
            struct stat info{};
            if (::lstat(full.c_str(), &info) != 0)
                continue;
            // The name is taken; only a program we may run is a usable value.
            if (::stat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
                ::access(full.c_str(), X_OK) != 0)
                return {LookupStatus::ValueUnreadable, {}};
            return fitted(full, bufferSize);
        }
    }
    return {};
}

Lookup DesktopAssociations::fileTypeName(const std::string& extension, std::size_t bufferSize) const
{
    if (extension.size() < 2 || extension[0] != '.')
        return {};
    const std::string wanted = "*" + lower(extension);
    std::vector<std::string> mimeDirs{directories_.dataHome + "/mime"};
    for (const std::string& d : directories_.dataDirs)
        mimeDirs.push_back(d + "/mime");

    std::string best;
    int bestWeight = -1;
    for (const std::string& dir : mimeDirs) {
        std::ifstream globs2(dir + "/globs2");
        std::string line;
        while (std::getline(globs2, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            const std::vector<std::string> fields = splitList(line, ':');
            if (fields.size() < 3 || lower(fields[2]) != wanted)
                continue;
            const int weight = std::atoi(fields[0].c_str());
            if (weight > bestWeight) {
                bestWeight = weight;
                best = fields[1];
            }
        }
        if (bestWeight >= 0)
            break;
        std::ifstream globs(dir + "/globs");
        while (std::getline(globs, line)) {
            if (line.empty() || line[0] == '#')
                continue;
            const std::vector<std::string> fields = splitList(line, ':');
            if (fields.size() == 2 && lower(fields[1]) == wanted) {
                best = fields[0];
                bestWeight = 50;
                break;
            }
        }
        if (bestWeight >= 0)
            break;
    }
    if (bestWeight < 0)
        return {};
    return fitted(best, bufferSize);
}

std::optional<std::string> DesktopAssociations::findDesktopFile(const std::string& desktopId) const
{
    if (desktopId.empty() || desktopId.find('/') != std::string::npos ||
        desktopId.find("..") != std::string::npos)
        return std::nullopt;
    std::vector<std::string> appDirs{directories_.dataHome + "/applications"};
    for (const std::string& d : directories_.dataDirs)
        appDirs.push_back(d + "/applications");
    for (const std::string& dir : appDirs) {
        if (fileExists(dir + "/" + desktopId))
            return dir + "/" + desktopId;
        // "vendor-app.desktop" may live as vendor/app.desktop.
        const size_t dash = desktopId.find('-');
        if (dash != std::string::npos) {
            const std::string nested = dir + "/" + desktopId.substr(0, dash) + "/" +
                                       desktopId.substr(dash + 1);
            if (fileExists(nested))
                return nested;
        }
    }
    return std::nullopt;
}

std::optional<std::string> DesktopAssociations::defaultDesktopFile(const std::string& mimeType) const
{
    std::vector<std::string> lists;
    auto addListsOf = [&](const std::string& dir) {
        for (const std::string& desktop : directories_.desktops)
            lists.push_back(dir + "/" + desktop + "-mimeapps.list");
        lists.push_back(dir + "/mimeapps.list");
    };
    addListsOf(directories_.configHome);
    for (const std::string& d : directories_.configDirs)
        addListsOf(d);
    addListsOf(directories_.dataHome + "/applications");
    for (const std::string& d : directories_.dataDirs)
        addListsOf(d + "/applications");

    auto firstInstalled = [&](const std::optional<std::string>& ids) -> std::optional<std::string> {
        if (!ids)
            return std::nullopt;
        for (const std::string& id : splitList(*ids, ';')) {
            if (auto file = findDesktopFile(trim(id)))
                return file;
        }
        return std::nullopt;
    };
    for (const char* group : {"Default Applications", "Added Associations"}) {
        for (const std::string& list : lists) {
            if (auto file = firstInstalled(readKey(list, group, mimeType)))
                return file;
        }
    }
    std::vector<std::string> caches{directories_.dataHome + "/applications/mimeinfo.cache"};
    for (const std::string& d : directories_.dataDirs)
        caches.push_back(d + "/applications/mimeinfo.cache");
    for (const std::string& cache : caches) {
        if (auto file = firstInstalled(readKey(cache, "MIME Cache", mimeType)))
            return file;
    }
    return std::nullopt;
}

Lookup DesktopAssociations::fileTypeCommand(const std::string& typeName, const std::string& verbPath,
                                            std::size_t bufferSize) const
{
    // Every verb of a type ("open", "play") is its default application.
    if (typeName.empty() || verbPath.find("\\shell\\") != 0 ||
        verbPath.size() < 9 || verbPath.compare(verbPath.size() - 8, 8, "\\command") != 0)
        return {};
    const std::optional<std::string> desktopFile = defaultDesktopFile(typeName);
    if (!desktopFile)
        return {};
    const std::optional<std::string> exec = readKey(*desktopFile, "Desktop Entry", "Exec");
    if (!exec || exec->empty())
        return {LookupStatus::ValueUnreadable, {}};
    return fitted(unescapeValue(*exec), bufferSize);
}

std::string programFromCommand(const std::string& command)
{
    const size_t percent = command.find_last_of('%');
    if (percent == std::string::npos || percent < 2)
        return command;
    return command.substr(0, percent - 1);
}

std::optional<std::string> fileTypeProgram(const DesktopAssociations& associations,
                                           const std::string& extension,
                                           const std::string& verbPath)
{
    const Lookup type = associations.fileTypeName(extension, kFileTypeNameBuffer);
    if (!type.found())
        return std::nullopt;
    const Lookup command = associations.fileTypeCommand(type.value, verbPath, kCommandBuffer);
    if (!command.found())
        return std::nullopt;
    return programFromCommand(command.value);
}

} // namespace platform::shell
