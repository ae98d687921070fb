#include "sane/camera_devices.h"

#include "platform/ousbdrv/device_names.h"
#include "platform/ousbdrv/protocol.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;
namespace po = platform::ousbdrv;

namespace rz410 {
namespace {

constexpr const char* kConfigDirVariable = "SANE_CONFIG_DIR";
constexpr std::size_t kLongestConfigLine = 4096;

std::vector<std::string> configFolders(const std::string& defaultFolder)
{
    std::vector<std::string> folders;
    const char* variable = std::getenv(kConfigDirVariable);
    if (variable == nullptr) {
        folders.push_back(defaultFolder);
        return folders;
    }
    std::string_view rest = variable;
    while (!rest.empty()) {
        const std::size_t colon = rest.find(':');
        const std::string_view folder = rest.substr(0, colon);
        if (!folder.empty())
            folders.emplace_back(folder);
        if (colon == std::string_view::npos)
            return folders;
        rest.remove_prefix(colon + 1);
    }
    // The variable ended with ':': the installed folder comes last.
    folders.push_back(defaultFolder);
    return folders;
}

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

void applyLine(std::string_view line)
{
    const std::size_t hash = line.find('#');
    line = trimmed(line.substr(0, hash));
    if (line.empty())
        return;
    const std::size_t blank = line.find_first_of(" \t");
    const std::string_view key = line.substr(0, blank);
    const std::string_view value = blank == std::string_view::npos ? std::string_view{} : trimmed(line.substr(blank));
    if (key == kConfigRootKey && !value.empty()) {
        // The environment, when it names a root, wins over the file.
        ::setenv(po::kRootVariable, std::string(value).c_str(), 0);
    }
    // Unknown keys are ignored, so an older backend reads a newer file.
}

} // namespace

void applyConfiguration(const std::string& defaultFolder)
{
    for (const std::string& folder : configFolders(defaultFolder)) {
        std::ifstream file(fs::path(folder) / kConfigFileName);
        if (!file)
            continue;
        std::string line;
        while (std::getline(file, line)) {
            if (line.size() > kLongestConfigLine)
                continue;
            applyLine(line);
        }
        return;  // the first file found is the one that counts
    }
}

std::vector<int> camerasPresent(const fs::path& root)
{
    std::vector<int> cameras;
    for (int device = 0; device <= po::kMaxDeviceNumber; ++device) {
        if (::access(controlNodePath(root, device).c_str(), F_OK) == 0)
            cameras.push_back(device);
    }
    return cameras;
}

std::string deviceName(int device)
{
    return po::nodeName(device);
}

std::optional<int> deviceNumber(std::string_view name)
{
    const std::string_view prefix = po::kNodePrefix;
    if (name.size() != prefix.size() + 3 || name.substr(0, prefix.size()) != prefix)
        return std::nullopt;
    int device = -1;
    const char* first = name.data() + prefix.size();
    const auto [end, error] = std::from_chars(first, name.data() + name.size(), device);
    if (error != std::errc{} || end != name.data() + name.size() || device < 0 || device > po::kMaxDeviceNumber)
        return std::nullopt;
    return device;
}

std::string controlNodePath(const fs::path& root, int device)
{
    return (root / po::nodeName(device) / po::kControlNodeName).string();
}

bool CameraRedirect::begin(const fs::path& root, int device)
{
    end();
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "rz410-sane.XXXXXX").string();
    if (error || ::mkdtemp(pattern.data()) == nullptr)
        return false;
    fs::path folder = pattern;
    fs::create_directory_symlink(fs::absolute(root, error) / po::nodeName(device), folder / po::nodeName(0), error);
    if (error) {
        fs::remove_all(folder, error);
        return false;
    }
    if (const char* previous = std::getenv(po::kRootVariable))
        previousRoot_ = previous;
    else
        previousRoot_.reset();
    ::setenv(po::kRootVariable, folder.c_str(), 1);
    folder_ = std::move(folder);
    active_ = true;
    return true;
}

void CameraRedirect::end()
{
    if (!active_)
        return;
    if (previousRoot_)
        ::setenv(po::kRootVariable, previousRoot_->c_str(), 1);
    else
        ::unsetenv(po::kRootVariable);
    std::error_code error;
    fs::remove_all(folder_, error);
    active_ = false;
}

} // namespace rz410
