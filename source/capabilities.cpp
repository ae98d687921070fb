#include "source/capabilities.h"

#include <ctime>
#include <cstring>
#include <optional>

#include "platform/memory/global_memory.h"
#include "source/source_strings.h"

namespace dorsa {

namespace {

// Capabilities known to the protocol that this source does not offer.
bool isUnsupported(TW_UINT16 cap)
{
    if (cap >= CAP_SUPPORTEDCAPS && cap <= CAP_INDICATORS)
        return true;
    switch (cap) {
    case 0x1104: case 0x1105: case 0x1106: case 0x1107: case 0x1108: case 0x110a:
    case 0x110d: case 0x110e: case 0x1110: case 0x1111: case 0x1112: case 0x1113:
    case 0x1116: case 0x1117: case 0x111b: case 0x111d: case 0x1121: case 0x1123:
    case 0x1124: case 0x1125: case 0x1126: case 0x1127: case 0x112a: case 0x112b:
    case 0x112c:
        return true;
    default:
        return false;
    }
}

std::size_t itemSize(TW_UINT16 itemType)
{
    switch (itemType) {
    case TWTY_INT8: case TWTY_UINT8: return 1;
    case TWTY_INT16: case TWTY_UINT16: case TWTY_BOOL: return 2;
    case TWTY_INT32: case TWTY_UINT32: case TWTY_FIX32: return 4;
    case TWTY_FRAME: return 16;
    case TWTY_STR32: return 34;
    case TWTY_STR64: return 66;
    case TWTY_STR128: return 130;
    case TWTY_STR255: return 256;
    default: return 0;
    }
}

TW_UINT32 fix32Item(int whole)
{
    TW_FIX32 fix{static_cast<TW_INT16>(whole), 0};
    TW_UINT32 item = 0;
    std::memcpy(&item, &fix, sizeof fix);
    return item;
}

// A container of `bytes` bytes in movable global memory, filled by `fill`;
// false (and no container) when memory is short.
template <typename Fill>
bool makeContainer(TW_CAPABILITY* cap, TW_UINT16 conType, std::size_t bytes, Fill fill)
{
    HGLOBAL handle = GlobalAlloc(GHND, bytes);
    void* data = handle ? GlobalLock(handle) : nullptr;
    if (!data) {
        if (handle)
            GlobalFree(handle);
        return false;
    }
    fill(static_cast<std::uint8_t*>(data));
    GlobalUnlock(handle);
    cap->ConType = conType;
    cap->hContainer = handle;
    return true;
}

TW_UINT16 oneValue(TW_CAPABILITY* cap, TW_UINT16 itemType, const void* item, std::size_t size,
                   TW_UINT16* cc)
{
    const std::size_t bytes = std::max(sizeof(TW_ONEVALUE), offsetof(TW_ONEVALUE, Item) + size);
    if (!makeContainer(cap, TWON_ONEVALUE, bytes, [&](std::uint8_t* p) {
            std::memcpy(p, &itemType, sizeof itemType);
            std::memcpy(p + offsetof(TW_ONEVALUE, Item), item, size);
        })) {
        *cc = TWCC_LOWMEMORY;
        return TWRC_FAILURE;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 oneValue(TW_CAPABILITY* cap, TW_UINT16 itemType, TW_UINT32 item, TW_UINT16* cc)
{
    return oneValue(cap, itemType, &item, sizeof item, cc);
}

TW_UINT16 oneFrame(TW_CAPABILITY* cap, const TW_FRAME& frame, TW_UINT16* cc)
{
    return oneValue(cap, TWTY_FRAME, &frame, sizeof frame, cc);
}

TW_UINT16 enumeration(TW_CAPABILITY* cap, TW_UINT16 itemType, const TW_UINT32* items, int count,
                      int currentIndex, int defaultIndex, TW_UINT16* cc)
{
    const std::size_t size = itemSize(itemType);
    const std::size_t bytes = offsetof(TW_ENUMERATION, ItemList) + size * count;
    if (!makeContainer(cap, TWON_ENUMERATION, bytes, [&](std::uint8_t* p) {
            TW_ENUMERATION head{};
            head.ItemType = itemType;
            head.NumItems = static_cast<TW_UINT32>(count);
            head.CurrentIndex = static_cast<TW_UINT32>(currentIndex);
            head.DefaultIndex = static_cast<TW_UINT32>(defaultIndex);
            std::memcpy(p, &head, offsetof(TW_ENUMERATION, ItemList));
            for (int i = 0; i < count; ++i)
                std::memcpy(p + offsetof(TW_ENUMERATION, ItemList) + i * size, &items[i], size);
        })) {
        *cc = TWCC_LOWMEMORY;
        return TWRC_FAILURE;
    }
    return TWRC_SUCCESS;
}

TW_UINT16 failWith(TW_UINT16* cc, TW_UINT16 code)
{
    *cc = code;
    return TWRC_FAILURE;
}

// The one value a program's container offers for MSG_SET, as a 16-bit
// number (a TW_FIX32's whole part, a frame's Left whole part). Every size
// is checked against the block: a container the program got wrong fails
// with TWCC_BADVALUE instead of being read past its end.
std::optional<TW_INT16> valueToSet(const TW_CAPABILITY& cap, TW_UINT16 expectedType)
{
    HGLOBAL handle = cap.hContainer;
    const std::size_t blockSize = handle ? GlobalSize(handle) : 0;
    auto* p = handle ? static_cast<const std::uint8_t*>(GlobalLock(handle)) : nullptr;
    if (!p)
        return std::nullopt;
    std::optional<TW_INT16> result;
    TW_UINT16 itemType = 0;
    std::size_t itemOffset = 0;
    std::size_t itemCount = 1;
    bool known = blockSize >= sizeof itemType;
    if (known)
        std::memcpy(&itemType, p, sizeof itemType);
    switch (cap.ConType) {
    case TWON_ONEVALUE:
        itemOffset = offsetof(TW_ONEVALUE, Item);
        break;
    case TWON_ENUMERATION:
    case TWON_ARRAY: {
        const std::size_t countOffset = offsetof(TW_ENUMERATION, NumItems);
        TW_UINT32 n = 0;
        if (blockSize >= countOffset + sizeof n)
            std::memcpy(&n, p + countOffset, sizeof n);
        itemCount = n;
        itemOffset = cap.ConType == TWON_ENUMERATION ? offsetof(TW_ENUMERATION, ItemList)
                                                     : offsetof(TW_ARRAY, ItemList);
        break;
    }
    case TWON_RANGE:
        itemOffset = offsetof(TW_RANGE, CurrentValue);
        break;
    default:
        known = false;
    }
    const std::size_t size = itemSize(itemType);
    // A one value or range item is at least 32 bits wide in the container.
    const std::size_t slot = (cap.ConType == TWON_ONEVALUE || cap.ConType == TWON_RANGE)
                                 ? std::max<std::size_t>(size, 4)
                                 : size;
    if (known && size != 0 && itemType == expectedType && itemCount >= 1 &&
        blockSize >= itemOffset + slot) {
        if (size == 1) {
            result = static_cast<TW_INT16>(itemType == TWTY_INT8 ? static_cast<std::int8_t>(p[itemOffset])
                                                                : p[itemOffset]);
        } else {
            TW_INT16 v = 0;
            std::memcpy(&v, p + itemOffset, sizeof v);
            result = v;
        }
    }
    GlobalUnlock(handle);
    return result;
}

}  // namespace

TW_FRAME predefinedFrame(int n)
{
    static constexpr int kFrames[kPredefinedFrameCount][4] = {
        {0, 0, 2550, 3300}, {0, 0, 1239, 3300}, {0, 0, 0, 0}};
    TW_FRAME frame{};
    if (n < 0 || n >= kPredefinedFrameCount)
        return frame;
    frame.Left.Whole = static_cast<TW_INT16>(kFrames[n][0]);
    frame.Top.Whole = static_cast<TW_INT16>(kFrames[n][1]);
    frame.Right.Whole = static_cast<TW_INT16>(kFrames[n][2]);
    frame.Bottom.Whole = static_cast<TW_INT16>(kFrames[n][3]);
    return frame;
}

Capabilities::Capabilities()
    : rows_{{
          {CAP_XFERCOUNT, Kind::XferCount, TWTY_INT16, 0, 0, -1, 0, 0, 0},
          {ICAP_COMPRESSION, Kind::CheckedList, TWTY_UINT16, 8, 0, kWordCompression, 0, 0, 0},
          {ICAP_PIXELTYPE, Kind::CheckedList, TWTY_UINT16, 9, TWPT_RGB, kWordPixelType, 0, 0, 0},
          {ICAP_UNITS, Kind::CheckedList, TWTY_UINT16, 6, TWUN_PIXELS, -1, 0, 0, 0},
          {ICAP_XFERMECH, Kind::CheckedList, TWTY_UINT16, 3, TWSX_MEMORY, -1, 0, 0, 0},
          {ICAP_AUTOBRIGHT, Kind::AutoBright, TWTY_BOOL, 0, 0, kWordAutoBright, 0, 0, 0},
          {ICAP_BRIGHTNESS, Kind::WholeFix32, TWTY_FIX32, 0, 0, -1, 0, 0, 0},
          {ICAP_CONTRAST, Kind::WholeFix32, TWTY_FIX32, 0, 0, -1, 0, 0, 0},
          {ICAP_IMAGEFILEFORMAT, Kind::CheckedList, TWTY_UINT16, 5, TWFF_TIFF, -1, 0, 0, 0},
          {ICAP_FRAMES, Kind::Frames, TWTY_FRAME, 0, 0, -1, 0, 0, 0},
          {ICAP_XRESOLUTION, Kind::Resolution, TWTY_FIX32, 0, 0, -1, 0, 0, 0},
          {ICAP_YRESOLUTION, Kind::Resolution, TWTY_FIX32, 0, 0, -1, 0, 0, 0},
          {ICAP_MAXFRAMES, Kind::Plain, TWTY_UINT16, 0, 1, -1, 0, 0, 0},
          {ICAP_BITORDER, Kind::UncheckedList, TWTY_UINT16, 2, 1, -1, 0, 0, 0},
          {ICAP_LIGHTPATH, Kind::LightPath, TWTY_UINT16, 2, 1, -1, 0, 0, 0},
          {ICAP_PIXELFLAVOR, Kind::UncheckedList, TWTY_UINT16, 2, 0, kWordPixelFlavor, 0, 0, 0},
          {ICAP_PLANARCHUNKY, Kind::CheckedList, TWTY_UINT16, 2, 0, -1, 0, 0, 0},
          {ICAP_SUPPORTEDSIZES, Kind::CheckedList, TWTY_UINT16, 9, 0, kWordSupportedSizes, 0, 0, 0},
          {ICAP_JPEGPIXELTYPE, Kind::CheckedList, TWTY_UINT16, 9, TWPT_RGB, kWordJpegPixelType, 0, 0, 0},
          {CAP_FEEDERENABLED, Kind::FeederEnabled, TWTY_BOOL, 0, 0, kWordFeederPresent, 0, 0, 0},
          {CAP_FEEDERLOADED, Kind::FeederLoaded, TWTY_BOOL, 0, 0, -1, 0, 0, 0},
          {CAP_AUTHOR, Kind::Text, TWTY_STR128, 0, 0, -1, 0, 0, kStringAuthor},
          {CAP_CAPTION, Kind::Text, TWTY_STR255, 0, 0, -1, 0, 0, kStringCaption},
          {CAP_TIMEDATE, Kind::Text, TWTY_STR32, 0, 0, -1, 0, 0, 0},
      }}
{
    for (Row& row : rows_)
        row.current = row.defaultValue = row.builtInDefault;
}

Capabilities::Row* Capabilities::find(TW_UINT16 cap)
{
    for (Row& row : rows_)
        if (row.cap == cap)
            return &row;
    return nullptr;
}

const Capabilities::Row* Capabilities::find(TW_UINT16 cap) const
{
    return const_cast<Capabilities*>(this)->find(cap);
}

int Capabilities::current(TW_UINT16 cap) const
{
    if (cap == ICAP_XRESOLUTION || cap == ICAP_YRESOLUTION)
        return kResolutions[resolutionIndex_];
    const Row* row = find(cap);
    return row ? row->current : 0;
}

void Capabilities::setCurrent(TW_UINT16 cap, int value)
{
    if (Row* row = find(cap))
        row->current = value;
}

int Capabilities::lightPathDefault() const
{
    return defaults_.word[kWordLightPath] == 0 ? 1 : 0;
}

void Capabilities::readModuleDefaults(const SM_TRANSFER_DEFAULTS& block)
{
    defaults_ = block;
    for (Row& row : rows_) {
        if (row.moduleWord < 0)
            continue;
        const int v = block.word[row.moduleWord];
        switch (row.kind) {
        case Kind::CheckedList:
        case Kind::UncheckedList:
            // An index outside the list would hand the program a value it
            // can never set; keep the built-in default then.
            row.defaultValue = (v >= 0 && v < row.listSize) ? v : row.builtInDefault;
            break;
        default:
            row.defaultValue = v != 0 ? 1 : 0;
        }
    }
    const int r = block.word[kWordResolution];
    resolutionDefault_ = (r >= 0 && r < static_cast<int>(kResolutions.size())) ? r : 1;
    if (Row* lightPath = find(ICAP_LIGHTPATH))
        lightPath->defaultValue = lightPathDefault();
    pendingCount_ = (block.word[kWordFeederPresent] != 0 && block.word[kWordFeederLoaded] != 0) ? -1 : 0;
}

void Capabilities::resetToDefaults()
{
    for (Row& row : rows_)
        row.current = row.defaultValue;
    resolutionIndex_ = resolutionDefault_;
    pendingCount_ = static_cast<int16_t>(find(CAP_XFERCOUNT)->defaultValue);
}

SM_TRANSFER_DEFAULTS Capabilities::settingsBlock()
{
    SM_TRANSFER_DEFAULTS s{};
    s.word[kWordCompression] = static_cast<int16_t>(current(ICAP_COMPRESSION));
    s.word[kWordFeederPresent] = static_cast<int16_t>(current(CAP_FEEDERENABLED));
    s.word[kWordAutoBright] = static_cast<int16_t>(current(ICAP_AUTOBRIGHT));
    s.word[kWordLightPath] = static_cast<int16_t>(current(ICAP_LIGHTPATH) == 1 ? 0 : 1);
    s.word[kWordPixelType] = static_cast<int16_t>(current(ICAP_PIXELTYPE));
    s.word[kWordPixelFlavor] = static_cast<int16_t>(current(ICAP_PIXELFLAVOR));
    s.word[kWordSupportedSizes] = static_cast<int16_t>(current(ICAP_SUPPORTEDSIZES));
    s.word[kWordJpegPixelType] = static_cast<int16_t>(current(ICAP_JPEGPIXELTYPE));
    s.word[kWordResolution] = static_cast<int16_t>(resolutionIndex_);
    const TW_FIX32 parts[4] = {currentFrame_.Left, currentFrame_.Top, currentFrame_.Right,
                               currentFrame_.Bottom};
    for (int i = 0; i < 4; ++i) {
        defaults_.word[kWordFrame + 2 * i] = parts[i].Whole;
        defaults_.word[kWordFrame + 2 * i + 1] = static_cast<int16_t>(parts[i].Frac);
    }
    return s;
}

TW_UINT16 Capabilities::handle(TW_UINT16 msg, TW_CAPABILITY* capability, TW_UINT16* cc)
{
    *cc = TWCC_SUCCESS;
    if (!capability)
        return failWith(cc, TWCC_BADVALUE);
    switch (msg) {
    case MSG_GET: case MSG_GETCURRENT: case MSG_GETDEFAULT: case MSG_SET: case MSG_RESET:
        break;
    default:
        return failWith(cc, TWCC_BADPROTOCOL);
    }
    if (Row* row = find(capability->Cap))
        return handleRow(*row, msg, capability, cc);
    return handleUnlisted(msg, capability->Cap, cc);
}

TW_UINT16 Capabilities::handleUnlisted(TW_UINT16 msg, TW_UINT16 cap, TW_UINT16* cc)
{
    if (cap == CAP_SUPPORTEDCAPS && msg == MSG_SET)
        return TWRC_SUCCESS;
    if (isUnsupported(cap))
        return failWith(cc, TWCC_BADCAP);
    if (cap == ICAP_HALFTONES)
        return failWith(cc, msg == MSG_SET ? TWCC_BADCAP : TWCC_BADPROTOCOL);
    // Unassigned and unknown numbers: a setting is taken without effect.
    if (msg == MSG_SET)
        return TWRC_SUCCESS;
    return failWith(cc, TWCC_BADPROTOCOL);
}

TW_UINT16 Capabilities::handleRow(Row& row, TW_UINT16 msg, TW_CAPABILITY* cap, TW_UINT16* cc)
{
    std::optional<TW_INT16> value;
    if (msg == MSG_SET && row.kind != Kind::FeederLoaded && row.kind != Kind::Text) {
        value = valueToSet(*cap, row.itemType);
        if (!value)
            return failWith(cc, TWCC_BADVALUE);
    }
    const auto listValues = [](int n, TW_UINT32* out) {
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<TW_UINT32>(i);
    };
    TW_UINT32 items[16];

    switch (row.kind) {
    case Kind::XferCount:
        switch (msg) {
        case MSG_GETCURRENT:
            return oneValue(cap, row.itemType, static_cast<TW_UINT16>(pendingCount_), cc);
        case MSG_SET:
            pendingCount_ = *value;
            return TWRC_SUCCESS;
        case MSG_RESET:
            pendingCount_ = static_cast<int16_t>(row.builtInDefault);
            [[fallthrough]];
        default:
            return oneValue(cap, row.itemType, static_cast<TW_UINT16>(row.builtInDefault), cc);
        }

    case Kind::CheckedList:
    case Kind::UncheckedList:
    case Kind::LightPath:
        if (row.kind == Kind::LightPath)
            row.defaultValue = lightPathDefault();
        switch (msg) {
        case MSG_GET:
            listValues(row.listSize, items);
            return enumeration(cap, row.itemType, items, row.listSize, row.current, row.defaultValue, cc);
        case MSG_GETCURRENT:
            return oneValue(cap, row.itemType, static_cast<TW_UINT32>(row.current), cc);
        case MSG_GETDEFAULT:
            return oneValue(cap, row.itemType, static_cast<TW_UINT32>(row.defaultValue), cc);
        case MSG_SET: {
            const int v = static_cast<TW_UINT16>(*value);
            // Values outside the list are refused: the module and the
            // transfer would otherwise be handed a value no list names.
            if (v >= row.listSize)
                return failWith(cc, TWCC_BADVALUE);
            if (row.kind == Kind::LightPath && v == 1 && row.defaultValue != 1)
                return failWith(cc, TWCC_BADVALUE);
            row.current = v;
            return TWRC_SUCCESS;
        }
        default:
            row.current = row.defaultValue;
            return oneValue(cap, row.itemType, static_cast<TW_UINT32>(row.current), cc);
        }

    case Kind::Resolution:
        switch (msg) {
        case MSG_GET:
            for (std::size_t i = 0; i < kResolutions.size(); ++i)
                items[i] = fix32Item(kResolutions[i]);
            return enumeration(cap, TWTY_FIX32, items, static_cast<int>(kResolutions.size()),
                               resolutionIndex_, resolutionDefault_, cc);
        case MSG_GETCURRENT:
            return oneValue(cap, TWTY_FIX32, fix32Item(kResolutions[resolutionIndex_]), cc);
        case MSG_GETDEFAULT:
            return oneValue(cap, TWTY_FIX32, fix32Item(kResolutions[resolutionDefault_]), cc);
        case MSG_SET:
            for (std::size_t i = 0; i < kResolutions.size(); ++i) {
                if (*value == static_cast<int>(i) || *value == kResolutions[i]) {
                    resolutionIndex_ = static_cast<int>(i);
                    return TWRC_SUCCESS;
                }
            }
            return failWith(cc, TWCC_BADVALUE);
        default:
            resolutionIndex_ = resolutionDefault_;
            return oneValue(cap, TWTY_FIX32, fix32Item(kResolutions[resolutionIndex_]), cc);
        }

    case Kind::Plain:
    case Kind::AutoBright:
    case Kind::WholeFix32: {
        const auto item = [&](int v) {
            return row.itemType == TWTY_FIX32 ? fix32Item(v) : static_cast<TW_UINT32>(static_cast<TW_UINT16>(v));
        };
        switch (msg) {
        case MSG_GETCURRENT:
            return oneValue(cap, row.itemType, item(row.current), cc);
        case MSG_SET:
            row.current = row.kind == Kind::AutoBright ? (*value != 0) : *value;
            return TWRC_SUCCESS;
        case MSG_RESET:
            if (row.kind != Kind::AutoBright)
                row.current = row.defaultValue;
            [[fallthrough]];
        default:
            return oneValue(cap, row.itemType, item(row.defaultValue), cc);
        }
    }

    case Kind::Frames: {
        if (msg == MSG_GETCURRENT)
            return oneFrame(cap, currentFrame_, cc);
        if (msg == MSG_SET) {
            if (*value < 0 || *value >= kPredefinedFrameCount)
                return failWith(cc, TWCC_BADVALUE);
            currentFrame_ = predefinedFrame(*value);
            return TWRC_SUCCESS;
        }
        int frame;
        switch (deviceType()) {
        case 0: frame = 1; break;
        case 1: frame = 0; break;
        case 2: case 3: return TWRC_SUCCESS;
        default: return failWith(cc, TWCC_BADCAP);
        }
        if (msg == MSG_RESET)
            currentFrame_ = predefinedFrame(frame);
        return oneFrame(cap, predefinedFrame(frame), cc);
    }

    case Kind::FeederEnabled: {
        const bool present = defaults_.word[kWordFeederPresent] != 0;
        if (msg == MSG_SET) {
            row.current = *value != 0;
            return TWRC_SUCCESS;
        }
        if (msg == MSG_GETCURRENT) {
            if (!row.current) {
                oneValue(cap, TWTY_BOOL, 0u, cc);
                return failWith(cc, TWCC_BADVALUE);
            }
            return oneValue(cap, TWTY_BOOL, 1u, cc);
        }
        if (deviceType() == 0)
            return failWith(cc, TWCC_BADCAP);
        if (!present) {
            oneValue(cap, TWTY_BOOL, 0u, cc);
            return failWith(cc, TWCC_BADVALUE);
        }
        return oneValue(cap, TWTY_BOOL, 1u, cc);
    }

    case Kind::FeederLoaded: {
        if (msg == MSG_SET)
            return TWRC_SUCCESS;
        if (msg == MSG_RESET)
            return failWith(cc, TWCC_BADPROTOCOL);
        const Row* enabled = find(CAP_FEEDERENABLED);
        const bool blocked = msg == MSG_GETCURRENT ? enabled->current == 0
                                                   : defaults_.word[kWordFeederPresent] == 0;
        if (blocked)
            return failWith(cc, TWCC_BADCAP);
        return oneValue(cap, TWTY_BOOL, feederLoaded() ? 1u : 0u, cc);
    }

    case Kind::Text: {
        if (msg != MSG_GET)
            return failWith(cc, TWCC_BADCAP);
        char text[256] = {};
        const std::size_t size = itemSize(row.itemType);
        if (row.cap == CAP_TIMEDATE) {
            const std::time_t now = std::time(nullptr);
            char buffer[64] = {};
            if (::ctime_r(&now, buffer))
                std::strncpy(text, buffer, size - 1);
        } else {
            std::strncpy(text, sourceString(row.textId), size - 1);
        }
        return oneValue(cap, row.itemType, text, size, cc);
    }
    }
    return failWith(cc, TWCC_BADPROTOCOL);
}

}  // namespace dorsa
