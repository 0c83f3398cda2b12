// The class, interface and type-library walks on small prefixes written by the tests.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/rules/rules.h"
#include "support/rule_test_support.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testsupport::ExpandSz;
using testsupport::Problems;
using testsupport::RuleScan;
using testsupport::Sz;
using testsupport::TempPrefix;

constexpr const char* kClass1 = "{11111111-1111-1111-1111-111111111111}";
constexpr const char* kClass2 = "{22222222-2222-2222-2222-222222222222}";
constexpr const char* kUnknown = "{99999999-9999-9999-9999-999999999999}";
constexpr const char* kLib = "{AAAAAAAA-AAAA-AAAA-AAAA-AAAAAAAAAAAA}";
constexpr const char* kIface = "{BBBBBBBB-BBBB-BBBB-BBBB-BBBBBBBBBBBB}";

std::string Clsid(const std::string& guid, const std::string& sub = "") {
  return R"(Software\Classes\CLSID\)" + guid + sub;
}

TEST(ClassIdRuleTest, ServerPathsAreCleanedExpandedAndSkippedAsTheRulesSay) {
  TempPrefix prefix;
  prefix.File(R"(C:\windows\system32\shell32.dll)").File(R"(C:\Program Files\App\here.exe)");
  prefix
      // A bare name is the loader's business; an expandable path is found through expansion.
      .Machine(Clsid(kClass1, R"(\InprocServer32)"), {Sz("", "mscoree.dll")})
      .Machine(Clsid(kClass1, R"(\InprocServer)"),
               {ExpandSz("", R"(%SystemRoot%\System32\shell32.dll)")})
      // Quotes and the switch are not part of the path (and the "/" goes with the switch).
      .Machine(Clsid(kClass1, R"(\LocalServer32)"),
               {Sz("", R"("C:\Program Files\App\gone.exe" /automation)")})
      .Machine(Clsid(kClass1, R"(\LocalServer)"),
               {Sz("", R"("C:\Program Files\App\here.exe" /automation)")})
      // Library hosts and URLs name no file of their own.
      .Machine(Clsid(kClass2, R"(\LocalServer32)"), {Sz("", R"(RunDll32.EXE C:\gone\x.dll,Go)")})
      .Machine(Clsid(kClass2, R"(\InprocServer32)"), {Sz("", "C:/gone/x.dll")});
  RuleScan scan(prefix);
  scan.ScanOnly({&scan.Engine().RegIntegrity});

  EXPECT_THAT(Problems(scan.Engine().RegIntegrity),
              ElementsAre(std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kClass1 +
                          "\\LocalServer32 |  | C:\\Program Files\\App\\gone.exe | File not found "
                          "| selected | missing"));
  EXPECT_EQ(scan.Engine().ErrorFiles.IndexOf("GONE.EXE"), 0);
  EXPECT_EQ(scan.Engine().RegIntegrity.StatusText, "Finished");
}

TEST(ClassIdRuleTest, EveryFileSubkeyIsCheckedInOrderAndSystemFilesAreNotPreselected) {
  TempPrefix prefix;
  const std::vector<std::pair<std::string, std::string>> subkeys = {
      {"ToolboxBitmap32", R"(C:\Tools\tb.dll,1)"},  // the icon index is no part of the path
      {R"(Shell\Open\Command)", R"(C:\Tools\open.exe %1)"},
      {"DefaultIcon", R"(C:\windows\system32\foo.dll,3)"},
      {"LocalServer", R"(D:\Tools\bar.exe)"},
      {"InprocServer", R"(C:\Tools\mscomfoo.dll)"},
      {"LocalServer32", R"(C:\Tools\ls32.exe)"},
      {"InprocServer32", R"(C:\Tools\ip32.dll)"},
  };
  for (const auto& [sub, data] : subkeys)
    prefix.Machine(Clsid(kClass1, "\\" + sub), {Sz("", data)});
  RuleScan scan(prefix);
  scan.ScanOnly({&scan.Engine().RegIntegrity});

  const std::string base = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kClass1;
  EXPECT_THAT(
      Problems(scan.Engine().RegIntegrity),
      ElementsAre(
          base + "\\InprocServer32 |  | C:\\Tools\\ip32.dll | File not found | selected | missing",
          base + "\\LocalServer32 |  | C:\\Tools\\ls32.exe | File not found | selected | missing",
          base +
              "\\InprocServer |  | C:\\Tools\\mscomfoo.dll | File not found | unselected | missing",
          base + "\\LocalServer |  | D:\\Tools\\bar.exe | File not found | selected | missing",
          base + "\\DefaultIcon |  | C:\\windows\\system32\\foo.dll | File not found | unselected "
                 "| missing",
          base + "\\Shell\\Open\\Command |  | C:\\Tools\\open.exe | File not found | selected | "
                 "missing",
          base + "\\ToolboxBitmap32 |  | C:\\Tools\\tb.dll | File not found | selected | missing"));
}

