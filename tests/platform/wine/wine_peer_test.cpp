// Wine itself reads what we write and what we ship (the sample registry), and writes it back whole.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using testsupport::RunProcess;

const fs::path kSample = fs::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";
const std::string kTestKey = "Software\\Ordrex Test\\Sub [1]";
const std::string kSampleApp = "Software\\Sample Vendor\\Sample App";

std::vector<NamedValue> TestValues() {
  Bytes blob;
  for (int i = 0; i < 100; ++i)
    blob.push_back(static_cast<std::uint8_t>(i * 7));
  return {
      {"", RegValue{kRegSz, StringToRegData("default")}},
      {"Text",
       RegValue{kRegSz,
                StringToRegData("C:\\windows\\xaudio \"quoted\" caf\xC3\xA9 \xF0\x9F\x8C\x8E")}},
      {"Expand", RegValue{kRegExpandSz, StringToRegData("%SystemRoot%\\x")}},
      {"Multi", RegValue{kRegMultiSz, Bytes{'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}}},
      {"Number", RegValue{kRegDword, Bytes{0xcd, 0xab, 0x34, 0x12}}},
      {"Blob", RegValue{kRegBinary, blob}},
      {"Quad", RegValue{kRegQword, Bytes{1, 2, 3, 4, 5, 6, 7, 8}}},
      {"Control\x01"
       "7",
       RegValue{kRegSz, StringToRegData("tab\there")}},
  };
}

TEST(WinePeer, WineReadsTheSampleRegistryAndValuesTheStoreSaved) {
  const auto fresh = testsupport::FreshWinePrefix();
  if (!fresh) GTEST_SKIP() << testsupport::kWineMissing;
  // The sample's drive_c holds placeholders, not Wine's DLLs: Wine runs on a real prefix.
  testsupport::PrefixCopy copy(*fresh);
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    fs::copy_file(kSample / name, copy.Path() / name, fs::copy_options::overwrite_existing);
  }
  const fs::path userFile = copy.Path() / "user.reg";
  ManualClock clock(std::chrono::system_clock::now());
  AtomicFileWriter writer;
  {
    const auto user = WineRegistryFile::Load(userFile, clock);
    user->CreateKey(kTestKey);
    for (const NamedValue& value : TestValues())
      user->SetValue(kTestKey, value.name, value.value);
    ASSERT_TRUE(user->DeleteValue(kSampleApp, "WindowLeft"));
    user->Save(writer);
    const auto machine = WineRegistryFile::Load(copy.Path() / "system.reg", clock);
    machine->CreateKey("Software\\Ordrex Test");
    machine->SetValue("Software\\Ordrex Test", "Machine", RegValue{kRegSz, StringToRegData("yes")});
    ASSERT_TRUE(machine->DeleteKey("Software\\Sample Vendor"));
    machine->Save(writer);
  }

  const auto env = testsupport::WineEnvironment(copy.Path());
  const auto query = [&](std::vector<std::string> args) {
    args.insert(args.begin(), {"wine", "reg", "query"});
    return RunProcess(args, env);
  };
  const std::string handlers = "HKCR\\viewerdoc\\shellex\\ContextMenuHandlers";
  const std::string guid = "{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F";
  const struct {
    std::vector<std::string> args;
    std::vector<std::string> shown;
  } queries[] = {
      {{"HKCU\\" + kTestKey},
       {"Number    REG_DWORD    0x1234abcd", "Expand    REG_EXPAND_SZ    %SystemRoot%\\x",
        "Multi    REG_MULTI_SZ    a\\0b", "(Default)    REG_SZ    default"}},
      {{"HKLM\\Software\\Ordrex Test"}, {"Machine    REG_SZ    yes"}},
      {{"HKCU\\" + kSampleApp}, {"LastFolder    REG_SZ    C:\\users\\sample\\Documents"}},
      {{"HKLM\\Software\\Classes\\CLSID\\" + guid + "01}\\InprocServer32"},
       {"(Default)    REG_SZ    C:\\windows\\system32\\samplecom.dll"}},
      {{"HKU\\.Default\\Control Panel\\International", "/v", "sShortDate"},
       {"sShortDate    REG_SZ    M/d/yyyy"}},
      // The last keys planted in each file: Wine has read every block before them.
      {{handlers, "/s"}, {"REG_SZ    Removed Viewer Menu", "REG_SZ    " + guid + "17}"}},
      {{"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.rvx\\"
        "OpenWithProgids"},
       {"RemovedViewer.Document"}},
  };
  for (const auto& q : queries) {
    const testsupport::ProcessResult result = query(q.args);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    for (const std::string& shown : q.shown)
      EXPECT_THAT(result.output, HasSubstr(shown));
  }
  EXPECT_THAT(query({"HKCU\\" + kSampleApp}).output, Not(HasSubstr("WindowLeft")));
  EXPECT_NE(query({"HKLM\\Software\\Sample Vendor"}).exitCode, 0);

  // Make Wine write user.reg itself, then read its version: every value came through whole.
  const auto added = RunProcess(
      {"wine", "reg", "add", "HKCU\\Software\\Ordrex Test", "/v", "Touched", "/d", "1", "/f"}, env);
  ASSERT_EQ(added.exitCode, 0) << added.output;
  testsupport::StopWineserver(copy.Path());
  const auto rewritten = WineRegistryFile::Load(userFile, clock);
  ASSERT_TRUE(rewritten->FullyUnderstood()) << rewritten->Problems().front();
  EXPECT_TRUE(rewritten->QueryValue("Software\\Ordrex Test", "Touched").has_value());
  for (const NamedValue& value : TestValues()) {
    EXPECT_EQ(rewritten->QueryValue(kTestKey, value.name), value.value) << value.name;
  }
  EXPECT_FALSE(rewritten->QueryValue(kSampleApp, "WindowLeft").has_value());
}

}  // namespace
}  // namespace ordrex
