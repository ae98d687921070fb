// Fuzz target for capability negotiation: a program sets, gets and resets
// capabilities with containers of any kind, item type, count and size
// (including blocks shorter than their header or their items). The source
// must never read past a container or change or free the program's own;
// every container it hands out must hold what its header says, with
// indexes inside the list; a value it took must read back as current; and
// it keeps no block once the program closed it.
//
// Built with clang's -fsanitize=fuzzer it is a libFuzzer target; built with
// LUMO_FUZZ_DRIVER it runs the plain driver of fuzz_driver.h over the seeds.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "source/tests/hostile_calls.h"

namespace {

using namespace attack;

constexpr TW_UINT16 kContainerTypes[] = {TWON_ONEVALUE, TWON_ENUMERATION, TWON_ARRAY, TWON_RANGE};
constexpr TW_UINT16 kMessages[] = {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET};

// Capabilities whose value, once taken, is the current value as set.
constexpr TW_UINT16 kPlainListCaps[] = {ICAP_COMPRESSION, ICAP_PIXELTYPE,     ICAP_UNITS,
                                        ICAP_XFERMECH,    ICAP_IMAGEFILEFORMAT, ICAP_BITORDER,
                                        ICAP_PIXELFLAVOR, ICAP_PLANARCHUNKY,  ICAP_SUPPORTEDSIZES,
                                        ICAP_JPEGPIXELTYPE, ICAP_MAXFRAMES};

std::size_t itemBytes(TW_UINT16 itemType)
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

template <typename T> T readAt(const std::uint8_t* p, std::size_t offset)
{
    T v;
    std::memcpy(&v, p + offset, sizeof v);
    return v;
}

// A container the source made: as large as its header says.
void checkAnswer(const TW_CAPABILITY& answer)
{
    const SIZE_T size = GlobalSize(answer.hContainer);
    const auto* p = static_cast<const std::uint8_t*>(GlobalLock(answer.hContainer));
    if (!p)
        fault("an answer without a container", answer.Cap);
    const TW_UINT16 itemType = size >= 2 ? readAt<TW_UINT16>(p, 0) : 0xFFFF;
    const std::size_t item = itemBytes(itemType);
    if (item == 0)
        fault("a container of no known item type", answer.Cap, itemType);
    switch (answer.ConType) {
    case TWON_ONEVALUE:
        if (size < offsetof(TW_ONEVALUE, Item) + std::max<std::size_t>(item, 4))
            fault("a one-value container shorter than its item", answer.Cap);
        break;
    case TWON_ENUMERATION: {
        if (size < offsetof(TW_ENUMERATION, ItemList))
            fault("an enumeration shorter than its header", answer.Cap);
        const auto count = readAt<TW_UINT32>(p, offsetof(TW_ENUMERATION, NumItems));
        const auto current = readAt<TW_UINT32>(p, offsetof(TW_ENUMERATION, CurrentIndex));
        const auto byDefault = readAt<TW_UINT32>(p, offsetof(TW_ENUMERATION, DefaultIndex));
        if (size < offsetof(TW_ENUMERATION, ItemList) + std::size_t{count} * item)
            fault("an enumeration shorter than its items", answer.Cap, count);
        if (count == 0 || current >= count || byDefault >= count)
            fault("an enumeration's index outside its list", answer.Cap, current, byDefault);
        break;
    }
    case TWON_RANGE:
        if (size < sizeof(TW_RANGE))
            fault("a range shorter than its fields", answer.Cap);
        break;
    case TWON_ARRAY:
        if (size < offsetof(TW_ARRAY, ItemList) +
                       std::size_t{readAt<TW_UINT32>(p, offsetof(TW_ARRAY, NumItems))} * item)
            fault("an array shorter than its items", answer.Cap);
        break;
    default:
        fault("an answer of no known container type", answer.Cap, answer.ConType);
    }
    GlobalUnlock(answer.hContainer);
}

// The current value of a capability as a one-value answer gives it.
bool currentValue(SourceUnderAttack& source, TW_UINT16 cap, TW_UINT16& value)
{
    TW_CAPABILITY c{cap, 0, nullptr};
    const TW_UINT16 rc = source.checkedCall(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &c);
    bool found = false;
    if (rc == TWRC_SUCCESS && c.ConType == TWON_ONEVALUE) {
        checkAnswer(c);
        const auto* p = static_cast<const std::uint8_t*>(GlobalLock(c.hContainer));
        value = readAt<TW_UINT16>(p, offsetof(TW_ONEVALUE, Item));
        GlobalUnlock(c.hContainer);
        found = true;
    }
    if (c.hContainer)
        GlobalFree(c.hContainer);
    return found;
}

void negotiate(SourceUnderAttack& source, Bytes& in)
{
    const std::uint8_t capChoice = in.u8();
    const TW_UINT16 cap = capChoice < 224 ? kCaps[capChoice % std::size(kCaps)] : in.u16();
    const std::uint8_t msgChoice = in.u8();
    const TW_UINT16 msg = msgChoice < 250 ? kMessages[msgChoice % std::size(kMessages)] : in.u16();
    const std::uint8_t typeChoice = in.u8();
    const TW_UINT16 conType = typeChoice < 250 ? kContainerTypes[typeChoice % std::size(kContainerTypes)] : in.u16();

    // The program's container: its size from the input, its bytes too.
    const std::size_t size = in.u8() % 40;
    std::vector<std::uint8_t> bytes(size);
    in.fill(bytes.data(), size);
    HGLOBAL container = nullptr;
    if (in.u8() % 8 != 0) {
        container = GlobalAlloc(GMEM_MOVEABLE, size);
        if (auto* p = static_cast<std::uint8_t*>(GlobalLock(container))) {
            std::memcpy(p, bytes.data(), size);
            GlobalUnlock(container);
        }
    }

    TW_CAPABILITY c{cap, conType, container};
    const TW_UINT16 rc = source.checkedCall(DG_CONTROL, DAT_CAPABILITY, msg, &c);
    if (rc != TWRC_SUCCESS && rc != TWRC_FAILURE)
        fault("a capability answer other than success or failure", cap, msg, rc);
    if (c.hContainer != container) {
        if (rc == TWRC_SUCCESS)
            checkAnswer(c);
        GlobalFree(c.hContainer);
    }
    if (container) {
        if (GlobalSize(container) != size)
            fault("the program's container was freed or resized", cap, msg);
        if (size > 0) {
            const auto* p = static_cast<const std::uint8_t*>(GlobalLock(container));
            if (std::memcmp(p, bytes.data(), size) != 0)
                fault("the program's container was written", cap, msg);
            GlobalUnlock(container);
        }
        GlobalFree(container);
    }

    // A value taken from a one-value container is the current value.
    if (msg == MSG_SET && rc == TWRC_SUCCESS && conType == TWON_ONEVALUE &&
        std::find(std::begin(kPlainListCaps), std::end(kPlainListCaps), cap) != std::end(kPlainListCaps)) {
        const TW_UINT16 set = readAt<TW_UINT16>(bytes.data(), offsetof(TW_ONEVALUE, Item));
        TW_UINT16 now = 0;
        if (!currentValue(source, cap, now) || now != set)
            fault("a value taken does not read back as current", cap, set, now);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static SourceUnderAttack source(LUMO_SOURCE_ATTACK_BUILD_DIR);
    source.reset();
    const SIZE_T blocksBefore = LumoGlobalLiveCount();
    Bytes in(data, size);
    if (source.open() != TWRC_SUCCESS)
        fault("the source does not open");
    for (int step = 0; step < 64 && !in.empty(); ++step)
        negotiate(source, in);
    source.reset();
    if (LumoGlobalLiveCount() != blocksBefore)
        fault("memory blocks left behind by a negotiation", static_cast<unsigned>(blocksBefore),
              static_cast<unsigned>(LumoGlobalLiveCount()));
    return 0;
}

#ifndef LUMO_FUZZ_DRIVER
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    attack::absoluteFuzzerPaths(argc, argv);
    return 0;
}
#endif

#ifdef LUMO_FUZZ_DRIVER
#include "source/tests/fuzz_driver.h"

int main(int argc, char** argv)
{
    return fuzzdriver::run("fuzz_capabilities", FUZZ_CORPUS_DIR, argc, argv);
}
#endif
