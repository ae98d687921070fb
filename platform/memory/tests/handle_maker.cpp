// A separately loaded library that hands out a global-memory block, as a
// scanner module hands a DIB to a TWAIN program.
#include <cstring>

#include "platform/memory/global_memory.h"

extern "C" __attribute__((visibility("default"))) HGLOBAL makeGreeting() {
  static const char kText[] = "from another library";
  HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE, sizeof kText);
  if (handle == nullptr) return nullptr;
  void* bytes = GlobalLock(handle);
  std::memcpy(bytes, kText, sizeof kText);
  GlobalUnlock(handle);
  return handle;
}
