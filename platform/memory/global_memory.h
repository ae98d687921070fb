#pragma once
// Movable global memory: blocks reached through handles, as programs written
// for Windows pass pictures and containers between libraries. A block made in
// one library may be locked, sized and freed in another, because every
// deliverable reaches the one handle table of this shared library.
//
// Every handle must be locked to reach its bytes (a GMEM_FIXED handle is not
// a pointer here). Handles are checked: a stale, foreign or null handle makes
// the calls fail instead of touching memory.

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define LUMO_MEMORY_API __attribute__((visibility("default")))
#else
#define LUMO_MEMORY_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef void* HGLOBAL;
typedef unsigned int UINT;
typedef int BOOL;
typedef size_t SIZE_T;

// Allocation flags; GMEM_MOVEABLE and GMEM_FIXED behave alike here.
#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
// Flags accepted and ignored, as the window system ignores them.
#define GMEM_NOCOMPACT 0x0010u
#define GMEM_NODISCARD 0x0020u
#define GMEM_MODIFY 0x0080u
#define GMEM_DISCARDABLE 0x0100u
#define GMEM_NOT_BANKED 0x1000u
#define GMEM_SHARE 0x2000u
#define GMEM_DDESHARE GMEM_SHARE
#define GMEM_NOTIFY 0x4000u
#define GMEM_LOWER GMEM_NOT_BANKED
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

// GlobalFlags: the lock count in the low byte, GMEM_DISCARDED for a block of
// size 0, GMEM_INVALID_HANDLE for a handle that is not (or no longer) ours.
#define GMEM_LOCKCOUNT 0x00FFu
#define GMEM_DISCARDED 0x4000u
#define GMEM_INVALID_HANDLE 0x8000u

// The largest block handed out: the system was written for a 32-bit address
// space, so nothing legitimately asks for more.
#define LUMO_GLOBAL_MAX_SIZE ((SIZE_T)0x7FFFFFFF)

// A new block of `bytes` bytes (zero-filled with GMEM_ZEROINIT); NULL when the
// size is above LUMO_GLOBAL_MAX_SIZE, an unknown flag is given, or memory is
// short. A movable block of size 0 is discarded: a valid handle whose lock
// gives NULL; a fixed one of size 0 locks to a real address of no bytes.
LUMO_MEMORY_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);

// The block's address, and one more lock; NULL for a bad or discarded handle.
LUMO_MEMORY_API void* GlobalLock(HGLOBAL handle);

// One lock less. Nonzero while the block stays locked; 0 when it is now
// unlocked, was not locked, or the handle is bad.
LUMO_MEMORY_API BOOL GlobalUnlock(HGLOBAL handle);

// The size asked for at allocation; 0 for a bad handle.
LUMO_MEMORY_API SIZE_T GlobalSize(HGLOBAL handle);

// Lock count and state bits, as described above.
LUMO_MEMORY_API UINT GlobalFlags(HGLOBAL handle);

// Frees the block even when it is still locked. NULL on success; the handle
// itself when it was bad (nothing is freed then).
LUMO_MEMORY_API HGLOBAL GlobalFree(HGLOBAL handle);

// Number of live blocks: lets tests prove that every handle was freed.
LUMO_MEMORY_API SIZE_T LumoGlobalLiveCount(void);

#ifdef __cplusplus
}  // extern "C"
#endif
