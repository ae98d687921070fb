// The library's C entry points: DS_Entry for the source manager, the two
// callbacks for the scanner module, and the start-up and end of the library.

#include "platform/twain/scanner_module.h"
#include "platform/twain/twain_types.h"
#include "source/data_source.h"

extern "C" {

LUMO_TWAIN_EXPORT TW_UINT16 DS_Entry(pTW_IDENTITY pOrigin, TW_UINT32 DG, TW_UINT16 DAT, TW_UINT16 MSG,
                                     TW_MEMREF pData)
{
    return dorsa::dataSource().entry(pOrigin, DG, DAT, MSG, pData);
}

LUMO_TWAIN_EXPORT void ReadytoScan(void) { dorsa::dataSource().readyToScan(); }

LUMO_TWAIN_EXPORT void ReadytoCloseSM(void) { dorsa::dataSource().readyToClose(); }

}  // extern "C"

namespace {

__attribute__((constructor)) void bindAtLoad() { dorsa::dataSource().bindModule(); }
__attribute__((destructor)) void releaseAtUnload() { dorsa::dataSource().shutdown(); }

}  // namespace
