// The bundled sample image is what a newcomer scans first, and where problems are planted for
// the scan tests: our reader must understand all of it, and Wine must read it too.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/wine/wine_registry_file.h"
#include "support/fresh_prefix.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kSample = fs::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";
constexpr const char* kRegistryFiles[] = {"system.reg", "user.reg", "userdef.reg"};

TEST(SamplePrefix, RegistryFilesAreFullyUnderstood) {
  ManualClock clock;
  for (const char* name : kRegistryFiles) {
    const auto file = WineRegistryFile::Load(kSample / name, clock);
    EXPECT_TRUE(file->FullyUnderstood())
        << name << ": " << ::testing::PrintToString(file->Problems());
    // Blocks appended later need not be in Wine's order, but the header must stay Wine's.
    EXPECT_THAT(file->Header(), ::testing::StartsWith("WINE REGISTRY Version 2\n")) << name;
    EXPECT_EQ(file->Arch(), "win64") << name;
  }
  EXPECT_TRUE(fs::is_symlink(kSample / "dosdevices" / "c:"));
  EXPECT_EQ(fs::read_symlink(kSample / "dosdevices" / "c:"), fs::path("../drive_c"));
}

TEST(SamplePrefix, WineReadsItsRegistry) {
  const auto fresh = testsupport::FreshWinePrefix();
  if (!fresh) GTEST_SKIP() << testsupport::kWineMissing;
  // The sample's drive_c holds placeholders, not Wine's DLLs: Wine runs on a real prefix
  // that holds the sample's registry.
  testsupport::PrefixCopy copy(*fresh);
  for (const char* name : kRegistryFiles) {
    fs::copy_file(kSample / name, copy.Path() / name, fs::copy_options::overwrite_existing);
  }
  const auto env = testsupport::WineEnvironment(copy.Path());
  const auto query = [&](const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"wine", "reg", "query"};
    argv.insert(argv.end(), args.begin(), args.end());
    const auto result = testsupport::RunProcess(argv, env);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return result.output;
  };
  EXPECT_THAT(query({"HKLM\\Software\\Classes\\CLSID\\{6A1E0C42-5B7D-4C1E-9A3F-2D8E4B7C9F01}\\"
                     "InprocServer32"}),
              HasSubstr("(Default)    REG_SZ    C:\\windows\\system32\\samplecom.dll"));
  EXPECT_THAT(query({"HKCR\\txtfile\\shell\\open\\command"}),
              HasSubstr("REG_EXPAND_SZ    \"%SystemRoot%\\system32\\sampleedit.exe\" \"%1\""));
  EXPECT_THAT(
      query({"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run"}),
      HasSubstr("SampleHelper    REG_SZ    C:\\Program Files\\Sample App\\sample.exe /tray"));
  EXPECT_THAT(query({"HKU\\.Default\\Control Panel\\International", "/v", "sShortDate"}),
              HasSubstr("sShortDate    REG_SZ    M/d/yyyy"));
  EXPECT_THAT(query({"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"}),
              HasSubstr("C:\\Program Files\\Common Files\\Sample\\shared.dll    REG_DWORD    0x1"));
}

}  // namespace
}  // namespace ordrex
