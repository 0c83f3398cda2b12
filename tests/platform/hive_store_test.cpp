// Hive files through libhivex: every value read byte for byte, changes committed exactly as
// made (hivexregedit, which we did not write, is the judge), dirty and damaged hives refused.

#include "platform/hive/hive_store.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/text.h"
#include "support/fresh_prefix.h"
#include "support/hive_builder.h"
#include "support/hive_image.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::DumpOrder;
using testsupport::DumpStore;
using testsupport::ExportHive;
using testsupport::MakeHive;
using testsupport::ReadAll;
using testsupport::ScratchFolder;
using testsupport::U16;
using testsupport::WriteAll;

const std::string kApp = "Vendor\\App \xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87 \xE2\x82\xAC";  // Ключ €
const std::string kRegApp = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + kApp + "]\n";

std::string HexList(const Bytes& bytes) {
  std::string out;
  for (const std::uint8_t byte : bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    if (!out.empty()) out += ',';
    out += kDigits[byte >> 4];
    out += kDigits[byte & 15];
  }
  return out;
}

Bytes Counting(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
  return bytes;
}

struct ValueRow {
  std::string name;  // "" for the default value
  RegValue value;
};

// Every type, and data kept inline in the value cell (up to four bytes) or in a cell of its own.
const std::vector<ValueRow>& ValueRows() {
  static const std::vector<ValueRow> rows = {
      {"", {kRegSz, StringToRegData("default")}},
      {"Sz", {kRegSz, StringToRegData("C:\\Program Files\\App\\app.exe")}},
      {"Expand", {kRegExpandSz, StringToRegData("%SystemRoot%\\system32")}},
      {"Multi", {kRegMultiSz, U16(std::u16string_view(u"a\0b\0\0", 5))}},
      {"Binary", {kRegBinary, Counting(100)}},
      {"Dword", {kRegDword, {0xcd, 0xab, 0x34, 0x12}}},
      {"Short dword", {kRegDword, {1, 2, 3}}},
      {"BigEndian", {kRegDwordBigEndian, {0x12, 0x34, 0x56, 0x78}}},
      {"Qword", {kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}}},
      {"None", {kRegNone, {}}},
      {"Link", {kRegLink, U16(u"\\Registry\\Machine\\Software\\Target")}},
      {"Odd type", {0x100000, {0xde, 0xad}}},
      {"No terminator", {kRegSz, U16(u"abc")}},
      {"Caf\xC3\xA9 \xE2\x82\xAC",
       {kRegSz, StringToRegData("\xC3\xA7"
                                "a \xE2\x82\xAC \xF0\x9F\x8C\x8E")}},
  };
  return rows;
}

std::string RegLines(const std::vector<ValueRow>& rows) {
  std::string text;
  for (const ValueRow& row : rows) {
    text += row.name.empty() ? "@" : "\"" + row.name + "\"";
    char type[16];
    std::snprintf(type, sizeof type, "%x", row.value.type);
    text += "=hex(" + std::string(type) + "):" + HexList(row.value.data) + "\n";
  }
  return text;
}

const std::string kBig = "Vendor\\Big";
const Bytes kLarge = Counting(40000);
const std::string kRegBig =
    "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Big]\n\"Large\"=hex(3):" + HexList(kLarge) +
    "\n\"Small\"=dword:00000001\n";

// SOFTWARE with a vendor key holding `rows`, a key with a large value (`big`), a sibling key
// with a subtree (unless left out), and a key of its own at the top.
std::string SampleReg(const std::vector<ValueRow>& rows = ValueRows(),
                      const std::string& big = kRegBig, bool withOld = true) {
  return "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor]\n"
         "\"Kept\"=dword:00000001\n\n" +
         kRegApp + RegLines(rows) + big +
         (withOld ? "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Old]\n"
                    "\"x\"=hex(1):78,00,00,00\n"
                    "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Old\\Sub]\n"
                  : "") +
         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
         "@=hex(2):25,00,00,00\n";
}

class HiveStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::HivexregeditAvailable()) GTEST_SKIP() << testsupport::kHivexregeditMissing;
    MakeHive(hive_, SampleReg());
  }

  ScratchFolder scratch_;
  fs::path hive_ = scratch_.Path() / "SOFTWARE";
};

