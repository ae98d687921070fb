#pragma once
// What a hostile program hands the data source: triplets from the lists of
// known groups, data types and messages (or any number), pData of exactly
// the data type's structure filled from a byte stream, and the program's
// memory around it (containers, strip buffers, event records). Pointers
// stay honest, pointing at memory of the size they announce, as every
// program must keep them; handles may be garbage, stale or too small, which
// the source must check.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "platform/memory/global_memory.h"
#include "platform/twain/twain_types.h"
#include "source/tests/source_under_attack.h"

namespace attack {

// The input, read front to back; zeros once it is used up.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t u8() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint16_t u16() { return static_cast<std::uint16_t>(u8() | u8() << 8); }
    std::uint32_t u32() { return u16() | static_cast<std::uint32_t>(u16()) << 16; }
    void fill(void* to, std::size_t n)
    {
        auto* out = static_cast<std::uint8_t*>(to);
        for (std::size_t i = 0; i < n; ++i)
            out[i] = u8();
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

inline constexpr TW_UINT16 kDats[] = {DAT_NULL,         DAT_CAPABILITY,     DAT_EVENT,        DAT_IDENTITY,
                               DAT_PARENT,       DAT_PENDINGXFERS,   DAT_SETUPMEMXFER, DAT_SETUPFILEXFER,
                               DAT_STATUS,       DAT_USERINTERFACE,  DAT_XFERGROUP,    DAT_CALLBACK,
                               DAT_IMAGEINFO,    DAT_IMAGELAYOUT,    DAT_IMAGEMEMXFER, DAT_IMAGENATIVEXFER,
                               DAT_IMAGEFILEXFER};
inline constexpr TW_UINT16 kMsgs[] = {MSG_NULL,      MSG_GET,        MSG_GETCURRENT, MSG_GETDEFAULT, MSG_GETFIRST,
                               MSG_GETNEXT,   MSG_SET,        MSG_RESET,      MSG_QUERYSUPPORT,
                               MSG_XFERREADY, MSG_CLOSEDSREQ, MSG_CLOSEDSOK,  MSG_OPENDSM,    MSG_CLOSEDSM,
                               MSG_OPENDS,    MSG_CLOSEDS,    MSG_USERSELECT, MSG_DISABLEDS,  MSG_ENABLEDS,
                               MSG_PROCESSEVENT, MSG_ENDXFER, MSG_REGISTER_CALLBACK};
inline constexpr TW_UINT16 kCaps[] = {CAP_XFERCOUNT,  ICAP_COMPRESSION, ICAP_PIXELTYPE,     ICAP_UNITS,
                               ICAP_XFERMECH,  CAP_AUTHOR,       CAP_CAPTION,        CAP_FEEDERENABLED,
                               CAP_FEEDERLOADED, CAP_TIMEDATE,   CAP_SUPPORTEDCAPS,  ICAP_AUTOBRIGHT,
                               ICAP_BRIGHTNESS, ICAP_HALFTONES,  ICAP_IMAGEFILEFORMAT, ICAP_FRAMES,
                               ICAP_XRESOLUTION, ICAP_MAXFRAMES, ICAP_LIGHTPATH,     ICAP_SUPPORTEDSIZES};

// The structure pData points at for a data type; unknown types get a block
// of their own size from the input.
inline std::size_t structureSize(TW_UINT16 dat, Bytes& in)
{
    switch (dat) {
    case DAT_CAPABILITY: return sizeof(TW_CAPABILITY);
    case DAT_EVENT: return sizeof(TW_EVENT);
    case DAT_IDENTITY: return sizeof(TW_IDENTITY);
    case DAT_PENDINGXFERS: return sizeof(TW_PENDINGXFERS);
    case DAT_SETUPMEMXFER: return sizeof(TW_SETUPMEMXFER);
    case DAT_SETUPFILEXFER: return sizeof(TW_SETUPFILEXFER);
    case DAT_STATUS: return sizeof(TW_STATUS);
    case DAT_USERINTERFACE: return sizeof(TW_USERINTERFACE);
    case DAT_XFERGROUP: return sizeof(TW_UINT32);
    case DAT_CALLBACK: return sizeof(TW_CALLBACK);
    case DAT_IMAGEINFO: return sizeof(TW_IMAGEINFO);
    case DAT_IMAGELAYOUT: return sizeof(TW_IMAGELAYOUT);
    case DAT_IMAGEMEMXFER: return sizeof(TW_IMAGEMEMXFER);
    case DAT_IMAGENATIVEXFER: return sizeof(TW_HANDLE);
    default: return 1 + in.u8() % 64;
    }
}

// Blocks the program owns for the length of one call.
struct ProgramMemory {
    HGLOBAL container = nullptr;     // given in TW_CAPABILITY
    HGLOBAL stripHandle = nullptr;   // given in TW_IMAGEMEMXFER
    std::vector<std::uint8_t> strip; // a pointer buffer of exactly its Length
    TW_WINDOWEVENT event{};
    ~ProgramMemory()
    {
        if (container && GlobalFree(container) != nullptr)
            fault("the source freed the program's container");
        if (stripHandle && GlobalFree(stripHandle) != nullptr)
            fault("the source freed the program's strip buffer");
    }
};

// A handle of the program: none, a block of fuzzed size and bytes, a stale
// one, or a number that never was a handle.
inline HGLOBAL programHandle(Bytes& in, HGLOBAL& owned)
{
    switch (in.u8() % 4) {
    case 0:
        return nullptr;
    case 1: {
        const std::size_t size = in.u8() % 48;
        owned = GlobalAlloc(GHND, size);
        if (auto* p = static_cast<std::uint8_t*>(GlobalLock(owned))) {
            in.fill(p, size);
            GlobalUnlock(owned);
        }
        return owned;
    }
    case 2: {
        HGLOBAL stale = GlobalAlloc(GHND, 8);
        GlobalFree(stale);
        return stale;
    }
    default:
        return reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(in.u32()) | 1u);
    }
}

// Keeps the pointers of a garbage structure honest (see the file comment);
// file names stay inside the current folder, as plain names.
inline void fixPointers(TW_UINT16 dat, std::uint8_t* data, Bytes& in, ProgramMemory& memory)
{
    switch (dat) {
    case DAT_CAPABILITY: {
        TW_CAPABILITY c;
        std::memcpy(&c, data, sizeof c);
        if (in.u8() % 2)
            c.Cap = kCaps[c.Cap % std::size(kCaps)];
        c.hContainer = programHandle(in, memory.container);
        std::memcpy(data, &c, sizeof c);
        break;
    }
    case DAT_EVENT: {
        TW_EVENT e;
        std::memcpy(&e, data, sizeof e);
        in.fill(&memory.event, sizeof memory.event);
        e.pEvent = in.u8() % 2 ? &memory.event : nullptr;
        std::memcpy(data, &e, sizeof e);
        break;
    }
    case DAT_SETUPFILEXFER: {
        TW_SETUPFILEXFER f;
        std::memcpy(&f, data, sizeof f);
        static const char kSafe[] = "abcdefgh0123456789._";
        const bool terminated = in.u8() % 4 != 0;
        const std::size_t length = terminated ? in.u8() % 40 : sizeof f.FileName;
        for (std::size_t i = 0; i < sizeof f.FileName; ++i)
            f.FileName[i] = i < length ? kSafe[static_cast<std::uint8_t>(f.FileName[i]) % (sizeof kSafe - 1)] : '\0';
        if (length > 0 && f.FileName[0] == '.')
            f.FileName[0] = 'f';
        std::memcpy(data, &f, sizeof f);
        break;
    }
    case DAT_CALLBACK: {
        TW_CALLBACK cb;
        std::memcpy(&cb, data, sizeof cb);
        cb.CallBackProc = nullptr;
        std::memcpy(data, &cb, sizeof cb);
        break;
    }
    case DAT_IMAGEMEMXFER: {
        TW_IMAGEMEMXFER x;
        std::memcpy(&x, data, sizeof x);
        switch (in.u8() % 4) {
        case 0: {  // a buffer the program owns, of exactly the length it says
            x.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
            x.Memory.Length %= 4096;
            memory.strip.assign(x.Memory.Length, 0);
            x.Memory.TheMem = memory.strip.empty() ? nullptr : memory.strip.data();
            break;
        }
        case 1:  // a handle, maybe smaller than the length it claims
            x.Memory.Flags = TWMF_APPOWNS | TWMF_HANDLE;
            x.Memory.Length %= 4096;
            x.Memory.TheMem = programHandle(in, memory.stripHandle);
            if (memory.stripHandle && in.u8() % 4 == 0) {
                GlobalFree(memory.stripHandle);
                memory.stripHandle = GlobalAlloc(GHND, x.Memory.Length);
                x.Memory.TheMem = memory.stripHandle;
            }
            break;
        default:  // flags the source does not take: the pointer is never used
            x.Memory.TheMem = nullptr;
            if (x.Memory.Flags == (TWMF_APPOWNS | TWMF_POINTER))
                x.Memory.Flags = TWMF_DSOWNS | TWMF_POINTER;
            break;
        }
        std::memcpy(data, &x, sizeof x);
        break;
    }
    default:
        break;
    }
}

// What the source handed over in pData belongs to the program now: freed
// here so that the block count at the end proves the source kept nothing.
inline void takeHandedOver(TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 rc, const std::uint8_t* data,
                    const ProgramMemory& memory)
{
    if (dat == DAT_CAPABILITY) {
        TW_CAPABILITY c;
        std::memcpy(&c, data, sizeof c);
        if (c.hContainer && c.hContainer != memory.container)
            GlobalFree(c.hContainer);
    } else if (dat == DAT_IMAGENATIVEXFER && msg == MSG_GET && rc == TWRC_XFERDONE) {
        TW_HANDLE dib;
        std::memcpy(&dib, data, sizeof dib);
        if (GlobalFree(dib) != nullptr)
            fault("a native transfer handed over no block");
    }
}

// How pData is given: none, the structure zeroed, or filled from the input.
enum class PData { Null, Zeroed, Filled };

// One triplet as a hostile program makes it; its TWRC code.
inline TW_UINT16 hostileCall(SourceUnderAttack& source, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, PData kind,
                             Bytes& in, pTW_IDENTITY origin = nullptr)
{
    if (kind == PData::Null)
        return source.checkedCall(dg, dat, msg, nullptr, origin);
    ProgramMemory memory;
    const std::size_t size = structureSize(dat, in);
    std::vector<std::uint8_t> data(size);  // exactly the structure: a read past it is seen
    if (kind == PData::Filled)
        in.fill(data.data(), size);
    fixPointers(dat, data.data(), in, memory);
    const TW_UINT16 rc = source.checkedCall(dg, dat, msg, data.data(), origin);
    takeHandedOver(dat, msg, rc, data.data(), memory);
    return rc;
}

}  // namespace attack
