#include "backup/reg_writer.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <algorithm>
#include <functional>

#include "backup/reg_reader.h"
#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"

namespace ordrex {
namespace {

const std::string kV5 = "Windows Registry Editor Version 5.00";

class RegWriter : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(reg_.OpenKey("\\Software\\Test", true)); }

  // The lines one value gives under a header.
  TBackupLines Export(std::string_view name, const std::string& header = kV5) {
    TBackupLines lines{header};
    ExportRegistryValue(reg_, name, lines);
    lines.erase(lines.begin());
    return lines;
  }

  MemoryTarget target_;
  TRegistry reg_{target_, kLocalMachine};
};

TEST_F(RegWriter, StringsAreQuotedWithEscapes) {
  reg_.WriteString("", "C:\\Program Files\\x.exe");
  EXPECT_EQ(Export(""), TBackupLines{"@=\"C:\\\\Program Files\\\\x.exe\""});
  reg_.WriteString("a\\b", "\"hi\"");
  EXPECT_EQ(Export("a\\b"), TBackupLines{"\"a\\\\b\"=\"\\\"hi\\\"\""});
  // A quote inside a name is escaped too, or the line could not be read back.
  reg_.WriteString("say \"x\"", "caf\xC3\xA9");
  EXPECT_EQ(Export("say \"x\""), TBackupLines{"\"say \\\"x\\\"\"=\"caf\xC3\xA9\""});
}

TEST_F(RegWriter, DwordIsEightUpperCaseDigits) {
  reg_.WriteInteger("n", 255);
  EXPECT_EQ(Export("n"), TBackupLines{"\"n\"=dword:000000FF"});
  reg_.WriteInteger("neg", -2);
  EXPECT_EQ(Export("neg"), TBackupLines{"\"neg\"=dword:FFFFFFFE"});
  // A DWORD value that is not four bytes long keeps its bytes.
  reg_.WriteRawValue("short", RegValue{kRegDword, {1, 2, 3}});
  EXPECT_EQ(Export("short"), TBackupLines{"\"short\"=hex(4):01,02,03"});
}

TEST_F(RegWriter, ExpandableStringFollowsTheHeader) {
  reg_.WriteExpandString("p", "%SystemRoot%\\a");
  EXPECT_EQ(
      Export("p"),
      (TBackupLines{"\"p\"=hex(2):25,00,53,00,79,00,73,00,74,00,65,00,6D,00,52,00,6F,00,6F,00,74,"
                    "00,\\",
                    "  25,00,5C,00,61,00,00,00"}));
  EXPECT_EQ(Export("p", "REGEDIT4"),
            TBackupLines{"\"p\"=hex(2):25,53,79,73,74,65,6D,52,6F,6F,74,25,5C,61,00"});
  // Non-ASCII text: UTF-16 units under 5.00, UTF-8 bytes under REGEDIT4.
  reg_.WriteExpandString("e", "\xC3\xA9");
  EXPECT_EQ(Export("e"), TBackupLines{"\"e\"=hex(2):E9,00,00,00"});
  EXPECT_EQ(Export("e", "REGEDIT4"), TBackupLines{"\"e\"=hex(2):C3,A9,00"});
}

TEST_F(RegWriter, EmptyData) {
  reg_.WriteBinaryData("b", nullptr, 0);
  EXPECT_EQ(Export("b"), TBackupLines{"\"b\"=hex:"});
  reg_.WriteRawValue("x", RegValue{kRegExpandSz, {}});
  EXPECT_EQ(Export("x"), TBackupLines{"\"x\"=hex(2):"});
  EXPECT_EQ(Export("x", "REGEDIT4"), TBackupLines{"\"x\"=hex(2):"});
  // An empty text with its terminator keeps the terminator, so it comes back the same size.
  reg_.WriteExpandString("t", "");
  EXPECT_EQ(Export("t"), TBackupLines{"\"t\"=hex(2):00,00"});
  EXPECT_EQ(Export("t", "REGEDIT4"), TBackupLines{"\"t\"=hex(2):00"});
}

TEST_F(RegWriter, FortyBytesWrapAfterTwentyBytes) {
  Bytes data(40);
  for (std::size_t i = 0; i < data.size(); ++i)
    data[i] = static_cast<std::uint8_t>(i);
  reg_.WriteBinaryData("BinaryValue", data.data(), 40);
  const TBackupLines lines = Export("BinaryValue");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0],
            "\"BinaryValue\"=hex:00,01,02,03,04,05,06,07,08,09,0A,0B,0C,0D,0E,0F,10,11,12,13,\\");
  EXPECT_EQ(lines[0].size(), 79u);
  EXPECT_EQ(lines[1], "  14,15,16,17,18,19,1A,1B,1C,1D,1E,1F,20,21,22,23,24,25,26,27");
}

