// The backend's entry points. The SANE meta backend finds them by the
// backend's name (sane_rz410_init, ...), so they are declared under those
// names, and only they leave the library.
#define sane_init sane_rz410_init
#define sane_exit sane_rz410_exit
#define sane_get_devices sane_rz410_get_devices
#define sane_open sane_rz410_open
#define sane_close sane_rz410_close
#define sane_get_option_descriptor sane_rz410_get_option_descriptor
#define sane_control_option sane_rz410_control_option
#define sane_get_parameters sane_rz410_get_parameters
#define sane_start sane_rz410_start
#define sane_read sane_rz410_read
#define sane_cancel sane_rz410_cancel
#define sane_set_io_mode sane_rz410_set_io_mode
#define sane_get_select_fd sane_rz410_get_select_fd
#define sane_strstatus sane_rz410_strstatus
#pragma GCC visibility push(default)
#include <sane/sane.h>
#pragma GCC visibility pop

#include "platform/ousbdrv/device_names.h"
#include "sane/camera_devices.h"
#include "sane/scanner_handle.h"

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr SANE_Int kBackendBuild = 1;
constexpr const char* kVendor = "Lumo";
constexpr const char* kModel = "RZ-410";
constexpr const char* kDeviceType = "video camera";

struct Backend {
    bool initialised = false;
    std::filesystem::path root;
    // What the last sane_get_devices returned; valid until the next call.
    std::vector<std::string> names;
    std::vector<SANE_Device> devices;
    std::vector<const SANE_Device*> list;
    // The camera access library holds one connection per process, so one
    // camera is open at a time.
    std::unique_ptr<rz410::ScannerHandle> open;
};

Backend& backend()
{
    static Backend instance;
    return instance;
}

// The handle a front end passes back, if it is the one we gave out.
rz410::ScannerHandle* handleOf(SANE_Handle handle)
{
    Backend& b = backend();
    if (handle == nullptr || b.open == nullptr || handle != static_cast<SANE_Handle>(b.open.get()))
        return nullptr;
    return b.open.get();
}

} // namespace

SANE_Status sane_init(SANE_Int* version_code, SANE_Auth_Callback)
{
    Backend& b = backend();
    if (version_code != nullptr)
        *version_code = SANE_VERSION_CODE(SANE_CURRENT_MAJOR, SANE_CURRENT_MINOR, kBackendBuild);
    if (!b.initialised) {
        rz410::applyConfiguration(RZ410_SANE_CONFIG_FOLDER);
        // Read once: an open camera points $OUSBDRV_ROOT elsewhere for a while.
        b.root = platform::ousbdrv::deviceRoot();
        b.initialised = true;
    }
    return SANE_STATUS_GOOD;
}

void sane_exit(void)
{
    Backend& b = backend();
    b.open.reset();
    b.list.clear();
    b.devices.clear();
    b.names.clear();
    b.initialised = false;
}

SANE_Status sane_get_devices(const SANE_Device*** device_list, SANE_Bool)
{
    Backend& b = backend();
    if (device_list == nullptr || !b.initialised)
        return SANE_STATUS_INVAL;
    b.list.clear();
    b.devices.clear();
    b.names.clear();
    for (const int device : rz410::camerasPresent(b.root))
        b.names.push_back(rz410::deviceName(device));
    b.devices.reserve(b.names.size());
    for (const std::string& name : b.names)
        b.devices.push_back(SANE_Device{name.c_str(), kVendor, kModel, kDeviceType});
    for (const SANE_Device& device : b.devices)
        b.list.push_back(&device);
    b.list.push_back(nullptr);
    *device_list = b.list.data();
    return SANE_STATUS_GOOD;
}

