#include "source/data_source.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QWidget>

#include "platform/memory/global_memory.h"
#include "platform/profile/profile.h"
#include "platform/twain/source_manager.h"
#include "platform/ui/message_box.h"
#include "platform/ui/window_message.h"
#include "source/source_strings.h"

namespace dorsa {

namespace {

// The module writes a 36-byte name buffer at most; the identity keeps 34.
constexpr std::size_t kProductNameBuffer = 36;
constexpr std::int32_t kProductNameLimit = 13;
constexpr std::size_t kWindowsDirectoryChars = 80;
constexpr std::size_t kTempDirectoryChars = 80;

void copyText(char* to, std::size_t room, const char* from)
{
    const std::size_t n = ::strnlen(from, room - 1);
    std::memcpy(to, from, n);
    to[n] = '\0';
}

}  // namespace

const DataSource::TableEntry DataSource::kControlTable[] = {
    {DAT_IDENTITY, &DataSource::identity},
    {DAT_USERINTERFACE, &DataSource::userInterface},
    {DAT_CAPABILITY, &DataSource::capability},
    {DAT_STATUS, &DataSource::status},
    {DAT_PENDINGXFERS, &DataSource::pendingTransfers},
    {DAT_SETUPMEMXFER, &DataSource::setupMemoryTransfer},
    {DAT_SETUPFILEXFER, &DataSource::setupFileTransfer},
    {DAT_XFERGROUP, &DataSource::transferGroup},
};

const DataSource::TableEntry DataSource::kImageTable[] = {
    {DAT_IMAGEINFO, &DataSource::imageInfo},
    {DAT_IMAGELAYOUT, &DataSource::imageLayout},
    {DAT_IMAGEMEMXFER, &DataSource::memoryTransfer},
    {DAT_IMAGENATIVEXFER, &DataSource::nativeTransfer},
    {DAT_IMAGEFILEXFER, &DataSource::fileTransfer},
};

DataSource& dataSource()
{
    static DataSource instance;
    return instance;
}

DataSource::DataSource() = default;

TW_UINT16 DataSource::fail(TW_UINT16 conditionCode)
{
    conditionCode_ = conditionCode;
    return TWRC_FAILURE;
}

void DataSource::bindModule()
{
    if (!module_.load()) {
        conditionCode_ = TWCC_BADPROTOCOL;
        state_ = kStateUnbound;
        return;
    }
    fillIdentity();
    state_ = kStateLoaded;
}

void DataSource::shutdown()
{
    tiff_.close();
    module_.unload();
}

void DataSource::fillIdentity()
{
    own_ = TW_IDENTITY{};
    char name[kProductNameBuffer] = {};
    module_.getProductName(name, kProductNameLimit);
    name[sizeof(TW_STR32) - 1] = '\0';
    copyText(own_.ProductName, sizeof own_.ProductName, name);
    std::uint16_t version[2] = {1, 0};
    if (module_.getVersion)
        module_.getVersion(version);
    own_.Version.MajorNum = version[0];
    own_.Version.MinorNum = version[1];
    own_.Version.Language = TWLG_USA;
    own_.Version.Country = TWCY_TAIWAN;
    copyText(own_.Version.Info, sizeof own_.Version.Info, sourceString(kStringVersionInfo));
    own_.ProtocolMajor = kProtocolMajor;
    own_.ProtocolMinor = kProtocolMinor;
    own_.SupportedGroups = DG_CONTROL | DG_IMAGE;
    copyText(own_.Manufacturer, sizeof own_.Manufacturer, sourceString(kStringManufacturer));
    copyText(own_.ProductFamily, sizeof own_.ProductFamily, sourceString(kStringProductFamily));
}

TW_UINT16 DataSource::entry(pTW_IDENTITY origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                            TW_MEMREF data)
{
    // Another program than the connected one is not served. A call without
    // an origin (the manager probing the identity) counts as no program.
    const TW_UINT32 originId = origin ? origin->Id : 0;
    if (connected_ && originId != program_.Id)
        return TWRC_NOTDSEVENT;

    // Only DAT_EVENT carries a TW_EVENT; the message with another data type
    // is a protocol error, its pData something else.
    if (msg == MSG_PROCESSEVENT && (dg != DG_CONTROL || dat != DAT_EVENT))
        return fail(TWCC_BADPROTOCOL);
    if (msg == MSG_PROCESSEVENT) {
        auto* event = static_cast<TW_EVENT*>(data);
        auto* windowEvent = event ? static_cast<TW_WINDOWEVENT*>(event->pEvent) : nullptr;
        if (!moduleWindow_ || !windowEvent || windowEvent->hwnd != moduleWindow_)
            return TWRC_NOTDSEVENT;
        // A message for the module's frame: hand it on as the frame's own.
        if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
            for (QWidget* w : app->topLevelWidgets()) {
                if (static_cast<SM_WINDOW>(w) == moduleWindow_) {
                    platform::ui::sendMessage(w, windowEvent->message, windowEvent->wParam,
                                              windowEvent->lParam);
                    event->TWMessage = MSG_NULL;
                    return TWRC_DSEVENT;
                }
            }
        }
        return TWRC_NOTDSEVENT;
    }

