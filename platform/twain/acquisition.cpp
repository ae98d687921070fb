#include "platform/twain/acquisition.h"

#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <QImage>

#include "platform/memory/global_memory.h"
#include "platform/profile/profile.h"
#include "platform/twain/source_manager.h"

namespace twain {

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(5);
constexpr std::uint32_t kBitmapInfoHeaderSize = 40;
constexpr std::size_t kBitmapFileHeaderSize = 14;

// The source's last message to this program, set by the callback.
TW_UINT16 messageFromSource = MSG_NULL;

TW_UINT16 sourceCallback(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF)
{
    if (dg == DG_CONTROL && dat == DAT_NULL)
        messageFromSource = msg;
    return TWRC_SUCCESS;
}

std::uint32_t le32(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

class Session {
public:
    explicit Session(const AcquireOptions& options) : options_(options)
    {
        std::strncpy(program_.ProductName, "twacquire", sizeof program_.ProductName - 1);
        std::strncpy(program_.Manufacturer, "RZ-410 tools", sizeof program_.Manufacturer - 1);
        program_.Version.MajorNum = 1;
        program_.ProtocolMajor = 1;
        program_.ProtocolMinor = 9;
        program_.SupportedGroups = DG_CONTROL | DG_IMAGE;
    }
    ~Session() { close(); }

    AcquireResult run(const EventPump& pump);

private:
    TW_UINT16 toSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
    {
        return entry_(&program_, &source_, dg, dat, msg, data);
    }
    std::string failure(const std::string& what, TW_UINT16 rc)
    {
        TW_STATUS status{};
        entry_(&program_, sourceOpen_ ? &source_ : nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return what + " failed (return code " + std::to_string(rc) + ", condition code " +
               std::to_string(status.ConditionCode) + ")";
    }
    bool setOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value);
    bool waitForPicture(const EventPump& pump, std::string& error);
    bool nativeTransfer(AcquireResult& result);
    bool fileTransfer(AcquireResult& result);
    bool memoryTransfer(AcquireResult& result);
    void close();

    const AcquireOptions& options_;
    void* manager_ = nullptr;
    DSMENTRYPROC entry_ = nullptr;
    TW_IDENTITY program_{};
    TW_IDENTITY source_{};
    bool managerOpen_ = false;
    bool sourceOpen_ = false;
    bool enabled_ = false;
};

bool Session::setOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value)
{
    TW_CAPABILITY capability{cap, TWON_ONEVALUE, GlobalAlloc(GHND, sizeof(TW_ONEVALUE))};
    auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(capability.hContainer));
    if (!one)
        return false;
    one->ItemType = itemType;
    one->Item = value;
    GlobalUnlock(capability.hContainer);
    const bool ok = toSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability) == TWRC_SUCCESS;
    GlobalFree(capability.hContainer);
    return ok;
}

bool Session::waitForPicture(const EventPump& pump, std::string& error)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(options_.timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (pump)
            pump();
        TW_WINDOWEVENT windowEvent{};
        TW_EVENT event{&windowEvent, MSG_NULL};
        if (toSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event) == TWRC_DSEVENT && event.TWMessage != MSG_NULL)
            messageFromSource = event.TWMessage;
        if (messageFromSource == MSG_XFERREADY)
            return true;
        if (messageFromSource == MSG_CLOSEDSREQ) {
            error = "the source asked to be closed before a picture was ready";
            return false;
        }
        std::this_thread::sleep_for(kPollInterval);
    }
    error = "no picture within the time allowed";
    return false;
}

bool Session::nativeTransfer(AcquireResult& result)
{
    TW_HANDLE dib = nullptr;
    const TW_UINT16 rc = toSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib);
    if (rc != TWRC_XFERDONE) {
        result.error = failure("native transfer", rc);
        return false;
    }
    const std::size_t size = GlobalSize(dib);
    auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(dib));
    const bool written = bytes && writePackedDibAsBmp(bytes, size, options_.outputPath);
    GlobalUnlock(dib);
    GlobalFree(dib);
    if (!written)
        result.error = "the native transfer gave no usable bitmap, or " + options_.outputPath + " could not be written";
    return written;
}

bool Session::fileTransfer(AcquireResult& result)
{
    const TW_UINT16 rc = toSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    if (rc != TWRC_XFERDONE) {
        result.error = failure("file transfer", rc);
        return false;
    }
    return true;
}

