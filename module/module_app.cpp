#include "module/module_app.h"

#include "module/main_wnd.h"
#include "module/module_skin.h"
#include "module/module_strings.h"
#include "platform/ui/message_box.h"

#include <QApplication>

#include <dlfcn.h>

namespace ostrel2 {
namespace {

// The application object keeps references to these for its whole life.
int gArgc = 1;
char gArgv0[] = "Ostrel2";
char* gArgv[] = {gArgv0, nullptr};

constexpr int kEnglish = 0;

unsigned warningStyle()
{
    return platform::ui::kMbOk | platform::ui::kMbIconWarning | platform::ui::kMbTaskModal |
           platform::ui::kMbSetForeground;
}

} // namespace

std::string ownFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ownFolder), &info) == 0 || info.dli_fname == nullptr)
        return {};
    std::string path(info.dli_fname);
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

CModuleApp::CModuleApp(CameraAccess& camera) : camera_(camera) {}

CModuleApp::~CModuleApp()
{
    // A window must not outlive this code. Without an application (the host
    // ended its own before the process exits) widgets can no longer be
    // deleted; the process is ending then and they are left to it.
    if (QCoreApplication::instance() != nullptr) {
        if (frame_)
            frame_->closeFromModule();
        delete frame_.data();
        delete closingFrame_.data();
    }
    pending_.release();
    releaseModuleSkin();
    if (dataSource_ != nullptr)
        dlclose(dataSource_);
    delete ownApplication_;
}

void CModuleApp::bindDataSource(const std::string& folder)
{
    folder_ = folder;
    const std::string path = folder + scanner_module::kDataSourceFileName;
    dataSource_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (dataSource_ == nullptr) {
        warnMissingDataSource_ = true;
        return;
    }
    readyToScan_ = reinterpret_cast<SmReadytoScan>(dlsym(dataSource_, scanner_module::kReadytoScan));
    readyToCloseSM_ = reinterpret_cast<SmReadytoCloseSM>(dlsym(dataSource_, scanner_module::kReadytoCloseSM));
}

bool CModuleApp::ensureApplication()
{
    if (QCoreApplication::instance() == nullptr)
        ownApplication_ = new QApplication(gArgc, gArgv);
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

CMainWnd* CModuleApp::openWindow()
{
    if (!ensureApplication())
        return nullptr;
    if (warnMissingDataSource_) {
        warnMissingDataSource_ = false;
        platform::ui::messageBox(nullptr, moduleString(kEnglish, kStrDeviceNotReady), productName(), warningStyle());
    }
    if (frame_)
        return frame_;
    CameraDialogCalls dialogCalls;
    dialogCalls.pendingSlot = [this]() -> imaging::Bitmap& { return pending_.slot(); };
    dialogCalls.readyToScan = [this] { readyToScan(); };
    dialogCalls.readyToClose = [this] { readyToClose(); };
    dialogCalls.moduleFolder = folder_;
    CMainWnd::Calls calls;
    calls.readyToClose = [this] { readyToClose(); };
    calls.exitCommand = [this] { exitThroughDataSource(); };
    frame_ = new CMainWnd(settings_, camera_, std::move(dialogCalls), std::move(calls));
    frame_->show();
    frame_->raise();
    frame_->activateWindow();
    return frame_;
}

void CModuleApp::closeWindow()
{
    if (!frame_)
        return;
    closingFrame_ = frame_;
    frame_ = nullptr;
    closingFrame_->closeFromModule();
}

void CModuleApp::readyToScan()
{
    if (readyToScan_ != nullptr)
        readyToScan_();
}

void CModuleApp::readyToClose()
{
    if (readyToCloseSM_ != nullptr)
        readyToCloseSM_();
}

void CModuleApp::exitThroughDataSource()
{
    const std::string path = folder_ + scanner_module::kDataSourceFileName;
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return;
    if (auto close = reinterpret_cast<SmReadytoCloseSM>(dlsym(library, scanner_module::kReadytoCloseSM)))
        close();
    dlclose(library);
}

} // namespace ostrel2
