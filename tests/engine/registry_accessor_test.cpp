#include <gtest/gtest.h>

#include "engine/registry.h"

namespace ordrex {
namespace {

class Accessor : public ::testing::Test {
 protected:
  MemoryTarget target_;
  TRegistry reg_{target_, kCurrentUser};
};

TEST_F(Accessor, RelativePathsFollowTheOpenKeyAbsoluteOnesTheRootAndFailuresCloseIt) {
  ASSERT_TRUE(reg_.OpenKey("\\A", true));
  EXPECT_EQ(reg_.CurrentPath(), "A");
  ASSERT_TRUE(reg_.OpenKey("B", true));
  EXPECT_EQ(reg_.CurrentPath(), "A\\B");
  EXPECT_TRUE(target_.User().KeyExists("A\\B"));
  EXPECT_FALSE(target_.User().KeyExists("B"));
  EXPECT_TRUE(reg_.KeyExists("\\A\\B"));
  EXPECT_FALSE(reg_.KeyExists("B"));  // relative to the open key \A\B
  reg_.CloseKey();
  EXPECT_FALSE(reg_.HasCurrentKey());
  ASSERT_TRUE(reg_.OpenKey("B", true));
  EXPECT_EQ(reg_.CurrentPath(), "B");
  EXPECT_TRUE(target_.User().KeyExists("B"));
  // A failed open, or another root, leaves no key open.
  EXPECT_FALSE(reg_.OpenKey("\\Missing", false));
  EXPECT_FALSE(reg_.HasCurrentKey());
  EXPECT_FALSE(target_.User().KeyExists("Missing"));
  EXPECT_TRUE(reg_.GetValueNames().empty());
  EXPECT_THROW(reg_.WriteString("x", "y"), RegistryError);
  // Switching the root closes the key.
  ASSERT_TRUE(reg_.OpenKey("\\A", true));
  reg_.SetRootKey(kLocalMachine);
  EXPECT_FALSE(reg_.HasCurrentKey());
  ASSERT_TRUE(reg_.OpenKey("A", true));
  EXPECT_TRUE(target_.Machine().KeyExists("A"));
  // A root the target does not have opens nothing.
  reg_.SetRootKey(kDynData);
  EXPECT_FALSE(reg_.OpenKey("\\A", true));
}

TEST_F(Accessor, ValueKindsAndWrongKinds) {
  ASSERT_TRUE(reg_.OpenKey("\\A", true));
  reg_.WriteInteger("n", 5);
  EXPECT_EQ(reg_.ReadString("missing"), "");
  EXPECT_THROW(reg_.ReadString("n"), RegistryError);
  EXPECT_THROW(reg_.ReadInteger("missing"), RegistryError);
  reg_.WriteString("s", "5");
  EXPECT_THROW(reg_.ReadInteger("s"), RegistryError);
  EXPECT_EQ(reg_.GetDataType("missing"), rdUnknown);
  // Text ends at its first NUL.
  reg_.WriteRawValue("s", RegValue{kRegExpandSz, {'a', 0, 0, 0, 'b', 0, 0, 0}});
  EXPECT_EQ(reg_.ReadString("s"), "a");
  EXPECT_EQ(reg_.GetDataType("s"), rdExpandString);
  // Other types are unknown, with their own type kept.
  reg_.WriteRawValue("m", RegValue{kRegMultiSz, {'a', 0, 0, 0, 0, 0}});
  EXPECT_EQ(reg_.GetDataType("m"), rdUnknown);
  EXPECT_EQ(reg_.GetRegType("m"), std::optional<std::uint32_t>(kRegMultiSz));
}

TEST_F(Accessor, DeleteKeyRemovesTheTreeButNeverARoot) {
  ASSERT_TRUE(reg_.OpenKey("\\Top\\L1\\L2", true));
  ASSERT_TRUE(reg_.OpenKey("\\Other", true));
  EXPECT_TRUE(reg_.DeleteKey("\\Top\\"));
  EXPECT_FALSE(target_.User().KeyExists("Top"));
  EXPECT_TRUE(target_.User().KeyExists("Other"));
  EXPECT_FALSE(reg_.DeleteKey("\\Top"));
  // A relative path is resolved against the open key.
  ASSERT_TRUE(reg_.OpenKey("\\A\\B", true));
  ASSERT_TRUE(reg_.OpenKey("\\B", true));
  ASSERT_TRUE(reg_.OpenKey("\\A", false));
  EXPECT_TRUE(reg_.DeleteKey("B"));
  EXPECT_FALSE(target_.User().KeyExists("A\\B"));
  EXPECT_TRUE(target_.User().KeyExists("B"));
  // Never a whole root.
  ASSERT_TRUE(reg_.OpenKey("\\A", false));
  reg_.WriteString("x", "y");
  for (const char* path : {"", "\\", "\\\\"}) {
    EXPECT_FALSE(reg_.DeleteKey(path)) << path;
    reg_.CloseKey();
    EXPECT_FALSE(reg_.DeleteKey(path)) << path;
    ASSERT_TRUE(reg_.OpenKey("\\A", false));
  }
  EXPECT_EQ(reg_.ReadString("x"), "y");
}

TEST_F(Accessor, RenameValueAndTheDefaultValue) {
  ASSERT_TRUE(reg_.OpenKey("\\A", true));
  reg_.WriteString("a", "first");
  reg_.WriteString("b", "second");
  reg_.RenameValue("b", "A");  // names compare without case: a exists
  EXPECT_EQ(reg_.ReadString("a"), "first");
  EXPECT_EQ(reg_.ReadString("b"), "second");
  reg_.WriteRawValue("m", RegValue{kRegMultiSz, {'x', 0, 0, 0, 0, 0}});
  reg_.RenameValue("m", "n");
  EXPECT_FALSE(reg_.ValueExists("m"));
  EXPECT_EQ(reg_.ReadRawValue("n"), (RegValue{kRegMultiSz, {'x', 0, 0, 0, 0, 0}}));

  reg_.WriteBinaryData("empty", nullptr, 0);
  reg_.RenameValue("empty", "other");
  EXPECT_TRUE(reg_.ValueExists("empty"));
  EXPECT_FALSE(reg_.ValueExists("other"));
  // Value names list the default value as empty.
  ASSERT_TRUE(reg_.OpenKey("\\B", true));
  reg_.WriteString("z", "1");
  reg_.WriteString("", "default");
  EXPECT_EQ(reg_.GetValueNames(), (std::vector<std::string>{"z", ""}));
  EXPECT_TRUE(reg_.ValueExists(""));
  EXPECT_TRUE(reg_.DeleteValue(""));
  EXPECT_FALSE(reg_.DeleteValue(""));
  EXPECT_EQ(reg_.GetValueNames(), (std::vector<std::string>{"z"}));
}

}  // namespace
}  // namespace ordrex