TEST_F(RegWriter, LongListsWrapEveryLineAndNeverSplitAUtf16Character) {
  Bytes data(100, 0xAB);
  reg_.WriteBinaryData("b", data.data(), 100);
  const TBackupLines lines = Export("b");
  ASSERT_EQ(lines.size(), 5u);  // 23 bytes after the name part, 25 on each full line, 2 left
  EXPECT_EQ(lines[0].size(), 8u + 23 * 3 + 1);
  EXPECT_EQ(lines[1].size(), 2u + 25 * 3 + 1);
  EXPECT_EQ(lines[3].size(), 2u + 25 * 3 + 1);
  EXPECT_EQ(lines[4], "  AB,AB");

  // With this name a byte-wise rule would break after the 21st byte, inside a character.
  reg_.WriteExpandString("PPP", std::string(30, 'a'));
  const TBackupLines text = Export("PPP");
  ASSERT_EQ(text.size(), 3u);
  std::string first = "\"PPP\"=hex(2):";
  for (int i = 0; i < 11; ++i)
    first += "61,00,";
  EXPECT_EQ(text[0], first + "\\");
  EXPECT_EQ(
      text[1], "  " + [] {
        std::string units;
        for (int i = 0; i < 13; ++i)
          units += "61,00,";
        return units;
      }() + "\\");
  EXPECT_EQ(text[2], "  61,00,61,00,61,00,61,00,61,00,61,00,00,00");
}

TEST_F(RegWriter, OtherTypesKeepTheirOwnTypeNumber) {
  reg_.WriteRawValue("m", RegValue{kRegMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}});
  EXPECT_EQ(Export("m"), TBackupLines{"\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00"});
  EXPECT_EQ(Export("m", "REGEDIT4"), TBackupLines{"\"m\"=hex(7):61,00,62,00,00"});
  reg_.WriteRawValue("q", RegValue{kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}});
  EXPECT_EQ(Export("q"), TBackupLines{"\"q\"=hex(b):01,02,03,04,05,06,07,08"});
  reg_.WriteRawValue("none", RegValue{kRegNone, {}});
  EXPECT_EQ(Export("none"), TBackupLines{"\"none\"=hex(0):"});
  reg_.WriteRawValue("odd", RegValue{0xFFFF0012u, {0x5C, 0x00}});
  EXPECT_EQ(Export("odd"), TBackupLines{"\"odd\"=hex(ffff0012):5C,00"});
}

TEST_F(RegWriter, StringsTheQuotedFormCannotCarryAreWrittenAsHex1) {
  reg_.WriteString("crlf", "a\r\nb");
  EXPECT_EQ(Export("crlf"), TBackupLines{"\"crlf\"=hex(1):61,00,0D,00,0A,00,62,00,00,00"});
  EXPECT_EQ(Export("crlf", "REGEDIT4"), TBackupLines{"\"crlf\"=hex(1):61,0D,0A,62,00"});
  reg_.WriteRawValue("after nul", RegValue{kRegSz, {'a', 0, 0, 0, 'b', 0}});
  EXPECT_EQ(Export("after nul"), TBackupLines{"\"after nul\"=hex(1):61,00,00,00,62,00"});
  reg_.WriteRawValue("no nul", RegValue{kRegSz, {'a', 0}});
  EXPECT_EQ(Export("no nul"), TBackupLines{"\"no nul\"=hex(1):61,00"});
  reg_.WriteRawValue("empty", RegValue{kRegSz, {}});
  EXPECT_EQ(Export("empty"), TBackupLines{"\"empty\"=hex(1):"});
  reg_.WriteString("plain empty", "");
  EXPECT_EQ(Export("plain empty"), TBackupLines{"\"plain empty\"=\"\""});
}

TEST_F(RegWriter, MissingValuesAreNotWritten) {
  EXPECT_TRUE(Export("nothing").empty());
  EXPECT_TRUE(Export("").empty());  // a default value that is not set
  reg_.CloseKey();
  EXPECT_TRUE(Export("x").empty());  // no key open
}

TEST_F(RegWriter, NameLineBreaksAreEscapedSoTheLineStaysWhole) {
  EXPECT_EQ(EscapeRegName("a\r\nb\\\""), "a\\r\\nb\\\\\\\"");
  EXPECT_EQ(EscapeRegName(std::string("x\0y", 3)), "x\\0y");
  EXPECT_EQ(EscapeRegString("C:\\\"q\""), "C:\\\\\\\"q\\\"");
}

