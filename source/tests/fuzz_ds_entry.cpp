// Fuzz target for DS_Entry: each input is a program's session, a sequence
// of steps read from the bytes: open, enable, the module signalling a
// picture or a close, and triplets of any group, data type and message with
// null or garbage pData, from the connected program or a stranger. Every
// call must answer a TWRC code, a failure of an open source must leave a
// condition code, and after the session is closed no memory block the
// source handed out or took may be left.
//
// pData is exactly the size of the data type's structure (so that a read
// past it is seen); pointers inside it are kept pointing at memory of the
// size they announce, as any program must, while handles may be garbage,
// stale or too small: those the source must check.
//
// Built with clang's -fsanitize=fuzzer it is a libFuzzer target; built with
// LUMO_FUZZ_DRIVER it runs the plain driver of fuzz_driver.h over the seeds.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "source/tests/hostile_calls.h"

namespace {

using namespace attack;

void triplet(SourceUnderAttack& source, Bytes& in)
{
    const std::uint8_t groupChoice = in.u8();
    const TW_UINT32 dg = groupChoice % 4 == 0 ? DG_CONTROL : groupChoice % 4 == 1 ? DG_IMAGE
                       : groupChoice % 4 == 2 ? (DG_CONTROL | DG_IMAGE) : in.u32();
    const std::uint8_t datChoice = in.u8();
    const TW_UINT16 dat = datChoice < 240 ? kDats[datChoice % std::size(kDats)] : in.u16();
    const std::uint8_t msgChoice = in.u8();
    const TW_UINT16 msg = msgChoice < 240 ? kMsgs[msgChoice % std::size(kMsgs)] : in.u16();
    const std::uint8_t how = in.u8();
    pTW_IDENTITY origin = how & 0x80 ? &source.stranger() : nullptr;

    const PData kind = (how & 3) == 0 ? PData::Null : (how & 3) == 1 ? PData::Zeroed : PData::Filled;
    hostileCall(source, dg, dat, msg, kind, in, origin);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static attack::SourceUnderAttack source(LUMO_SOURCE_ATTACK_BUILD_DIR);
    source.reset();
    const SIZE_T blocksBefore = LumoGlobalLiveCount();
    Bytes in(data, size);
    for (int step = 0; step < 64 && !in.empty(); ++step) {
        switch (in.u8() % 8) {
        case 0: source.open(); break;
        case 1: source.enable(); break;
        case 2: source.signalReady(); break;
        case 3: source.signalClose(); break;
        case 4: {  // the module answers otherwise from now on
            TestModuleControl& control = source.control();
            const std::uint8_t what = in.u8();
            control.bitsPerPixel = what % 3 == 0 ? 1 : what % 3 == 1 ? 8 : 24;
            control.width = 1 + in.u8() % 40;
            control.height = 1 + in.u8() % 12;
            control.canTransferStrips = (what >> 2) & 1;
            control.dibResult = (what >> 3) & 1 ? in.u8() % 4 : -1;
            control.fileResult = (what >> 4) & 1 ? in.u8() % 4 : -1;
            control.connectResult = (what >> 5) & 1 ? 0 : 1;
            control.noUiResult = (what >> 6) & 1 ? 0 : 1;
            break;
        }
        default: triplet(source, in); break;
        }
    }
    source.reset();
    if (LumoGlobalLiveCount() != blocksBefore)
        attack::fault("memory blocks left behind by a session", static_cast<unsigned>(blocksBefore),
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
    return fuzzdriver::run("fuzz_ds_entry", FUZZ_CORPUS_DIR, argc, argv);
}
#endif
