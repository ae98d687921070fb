// The handle table behind GlobalAlloc and friends.
//
// A handle is the slot index plus one in its low 32 bits and the slot's
// generation in its high 32 bits, so a freed handle (whose slot was reused
// since) is recognised as stale instead of reaching someone else's block.

#include "platform/memory/global_memory.h"

#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>
#include <vector>

namespace {

// Flags the window system took and ignored (sharing, discarding, notify);
// programs still pass them, so they are accepted and mean nothing here.
constexpr UINT kIgnoredFlags = GMEM_NOCOMPACT | GMEM_NODISCARD | GMEM_MODIFY | GMEM_DISCARDABLE |
                               GMEM_NOT_BANKED | GMEM_SHARE | GMEM_NOTIFY | GMEM_LOWER;
constexpr UINT kKnownFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | kIgnoredFlags;
constexpr std::uint32_t kMaxLockCount = 0xFFFFFFFFu;

struct Slot {
  void* data = nullptr;
  SIZE_T size = 0;
  std::uint32_t lockCount = 0;
  std::uint32_t generation = 0;
  bool live = false;
};

class HandleTable {
 public:
  HGLOBAL allocate(UINT flags, SIZE_T bytes) {
    if ((flags & ~kKnownFlags) != 0 || bytes > LUMO_GLOBAL_MAX_SIZE) return nullptr;
    void* data = nullptr;
    // A movable block of size 0 is born discarded; a fixed one is a usable
    // block of no bytes (its address is real, nothing may be stored there).
    if (bytes > 0 || (flags & GMEM_MOVEABLE) == 0) {
      const SIZE_T allocated = bytes > 0 ? bytes : 1;
      data = (flags & GMEM_ZEROINIT) ? std::calloc(1, allocated) : std::malloc(allocated);
      if (data == nullptr) return nullptr;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    std::uint32_t index;
    if (!freeSlots_.empty()) {
      index = freeSlots_.back();
      freeSlots_.pop_back();
    } else {
      if (slots_.size() >= 0xFFFFFFFEu) {
        std::free(data);
        return nullptr;
      }
      try {
        slots_.emplace_back();
        freeSlots_.reserve(slots_.size());
      } catch (const std::bad_alloc&) {
        std::free(data);
        return nullptr;
      }
      index = static_cast<std::uint32_t>(slots_.size() - 1);
    }
    Slot& slot = slots_[index];
    slot.data = data;
    slot.size = bytes;
    slot.lockCount = 0;
    slot.generation = slot.generation == 0xFFFFFFFFu ? 1 : slot.generation + 1;
    slot.live = true;
    ++liveCount_;
    return encode(index, slot.generation);
  }

  void* lock(HGLOBAL handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    Slot* slot = find(handle);
    if (slot == nullptr || slot->data == nullptr) return nullptr;
    if (slot->lockCount < kMaxLockCount) ++slot->lockCount;
    return slot->data;
  }

  BOOL unlock(HGLOBAL handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    Slot* slot = find(handle);
    if (slot == nullptr || slot->lockCount == 0) return 0;
    --slot->lockCount;
    return slot->lockCount > 0 ? 1 : 0;
  }

  SIZE_T size(HGLOBAL handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    Slot* slot = find(handle);
    return slot == nullptr ? 0 : slot->size;
  }

  UINT flags(HGLOBAL handle) {
    std::lock_guard<std::mutex> guard(mutex_);
    Slot* slot = find(handle);
    if (slot == nullptr) return GMEM_INVALID_HANDLE;
    UINT result = slot->lockCount > GMEM_LOCKCOUNT ? GMEM_LOCKCOUNT : slot->lockCount;
    if (slot->data == nullptr) result |= GMEM_DISCARDED;
    return result;
  }

  HGLOBAL release(HGLOBAL handle) {
    void* data = nullptr;
    {
      std::lock_guard<std::mutex> guard(mutex_);
      Slot* slot = find(handle);
      if (slot == nullptr) return handle;
      data = slot->data;
      slot->data = nullptr;
      slot->size = 0;
      slot->lockCount = 0;
      slot->live = false;
      --liveCount_;
      freeSlots_.push_back(static_cast<std::uint32_t>(slot - slots_.data()));
    }
    std::free(data);
    return nullptr;
  }

  SIZE_T liveCount() {
    std::lock_guard<std::mutex> guard(mutex_);
    return liveCount_;
  }

 private:
  static HGLOBAL encode(std::uint32_t index, std::uint32_t generation) {
    std::uint64_t value = (static_cast<std::uint64_t>(generation) << 32) | (index + 1u);
    return reinterpret_cast<HGLOBAL>(static_cast<std::uintptr_t>(value));
  }

  Slot* find(HGLOBAL handle) {
    std::uint64_t value = reinterpret_cast<std::uintptr_t>(handle);
    std::uint64_t low = value & 0xFFFFFFFFu;
    std::uint32_t generation = static_cast<std::uint32_t>(value >> 32);
    if (low == 0 || low > slots_.size()) return nullptr;
    Slot& slot = slots_[low - 1];
    if (!slot.live || slot.generation != generation) return nullptr;
    return &slot;
  }

  std::mutex mutex_;
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> freeSlots_;
  SIZE_T liveCount_ = 0;
};

// Never destroyed: handles may still be freed by other libraries' static
// destructors while the process ends.
HandleTable& table() {
  static HandleTable* instance = new HandleTable;
  return *instance;
}

}  // namespace

extern "C" {

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) { return table().allocate(flags, bytes); }
void* GlobalLock(HGLOBAL handle) { return table().lock(handle); }
BOOL GlobalUnlock(HGLOBAL handle) { return table().unlock(handle); }
SIZE_T GlobalSize(HGLOBAL handle) { return table().size(handle); }
UINT GlobalFlags(HGLOBAL handle) { return table().flags(handle); }
HGLOBAL GlobalFree(HGLOBAL handle) { return table().release(handle); }
SIZE_T LumoGlobalLiveCount(void) { return table().liveCount(); }

}  // extern "C"
