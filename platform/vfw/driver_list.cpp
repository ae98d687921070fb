#include "platform/vfw/driver_list.h"

#include "platform/profile/profile.h"

#include <array>
#include <dlfcn.h>
#include <system_error>
#include <unistd.h>

namespace platform::vfw {

namespace {

std::filesystem::path programLibDirectory()
{
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    return exe.parent_path().parent_path() / "lib";
}

bool isRegularFile(const std::filesystem::path& p)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec);
}

} // namespace

std::string driverKeyName(int index)
{
    return index == 0 ? std::string(kDriverKeyBase) : kDriverKeyBase + std::to_string(index);
}

std::optional<std::string> driverFileName(int index)
{
    if (index < 0 || index > kMaxDriverIndex)
        return std::nullopt;
    std::string value = platform::profile::getPrivateProfileString(kDriversSection, driverKeyName(index), "",
                                                                   kSystemIni, kDriverValueBufferSize);
    if (value.size() <= 1)
        return std::nullopt;
    return value;
}

std::optional<std::filesystem::path> locateDriverFile(const std::string& fileName)
{
    if (fileName.empty() || fileName == "." || fileName == "..")
        return std::nullopt;
    if (fileName.find('/') != std::string::npos)
        return isRegularFile(fileName) ? std::optional<std::filesystem::path>(fileName) : std::nullopt;
    for (const auto& dir : {platform::profile::windowsDirectory(), programLibDirectory()}) {
        if (dir.empty())
            continue;
        const auto candidate = dir / fileName;
        if (isRegularFile(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::unique_ptr<DriverLibrary> DriverLibrary::load(const std::filesystem::path& file, std::string* error)
{
    auto setError = [&](std::string text) {
        if (error != nullptr)
            *error = std::move(text);
    };
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* why = ::dlerror();
        setError(why != nullptr ? why : "cannot load " + file.string());
        return nullptr;
    }
    auto entry = reinterpret_cast<VfwDriverEntryFunction>(::dlsym(handle, kDriverEntrySymbol));
    const VfwDriverApi* api = entry != nullptr ? entry() : nullptr;
    const bool usable = api != nullptr && api->abiVersion == LUMO_VFW_DRIVER_ABI && api->size >= sizeof(VfwDriverApi) &&
                        api->describe != nullptr && api->open != nullptr && api->videoFormat != nullptr &&
                        api->grabFrame != nullptr && api->running != nullptr && api->close != nullptr;
    if (!usable) {
        ::dlclose(handle);
        setError(file.string() + " is not a capture driver");
        return nullptr;
    }
    return std::unique_ptr<DriverLibrary>(new DriverLibrary(handle, api));
}

std::unique_ptr<DriverLibrary> DriverLibrary::loadIndex(int index, std::string* error)
{
    const auto name = driverFileName(index);
    if (!name) {
        if (error != nullptr)
            *error = "no capture driver " + std::to_string(index);
        return nullptr;
    }
    const auto file = locateDriverFile(*name);
    if (!file) {
        if (error != nullptr)
            *error = "capture driver file " + *name + " not found";
        return nullptr;
    }
    return load(*file, error);
}

DriverLibrary::~DriverLibrary()
{
    ::dlclose(handle_);
}

std::optional<DriverDescription> driverDescription(int index)
{
    auto library = DriverLibrary::loadIndex(index, nullptr);
    if (!library)
        return std::nullopt;
    std::array<char, kDriverNameSize> name{};
    std::array<char, kDriverVersionSize> version{};
    if (library->api().describe(name.data(), name.size(), version.data(), version.size()) != 1)
        return std::nullopt;
    name.back() = '\0';
    version.back() = '\0';
    return DriverDescription{name.data(), version.data()};
}

} // namespace platform::vfw
