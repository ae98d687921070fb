#pragma once
// The module library's application object: what lives from the library's
// load to its unload. It finds the data source's two callbacks in
// "Dorsa32.ds" beside the library's own file, makes the Qt application when
// the host process has none, keeps the settings, the picture waiting for the
// data source and the camera window, and tears all of it down at unload.

#include "module/module_settings.h"
#include "module/pending_image.h"
#include "platform/twain/scanner_module.h"

#include <QPointer>

#include <string>

class QApplication;

namespace ostrel2 {

class CameraAccess;
class CMainWnd;

class CModuleApp {
public:
    // `camera` must outlive the object.
    explicit CModuleApp(CameraAccess& camera);
    ~CModuleApp();
    CModuleApp(const CModuleApp&) = delete;
    CModuleApp& operator=(const CModuleApp&) = delete;

    // Loads the data source from `folder` (ending in '/') and looks up its
    // callbacks. Needs no Qt application: a failure is told when the window
    // first opens.
    void bindDataSource(const std::string& folder);

    // Creates and shows the camera window; null when no Qt application can
    // be had (the host made a non-widget one).
    CMainWnd* openWindow();
    // Ends the camera connection and closes the window, if there is one.
    void closeWindow();
    CMainWnd* window() const { return frame_; }

    PendingImage& pending() { return pending_; }
    ModuleSettings& settings() { return settings_; }
    const std::string& folder() const { return folder_; }
    bool hasCallbacks() const { return readyToScan_ != nullptr || readyToCloseSM_ != nullptr; }

private:
    bool ensureApplication();
    void readyToScan();
    void readyToClose();
    void exitThroughDataSource();

    CameraAccess& camera_;
    std::string folder_;
    void* dataSource_ = nullptr;
    SmReadytoScan readyToScan_ = nullptr;
    SmReadytoCloseSM readyToCloseSM_ = nullptr;
    bool warnMissingDataSource_ = false;
    QApplication* ownApplication_ = nullptr;
    QPointer<CMainWnd> frame_;
    QPointer<CMainWnd> closingFrame_;  // its deletion may be put off
    ModuleSettings settings_;
    PendingImage pending_;
};

// The folder of the file holding this code, ending in '/'; empty when unknown.
std::string ownFolder();

} // namespace ostrel2