bool Session::memoryTransfer(AcquireResult& result)
{
    TW_SETUPMEMXFER setup{};
    TW_UINT16 rc = toSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    if (rc != TWRC_SUCCESS || setup.Preferred == 0 || setup.Preferred > (64u << 20)) {
        result.error = failure("memory transfer setup", rc);
        return false;
    }
    const TW_IMAGEINFO& info = result.info;
    if (info.ImageWidth <= 0 || info.ImageLength <= 0 || info.ImageWidth > 65535 || info.ImageLength > 65535) {
        result.error = "the image information gives no usable size";
        return false;
    }
    QImage::Format format = info.BitsPerPixel == 24 ? QImage::Format_RGB888
                            : info.BitsPerPixel == 8 ? QImage::Format_Grayscale8
                                                     : QImage::Format_Mono;
    QImage image(info.ImageWidth, info.ImageLength, format);
    if (image.isNull()) {
        result.error = "no memory for the picture";
        return false;
    }
    image.fill(0);
    if (format == QImage::Format_Mono)
        image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    const std::size_t rowBytes = (std::size_t(info.ImageWidth) * info.BitsPerPixel + 7) / 8;

    std::vector<std::uint8_t> pointerBuffer;
    HGLOBAL handle = nullptr;
    TW_IMAGEMEMXFER strip{};
    strip.Memory.Length = setup.Preferred;
    if (options_.buffers == BufferKind::Pointer) {
        pointerBuffer.resize(setup.Preferred);
        strip.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        strip.Memory.TheMem = pointerBuffer.data();
    } else {
        handle = GlobalAlloc(GHND, setup.Preferred);
        strip.Memory.Flags = TWMF_APPOWNS | TWMF_HANDLE;
        strip.Memory.TheMem = handle;
    }
    bool ok = false;
    for (;;) {
        rc = toSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
            result.error = failure("memory transfer", rc);
            break;
        }
        ++result.strips;
        const std::uint8_t* data = handle ? static_cast<const std::uint8_t*>(GlobalLock(handle))
                                          : pointerBuffer.data();
        const std::uint64_t end = std::uint64_t{strip.YOffset} + strip.Rows;
        const bool fits = data && strip.BytesPerRow >= rowBytes &&
                          std::uint64_t{strip.BytesPerRow} * strip.Rows <= setup.Preferred &&
                          end <= std::uint64_t(info.ImageLength);
        if (fits)
            for (std::uint32_t r = 0; r < strip.Rows; ++r)
                std::memcpy(image.scanLine(int(strip.YOffset + r)), data + std::size_t{r} * strip.BytesPerRow, rowBytes);
        if (handle)
            GlobalUnlock(handle);
        if (!fits) {
            result.error = "a strip does not fit the picture or the buffer";
            break;
        }
        if (rc == TWRC_XFERDONE) {
            ok = image.save(QString::fromStdString(options_.outputPath));
            if (!ok)
                result.error = "could not write " + options_.outputPath;
            break;
        }
    }
    if (handle)
        GlobalFree(handle);
    return ok;
}

