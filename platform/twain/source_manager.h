#pragma once
// The TWAIN source manager: one library, `twain_32.dll` in the Windows
// directory, that programs and data sources load by that path. Programs open
// the manager, list and open sources and send them triplets through
// DSM_Entry; sources send their messages to the program back through it.

#include "platform/twain/twain_types.h"

#ifdef __cplusplus
extern "C" {
#endif

LUMO_TWAIN_EXPORT TW_UINT16 DSM_Entry(pTW_IDENTITY pOrigin, pTW_IDENTITY pDest, TW_UINT32 DG,
                                      TW_UINT16 DAT, TW_UINT16 MSG, TW_MEMREF pData);

#ifdef __cplusplus
}  // extern "C"

#include <filesystem>

namespace twain {

inline constexpr const char* kManagerFileName = "twain_32.dll";
inline constexpr const char* kManagerEntryName = "DSM_Entry";
inline constexpr const char* kSourceEntryName = "DS_Entry";
// Sources live in this folder of the Windows directory (and its subfolders).
inline constexpr const char* kSourceFolderName = "twain_32";
inline constexpr const char* kSourceSuffix = ".ds";

}  // namespace twain
#endif