TEST_F(HiveStoreTest, ReadsEveryValueTypeAndNameByteForByte) {
  const auto store = HiveStore::Open(hive_, false);
  EXPECT_EQ(store->RootName(), "ROOT");
  EXPECT_EQ(store->SubkeyNames(""), (std::vector<std::string>{"Other", "Vendor"}));
  EXPECT_EQ(store->SubkeyNames("vendor"),
            (std::vector<std::string>{"App \xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87 \xE2\x82\xAC", "Big",
                                      "Old"}));
  EXPECT_EQ(store->QueryValue(kBig, "Large"), (RegValue{kRegBinary, kLarge}));
  EXPECT_EQ(store->ValueNames(kApp).size(), ValueRows().size());
  for (const ValueRow& row : ValueRows()) {
    EXPECT_EQ(store->QueryValue(kApp, row.name), row.value) << row.name;
  }
  // Names match in any case, non-ASCII letters too.
  EXPECT_TRUE(store->KeyExists("VENDOR\\app \xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87 \xE2\x82\xAC"));
  EXPECT_TRUE(store->QueryValue(kApp, "CAF\xC3\x89 \xE2\x82\xAC").has_value());
  EXPECT_FALSE(store->Changed());
  EXPECT_TRUE(store->DirtyReason().empty());
}

// What hivexregedit never writes but Windows does: data in segments, subkey lists split under
// an index root, names in UTF-16 (unpaired surrogates too).
TEST(HiveStore, ReadsTheFormsWindowsWrites) {
  MemoryStore tree;
  for (int i = 0; i < 1200; ++i)
    tree.CreateKey("Wide\\k" + std::to_string(i));
  const std::string greek = "Wide\\\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1";  // Ωμέγα
  tree.CreateKey(greek);
  tree.SetValue(greek, "\xCE\xA9", RegValue{kRegBinary, Counting(40000)});
  tree.SetValue(greek, "Small", RegValue{kRegDword, {1, 0, 0, 0}});
  tree.CreateKey("Wide\\Lone \xED\xA0\x80");
  tree.SetValue("Wide\\Lone \xED\xA0\x80", "\xED\xB0\x80", RegValue{kRegSz, {}});
  ScratchFolder scratch;
  WriteAll(scratch.Path() / "NTUSER.DAT", testsupport::HiveImage(tree.Root()));
  auto store = HiveStore::Open(scratch.Path() / "NTUSER.DAT", true);
  EXPECT_EQ(DumpStore(*store, "", DumpOrder::kSorted), DumpStore(tree, "", DumpOrder::kSorted));
  EXPECT_THROW(store->SetValue(greek, "Small", RegValue{}), RegistryError);
}

// The changes reach the file exactly: the hive committed by the store exports as the same hive
// changed by hivexregedit, and reopened it reads as the store did before the commit.
TEST_F(HiveStoreTest, CommitWritesExactlyTheChangesMade) {
  // The same content written afresh by hivexregedit.
  std::vector<ValueRow> rows;
  for (const ValueRow& row : ValueRows()) {
    if (row.name == "Binary" || row.name.starts_with("Caf")) continue;
    rows.push_back(row.name == "Sz" ? ValueRow{"Sz", {kRegSz, StringToRegData("new")}} : row);
  }
  rows.push_back({"Added", {kRegDword, {7, 0, 0, 0}}});
  const fs::path expected = scratch_.Path() / "expected";
  MakeHive(expected, SampleReg(rows,
                               "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\Big]\n"
                               "\"Small\"=dword:00000002\n",
                               false) +
                         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone]\n"
                         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Gone\\Back]\n"
                         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\New]\n"
                         "\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\New\\Deep \xC3\xA9]\n"
                         "\"v\"=hex(100000):01\n");
  const std::string before = ReadAll(hive_);

  auto store = HiveStore::Open(hive_, true);
  ASSERT_EQ(store->WriteBlocker(), "");
  const std::uint32_t sequence = store->Header().primarySequence;
  EXPECT_TRUE(store->DeleteKey("vendor\\OLD"));
  EXPECT_FALSE(store->DeleteKey("Vendor\\Old"));
  EXPECT_FALSE(store->DeleteKey(""));
  EXPECT_TRUE(store->DeleteValue(kApp, "binary"));
  EXPECT_TRUE(store->DeleteValue(kApp, "CAF\xC3\x89 \xE2\x82\xAC"));
  EXPECT_FALSE(store->DeleteValue(kApp, "Binary"));
  store->SetValue(kApp, "SZ", RegValue{kRegSz, StringToRegData("new")});
  store->SetValue(kApp, "Added", RegValue{kRegDword, {7, 0, 0, 0}});
  // libhivex writes a key's values anew when one changes, and writes each as one cell, which
  // Windows cannot read for data past 16,344 bytes: no key may end up with one.
  const RegValue two{kRegDword, {2, 0, 0, 0}};
  EXPECT_THROW(store->SetValue(kBig, "Small", two), RegistryError);
  EXPECT_THROW(store->SetValue(kApp, "Huge", RegValue{kRegBinary, Counting(16345)}), RegistryError);
  EXPECT_TRUE(store->DeleteValue(kBig, "Large"));
  store->SetValue(kBig, "Small", two);
  // Keys deleted and made again in one session.
  store->CreateKey("Gone\\Sub");
  EXPECT_TRUE(store->DeleteKey("GONE"));
  store->CreateKey("Gone\\Back");
  store->CreateKey("New\\Deep \xC3\xA9");
  store->SetValue("New\\Deep \xC3\xA9", "v", RegValue{0x100000, {1}});
  EXPECT_TRUE(store->Changed());
  EXPECT_EQ(ReadAll(hive_), before) << "nothing reaches the hive before the commit";

  const fs::path committed = scratch_.Path() / "SOFTWARE.new";
  store->CommitTo(committed);
  EXPECT_EQ(ReadAll(hive_), before);
  fs::rename(committed, hive_);
  store->MarkSaved();
  EXPECT_FALSE(store->Changed());
  EXPECT_EQ(store->Header().primarySequence, sequence + 1);

  EXPECT_EQ(ExportHive(hive_), ExportHive(expected));
  const auto reopened = HiveStore::Open(hive_, false);
  EXPECT_EQ(DumpStore(*reopened, "", DumpOrder::kSorted),
            DumpStore(*store, "", DumpOrder::kSorted));
}

