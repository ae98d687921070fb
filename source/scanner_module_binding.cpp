#include "source/scanner_module_binding.h"

#include <dlfcn.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/profile/profile.h"

namespace dorsa {

namespace {

std::string currentDirectory()
{
    std::vector<char> buffer(4096);
    if (!::getcwd(buffer.data(), buffer.size()))
        return ".";
    std::string dir(buffer.data());
    if (dir.size() > kDirectoryChars)
        dir.resize(kDirectoryChars);
    return dir;
}

template <typename Fn>
bool bind(void* library, const char* name, Fn& to)
{
    to = reinterpret_cast<Fn>(::dlsym(library, name));
    return to != nullptr;
}

}  // namespace

std::string ScannerModule::configuredPath()
{
    const std::string dir = currentDirectory();
    const std::string name = platform::profile::getPrivateProfileString(
        kIniSection, kIniKey, kDefaultModule, dir + "/" + kIniFileName, kModuleNameChars);
    if (!name.empty() && name.front() == '/')
        return name;
    return dir + "/" + name;
}

bool ScannerModule::load()
{
    unload();
    void* library = ::dlopen(configuredPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return false;
    using namespace scanner_module;
    bind(library, kGetSMVersionNo, getVersion);
    const bool complete = bind(library, kGetProductName, getProductName) &&
                          bind(library, kConnectScanner, connectScanner) &&
                          bind(library, kGetDefValue, getDefValue) &&
                          bind(library, kSetDefValue, setDefValue) &&
                          bind(library, kOpenSMUI, openUi) &&
                          bind(library, kCkUseBufXfer, canTransferStrips) &&
                          bind(library, kUpdateImageInfo, updateImageInfo) &&
                          bind(library, kGetSMImage_Buf, fetchStrip) &&
                          bind(library, kGetSMImage_File, fetchFile) &&
                          bind(library, kGetSMImage_DIB, fetchDib) &&
                          bind(library, kCloseSMUI, closeUi) &&
                          bind(library, kNoUItoXferImage, transferWithoutUi);
    library_ = library;
    if (!complete) {
        unload();
        return false;
    }
    return true;
}

void ScannerModule::unload()
{
    if (library_)
        ::dlclose(library_);
    library_ = nullptr;
    getVersion = nullptr;
    getProductName = nullptr;
    connectScanner = nullptr;
    getDefValue = nullptr;
    setDefValue = nullptr;
    openUi = nullptr;
    canTransferStrips = nullptr;
    updateImageInfo = nullptr;
    fetchStrip = nullptr;
    fetchFile = nullptr;
    fetchDib = nullptr;
    closeUi = nullptr;
    transferWithoutUi = nullptr;
}

}  // namespace dorsa
