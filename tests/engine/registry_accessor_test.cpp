#include <gtest/gtest.h>

#include "engine/registry.h"

namespace ordrex {
namespace {

TEST(RootKeyName, NamesOnlyThePredefinedRoots) {
  EXPECT_EQ(RootKeyName(kLocalMachine), "HKEY_LOCAL_MACHINE");
  EXPECT_EQ(RootKeyName(kDynData), "HKEY_DYN_DATA");
  EXPECT_EQ(RootKeyName(0x80000007u), "");
  EXPECT_EQ(RootKeyName(0), "");
}

TEST(RegistryAccessor, TrailingBackslashOpensTheSameKey) {
  MemoryTarget target;
  TRegistry reg(target, kLocalMachine);
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Run\\", true));
  reg.WriteString("a", "b");
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Run", false));
  EXPECT_EQ(reg.ReadString("a"), "b");
}

}  // namespace
}  // namespace ordrex