SANE_Status sane_open(SANE_String_Const devicename, SANE_Handle* handle)
{
    Backend& b = backend();
    if (handle == nullptr || devicename == nullptr || !b.initialised)
        return SANE_STATUS_INVAL;
    *handle = nullptr;
    int device = -1;
    if (devicename[0] == '\0') {
        const std::vector<int> cameras = rz410::camerasPresent(b.root);
        if (cameras.empty())
            return SANE_STATUS_INVAL;
        device = cameras.front();
    } else {
        const auto number = rz410::deviceNumber(devicename);
        if (!number || ::access(rz410::controlNodePath(b.root, *number).c_str(), F_OK) != 0)
            return SANE_STATUS_INVAL;
        device = *number;
    }
    if (b.open != nullptr)
        return SANE_STATUS_DEVICE_BUSY;
    auto opened = std::make_unique<rz410::ScannerHandle>(b.root, device);
    if (!opened->valid())
        return SANE_STATUS_NO_MEM;
    b.open = std::move(opened);
    *handle = b.open.get();
    return SANE_STATUS_GOOD;
}

void sane_close(SANE_Handle handle)
{
    if (handleOf(handle) != nullptr)
        backend().open.reset();
}

const SANE_Option_Descriptor* sane_get_option_descriptor(SANE_Handle handle, SANE_Int option)
{
    rz410::ScannerHandle* scanner = handleOf(handle);
    return scanner != nullptr ? scanner->descriptor(option) : nullptr;
}

SANE_Status sane_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void* value,
                                SANE_Int* info)
{
    rz410::ScannerHandle* scanner = handleOf(handle);
    return scanner != nullptr ? scanner->control(option, action, value, info) : SANE_STATUS_INVAL;
}

SANE_Status sane_get_parameters(SANE_Handle handle, SANE_Parameters* params)
{
    rz410::ScannerHandle* scanner = handleOf(handle);
    return scanner != nullptr ? scanner->parameters(params) : SANE_STATUS_INVAL;
}

SANE_Status sane_start(SANE_Handle handle)
{
    rz410::ScannerHandle* scanner = handleOf(handle);
    return scanner != nullptr ? scanner->start() : SANE_STATUS_INVAL;
}

SANE_Status sane_read(SANE_Handle handle, SANE_Byte* data, SANE_Int max_length, SANE_Int* length)
{
    rz410::ScannerHandle* scanner = handleOf(handle);
    if (scanner == nullptr) {
        if (length != nullptr)
            *length = 0;
        return SANE_STATUS_INVAL;
    }
    return scanner->read(data, max_length, length);
}

void sane_cancel(SANE_Handle handle)
{
    // Called from signal handlers too: no locks, no allocation on this path.
    if (rz410::ScannerHandle* scanner = handleOf(handle))
        scanner->cancel();
}

SANE_Status sane_set_io_mode(SANE_Handle handle, SANE_Bool non_blocking)
{
    rz410::ScannerHandle* scanner = handleOf(handle);
    return scanner != nullptr ? scanner->setIoMode(non_blocking) : SANE_STATUS_INVAL;
}

SANE_Status sane_get_select_fd(SANE_Handle handle, SANE_Int* fd)
{
    rz410::ScannerHandle* scanner = handleOf(handle);
    return scanner != nullptr ? scanner->selectFd(fd) : SANE_STATUS_INVAL;
}

SANE_String_Const sane_strstatus(SANE_Status status)
{
    switch (status) {
    case SANE_STATUS_GOOD: return "Success";
    case SANE_STATUS_UNSUPPORTED: return "Operation not supported";
    case SANE_STATUS_CANCELLED: return "Operation was cancelled";
    case SANE_STATUS_DEVICE_BUSY: return "Device busy";
    case SANE_STATUS_INVAL: return "Invalid argument";
    case SANE_STATUS_EOF: return "End of file reached";
    case SANE_STATUS_JAMMED: return "Document feeder jammed";
    case SANE_STATUS_NO_DOCS: return "Document feeder out of documents";
    case SANE_STATUS_COVER_OPEN: return "Scanner cover is open";
    case SANE_STATUS_IO_ERROR: return "Error during device I/O";
    case SANE_STATUS_NO_MEM: return "Out of memory";
    case SANE_STATUS_ACCESS_DENIED: return "Access to resource has been denied";
    }
    return "Unknown SANE status code";
}
