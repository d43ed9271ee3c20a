#include <gtest/gtest.h>

#include <cstring>

#include "platform/sys_memory.h"

namespace {

TEST(SysMemory, LiveBlocksAreCounted) {
  const uint32_t count0 = SYS_GetLiveBlockCount();
  const uint64_t bytes0 = SYS_GetLiveBlockBytes();
  void* a = SYS_Alloc(100, "test block");
  void* b = SYS_AllocAnon(28);
  ASSERT_TRUE(a != nullptr && b != nullptr);
  memset(a, 1, 100);  // the whole size is usable (guards stay intact under the guard build)
  memset(b, 2, 28);
  EXPECT_EQ(SYS_GetLiveBlockCount(), count0 + 2);
#ifdef VISTRO_MEMORY_GUARD
  EXPECT_EQ(SYS_GetLiveBlockBytes(), bytes0 + 128);
#endif
  SYS_Free(a);
  SYS_Free(b);
  SYS_Free(nullptr);
  EXPECT_EQ(SYS_GetLiveBlockCount(), count0);
  EXPECT_EQ(SYS_GetLiveBlockBytes(), bytes0);
}

}  // namespace
