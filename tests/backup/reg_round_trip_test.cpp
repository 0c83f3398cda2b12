// What the writer writes, the reader reads back as the same values: type and bytes.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "backup/backup_file.h"
#include "backup/reg_apply.h"
#include "backup/reg_writer.h"
#include "platform/text.h"
#include "support/fresh_prefix.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

using testsupport::Put;
using testsupport::U16;

// Every kind of value and name a registry holds that both headers can carry.
void FillEveryKind(RegistryStore& store, const std::string& key) {
  Put(store, key, "", RegValue{kRegSz, StringToRegData("C:\\Program Files\\x.exe")});
  Put(store, key, "sz", RegValue{kRegSz, StringToRegData("say \"hi\" \\ back")});
  Put(store, key, "sz empty", RegValue{kRegSz, StringToRegData("")});
  Put(store, key, "sz no bytes", RegValue{kRegSz, {}});
  Put(store, key, "sz crlf", RegValue{kRegSz, StringToRegData("line1\r\nline2\n")});
  Put(store, key, "sz after nul", RegValue{kRegSz, {'a', 0, 0, 0, 'z', 0}});
  Put(store, key, "sz unicode",
      RegValue{kRegSz,
               U16(std::u16string(u"\u00E9\u20AC\u4E2D \xD83D\xDE00 \xD800 x\xDC00\0", 13))});
  Put(store, key, "expand",
      RegValue{kRegExpandSz, StringToRegData("%SystemRoot%\\system32\\\xC3\xA9")});
  Put(store, key, "expand empty", RegValue{kRegExpandSz, StringToRegData("")});
  Put(store, key, "expand no bytes", RegValue{kRegExpandSz, {}});
  Put(store, key, "expand long", RegValue{kRegExpandSz, StringToRegData(std::string(200, 'x'))});
  Put(store, key, "multi", RegValue{kRegMultiSz, U16(std::u16string(u"one\0tw\u00F6\0\0", 9))});
  Put(store, key, "multi empty", RegValue{kRegMultiSz, {0, 0}});
  Put(store, key, "binary", RegValue{kRegBinary, Bytes(97, 0xC5)});
  Put(store, key, "binary empty", RegValue{kRegBinary, {}});
  Put(store, key, "dword", RegValue{kRegDword, {0x78, 0x56, 0x34, 0x12}});
  Put(store, key, "dword short", RegValue{kRegDword, {1, 2}});
  Put(store, key, "dword big endian", RegValue{kRegDwordBigEndian, {0x12, 0x34, 0x56, 0x78}});
  Put(store, key, "link", RegValue{kRegLink, U16(u"\\Registry\\Machine\\X")});
  Put(store, key, "qword", RegValue{kRegQword, {1, 2, 3, 4, 5, 6, 7, 0x80}});
  Put(store, key, "none", RegValue{kRegNone, {}});
  Put(store, key, "none data", RegValue{kRegNone, {9, 8}});
  Put(store, key, "resource list", RegValue{kRegResourceList, Bytes(40, 1)});
  Put(store, key, "full descriptor", RegValue{kRegFullResourceDescriptor, {1}});
  Put(store, key, "requirements", RegValue{kRegResourceRequirementsList, {2}});
  Put(store, key, "custom type", RegValue{0xFFFF0012u, U16(u"\\x")});
  Put(store, key, "a\\b \"quoted\" \\\\ name", RegValue{kRegSz, StringToRegData("v")});
  Put(store, key, "na\xC3\xAFve \xE2\x82\xAC", RegValue{kRegSz, StringToRegData("caf\xC3\xA9")});
  Put(store, key, "=", RegValue{kRegSz, StringToRegData("=")});
  Put(store, key, "line\r\nbreak", RegValue{kRegSz, StringToRegData("in the name")});
  Put(store, key, "semi;colon", RegValue{kRegSz, StringToRegData("; not a comment")});
  Put(store, key + "\\Sub key [1]", "x", RegValue{kRegDword, {1, 0, 0, 0}});
  Put(store,
      key +
          "\\Sub key [1]\\\xC3\x9C"
          "ber",
      "", RegValue{kRegSz, StringToRegData("deep")});
  store.CreateKey(key + "\\Empty");
}

std::string RoundTrip(MemoryTarget& source, const std::string& header, MemoryTarget& copy) {
  TBackupLines lines{header};
  EXPECT_TRUE(ExportRegistryKey(source, kCurrentUser, "\\Software\\RoundTrip\\", lines));
  const Bytes file = EncodeBackupFile(lines);
  ApplyRegFile(std::string_view(reinterpret_cast<const char*>(file.data()), file.size()), copy);
  return testsupport::DumpStore(copy.User(), "Software\\RoundTrip");
}

TEST(RegRoundTrip, EveryValueComesBackUnderBothHeaders) {
  for (const bool win2000 : {true, false}) {
    SCOPED_TRACE(BackupHeader(win2000));
    MemoryTarget source;
    FillEveryKind(source.User(), "Software\\RoundTrip");
    MemoryTarget copy;
    EXPECT_EQ(RoundTrip(source, BackupHeader(win2000), copy),
              testsupport::DumpStore(source.User(), "Software\\RoundTrip"));
  }
}

TEST(RegRoundTrip, Version5CarriesOddLengthStringDataToo) {
  // REGEDIT4 holds string data in hex form as one byte per character and cannot carry half of
  // one.
  MemoryTarget source;
  Put(source.User(), "Software\\RoundTrip", "sz odd", RegValue{kRegSz, {'a', 0, 'b'}});
  Put(source.User(), "Software\\RoundTrip", "expand odd", RegValue{kRegExpandSz, {'a', 0, 'b'}});
  Put(source.User(), "Software\\RoundTrip", "multi odd", RegValue{kRegMultiSz, {0}});
  MemoryTarget copy;
  EXPECT_EQ(RoundTrip(source, BackupHeader(true), copy),
            testsupport::DumpStore(source.User(), "Software\\RoundTrip"));
}

TEST(RegRoundTrip, SavedFileReadsBackFromDisk) {
  MemoryTarget source;
  FillEveryKind(source.User(), "Software\\RoundTrip");
  testsupport::ScratchFolder scratch;
  for (const bool win2000 : {true, false}) {
    TBackupLines lines{BackupHeader(win2000)};
    ASSERT_TRUE(ExportRegistryKey(source, kCurrentUser, "Software\\RoundTrip", lines));
    const auto path = SaveBackupFile(lines, scratch.Path(), std::chrono::system_clock::now());
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    MemoryTarget copy;
    ApplyRegFile(bytes, copy);
    EXPECT_EQ(testsupport::DumpStore(copy.User(), "Software\\RoundTrip"),
              testsupport::DumpStore(source.User(), "Software\\RoundTrip"));
  }
}

}  // namespace
}  // namespace ordrex
