// Wine's registry editor imports the backups we write and ends up with the very values we
// backed up. Needs wine; skipped without it.

#include <gtest/gtest.h>

#include "backup/backup_file.h"
#include "backup/reg_writer.h"
#include "platform/clock.h"
#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"
#include "support/fresh_prefix.h"
#include "support/registry_dump.h"

namespace ordrex {
namespace {

using namespace testsupport;

// Every value type, names that need escapes, and (where the file is UTF-16) non-ASCII text.
// Left out on purpose: string data without a terminating NUL, which Wine's editor terminates
// on import, and a NUL inside a value name, which it refuses.
void FillPeerValues(RegistryStore& store, const std::string& key, bool nonAscii) {
  Put(store, key, "", RegValue{kRegSz, StringToRegData("C:\\Program Files\\x.exe")});
  Put(store, key, "sz", RegValue{kRegSz, StringToRegData("say \"hi\" \\ back")});
  Put(store, key, "sz empty", RegValue{kRegSz, StringToRegData("")});
  Put(store, key, "sz no bytes", RegValue{kRegSz, {}});
  Put(store, key, "sz crlf", RegValue{kRegSz, StringToRegData("line1\r\nline2\n")});
  Put(store, key, "sz after nul", RegValue{kRegSz, {'a', 0, 0, 0, 'z', 0, 0, 0}});
  Put(store, key, "expand", RegValue{kRegExpandSz, StringToRegData("%SystemRoot%\\system32")});
  Put(store, key, "expand empty", RegValue{kRegExpandSz, StringToRegData("")});
  Put(store, key, "expand long", RegValue{kRegExpandSz, StringToRegData(std::string(120, 'x'))});
  Put(store, key, "multi", RegValue{kRegMultiSz, U16(std::u16string(u"one\0two\0\0", 9))});
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
  Put(store, key, "custom type", RegValue{0xFFFF0012u, U16(u"\\x")});
  Put(store, key, "a\\b \"quoted\" \\\\ name", RegValue{kRegSz, StringToRegData("v")});
  Put(store, key, "line\r\nbreak", RegValue{kRegSz, StringToRegData("in the name")});
  Put(store, key, "semi;colon=", RegValue{kRegSz, StringToRegData("; not a comment")});
  Put(store, key + "\\Sub key [1]", "x", RegValue{kRegDword, {1, 0, 0, 0}});
  store.CreateKey(key + "\\Empty");
  if (!nonAscii) return;
  Put(store, key, "na\xC3\xAFve \xE2\x82\xAC",
      RegValue{kRegSz, U16(std::u16string(u"\u00E9\u20AC\u4E2D \xD83D\xDE00 \xD800 x\0", 11))});
  Put(store, key, "expand \xC3\xA9",
      RegValue{kRegExpandSz, StringToRegData("%TEMP%\\\xC3\xA9t\xC3\xA9")});
  Put(store, key, "multi \xD0\xB4",
      RegValue{kRegMultiSz, U16(std::u16string(u"\u0434\0\u4E2D\0\0", 5))});
  Put(store,
      key +
          "\\\xC3\x9C"
          "ber",
      "", RegValue{kRegSz, StringToRegData("deep")});
}

std::filesystem::path WriteBackup(MemoryTarget& source, bool win2000, const std::string& key,
                                  const std::filesystem::path& folder) {
  TBackupLines lines{BackupHeader(win2000)};
  EXPECT_TRUE(ExportRegistryKey(source, kCurrentUser, key, lines));
  EXPECT_TRUE(ExportRegistryKey(source, kLocalMachine, key, lines));
  return SaveBackupFile(lines, folder, std::chrono::system_clock::now());
}

std::string WindowsPath(const std::filesystem::path& path) {
  std::string text = "Z:" + path.string();
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

TEST(RegPeerWine, RegeditImportsOurBackupsValueForValue) {
  const auto fresh = FreshWinePrefix();
  if (!fresh) GTEST_SKIP() << kWineMissing;
  PrefixCopy prefix(*fresh);
  ScratchFolder scratch;
  const EnvironmentChanges env = WineEnvironment(prefix.Path());

  // REGEDIT4 files are 8-bit: Wine reads them in its ANSI code page (1252), we in UTF-8, so
  // the 8-bit file carries ASCII text only.
  const std::string v5 = "Software\\OrdrexPeer\\Version5";
  const std::string r4 = "Software\\OrdrexPeer\\Regedit4";
  MemoryTarget source;
  for (RegistryStore* store : {static_cast<RegistryStore*>(&source.User()),
                               static_cast<RegistryStore*>(&source.Machine())}) {
    FillPeerValues(*store, v5, true);
    FillPeerValues(*store, r4, false);
  }
  for (const auto& [win2000, key] : {std::pair{true, v5}, std::pair{false, r4}}) {
    const auto file = WriteBackup(source, win2000, key, scratch.Path());
    const ProcessResult import = RunProcess({"wine", "regedit", "/S", WindowsPath(file)}, env);
    ASSERT_EQ(import.exitCode, 0) << import.output;
  }
  RunProcess({"wineserver", "-w"}, env);

  ManualClock clock;
  const auto user = WineRegistryFile::Load(prefix.Path() / "user.reg", clock);
  const auto machine = WineRegistryFile::Load(prefix.Path() / "system.reg", clock);
  ASSERT_TRUE(user->FullyUnderstood());
  ASSERT_TRUE(machine->FullyUnderstood());
  for (const std::string& key : {v5, r4}) {
    SCOPED_TRACE(key);
    EXPECT_EQ(DumpStore(*user, key, DumpOrder::kSorted),
              DumpStore(source.User(), key, DumpOrder::kSorted));
    EXPECT_EQ(DumpStore(*machine, key, DumpOrder::kSorted),
              DumpStore(source.Machine(), key, DumpOrder::kSorted));
  }
  StopWineserver(prefix.Path());
}

}  // namespace
}  // namespace ordrex