TEST(ClassIdRuleTest, SubkeysAreFoundInAnyCaseAndOnlyWhereTheyExist) {
  TempPrefix prefix;
  prefix.Machine(Clsid(kClass1, R"(\inprocserver32)"), {Sz("", R"(C:\Tools\ip32.dll)")})
      .Machine(Clsid(kClass1, R"(\SHELL\open\COMMAND)"), {Sz("", R"(C:\Tools\open.exe %1)")})
      // A "Shell" key without "Open\Command" below it, and a "Command" that is not below "Open".
      .Machine(Clsid(kClass2, R"(\Shell\Edit\Command)"), {Sz("", R"(C:\Tools\edit.exe)")})
      .Machine(Clsid(kClass2, R"(\Command)"), {Sz("", R"(C:\Tools\cmd.exe)")})
      .Machine(Clsid(kClass2, R"(\progid)"), {Sz("", "No.Such.Class")});
  RuleScan scan(prefix);
  scan.ScanOnly({&scan.Engine().RegIntegrity});

  const std::string base1 = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kClass1;
  const std::string base2 = std::string("HKEY_CLASSES_ROOT\\CLSID\\") + kClass2;
  EXPECT_THAT(
      Problems(scan.Engine().RegIntegrity),
      ElementsAre(
          base1 + "\\InprocServer32 |  | C:\\Tools\\ip32.dll | File not found | selected | missing",
          base1 + "\\Shell\\Open\\Command |  | C:\\Tools\\open.exe | File not found | selected | "
                  "missing",
          base2 + "\\ProgID |  | No.Such.Class | Missing ID | selected | -"));
}

TEST(ClassIdRuleTest, ProgIdAndIdentifierReferences) {
  TempPrefix prefix;
  prefix.Machine(R"(Software\Classes\Known.Class)", {Sz("", "known")})
      .Machine(R"(Software\Classes\TypeLib\)" + std::string(kLib) + R"(\1.0)", {Sz("", "lib")})
      .Machine(Clsid(kClass2), {Sz("", "second class")})
      // "Empty" with empty data; a class name that is not registered; a display name.
      .Machine(Clsid("{00000001-0000-0000-0000-000000000000}", R"(\ProgID)"), {Sz("", "")})
      .Machine(Clsid("{00000002-0000-0000-0000-000000000000}", R"(\ProgID)"), {Sz("", "Foo.Bar")})
      .Machine(Clsid("{00000003-0000-0000-0000-000000000000}", R"(\ProgID)"), {Sz("", "Foo Bar")})
      .Machine(Clsid("{00000004-0000-0000-0000-000000000000}", R"(\ProgID)"),
               {Sz("", "Known.Class")})
      // A default of another type, or none at all, counts as absent: not even "Empty".
      .Machine(Clsid("{00000005-0000-0000-0000-000000000000}", R"(\ProgID)"),
               {testsupport::Dword("", 7)})
      .Machine(Clsid("{00000006-0000-0000-0000-000000000000}", R"(\ProgID)"), {Sz("Other", "x")})
      // A type library is looked up under \TypeLib\, a class under \CLSID\.
      .Machine(Clsid("{00000007-0000-0000-0000-000000000000}", R"(\TypeLib)"), {Sz("", kUnknown)})
      .Machine(Clsid("{00000008-0000-0000-0000-000000000000}", R"(\TypeLib)"), {Sz("", kLib)})
      .Machine(Clsid("{00000009-0000-0000-0000-000000000000}", R"(\TypeLib)"), {Sz("", kClass2)})
      .Machine(Clsid("{0000000A-0000-0000-0000-000000000000}", R"(\CLSID)"), {Sz("", kClass2)})
      .Machine(Clsid("{0000000B-0000-0000-0000-000000000000}", R"(\CLSID)"), {Sz("", kUnknown)})
      // An empty identifier reference is a missing identifier.
      .Machine(Clsid("{0000000C-0000-0000-0000-000000000000}", R"(\TypeLib)"), {Sz("", "")});
  RuleScan scan(prefix);
  scan.ScanOnly({&scan.Engine().RegIntegrity});

  const std::string base = "HKEY_CLASSES_ROOT\\CLSID\\";
  EXPECT_THAT(
      Problems(scan.Engine().RegIntegrity),
      ElementsAre(
          base + "{00000001-0000-0000-0000-000000000000}\\ProgID |  |  | Empty | selected | -",
          base + "{00000002-0000-0000-0000-000000000000}\\ProgID |  | Foo.Bar | Missing ID | "
                 "selected | -",
          base + "{00000007-0000-0000-0000-000000000000}\\TypeLib |  | " + kUnknown +
              " | Missing ID | selected | -",
          base + "{00000009-0000-0000-0000-000000000000}\\TypeLib |  | " + kClass2 +
              " | Missing ID | selected | -",
          base + "{0000000B-0000-0000-0000-000000000000}\\CLSID |  | " + kUnknown +
              " | Missing ID | selected | -",
          base +
              "{0000000C-0000-0000-0000-000000000000}\\TypeLib |  |  | Missing ID | selected | -"));
  EXPECT_EQ(scan.Engine().ErrorFileCount(), 0);
}

