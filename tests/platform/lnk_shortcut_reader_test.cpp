#include "platform/lnk_shortcut_reader.h"

#include <gtest/gtest.h>

#include "platform/shell_item_list.h"
#include "support/fresh_prefix.h"
#include "support/shell_link_bytes.h"

namespace ordrex {
namespace {

using testsupport::ByteVector;
using testsupport::PathIdList;
using testsupport::ShellLinkRelative;
using testsupport::ShellLinkTo;
using testsupport::ShellLinkWithIds;
using testsupport::WriteBytes;

class LnkReaderTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const ByteVector& bytes) {
    const std::string path = (folder_.Path() / name).string();
    WriteBytes(path, bytes);
    return path;
  }
  testsupport::ScratchFolder folder_;
  LnkShortcutReader reader_;
};

// The link information's local path first, then the target's item list, then the relative
// path; nothing from what is no shortcut.
TEST_F(LnkReaderTest, ReadsTheTargetOfEachKindOfShortcut) {
  ByteVector truncated = ShellLinkTo("C:\\x.exe");
  truncated.resize(40);
  const struct {
    ByteVector bytes;
    const char* target;
  } cases[] = {
      {ShellLinkTo("C:\\Gone\\app.exe"), "C:\\Gone\\app.exe"},
      {ShellLinkTo("C:\\Docs\\", "a.txt"), "C:\\Docs\\a.txt"},  // the common suffix completes it
      {ShellLinkWithIds(PathIdList("C:\\", {"Program Files", "Long App", "tool.exe"})),
       "C:\\Program Files\\Long App\\tool.exe"},
      {ShellLinkWithIds(PathIdList("D:\\", {"GAMES", "OLD.EXE"}, false)), "D:\\GAMES\\OLD.EXE"},
      {ShellLinkRelative("..\\bin\\x.exe"), "..\\bin\\x.exe"},
      {ByteVector{'h', 'e', 'l', 'l', 'o'}, ""},
      {truncated, ""},
  };
  int n = 0;
  for (const auto& c : cases) {
    EXPECT_EQ(reader_.ReadTarget(Write(std::to_string(++n) + ".lnk", c.bytes)), c.target) << n;
  }
  EXPECT_EQ(reader_.ReadTarget(folder_.Path() / "missing.lnk"), "");
  EXPECT_EQ(reader_.ReadTarget(folder_.Path()), "");  // a folder
}

TEST(PathFromShellItemList, RefusesDamagedAndForeignLists) {
  ByteVector good = PathIdList("C:\\", {"Windows", "notepad.exe"});
  EXPECT_EQ(PathFromShellItemList(good), "C:\\Windows\\notepad.exe");
  // Every cut of the list is read safely; none invents a longer path.
  for (std::size_t size = 0; size < good.size(); ++size) {
    const ByteVector cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    const std::string path = PathFromShellItemList(cut);
    EXPECT_TRUE(path.empty() || std::string("C:\\Windows\\notepad.exe").rfind(path, 0) == 0)
        << size << ": " << path;
  }
  // An item size pointing past the end.
  ByteVector broken = good;
  broken[0] = 0xFF;
  EXPECT_EQ(PathFromShellItemList(broken), "");
  // A control panel item is not a file-system path.
  EXPECT_EQ(PathFromShellItemList(ByteVector{5, 0, 0x71, 1, 2, 0, 0}), "");
  EXPECT_EQ(PathFromShellItemList(ByteVector{}), "");
}

}  // namespace
}  // namespace ordrex
