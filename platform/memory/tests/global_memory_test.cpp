#include "platform/memory/global_memory.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace {

TEST(GlobalMemory, AllocLockWriteUnlockFree) {
  const SIZE_T before = LumoGlobalLiveCount();
  HGLOBAL h = GlobalAlloc(GHND, 1000);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 1000u);
  EXPECT_EQ(LumoGlobalLiveCount(), before + 1);

  auto* bytes = static_cast<unsigned char*>(GlobalLock(h));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(bytes[i], 0) << "GHND zero-fills";
  bytes[999] = 0xAB;
  EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 1u);

  // A second lock returns the same address; unlocking counts down.
  EXPECT_EQ(GlobalLock(h), bytes);
  EXPECT_NE(GlobalUnlock(h), 0);
  EXPECT_EQ(GlobalUnlock(h), 0);
  EXPECT_EQ(GlobalUnlock(h), 0) << "unlocking an unlocked block is not an error that counts";
  EXPECT_EQ(GlobalFlags(h), 0u);

  EXPECT_EQ(static_cast<unsigned char*>(GlobalLock(h))[999], 0xAB);
  EXPECT_EQ(GlobalFree(h), nullptr) << "a locked block is freed too";
  EXPECT_EQ(LumoGlobalLiveCount(), before);
}

TEST(GlobalMemory, BadHandlesFailWithoutTouchingMemory) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(h, nullptr);
  ASSERT_EQ(GlobalFree(h), nullptr);

  // The freed handle, a reused slot's old handle, null and garbage all fail.
  HGLOBAL reused = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(reused, nullptr);
  EXPECT_NE(reused, h);
  for (HGLOBAL bad : {h, static_cast<HGLOBAL>(nullptr),
                      reinterpret_cast<HGLOBAL>(std::uintptr_t{0xDEADBEEF12345678ull})}) {
    EXPECT_EQ(GlobalLock(bad), nullptr);
    EXPECT_EQ(GlobalUnlock(bad), 0);
    EXPECT_EQ(GlobalSize(bad), 0u);
    EXPECT_EQ(GlobalFlags(bad), GMEM_INVALID_HANDLE);
    EXPECT_EQ(GlobalFree(bad), bad) << "a bad handle comes back: nothing was freed";
  }
  EXPECT_EQ(GlobalSize(reused), 16u) << "the live block is untouched";
  EXPECT_EQ(GlobalFree(reused), nullptr);
}

TEST(GlobalMemory, RefusesImpossibleRequests) {
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, LUMO_GLOBAL_MAX_SIZE + 1), nullptr);
  EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, SIZE_MAX), nullptr);
  EXPECT_EQ(GlobalAlloc(0x8000u, 16), nullptr) << "unknown flag";

  HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(GlobalLock(empty), nullptr);
  EXPECT_EQ(GlobalFlags(empty), GMEM_DISCARDED);
  EXPECT_EQ(GlobalFree(empty), nullptr);
}

TEST(GlobalMemory, TakesTheFlagsProgramsPassAndFixedEmptyBlocks) {
  // What TWAIN programs allocate with: the sharing and discarding flags mean nothing here.
  HGLOBAL shared = GlobalAlloc(GHND | GMEM_SHARE | GMEM_NODISCARD | GMEM_DISCARDABLE, 32);
  ASSERT_NE(shared, nullptr);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(shared));
  ASSERT_NE(bytes, nullptr);
  EXPECT_EQ(bytes[31], 0);
  GlobalUnlock(shared);
  EXPECT_EQ(GlobalFree(shared), nullptr);

  HGLOBAL fixedEmpty = GlobalAlloc(GMEM_FIXED, 0);
  ASSERT_NE(fixedEmpty, nullptr);
  EXPECT_NE(GlobalLock(fixedEmpty), nullptr);
  EXPECT_EQ(GlobalSize(fixedEmpty), 0u);
  EXPECT_EQ(GlobalFlags(fixedEmpty) & GMEM_DISCARDED, 0u);
  GlobalUnlock(fixedEmpty);
  EXPECT_EQ(GlobalFree(fixedEmpty), nullptr);
}

TEST(GlobalMemory, HandleMadeInAnotherLibraryIsOurs) {
  void* library = dlopen(HANDLE_MAKER_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  auto make = reinterpret_cast<HGLOBAL (*)()>(dlsym(library, "makeGreeting"));
  ASSERT_NE(make, nullptr);

  HGLOBAL h = make();
  ASSERT_NE(h, nullptr);
  const char* text = static_cast<const char*>(GlobalLock(h));
  ASSERT_NE(text, nullptr);
  EXPECT_STREQ(text, "from another library");
  EXPECT_EQ(GlobalSize(h), std::strlen(text) + 1);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
  dlclose(library);
}

TEST(GlobalMemory, ThreadsAllocatingAtOnceGetDistinctBlocks) {
  const SIZE_T before = LumoGlobalLiveCount();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      std::vector<HGLOBAL> handles;
      for (int i = 0; i < 500; ++i) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 8);
        auto* p = static_cast<std::uint64_t*>(GlobalLock(h));
        *p = static_cast<std::uint64_t>(t) * 1000 + i;
        GlobalUnlock(h);
        handles.push_back(h);
      }
      for (int i = 0; i < 500; ++i) {
        auto* p = static_cast<std::uint64_t*>(GlobalLock(handles[i]));
        EXPECT_EQ(*p, static_cast<std::uint64_t>(t) * 1000 + i);
        GlobalUnlock(handles[i]);
        EXPECT_EQ(GlobalFree(handles[i]), nullptr);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(LumoGlobalLiveCount(), before);
}

}  // namespace