TEST(InterfaceRuleTest, ProxyStubsAreClassesAndTypeLibrariesAreLibraries) {
  TempPrefix prefix;
  const std::string ifaces = R"(Software\Classes\Interface\)";
  prefix.Machine(Clsid(kClass1), {Sz("", "proxy")})
      .Machine(R"(Software\Classes\TypeLib\)" + std::string(kLib) + R"(\1.0)", {Sz("", "lib")})
      .Machine(ifaces + "{00000001-0000-0000-0000-000000000000}\\ProxyStubClsid32",
               {Sz("", kUnknown)})
      .Machine(ifaces + "{00000002-0000-0000-0000-000000000000}\\ProxyStubClsid32",
               {Sz("", kClass1)})
      .Machine(ifaces + "{00000003-0000-0000-0000-000000000000}\\ProxyStubClsid", {Sz("", "")})
      .Machine(ifaces + "{00000004-0000-0000-0000-000000000000}\\TypeLib",
               {Sz("", kClass1), Sz("Version", "1.0")})
      .Machine(ifaces + "{00000005-0000-0000-0000-000000000000}\\TypeLib",
               {Sz("", kLib), Sz("Version", "1.0")});
  RuleScan scan(prefix);
  scan.ScanOnly({&scan.Engine().Interface});

  const std::string base = "HKEY_CLASSES_ROOT\\Interface\\";
  EXPECT_THAT(Problems(scan.Engine().Interface),
              ElementsAre(base + "{00000001-0000-0000-0000-000000000000}\\ProxyStubClsid32 |  | " +
                              kUnknown + " | Missing ID | selected | -",
                          base + "{00000003-0000-0000-0000-000000000000}\\ProxyStubClsid |  |  | "
                                 "Empty | selected | -",
                          base + "{00000004-0000-0000-0000-000000000000}\\TypeLib |  | " + kClass1 +
                              " | Missing ID | selected | -"));
  EXPECT_THAT(Problems(scan.Engine().RegIntegrity), IsEmpty());
}

