// The transfer half of the data source: image information and layout, the
// pending-transfer count, and the native, file and memory transfers.

#include <unistd.h>

#include <cstring>

#include "platform/memory/global_memory.h"
#include "source/data_source.h"

namespace dorsa {

TW_UINT16 DataSource::imageInfo(TW_UINT16 msg, TW_MEMREF data)
{
    if (msg != MSG_GET)
        return fail(TWCC_BADPROTOCOL);
    if (state_ != kStateTransferReady)
        return fail(TWCC_SEQERROR);
    if (!data)
        return fail(TWCC_BADVALUE);
    std::memcpy(data, &imageInfo_, sizeof imageInfo_);
    return TWRC_SUCCESS;
}

TW_UINT16 DataSource::imageLayout(TW_UINT16 msg, TW_MEMREF data)
{
    auto* layout = static_cast<TW_IMAGELAYOUT*>(data);
    switch (msg) {
    case MSG_GET:
    case MSG_GETDEFAULT:
        if (!inStates(kStateOpen, kStateTransferReady))
            return fail(TWCC_SEQERROR);
        if (!layout)
            return fail(TWCC_BADVALUE);
        *layout = layout_;
        return TWRC_SUCCESS;
    case MSG_SET:
    case MSG_RESET:
        if (state_ != kStateOpen)
            return fail(TWCC_SEQERROR);
        if (!layout)
            return fail(TWCC_BADVALUE);
        if (msg == MSG_SET) {
            layout_ = *layout;
        } else {
            layout_ = defaultLayout_;
            *layout = layout_;
        }
        return TWRC_SUCCESS;
    default:
        return fail(TWCC_BADPROTOCOL);
    }
}

TW_UINT16 DataSource::pendingTransfers(TW_UINT16 msg, TW_MEMREF data)
{
    conditionCode_ = TWCC_SUCCESS;
    auto* pending = static_cast<TW_PENDINGXFERS*>(data);
    if (msg != MSG_GET && msg != MSG_ENDXFER && msg != MSG_RESET)
        return fail(TWCC_BADPROTOCOL);
    if (!pending)
        return fail(TWCC_BADVALUE);
    pending->EOJ = 0;
    switch (msg) {
    case MSG_GET:
        if (!inStates(kStateOpen, kStateTransferring))
            return fail(TWCC_SEQERROR);
        pending->Count = static_cast<TW_UINT16>(capabilities_.pendingCount());
        return TWRC_SUCCESS;
    case MSG_ENDXFER:
        if (!inStates(kStateTransferReady, kStateTransferring))
            return fail(TWCC_SEQERROR);
        abandonMemoryRoute();
        readModuleDefaults();
        pending->Count = static_cast<TW_UINT16>(capabilities_.pendingCount());
        state_ = (pending->Count != 0 || capabilities_.feederLoaded()) ? kStateTransferReady : kStateEnabled;
        return TWRC_SUCCESS;
    default:
        if (state_ != kStateTransferReady)
            return fail(TWCC_SEQERROR);
        abandonMemoryRoute();
        readModuleDefaults();
        capabilities_.setPendingCount(0);
        pending->Count = 0;
        state_ = kStateEnabled;
        return TWRC_SUCCESS;
    }
}

TW_UINT16 DataSource::setupMemoryTransfer(TW_UINT16 msg, TW_MEMREF data)
{
    conditionCode_ = TWCC_SUCCESS;
    if (msg != MSG_GET)
        return fail(TWCC_BADPROTOCOL);
    if (!inStates(kStateOpen, kStateTransferReady))
        return fail(TWCC_SEQERROR);
    if (!data)
        return fail(TWCC_BADVALUE);
    auto* setup = static_cast<TW_SETUPMEMXFER*>(data);
    setup->MinBufSize = setup->MaxBufSize = setup->Preferred = kSetupMemoryBufferSize;
    if (inStates(kStateEnabled, kStateTransferReady) && capabilities_.current(ICAP_XFERMECH) == TWSX_MEMORY)
        prepareMemoryRoute();
    return TWRC_SUCCESS;
}

void DataSource::prepareMemoryRoute()
{
    tiff_.close();
    routeResult_ = 0;
    if (module_.canTransferStrips() != 0) {
        route_ = Route::Buffered;
        return;
    }
    route_ = Route::File;
    routeResult_ = module_.fetchFile(fileSetup_.FileName, 0);
    if (routeResult_ != 0)
        return;
    if (!tiff_.open(fileSetup_.FileName, imageInfo_.PixelType == TWPT_BW))
        routeResult_ = -1;
}

void DataSource::abandonMemoryRoute()
{
    // A finished transfer has removed the file already.
    if (route_ == Route::File && tiff_.isOpen())
        ::unlink(fileSetup_.FileName);
    tiff_.close();
    route_ = Route::None;
}

TW_UINT16 DataSource::setupFileTransfer(TW_UINT16 msg, TW_MEMREF data)
{
    conditionCode_ = TWCC_SUCCESS;
    auto* setup = static_cast<TW_SETUPFILEXFER*>(data);
    if (msg != MSG_GET && msg != MSG_GETDEFAULT && msg != MSG_SET && msg != MSG_RESET)
        return fail(TWCC_BADPROTOCOL);
    if (!inStates(kStateOpen, kStateTransferReady))
        return fail(TWCC_SEQERROR);
    if (!setup)
        return fail(TWCC_BADVALUE);
    switch (msg) {
    case MSG_GET:
        *setup = fileSetup_;
        return TWRC_SUCCESS;
    case MSG_GETDEFAULT:
        *setup = defaultFileSetup_;
        return TWRC_SUCCESS;
    case MSG_SET: {
        fileSetup_ = *setup;
        // The name is handed to the module as a C string.
        fileSetup_.FileName[sizeof fileSetup_.FileName - 1] = '\0';
        const TW_UINT16 format = setup->Format;
        if (format != TWFF_TIFF && format != TWFF_BMP && format != TWFF_JFIF)
            return fail(TWCC_BADVALUE);
        capabilities_.setCurrent(ICAP_IMAGEFILEFORMAT, format);
        return TWRC_SUCCESS;
    }
    default:
        fileSetup_ = defaultFileSetup_;
        *setup = fileSetup_;
        return TWRC_SUCCESS;
    }
}

TW_UINT16 DataSource::transferResult(int moduleResult, bool strips)
{
    TW_UINT16 rc;
    if (strips ? moduleResult == SM_FETCH_LAST : (moduleResult == 0 || moduleResult == 1))
        rc = TWRC_XFERDONE;
    else if (moduleResult == SM_FETCH_NO_IMAGE)
        rc = TWRC_CANCEL;
    else if (strips && moduleResult == SM_FETCH_MORE)
        return TWRC_SUCCESS;
    else
        return fail(TWCC_OPERATIONERROR);
    transferReady_ = closeRequested_ = false;
    route_ = Route::None;
    tiff_.close();
    state_ = kStateTransferring;
    return rc;
}

TW_UINT16 DataSource::nativeTransfer(TW_UINT16 msg, TW_MEMREF data)
{
    if (msg != MSG_GET)
        return fail(TWCC_BADPROTOCOL);
    if (state_ != kStateTransferReady)
        return fail(TWCC_SEQERROR);
    if (!data)
        return fail(TWCC_BADVALUE);
    TW_HANDLE dib = nullptr;
    const int result = module_.fetchDib(&dib);
    std::memcpy(data, &dib, sizeof dib);
    return transferResult(result, false);
}

TW_UINT16 DataSource::fileTransfer(TW_UINT16 msg, TW_MEMREF)
{
    if (msg != MSG_GET)
        return fail(TWCC_BADPROTOCOL);
    if (state_ != kStateTransferReady)
        return fail(TWCC_SEQERROR);
    return transferResult(module_.fetchFile(fileSetup_.FileName, 1), false);
}

TW_UINT16 DataSource::memoryTransfer(TW_UINT16 msg, TW_MEMREF data)
{
    if (msg != MSG_GET)
        return fail(TWCC_BADPROTOCOL);
    if (!inStates(kStateTransferReady, kStateTransferring))
        return fail(TWCC_SEQERROR);
    auto* program = static_cast<TW_IMAGEMEMXFER*>(data);
    if (!program)
        return fail(TWCC_BADVALUE);
    const TW_MEMORY memory = program->Memory;
    std::uint8_t* buffer = nullptr;
    bool locked = false;
    if (memory.Flags == (TWMF_APPOWNS | TWMF_POINTER)) {
        buffer = static_cast<std::uint8_t*>(memory.TheMem);
    } else if (memory.Flags == (TWMF_APPOWNS | TWMF_HANDLE)) {
        buffer = static_cast<std::uint8_t*>(GlobalLock(memory.TheMem));
        if (!buffer)
            return fail(TWCC_SEQERROR);
        locked = true;
        // The block must hold what the program says it offers.
        if (GlobalSize(memory.TheMem) < memory.Length) {
            GlobalUnlock(memory.TheMem);
            return fail(TWCC_BADVALUE);
        }
    } else {
        return fail(TWCC_BADVALUE);
    }
    if (!buffer)
        return fail(TWCC_BADVALUE);

    // A program that skipped DAT_SETUPMEMXFER still gets its picture.
    if (route_ == Route::None)
        prepareMemoryRoute();

    TW_IMAGEMEMXFER strip = *program;
    int result;
    if (route_ == Route::Buffered) {
        result = module_.fetchStrip(&strip, buffer);
    } else if (routeResult_ != 0) {
        result = routeResult_;
    } else {
        const TW_UINT16 rc = readFileStrip(strip, buffer);
        if (locked)
            GlobalUnlock(memory.TheMem);
        strip.Memory = memory;
        *program = strip;
        if (rc == TWRC_XFERDONE)
            return transferResult(SM_FETCH_LAST, true);
        return rc;
    }
    if (locked)
        GlobalUnlock(memory.TheMem);
    strip.Memory = memory;
    *program = strip;
    if (result == -1)
        return fail(TWCC_OPERATIONERROR);
    return transferResult(result, true);
}

TW_UINT16 DataSource::readFileStrip(TW_IMAGEMEMXFER& strip, std::uint8_t* buffer)
{
    const std::uint32_t perRow = tiff_.bytesPerRow();
    std::uint32_t rows = perRow ? strip.Memory.Length / perRow : 0;
    if (rows > tiff_.rowsLeft())
        rows = tiff_.rowsLeft();
    // A buffer without room for one row would never finish the picture.
    if (rows == 0 && tiff_.rowsLeft() != 0)
        return fail(TWCC_BADVALUE);
    const std::uint32_t firstRow = tiff_.rowsDelivered();
    if (tiff_.readRows(buffer, rows) < 0) {
        showMessage(kReadFailedText);
        return fail(TWCC_OPERATIONERROR);
    }
    strip.Compression = static_cast<TW_UINT16>(capabilities_.current(ICAP_COMPRESSION));
    strip.BytesPerRow = perRow;
    strip.Columns = tiff_.width();
    strip.Rows = rows;
    strip.XOffset = 0;
    strip.YOffset = firstRow;
    strip.BytesWritten = rows * perRow;
    if (tiff_.rowsLeft() != 0)
        return TWRC_SUCCESS;
    tiff_.close();
    ::unlink(fileSetup_.FileName);
    return TWRC_XFERDONE;
}

}  // namespace dorsa