    if (dg != DG_CONTROL && dat != DAT_STATUS)
        conditionCode_ = TWCC_SUCCESS;

    const TableEntry* table = nullptr;
    std::size_t size = 0;
    if (dg == DG_CONTROL) {
        table = kControlTable;
        size = std::size(kControlTable);
    } else if (dg == DG_IMAGE) {
        table = kImageTable;
        size = std::size(kImageTable);
    } else {
        return fail(TWCC_BADPROTOCOL);
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (table[i].dat == dat) {
            if (dat == DAT_IDENTITY && msg == MSG_OPENDS)
                return openSource(origin, static_cast<pTW_IDENTITY>(data));
            return (this->*table[i].handler)(msg, data);
        }
    }
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::identity(TW_UINT16 msg, TW_MEMREF data)
{
    conditionCode_ = TWCC_SUCCESS;
    switch (msg) {
    case MSG_GET:
        if (!inStates(kStateLoaded, kStateTransferring))
            return fail(TWCC_SEQERROR);
        if (!data)
            return fail(TWCC_BADVALUE);
        std::memcpy(data, &own_, sizeof own_);
        return TWRC_SUCCESS;
    case MSG_CLOSEDS:
        if (!inStates(kStateOpen, kStateTransferring))
            return fail(TWCC_SEQERROR);
        return closeSource();
    default:
        return fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::openSource(pTW_IDENTITY origin, pTW_IDENTITY data)
{
    conditionCode_ = TWCC_SUCCESS;
    if (connected_)
        return fail(TWCC_MAXCONNECTIONS);
    if (state_ != kStateLoaded)
        return fail(TWCC_SEQERROR);
    if (!origin || !data)
        return fail(TWCC_BADVALUE);
    // An earlier MSG_CLOSEDS released the module: bind it again.
    if (!module_.loaded()) {
        if (!module_.load())
            return fail(TWCC_OPERATIONERROR);
        fillIdentity();
    }
    if (module_.connectScanner() == 0)
        return fail(TWCC_OPERATIONERROR);
    program_ = *origin;
    connected_ = true;
    const TW_UINT32 assigned = data->Id;
    own_.Id = assigned;
    // Keep our own texts; the manager's copy only adds the Id.
    readModuleDefaults();
    makeDefaultFileSetup();
    defaultLayout_ = TW_IMAGELAYOUT{};
    const int deviceType = capabilities_.deviceType();
    if (deviceType >= 0 && deviceType <= 3) {
        if (deviceType == 1 || deviceType == 2)
            defaultLayout_.Frame = predefinedFrame(0);
        defaultLayout_.DocumentNumber = defaultLayout_.PageNumber = defaultLayout_.FrameNumber = 1;
    }
    layout_ = defaultLayout_;
    capabilities_.resetToDefaults();
    transferReady_ = closeRequested_ = false;
    route_ = Route::None;
    state_ = kStateOpen;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::closeSource()
{
    program_ = TW_IDENTITY{};
    connected_ = false;
    own_.Id = 0;
    if (showUi_ && module_.loaded())
        moduleWindow_ = module_.closeUi();
    moduleWindow_ = nullptr;
    showUi_ = false;
    abandonMemoryRoute();
    module_.unload();
    state_ = kStateLoaded;
    return TWRC_SUCCESS;
}

void DataSource::readModuleDefaults()
{
    SM_TRANSFER_DEFAULTS block{};
    module_.getDefValue(&block);
    capabilities_.readModuleDefaults(block);
}

void DataSource::makeDefaultFileSetup()
{
    defaultFileSetup_ = TW_SETUPFILEXFER{};
    std::string folder = std::filesystem::temp_directory_path().string();
    if (folder.size() > kTempDirectoryChars)
        folder.resize(kTempDirectoryChars);
    std::string name = folder + "/dsXXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0) {
        ::close(fd);
        ::unlink(name.c_str());
    }
    name += ".";
    name += sourceString(kStringTransferExtension);
    copyText(defaultFileSetup_.FileName, sizeof defaultFileSetup_.FileName, name.c_str());
    defaultFileSetup_.Format = TWFF_TIFF;
    fileSetup_ = defaultFileSetup_;
}

TW_UINT16 DataSource::userInterface(TW_UINT16 msg, TW_MEMREF data)
{
    conditionCode_ = TWCC_SUCCESS;
    auto* ui = static_cast<TW_USERINTERFACE*>(data);
    if (msg == MSG_ENABLEDS) {
        if (state_ != kStateOpen)
            return fail(TWCC_SEQERROR);
        if (!ui)
            return fail(TWCC_BADVALUE);
        showUi_ = ui->ShowUI != 0;
        parentWindow_ = ui->hParent;
        const SM_TRANSFER_DEFAULTS settings = capabilities_.settingsBlock();
        module_.setDefValue(&settings);
        if (showUi_) {
            if (moduleWindow_) {
                if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
                    for (QWidget* w : app->topLevelWidgets())
                        if (static_cast<SM_WINDOW>(w) == moduleWindow_)
                            w->show();
            } else {
                moduleWindow_ = module_.openUi();
                if (!moduleWindow_)
                    return fail(TWCC_LOWMEMORY);
            }
            state_ = kStateEnabled;
            return TWRC_SUCCESS;
        }
        state_ = kStateEnabled;
        if (module_.transferWithoutUi() == 0)
            return fail(TWCC_LOWMEMORY);
        return TWRC_SUCCESS;
    }
    if (msg == MSG_DISABLEDS) {
        if (!inStates(kStateEnabled, kStateTransferring))
            return fail(TWCC_SEQERROR);
        if (ui && ui->ShowUI == 0 && moduleWindow_) {
            if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
                for (QWidget* w : app->topLevelWidgets())
                    if (static_cast<SM_WINDOW>(w) == moduleWindow_)
                        w->hide();
        }
        state_ = kStateOpen;
        return TWRC_SUCCESS;
    }
    return fail(TWCC_BADPROTOCOL);
}

TW_UINT16 DataSource::capability(TW_UINT16 msg, TW_MEMREF data)
{
    TW_UINT16 cc = TWCC_SUCCESS;
    const TW_UINT16 rc = capabilities_.handle(msg, static_cast<TW_CAPABILITY*>(data), &cc);
    conditionCode_ = cc;
    return rc;
}

TW_UINT16 DataSource::status(TW_UINT16 msg, TW_MEMREF data)
{
    if (msg != MSG_GET)
        return fail(TWCC_BADPROTOCOL);
    if (!inStates(kStateOpen, kStateTransferring))
        return fail(TWCC_SEQERROR);
    if (!data)
        return fail(TWCC_BADVALUE);
    auto* s = static_cast<TW_STATUS*>(data);
    s->ConditionCode = conditionCode_;
    s->Reserved = 0;
    conditionCode_ = TWCC_SUCCESS;
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::transferGroup(TW_UINT16 msg, TW_MEMREF data)
{
    conditionCode_ = TWCC_SUCCESS;
    if (msg != MSG_GET)
        return fail(TWCC_BADPROTOCOL);
    if (!inStates(kStateOpen, kStateTransferReady))
        return fail(TWCC_SEQERROR);
    if (!data)
        return fail(TWCC_BADVALUE);
    const TW_UINT32 group = DG_IMAGE;
    std::memcpy(data, &group, sizeof group);
    return TWRC_SUCCESS;
}

void DataSource::readyToScan()
{
    // A picture signalled while no program has the source enabled has no
    // one to go to; it must not move a closed or disabled source on.
    if (transferReady_ || state_ < kStateEnabled)
        return;
    transferReady_ = true;
    module_.updateImageInfo(&imageInfo_);
    route_ = Route::None;
    state_ = kStateTransferReady;
    sendToProgram(MSG_XFERREADY);
}

void DataSource::readyToClose()
{
    if (closeRequested_ || !connected_)
        return;
    closeRequested_ = true;
    sendToProgram(MSG_CLOSEDSREQ);
}

void DataSource::sendToProgram(TW_UINT16 msg)
{
    std::string dir = platform::profile::windowsDirectory().string();
    if (dir.size() > kWindowsDirectoryChars)
        dir.resize(kWindowsDirectoryChars);
    const std::string path = dir + "/" + twain::kManagerFileName;
    void* manager = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!manager)
        return;
    if (auto entry = reinterpret_cast<DSMENTRYPROC>(::dlsym(manager, twain::kManagerEntryName))) {
        TW_IDENTITY self = own_;
        TW_IDENTITY program = program_;
        entry(&self, &program, DG_CONTROL, DAT_NULL, msg, nullptr);
    }
    ::dlclose(manager);
}

void DataSource::showMessage(const char* text)
{
    // Without a window system (no application object) the text goes to
    // standard error.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        platform::ui::messageBox(nullptr, text, own_.ProductName, platform::ui::kMbOk);
    else
        std::fprintf(stderr, "%s: %s\n", own_.ProductName, text);
}

}  // namespace dorsa