TEST(TypeLibraryRuleTest, Win32FilesAndHelpFolders) {
  TempPrefix prefix;
  const std::string libs = R"(Software\Classes\TypeLib\)";
  const std::string present = "{00000001-0000-0000-0000-000000000000}";
  const std::string missing = "{00000002-0000-0000-0000-000000000000}";
  prefix.File(R"(C:\lib\x.tlb)").Folder(R"(C:\Docs\There)");
  // A resource number after the file, a help folder that exists.
  prefix.Machine(libs + present + R"(\1.0\0\win32)", {Sz("", R"(C:\lib\x.tlb\3)")})
      .Machine(libs + present + R"(\1.0\HELPDIR)", {Sz("", R"(C:\Docs\There\)")})
      .Machine(libs + present + R"(\1.0\FLAGS)", {Sz("", "0")});
  // The same file missing; a missing help folder; win16 and win64 entries are never tested.
  prefix.Machine(libs + missing + R"(\2.1\409\win32)", {Sz("", R"(C:\gone\x.tlb\3)")})
      .Machine(libs + missing + R"(\2.1\409\win64)", {Sz("", R"(C:\gone\x64.tlb)")})
      .Machine(libs + missing + R"(\2.1\0\win16)", {Sz("", R"(C:\gone\x16.tlb)")})
      .Machine(libs + missing + R"(\2.1\HELPDIR)", {Sz("", R"(C:\Docs\Help\)")})
      // A bare name without an extension names no folder to test.
      .Machine(libs + missing + R"(\2.1\0\win32)", {Sz("", "stdole")});
  // Wine's long-path form reads as the plain path; a help folder is tested itself, not its
  // parent, with or without a trailing backslash.
  const std::string longForm = "{00000003-0000-0000-0000-000000000000}";
  prefix.Machine(libs + longForm + R"(\1.0\HELPDIR)", {Sz("", R"(\\?\C:\Docs\There\Gone)")})
      .Machine(libs + longForm + R"(\1.1\HELPDIR)", {Sz("", R"(\\?\C:\Docs\There\)")})
      .Machine(libs + longForm + R"(\1.2\HELPDIR)", {Sz("", R"(\\?\C:\windows\Help\Gone\)")})
      .Machine(libs + longForm + R"(\1.2\0\win32)", {Sz("", R"(\??\C:\lib\x.tlb\2)")});
  RuleScan scan(prefix);
  scan.ScanOnly({&scan.Engine().ActiveX});

  const std::string base = "HKEY_CLASSES_ROOT\\TypeLib\\" + missing + "\\2.1";
  EXPECT_THAT(
      Problems(scan.Engine().ActiveX),
      ElementsAre(
          base + "\\HELPDIR |  | C:\\Docs\\Help | Path not found | selected | -",
          base + "\\409\\win32 |  | C:\\gone\\x.tlb | File not found | selected | missing",
          "HKEY_CLASSES_ROOT\\TypeLib\\" + longForm +
              R"(\1.0\HELPDIR |  | \\?\C:\Docs\There\Gone | Path not found | selected | -)",
          "HKEY_CLASSES_ROOT\\TypeLib\\" + longForm +
              R"(\1.2\HELPDIR |  | \\?\C:\windows\Help\Gone | Path not found | unselected | -)"));
  // Only the file enters the missing-file list, not the help folder.
  ASSERT_EQ(scan.Engine().ErrorFileCount(), 1);
  EXPECT_EQ(scan.Engine().ErrorFiles.Items(0).FileName, "X.TLB");
}

TEST(ComRulesTest, DisabledCategoriesFindNothing) {
  TempPrefix prefix;
  prefix.Machine(Clsid(kClass1, R"(\InprocServer32)"), {Sz("", R"(C:\gone\a.dll)")})
      .Machine(R"(Software\Classes\Interface\)" + std::string(kIface) + R"(\ProxyStubClsid32)",
               {Sz("", kUnknown)});
  RuleScan scan(prefix);
  scan.ScanOnly({&scan.Engine().ActiveX});
  EXPECT_EQ(scan.Engine().RegIntegrity.Count(), 0);
  EXPECT_EQ(scan.Engine().Interface.Count(), 0);
  EXPECT_EQ(scan.Engine().RegIntegrity.StatusText, "Skipped");
}

// A stop during a walk ends it at the next key, and the walk does not claim to have finished.
class StopDuringWalkTest : public ::testing::TestWithParam<int> {};

TEST_P(StopDuringWalkTest, EndsAtTheNextKeyWithoutFinishing) {
  TempPrefix prefix;
  for (int n = 0; n < 4; ++n) {
    const std::string guid = "{0000000" + std::to_string(n) + "-0000-0000-0000-000000000000}";
    prefix.Machine(Clsid(guid, R"(\InprocServer32)"),
                   {Sz("", R"(C:\gone\a)" + std::to_string(n) + ".dll")});
    prefix.Machine(R"(Software\Classes\Interface\)" + guid + R"(\ProxyStubClsid32)",
                   {Sz("", kUnknown)});
    prefix.Machine(R"(Software\Classes\TypeLib\)" + guid + R"(\1.0\0\win32)",
                   {Sz("", R"(C:\gone\l)" + std::to_string(n) + ".tlb")});
  }
  RuleScan scan(prefix);
  TOrdrex& engine = scan.Engine();
  struct Walk {
    TCustomOrdrex* category;
    void (*run)(TOrdrex&, TRegistry&);
  };
  const Walk walks[] = {{&engine.RegIntegrity, rules::ScanClassIds},
                        {&engine.Interface, rules::ScanInterfaces},
                        {&engine.ActiveX, rules::ScanTypeLibraries}};
  const Walk& walk = walks[GetParam()];
  scan.Prepare({walk.category});
  // The stop arrives while the second key is examined.
  engine.OnProgress = [&engine](int position, int) {
    if (position == 2) engine.Stop(true);
  };
  TRegistry reg(scan.GetTarget(), kClassesRoot);
  walk.run(engine, reg);

  EXPECT_EQ(walk.category->Count(), 2);
  EXPECT_EQ(walk.category->StatusText, "Scanning");
}

INSTANTIATE_TEST_SUITE_P(ComWalks, StopDuringWalkTest, ::testing::Values(0, 1, 2));

}  // namespace
}  // namespace ordrex
