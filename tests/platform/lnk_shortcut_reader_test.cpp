#include "platform/lnk_shortcut_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

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

// The most address space the process has held, in KiB.
std::uint64_t PeakAddressSpaceKib() {
  std::ifstream status("/proc/self/status");
  std::string field;
  std::uint64_t kib = 0;
  while (status >> field)
    if (field == "VmPeak:" && status >> kib) return kib;
  return 0;
}

TEST_F(LnkReaderTest, SizesThatDoNotFitTheFileGiveNothingAndReserveNothing) {
  const auto set32 = [](ByteVector& bytes, std::size_t at, std::size_t value) {
    for (std::size_t i = 0; i < 4; ++i)
      bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
  };
  constexpr std::size_t kLinkInfo = 0x4C;  // right after the header when there are no IDs
  const ByteVector local = testsupport::ShellLinkTo("C:\\x.exe");
  const ByteVector ids = testsupport::ShellLinkWithIds(testsupport::PathIdList("C:\\", {"x.exe"}));
  const struct {
    const char* name;
    const ByteVector& link;
    std::function<void(ByteVector&)> damage;
  } cases[] = {
      {"huge link information", local, [&](ByteVector& b) { set32(b, kLinkInfo, 0xFFFFFFF0); }},
      {"link information past the end", local,
       [&](ByteVector& b) { set32(b, kLinkInfo, b.size() - kLinkInfo + 1); }},
      {"cut inside the link information", local, [](ByteVector& b) { b.resize(kLinkInfo + 20); }},
      {"link information smaller than its header", local,
       [&](ByteVector& b) { set32(b, kLinkInfo, 0x10); }},
      {"local path offset past the link information", local,
       [&](ByteVector& b) {
         set32(b, kLinkInfo + 16, b[kLinkInfo] | b[kLinkInfo + 1] << 8);
         b.resize(b.size() + 64);
       }},
      {"target IDs past the end", ids,
       [](ByteVector& b) { b[kLinkInfo] = b[kLinkInfo + 1] = 0xFF; }},
  };
  const std::uint64_t peakBefore = PeakAddressSpaceKib();
  for (const auto& c : cases) {
    ByteVector bytes = c.link;
    c.damage(bytes);
    EXPECT_EQ(reader_.ReadTarget(Write("bad.lnk", bytes)), "") << c.name;
  }
  // The shortcut library reserves what a size field claims before it reads.
  EXPECT_LT(PeakAddressSpaceKib() - peakBefore, std::uint64_t{1} << 20);
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