TEST_F(HiveStoreTest, AFailedCommitLeavesTheHiveAndTheChangesAlone) {
  const std::string before = ReadAll(hive_);
  auto store = HiveStore::Open(hive_, true);
  store->DeleteKey("Other");
  const fs::path nowhere = scratch_.Path() / "missing" / "SOFTWARE.new";
  try {
    store->CommitTo(nowhere);
    FAIL() << "committed into a missing folder";
  } catch (const RegistryError& error) {
    EXPECT_NE(std::string(error.what()).find(nowhere.string()), std::string::npos) << error.what();
  }
  EXPECT_EQ(ReadAll(hive_), before);
  EXPECT_TRUE(store->Changed());
  // A later commit still writes the change.
  store->CommitTo(scratch_.Path() / "SOFTWARE.new");
  EXPECT_FALSE(HiveStore::Open(scratch_.Path() / "SOFTWARE.new", false)->KeyExists("Other"));
}

// Windows leaves a hive dirty when it stops before its transaction logs are written into the
// hive: the hive still reads as last flushed, but writing it would lose those transactions.
TEST_F(HiveStoreTest, DirtyHivesReadButRefuseWrites) {
  const struct {
    const char* what;
    std::uint32_t primary, secondary;  // 0: as the hive has them
    const char* log;                   // a transaction log's name beside the hive, if any
    std::uint32_t logSequence;         // 0: an empty log
    bool dirty;
  } rows[] = {
      {"sequence numbers differ", 3, 2, nullptr, 0, true},
      {"newer .LOG1", 0, 0, "SOFTWARE.LOG1", 50, true},
      {"newer log named in lower case", 0, 0, "software.log2", 50, true},
      {"older .LOG1", 0, 0, "SOFTWARE.LOG1", 1, false},
      {"empty .LOG2", 0, 0, "SOFTWARE.LOG2", 0, false},
      {"another hive's newer log", 0, 0, "SYSTEM.LOG1", 50, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchFolder folder;
    const fs::path hive = folder.Path() / "SOFTWARE";
    fs::copy_file(hive_, hive);
    if (row.primary != 0) testsupport::SetHiveSequences(hive, row.primary, row.secondary);
    if (row.log != nullptr && row.logSequence == 0) WriteAll(folder.Path() / row.log, "");
    if (row.log != nullptr && row.logSequence != 0)
      testsupport::WriteTransactionLog(folder.Path() / row.log, row.logSequence);
    auto store = HiveStore::Open(hive, true);
    EXPECT_EQ(store->QueryValue("Vendor", "Kept"), (RegValue{kRegDword, {1, 0, 0, 0}}));
    EXPECT_EQ(store->DirtyReason().empty(), !row.dirty) << store->DirtyReason();
    EXPECT_EQ(store->DirtyWarning().empty(), !row.dirty);
    if (!row.dirty) {
      EXPECT_NO_THROW(store->SetValue("Vendor", "Kept", RegValue{kRegDword, {2, 0, 0, 0}}));
      continue;
    }
    EXPECT_NE(store->DirtyWarning().find(hive.string() + " was not shut down cleanly"),
              std::string::npos);
    EXPECT_NE(store->WriteBlocker().find(store->DirtyReason()), std::string::npos);
    EXPECT_THROW(store->SetValue("Vendor", "Kept", RegValue{}), RegistryError);
    EXPECT_THROW(store->DeleteKey("Other"), RegistryError);
    EXPECT_THROW(store->CommitTo(folder.Path() / "SOFTWARE.new"), RegistryError);
    EXPECT_FALSE(fs::exists(folder.Path() / "SOFTWARE.new"));
  }

  auto readOnly = HiveStore::Open(hive_, false);
  EXPECT_NE(readOnly->WriteBlocker(), "");
  EXPECT_THROW(readOnly->CreateKey("X"), RegistryError);
  auto blocked = HiveStore::Open(hive_, true);
  blocked->SetWriteBlocker("the volume is mounted read-only");
  EXPECT_EQ(blocked->WriteBlocker(), "the volume is mounted read-only");
  EXPECT_THROW(blocked->DeleteValue("Vendor", "Kept"), RegistryError);
}

// Damaged input gives one message naming the file and never a crash or a read out of bounds
// (the sanitizer build checks the latter).
TEST_F(HiveStoreTest, DamagedHivesAreRefusedNamingTheFile) {
  const std::string good = ReadAll(hive_);
  const auto flipped = [&](std::size_t at, std::uint8_t mask) {
    std::string bytes = good;
    bytes[at] = static_cast<char>(bytes[at] ^ mask);
    return bytes;
  };
  std::string deep;
  std::string path = "HKEY_LOCAL_MACHINE\\SOFTWARE";
  for (std::size_t i = 0; i <= kMaxKeyDepth; ++i) {
    path += "\\k";
    deep += "[" + path + "]\n\n";
  }
  const struct {
    const char* what;
    std::function<void(const fs::path& file)> make;
    const char* message;
  } rows[] = {
      {"zero length", [](const fs::path& file) { WriteAll(file, ""); }, "not a registry hive file"},
      {"text", [](const fs::path& file) { WriteAll(file, "WINE REGISTRY Version 2\n"); },
       "not a registry hive file"},
      {"cut in the base block", [&](const fs::path& file) { WriteAll(file, good.substr(0, 300)); },
       "damaged"},
      {"base block only", [&](const fs::path& file) { WriteAll(file, good.substr(0, 4096)); },
       "cut off"},
      {"cut in the bins",
       [&](const fs::path& file) { WriteAll(file, good.substr(0, good.size() - 4096)); },
       "cut off"},
      {"checksum", [&](const fs::path& file) { WriteAll(file, flipped(0x30, 1)); }, "checksum"},
      {"missing", [](const fs::path&) {}, "no such file"},
      {"a folder", [](const fs::path& file) { fs::create_directory(file); },
       "not a registry hive file"},
      {"a value larger than libhivex reads",
       [](const fs::path& file) {
         MemoryStore tree;
         tree.CreateKey("Big");
         tree.SetValue("Big", "v", RegValue{kRegBinary, Bytes(9 << 20, 1)});
         WriteAll(file, testsupport::HiveImage(tree.Root()));
       },
       "more than this program can read"},
      {"keys deeper than Windows nests them", [&](const fs::path& file) { MakeHive(file, deep); },
       "deeper than 512"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ScratchFolder folder;
    const fs::path file = folder.Path() / "SOFTWARE";
    row.make(file);
    try {
      HiveStore::Open(file, true);
      ADD_FAILURE() << "opened";
    } catch (const TargetError& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.rfind(file.string() + ": ", 0), 0u) << message;
      EXPECT_NE(message.find(row.message), std::string::npos) << message;
    }
  }

  // Any single damaged byte in the bins: the hive opens (the byte was data) or is refused.
  const fs::path file = scratch_.Path() / "flipped";
  for (std::size_t at = 4096; at < good.size(); at += 149) {
    WriteAll(file, flipped(at, static_cast<std::uint8_t>(0x81 + at % 120)));
    try {
      HiveStore::Open(file, false);
    } catch (const TargetError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(file.string() + ": ", 0), 0u) << error.what();
    }
  }
}

}  // namespace
}  // namespace ordrex