AcquireResult Session::run(const EventPump& pump)
{
    AcquireResult result;
    messageFromSource = MSG_NULL;
    const std::string path = (platform::profile::windowsDirectory() / kManagerFileName).string();
    manager_ = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    entry_ = manager_ ? reinterpret_cast<DSMENTRYPROC>(::dlsym(manager_, kManagerEntryName)) : nullptr;
    if (!entry_) {
        result.error = "no source manager at " + path;
        return result;
    }
    TW_UINT16 rc = entry_(&program_, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr);
    if (rc != TWRC_SUCCESS) {
        result.error = failure("opening the source manager", rc);
        return result;
    }
    managerOpen_ = true;

    bool found = false;
    for (TW_UINT16 msg = MSG_GETFIRST;; msg = MSG_GETNEXT) {
        TW_IDENTITY listed{};
        if (entry_(&program_, nullptr, DG_CONTROL, DAT_IDENTITY, msg, &listed) != TWRC_SUCCESS)
            break;
        if (options_.sourceName == listed.ProductName) {
            source_ = listed;
            found = true;
            break;
        }
    }
    if (!found) {
        result.error = "no source named \"" + options_.sourceName + "\"";
        return result;
    }
    rc = entry_(&program_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_);
    if (rc != TWRC_SUCCESS) {
        result.error = failure("opening the source", rc);
        return result;
    }
    sourceOpen_ = true;

    if (options_.useCallback) {
        TW_CALLBACK callback{reinterpret_cast<TW_MEMREF>(&sourceCallback), 0, 0};
        entry_(&program_, &source_, DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK, &callback);
    }
    const TW_UINT16 mechanism = options_.mechanism == Mechanism::Native ? TWSX_NATIVE
                                : options_.mechanism == Mechanism::File ? TWSX_FILE
                                                                        : TWSX_MEMORY;
    if (!setOneValue(ICAP_XFERMECH, TWTY_UINT16, mechanism)) {
        result.error = failure("setting the transfer mechanism", TWRC_FAILURE);
        return result;
    }
    if (options_.mechanism == Mechanism::File) {
        TW_SETUPFILEXFER setup{};
        if (options_.outputPath.size() >= sizeof setup.FileName) {
            result.error = "the output path is too long for a file transfer";
            return result;
        }
        std::strncpy(setup.FileName, options_.outputPath.c_str(), sizeof setup.FileName - 1);
        setup.Format = options_.fileFormat;
        rc = toSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
        if (rc != TWRC_SUCCESS) {
            result.error = failure("setting up the file transfer", rc);
            return result;
        }
    }
    TW_USERINTERFACE ui{static_cast<TW_BOOL>(options_.showUi), 0, nullptr};
    rc = toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (rc != TWRC_SUCCESS) {
        result.error = failure("enabling the source", rc);
        return result;
    }
    enabled_ = true;
    if (!waitForPicture(pump, result.error))
        return result;

    rc = toSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &result.info);
    if (rc != TWRC_SUCCESS) {
        result.error = failure("reading the image information", rc);
        return result;
    }
    bool transferred = false;
    switch (options_.mechanism) {
    case Mechanism::Native: transferred = nativeTransfer(result); break;
    case Mechanism::File: transferred = fileTransfer(result); break;
    case Mechanism::Memory: transferred = memoryTransfer(result); break;
    }
    TW_PENDINGXFERS pending{};
    toSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    if (pending.Count != 0)
        toSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
    result.ok = transferred;
    return result;
}

void Session::close()
{
    if (enabled_) {
        TW_USERINTERFACE ui{0, 0, nullptr};
        toSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
        enabled_ = false;
    }
    if (sourceOpen_) {
        entry_(&program_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
        sourceOpen_ = false;
    }
    if (managerOpen_) {
        entry_(&program_, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, nullptr);
        managerOpen_ = false;
    }
    if (manager_)
        ::dlclose(manager_);
    manager_ = nullptr;
}

}  // namespace

AcquireResult acquire(const AcquireOptions& options, const EventPump& pump)
{
    Session session(options);
    return session.run(pump);
}

bool writePackedDibAsBmp(const std::uint8_t* dib, std::size_t size, const std::string& path)
{
    if (!dib || size < kBitmapInfoHeaderSize || le32(dib) != kBitmapInfoHeaderSize)
        return false;
    const std::int32_t width = static_cast<std::int32_t>(le32(dib + 4));
    const std::int32_t height = static_cast<std::int32_t>(le32(dib + 8));
    std::uint16_t bits;
    std::memcpy(&bits, dib + 14, 2);
    std::uint32_t colours = le32(dib + 32);
    if (width <= 0 || height == 0 || height == INT32_MIN || !(bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32))
        return false;
    if (colours == 0 && bits <= 8)
        colours = 1u << bits;
    if (colours > 256)
        return false;
    const std::uint64_t stride = ((std::uint64_t(width) * bits + 31) / 32) * 4;
    const std::uint64_t rows = std::uint64_t(height < 0 ? -std::int64_t(height) : height);
    const std::uint64_t offset = kBitmapInfoHeaderSize + 4ull * colours;
    if (offset + stride * rows > size)
        return false;
    std::uint8_t fileHeader[kBitmapFileHeaderSize] = {'B', 'M'};
    const std::uint32_t fileSize = static_cast<std::uint32_t>(kBitmapFileHeaderSize + offset + stride * rows);
    const std::uint32_t pixelOffset = static_cast<std::uint32_t>(kBitmapFileHeaderSize + offset);
    std::memcpy(fileHeader + 2, &fileSize, 4);
    std::memcpy(fileHeader + 10, &pixelOffset, 4);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(fileHeader, 1, sizeof fileHeader, f) == sizeof fileHeader &&
                    std::fwrite(dib, 1, fileSize - kBitmapFileHeaderSize, f) == fileSize - kBitmapFileHeaderSize;
    return std::fclose(f) == 0 && ok;
}

}  // namespace twain
