// Wine itself reads what the store writes: values saved into a copy of a fresh prefix are seen
// by `wine reg query`, and survive Wine loading the files and writing them back.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "platform/wine/wine_registry_file.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using testsupport::RunProcess;

const std::string kTestKey = "Software\\Ordrex Test\\Sub [1]";

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

TEST(WinePeer, WineReadsValuesTheStoreSaved) {
  const auto fresh = testsupport::FreshWinePrefix();
  if (!fresh) GTEST_SKIP() << testsupport::kWineMissing;
  testsupport::PrefixCopy copy(*fresh);
  const fs::path userFile = copy.Path() / "user.reg";
  ManualClock clock(std::chrono::system_clock::now());
  AtomicFileWriter writer;
  {
    const auto user = WineRegistryFile::Load(userFile, clock);
    user->CreateKey(kTestKey);
    for (const NamedValue& value : TestValues())
      user->SetValue(kTestKey, value.name, value.value);
    ASSERT_TRUE(user->DeleteValue("Environment", "TMP"));
    user->Save(writer);
    const auto machine = WineRegistryFile::Load(copy.Path() / "system.reg", clock);
    machine->CreateKey("Software\\Ordrex Test");
    machine->SetValue("Software\\Ordrex Test", "Machine", RegValue{kRegSz, StringToRegData("yes")});
    ASSERT_TRUE(machine->DeleteKey("Software\\Classes\\.ai"));
    machine->Save(writer);
  }

  const auto env = testsupport::WineEnvironment(copy.Path());
  const auto query = [&](const std::string& key) {
    return RunProcess({"wine", "reg", "query", key}, env);
  };
  const testsupport::ProcessResult user = query("HKCU\\" + kTestKey);
  ASSERT_EQ(user.exitCode, 0) << user.output;
  EXPECT_NE(user.output.find("Number    REG_DWORD    0x1234abcd"), std::string::npos)
      << user.output;
  EXPECT_NE(user.output.find("Expand    REG_EXPAND_SZ    %SystemRoot%\\x"), std::string::npos);
  EXPECT_NE(user.output.find("Multi    REG_MULTI_SZ    a\\0b"), std::string::npos);
  EXPECT_NE(user.output.find("(Default)    REG_SZ    default"), std::string::npos);
  const testsupport::ProcessResult machine = query("HKLM\\Software\\Ordrex Test");
  EXPECT_NE(machine.output.find("Machine    REG_SZ    yes"), std::string::npos) << machine.output;
  EXPECT_NE(query("HKCU\\Environment").output.find("TEMP"), std::string::npos);
  EXPECT_EQ(query("HKCU\\Environment").output.find("TMP "), std::string::npos);
  EXPECT_NE(query("HKLM\\Software\\Classes\\.ai").exitCode, 0);

  // Make Wine write user.reg itself, then read its version: every value came through whole.
  ASSERT_EQ(RunProcess({"wine", "reg", "add", "HKCU\\Software\\Ordrex Test", "/v", "Touched", "/d",
                        "1", "/f"},
                       env)
                .exitCode,
            0);
  testsupport::StopWineserver(copy.Path());
  const auto rewritten = WineRegistryFile::Load(userFile, clock);
  ASSERT_TRUE(rewritten->FullyUnderstood()) << rewritten->Problems().front();
  EXPECT_TRUE(rewritten->QueryValue("Software\\Ordrex Test", "Touched").has_value());
  for (const NamedValue& value : TestValues()) {
    EXPECT_EQ(rewritten->QueryValue(kTestKey, value.name), value.value) << value.name;
  }
  EXPECT_FALSE(rewritten->QueryValue("Environment", "TMP").has_value());
}

}  // namespace
}  // namespace ordrex