TEST(RegWriterKeys, KeyTreeListsValuesThenEachSubkeyDepthFirst) {
  MemoryTarget target;
  TRegistry reg(target, kCurrentUser);
  ASSERT_TRUE(reg.OpenKey("\\Software\\P", true));
  reg.WriteString("v", "1");
  ASSERT_TRUE(reg.OpenKey("\\Software\\P\\First", true));
  reg.WriteInteger("a", 1);
  ASSERT_TRUE(reg.OpenKey("\\Software\\P\\Second", true));
  reg.WriteInteger("b", 2);
  reg.CloseKey();

  TBackupLines lines{kV5};
  EXPECT_TRUE(ExportRegistryKey(target, kCurrentUser, "\\Software\\P\\", lines));
  EXPECT_EQ(lines,
            (TBackupLines{kV5, "", "[HKEY_CURRENT_USER\\Software\\P]", "\"v\"=\"1\"", "",
                          "[HKEY_CURRENT_USER\\Software\\P\\First]", "\"a\"=dword:00000001", "",
                          "[HKEY_CURRENT_USER\\Software\\P\\Second]", "\"b\"=dword:00000002"}));
}

TEST(RegWriterKeys, MissingKeyGivesItsKeyLineOnly) {
  MemoryTarget target;
  TBackupLines lines;
  EXPECT_TRUE(ExportRegistryKey(target, kLocalMachine, "Software\\Nowhere", lines));
  EXPECT_EQ(lines, (TBackupLines{"", "[HKEY_LOCAL_MACHINE\\Software\\Nowhere]"}));
}

TEST(RegWriterKeys, NeverExportsAWholeRoot) {
  MemoryTarget target;
  TRegistry reg(target, kCurrentUser);
  ASSERT_TRUE(reg.OpenKey("\\Software", true));
  reg.WriteString("x", "y");
  for (const char* path : {"", "\\", "\\\\"}) {
    TBackupLines lines{kV5};
    EXPECT_FALSE(ExportRegistryKey(target, kCurrentUser, path, lines)) << path;
    EXPECT_EQ(lines, TBackupLines{kV5});
  }
}

// Runs `work` on a thread with a 1 MiB stack: a walk whose stack grows with the depth of the
// tree overflows it at any optimisation level; a walk that keeps its own stack does not.
void OnSmallStack(std::function<void()> work) {
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, std::size_t{1} << 20), 0);
  pthread_t thread;
  const auto run = [](void* argument) -> void* {
    (*static_cast<std::function<void()>*>(argument))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
}

TEST(RegWriterKeys, TreesDeeperThanAnyFileAreWrittenCountedAndRefusedWithoutRecursing) {
  // Chains of keys built on the tree itself, as no reader would build them.
  ManualClock clock;
  auto file = WineRegistryFile::Parse("WINE REGISTRY Version 2\n", "system.reg", clock);
  const auto chain = [&](const std::string& top, std::size_t levels) {
    KeyNode* node = &file->Root().GetOrAddChild(top);
    for (std::size_t i = 1; i < levels; ++i)
      node = &node->AppendNewChild("k");
  };
  constexpr std::size_t kDeep = 100000;
  chain("deep", kDeep);
  chain("s", kMaxKeyDepth);

  std::string text;
  std::size_t keys = 0;
  bool deepExported = true;
  TBackupLines deepLines{kV5};
  TBackupLines lines{kV5};
  OnSmallStack([&] {
    text = file->Serialize();
    keys = file->KeyCount();
    {
      StandardRoots roots(*file, nullptr, nullptr, "");
      deepExported = ExportRegistryKey(roots, kLocalMachine, "deep", deepLines);
      ExportRegistryKey(roots, kLocalMachine, "s", lines);
    }
    file.reset();
  });

  // Only the leaves are written, each line naming every level above it.
  EXPECT_EQ(std::count(text.begin(), text.end(), '['), 2);
  std::string deepest = "\n[deep";
  for (std::size_t i = 1; i < kDeep; ++i)
    deepest += "\\\\k";
  EXPECT_NE(text.find(deepest + "] 0\n"), std::string::npos);
  EXPECT_EQ(keys, kDeep + kMaxKeyDepth);
  // No reader would take a backup of the deep key back: none is written. The deepest tree a
  // reader takes is written whole and reads back.
  EXPECT_FALSE(deepExported);
  EXPECT_EQ(deepLines, TBackupLines{kV5});
  std::string backup;
  for (const std::string& line : lines)
    backup += line + "\r\n";
  EXPECT_EQ(ParseRegFile(backup).operations.size(), kMaxKeyDepth);
}

TEST(RegWriterKeys, HeaderFollowsTheWindowsVersion) {
  EXPECT_EQ(BackupHeader(true), "Windows Registry Editor Version 5.00");
  EXPECT_EQ(BackupHeader(false), "REGEDIT4");
}

}  // namespace
}  // namespace ordrex
