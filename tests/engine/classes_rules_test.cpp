// The walks of the classes, and where a stop ends any registry walk.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "engine/rules/rules.h"
#include "engine/rules/shell_checks.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace testsupport;

constexpr const char* kClass = "{22222222-2222-2222-2222-222222222222}";
constexpr const char* kUnknown = "{99999999-9999-9999-9999-999999999999}";
constexpr const char* kLib = "{AAAAAAAA-AAAA-AAAA-AAAA-AAAAAAAAAAAA}";
const std::string kClasses = R"(Software\Classes\)";
const std::string kFileExts = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\)";

// The n-th identifier a test registers: {0000000N-0000-0000-0000-000000000000}.
std::string Guid(int n) {
  char text[40];
  std::snprintf(text, sizeof text, "{%08X-0000-0000-0000-000000000000}", n);
  return text;
}
std::string Clsid(int n, const std::string& sub = "") {
  return kClasses + R"(CLSID\)" + Guid(n) + sub;
}
// The line of a problem with the subkey of class n (or of another walk's key n).
std::string Found(int n, const std::string& sub, const std::string& data, const std::string& reason,
                  bool selected = true, const std::string& under = R"(HKEY_CLASSES_ROOT\CLSID\)") {
  return under + Guid(n) + "\\" + sub + " |  | " + data + " | " + reason + " | " +
         (selected ? "selected" : "unselected") + " | " +
         (reason == "File not found" ? "missing" : "-");
}

// File subkeys are tested in a fixed order whatever the order of the keys.
TEST(ClassIdRuleTest, FileSubkeysAndReferencesReportedAndPreselectedAsTheRulesSay) {
  // Classes 16 and up, one per case (an empty or unregistered ProgID is in the sample's scan).
  struct Reference {
    const char* sub;
    std::string data;
    const char* reason;  // "": not reported
  };
  const Reference references[] = {
      {"progid", "No.Such.Class", "Missing ID"},
      {"ProgID", "Foo Bar", ""},  // a display name
      {"ProgID", "Known.Class", ""},
      // A type library is looked up under \TypeLib\, a class under \CLSID\.
      {"TypeLib", kLib, ""},
      {"TypeLib", kClass, "Missing ID"},
      {"CLSID", kClass, ""},
      {"CLSID", kUnknown, "Missing ID"},
      // An empty identifier reference is a missing identifier.
      {"TypeLib", "", "Missing ID"},
  };
  TempPrefix prefix;
  prefix.File(R"(C:\windows\system32\shell32.dll)").File(R"(C:\Program Files\App\here.exe)");
  prefix.Machine(kClasses + "Known.Class", {Sz("", "known")})
      .Machine(kClasses + R"(TypeLib\)" + kLib + R"(\1.0)", {Sz("", "lib")})
      .Machine(kClasses + R"(CLSID\)" + kClass, {Sz("", "second class")})
      // A default of another type, or none at all, counts as absent: not even "Empty".
      .Machine(Clsid(100, R"(\ProgID)"), {Dword("", 7)})
      .Machine(Clsid(101, R"(\ProgID)"), {Sz("Other", "x")});
  prefix.Machine(Clsid(1, R"(\ToolboxBitmap32)"), {Sz("", R"(C:\Tools\tb.dll,1)")})
      .Machine(Clsid(1, R"(\Shell\Open\Command)"), {Sz("", R"(C:\Tools\open.exe %1)")})
      .Machine(Clsid(1, R"(\DefaultIcon)"), {Sz("", R"(C:\windows\system32\foo.dll,3)")})
      .Machine(Clsid(1, R"(\LocalServer)"), {Sz("", R"(D:\Tools\bar.exe)")})
      .Machine(Clsid(1, R"(\InprocServer)"), {Sz("", R"(C:\Tools\mscomfoo.dll)")})
      .Machine(Clsid(1, R"(\LocalServer32)"), {Sz("", R"(C:\Tools\ls32.exe)")})
      .Machine(Clsid(1, R"(\InprocServer32)"), {Sz("", R"(C:\Tools\ip32.dll)")})
      // A bare name is the loader's business; an expandable path is found through expansion.
      .Machine(Clsid(2, R"(\InprocServer32)"), {Sz("", "mscoree.dll")})
      .Machine(Clsid(2, R"(\InprocServer)"), {ExpandSz("", R"(%SystemRoot%\System32\shell32.dll)")})
      // Quotes and the switch are not part of the path (and the "/" goes with the switch).
      .Machine(Clsid(2, R"(\LocalServer32)"),
               {Sz("", R"("C:\Program Files\App\gone.exe" /automation)")})
      .Machine(Clsid(2, R"(\LocalServer)"),
               {Sz("", R"("C:\Program Files\App\here.exe" /automation)")})
      // Library hosts and URLs name no file of their own.
      .Machine(Clsid(3, R"(\LocalServer32)"), {Sz("", R"(RunDll32.EXE C:\gone\x.dll,Go)")})
      .Machine(Clsid(3, R"(\InprocServer32)"), {Sz("", "C:/gone/x.dll")})
      // Subkeys are found in any case; a "Shell" key without "Open\Command" below it and a
      // "Command" that is not below "Open" are not looked at.
      .Machine(Clsid(4, R"(\inprocserver32)"), {Sz("", R"(C:\Tools\ip.dll)")})
      .Machine(Clsid(4, R"(\SHELL\open\COMMAND)"), {Sz("", R"(C:\Tools\op.exe %1)")})
      .Machine(Clsid(4, R"(\Shell\Edit\Command)"), {Sz("", R"(C:\Tools\edit.exe)")})
      .Machine(Clsid(4, R"(\Command)"), {Sz("", R"(C:\Tools\cmd.exe)")});
  const std::string missing = "File not found";
  std::vector<std::string> expected = {
      Found(1, "InprocServer32", R"(C:\Tools\ip32.dll)", missing),
      Found(1, "LocalServer32", R"(C:\Tools\ls32.exe)", missing),
      Found(1, "InprocServer", R"(C:\Tools\mscomfoo.dll)", missing, false),
      Found(1, "LocalServer", R"(D:\Tools\bar.exe)", missing),
      Found(1, "DefaultIcon", R"(C:\windows\system32\foo.dll)", missing, false),
      Found(1, R"(Shell\Open\Command)", R"(C:\Tools\open.exe)", missing),
      Found(1, "ToolboxBitmap32", R"(C:\Tools\tb.dll)", missing),
      Found(2, "LocalServer32", R"(C:\Program Files\App\gone.exe)", missing),
      Found(4, "InprocServer32", R"(C:\Tools\ip.dll)", missing),
      Found(4, R"(Shell\Open\Command)", R"(C:\Tools\op.exe)", missing)};
  for (int n = 16; n < 16 + static_cast<int>(std::size(references)); ++n) {
    const Reference& ref = references[n - 16];
    prefix.Machine(Clsid(n, std::string("\\") + ref.sub), {Sz("", ref.data)});
    const std::string sub = std::string(ref.sub) == "progid" ? "ProgID" : ref.sub;
    if (*ref.reason) expected.push_back(Found(n, sub, ref.data, ref.reason));
  }
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().RegIntegrity});
  EXPECT_EQ(Problems(scan.Engine().RegIntegrity), expected);
  // Only the files enter the missing-file list, not the references.
  EXPECT_EQ(scan.Engine().ErrorFileCount(), std::ranges::count_if(expected, [](const auto& line) {
              return line.ends_with("| missing");
            }));
  EXPECT_GE(scan.Engine().ErrorFiles.IndexOf("GONE.EXE"), 0);
}

TEST(InterfaceAndTypeLibraryRules, ReferencesWin32FilesAndHelpFolders) {
  TempPrefix prefix;
  // Proxy stubs are classes and type libraries are libraries.
  const std::string ifaces = kClasses + R"(Interface\)";
  prefix.Machine(kClasses + R"(CLSID\)" + kClass, {Sz("", "proxy")})
      .Machine(kClasses + R"(TypeLib\)" + kLib + R"(\1.0)", {Sz("", "lib")})
      .Machine(ifaces + Guid(2) + R"(\ProxyStubClsid32)", {Sz("", kClass)})
      .Machine(ifaces + Guid(4) + R"(\TypeLib)", {Sz("", kClass), Sz("Version", "1.0")})
      .Machine(ifaces + Guid(5) + R"(\TypeLib)", {Sz("", kLib), Sz("Version", "1.0")});
  // A resource number after the file, a help folder that exists.
  const std::string present = kClasses + R"(TypeLib\)" + Guid(1);
  const std::string missing = kClasses + R"(TypeLib\)" + Guid(2);
  prefix.File(R"(C:\lib\x.tlb)").Folder(R"(C:\Docs\There)");
  prefix.Machine(present + R"(\1.0\0\win32)", {Sz("", R"(C:\lib\x.tlb\3)")})
      .Machine(present + R"(\1.0\HELPDIR)", {Sz("", R"(C:\Docs\There\)")})
      .Machine(present + R"(\1.0\FLAGS)", {Sz("", "0")});
  // The same file missing; a missing help folder; win16 and win64 entries are never tested.
  prefix.Machine(missing + R"(\2.1\409\win32)", {Sz("", R"(C:\gone\x.tlb\3)")})
      .Machine(missing + R"(\2.1\409\win64)", {Sz("", R"(C:\gone\x64.tlb)")})
      .Machine(missing + R"(\2.1\0\win16)", {Sz("", R"(C:\gone\x16.tlb)")})
      .Machine(missing + R"(\2.1\HELPDIR)", {Sz("", R"(C:\Docs\Help\)")})
      // A bare name without an extension names no folder to test.
      .Machine(missing + R"(\2.1\0\win32)", {Sz("", "stdole")});
  // Wine's long-path form reads as the plain path; a help folder is tested itself, not its
  // parent, with or without a trailing backslash.
  const std::string longForm = kClasses + R"(TypeLib\)" + Guid(3);
  prefix.Machine(longForm + R"(\1.0\HELPDIR)", {Sz("", R"(\\?\C:\Docs\There\Gone)")})
      .Machine(longForm + R"(\1.1\HELPDIR)", {Sz("", R"(\\?\C:\Docs\There\)")})
      .Machine(longForm + R"(\1.2\HELPDIR)", {Sz("", R"(\\?\C:\windows\Help\Gone\)")})
      .Machine(longForm + R"(\1.2\0\win32)", {Sz("", R"(\??\C:\lib\x.tlb\2)")});
  PrefixEngine scan(prefix);
  TOrdrex& engine = scan.Engine();
  scan.ScanOnly({&engine.Interface, &engine.ActiveX});

  const std::string interfaces = R"(HKEY_CLASSES_ROOT\Interface\)";
  EXPECT_THAT(Problems(engine.Interface),
              ElementsAre(Found(4, "TypeLib", kClass, "Missing ID", true, interfaces)));
  const std::string libs = R"(HKEY_CLASSES_ROOT\TypeLib\)";
  EXPECT_THAT(
      Problems(engine.ActiveX),
      ElementsAre(
          Found(2, R"(2.1\HELPDIR)", R"(C:\Docs\Help)", "Path not found", true, libs),
          Found(2, R"(2.1\409\win32)", R"(C:\gone\x.tlb)", "File not found", true, libs),
          Found(3, R"(1.0\HELPDIR)", R"(\\?\C:\Docs\There\Gone)", "Path not found", true, libs),
          Found(3, R"(1.2\HELPDIR)", R"(\\?\C:\windows\Help\Gone)", "Path not found", false,
                libs)));
  // Only the file enters the missing-file list, not the help folder.
  ASSERT_EQ(engine.ErrorFileCount(), 1);
  EXPECT_EQ(engine.ErrorFiles.Items(0).FileName, "X.TLB");
}

TEST(FileAssociationRuleTest, ExtensionsClassCommandsAndPerUserExtensions) {
  TempPrefix prefix;
  prefix.File(R"(C:\Apps\here.exe)").File(R"(C:\windows\notepad.exe)");
  prefix
      .Machine(kClasses + ".abc", {Sz("", "abcfile")})  // registered
      .Machine(kClasses + "abcfile", {Sz("", "ABC document")})
      .Machine(kClasses + ".typed", {Sz("", ""), Sz("Content Type", "text/plain")})
      // Still the file type's content type: in use without its class.
      .Machine(kClasses + ".mime", {Sz("", "mimefile"), Sz("Content Type", "text/x-mime")})
      .Machine(kClasses + ".sub", {Sz("", "")})
      .Machine(kClasses + R"(.sub\ShellNew)", {Sz("NullFile", "")})
      .Machine(kClasses + ".none", {Sz("Content Type", "text/none")})  // no default at all
      .Machine(kClasses + ".num", {Dword("", 1)})                      // a default of another type
      // The commands of a class (a missing program and icon are in the sample image's scan).
      .Machine(kClasses + "xyzfile", {Sz("", "XYZ document")})
      .Machine(kClasses + R"(xyzfile\shell\edit\command)", {Sz("", R"("C:\Apps\here.exe" "%1")")})
      .Machine(kClasses + R"(xyzfile\shell\print\command)", {Sz("", "notepad.exe /p %1")})
      .Machine(kClasses + R"(xyzfile\shell\run\command)",
               {Sz("", "rundll32.exe shell32.dll,Control_RunDLL")})
      .Machine(kClasses + R"(xyzfile\shell\typed\command)", {Dword("", 3)})
      .Machine(kClasses + "iconfile", {Sz("", "Icon")})
      .Machine(kClasses + R"(iconfile\DefaultIcon)", {Sz("", "%1")})
      // A class without a default value is not examined.
      .Machine(kClasses + R"(quietfile\shell\open\command)", {Sz("", R"(C:\Apps\gone2.exe)")})
      // The context-menu rule shares the walk of the classes, but only when it is enabled.
      .Machine(kClasses + R"(xyzfile\shellex\ContextMenuHandlers\)" + kUnknown, {Sz("", "x")})
      // Per-user extensions must lead to a registered class.
      .Machine(kClasses + ".known", {Sz("", "abcfile")})
      .User(kFileExts + R"(.known\OpenWithList)", {Sz("MRUList", "")})  // known class: skipped
      .User(kFileExts + R"(.mru\OpenWithList)", {Sz("a", "app.exe"), Sz("MRUList", "a")})
      .User(kFileExts + R"(.typedmru\OpenWithList)", {Binary("MRUList", {0x61, 0x00})})
      .User(kFileExts + R"(.progs\OpenWithProgids)", {Sz("abcfile", ""), Sz("lostfile", "")})
      .User(kFileExts + R"(.noprogs\OpenWithProgids)")
      .User(kFileExts + R"(.bare\UserChoice)", {Sz("Progid", "x")})
      .User(kFileExts + R"(notanext\OpenWithList)", {Sz("MRUList", "")})
      // Command keys that other rules have checked alone; classes without a default value.
      .Machine(kClasses + R"(a\command)", {Sz("", R"(C:\windows\system32\gone.exe "%1")")})
      .Machine(kClasses + R"(b\command)", {Sz("", R"(C:\Apps\gone.exe %1,%1)")})
      .Machine(kClasses + R"(c\command)", {Binary("", {0x43, 0x3a})});
  PrefixEngine scan(prefix);
  TOrdrex& engine = scan.Engine();
  scan.ScanOnly({&engine.FileAssociate});
  rules::CheckCommandKey(engine, kClassesRoot, R"(\a\command)");
  rules::CheckCommandKey(engine, kLocalMachine, R"(\SOFTWARE\Classes\b\command)");
  rules::CheckCommandKey(engine, kClassesRoot, R"(\c\command)");
  rules::CheckCommandKey(engine, kClassesRoot, R"(\missing\command)");

  // The user's extensions, then the command keys checked alone.
  const std::string user =
      R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\)";
  EXPECT_THAT(
      Problems(engine.FileAssociate),
      ElementsAre(
          user + ".bare |  |  | Not associated | selected | -",
          user + ".noprogs |  |  | Not associated | selected | -",
          user + R"(.progs\OpenWithProgids | lostfile |  | Not associated | selected | -)",
          user + ".typedmru |  |  | Not associated | selected | -",
          R"(HKEY_CLASSES_ROOT\a\command |  | C:\windows\system32\gone.exe | File not found | unselected | missing)",
          R"(HKEY_LOCAL_MACHINE\SOFTWARE\Classes\b\command |  | C:\Apps\gone.exe | File not found | selected | missing)"));
  EXPECT_THAT(Problems(engine.Popup), IsEmpty());
  EXPECT_EQ(engine.Popup.StatusText, "Skipped");
}

// Without "File Associations" the root pass still lists the classes for these rules.
TEST(ContextMenuAndOpenWithRules, HandlersMustNameClassesAndApplicationsTheirPrograms) {
  TempPrefix prefix;
  const std::string handlers = R"(xyzfile\shellex\ContextMenuHandlers\)";
  prefix.Machine(kClasses + R"(CLSID\)" + kClass, {Sz("", "known handler")})
      .Machine(kClasses + handlers + kClass, {Sz("", kUnknown)})  // registered, default not
      .Machine(kClasses + handlers + "Known", {Sz("", kClass)})
      .Machine(kClasses + handlers + "Plain", {Sz("", "not an identifier")})
      .Machine(kClasses + handlers + "Typed", {Dword("", 5)})
      // The shell's own lists for every file and folder exist even when empty.
      .Machine(kClasses + R"(*\shellex\ContextMenuHandlers)")
      .Machine(kClasses + R"(Folder\shellex\ContextMenuHandlers)")
      .Machine(R"(Software\Microsoft\Windows NT\CurrentVersion\Drivers32)",
               {Sz("msacm.gone", R"(C:\gone\gone.acm)"), Sz("wave", "gone.drv")});
  prefix.File(R"(C:\windows\notepad.exe)").File(R"(C:\Apps\here.exe)");
  const std::string apps = kClasses + R"(Applications\)";
  prefix
      .Machine(apps + R"(here.exe\shell\open\command)", {Sz("", R"("C:\Apps\here.exe" "%1")")})
      // Bare names are searched along the path here.
      .Machine(apps + R"(notepad.exe\shell\edit\command)", {Sz("", "notepad.exe %1")})
      .Machine(apps + R"(lost.exe\shell\edit\command)", {Sz("", "lost.exe %1")})
      .Machine(apps + R"(hidden.exe)", {Sz("NoOpenWith", "")})
      .Machine(apps + R"(hidden.exe\shell\open\command)", {Sz("", R"(C:\Apps\gone.exe)")})
      .Machine(apps + R"(cached.exe\shell)", {Sz("FriendlyCache", "Cached")})
      .Machine(apps + R"(typed.exe\shell\open\command)", {Dword("", 1)})
      .Machine(apps + R"(host.exe\shell\open\command)", {Sz("", "RUNDLL32 gone.dll,Go")})
      .Machine(apps + R"(noshell.exe)", {Sz("", "")});
  PrefixEngine scan(prefix);
  TOrdrex& engine = scan.Engine();
  scan.ScanOnly({&engine.Popup, &engine.Application, &engine.SystemExtensions});

  const std::string base = "HKEY_CLASSES_ROOT\\xyzfile\\shellex\\ContextMenuHandlers\\";
  EXPECT_THAT(Problems(engine.Popup),
              ElementsAre(base + kClass + " |  | " + kUnknown + " | ID not found | selected | -"));
  // Every application is met twice: in HKEY_CLASSES_ROOT and in HKLM's classes branch.
  const std::string lost =
      R"(Applications\lost.exe\shell\edit\command |  | lost.exe | File not found | selected | missing)";
  EXPECT_THAT(
      Problems(engine.Application),
      ElementsAre("HKEY_CLASSES_ROOT\\" + lost, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\" + lost));
  EXPECT_EQ(engine.SystemExtensions.Count(), 0);
}

// A stop during a walk ends it at the next key, and the walk does not claim to have finished.
struct Walk {
  const char* category;  // its title
  void (*run)(TOrdrex&, TRegistry&);
  RootHandle root = kClassesRoot;
};
class StopDuringWalkTest : public ::testing::TestWithParam<Walk> {};

TEST_P(StopDuringWalkTest, EndsAtTheNextKeyWithoutFinishing) {
  TempPrefix prefix;
  for (int n = 1; n <= 4; ++n) {
    const std::string gone = R"(C:\gone\)" + std::to_string(n);
    prefix.Machine(Clsid(n, R"(\InprocServer32)"), {Sz("", gone + ".dll")})
        .Machine(kClasses + R"(Interface\)" + Guid(n) + R"(\ProxyStubClsid32)", {Sz("", kUnknown)})
        .Machine(kClasses + R"(TypeLib\)" + Guid(n) + R"(\1.0\0\win32)", {Sz("", gone + ".tlb")})
        .Machine(kClasses + ".x" + std::to_string(n), {Sz("", "gone" + std::to_string(n))})
        .Machine(R"(Software\Microsoft\Windows\CurrentVersion\Uninstall\)" + Guid(n),
                 {Sz("UninstallString", gone + ".exe")});
  }
  PrefixEngine scan(prefix);
  TOrdrex& engine = scan.Engine();
  TCustomOrdrex* category = nullptr;
  for (TCustomOrdrex* each : engine.Categories()) {
    if (each->Title == GetParam().category) category = each;
  }
  ASSERT_NE(category, nullptr) << GetParam().category;
  scan.Prepare({category});
  // The stop arrives while the second key is examined.
  engine.OnProgress = [&engine](int position, int) {
    if (position == 2) engine.Stop(true);
  };
  TRegistry reg(scan.GetTarget(), GetParam().root);
  GetParam().run(engine, reg);

  EXPECT_EQ(category->Count(), 2);
  EXPECT_EQ(category->StatusText, "Scanning");
}

const Walk kWalks[] = {{"Registry Integrity", rules::ScanClassIds},
                       {"Interface", rules::ScanInterfaces},
                       {"ActiveX/COM", rules::ScanTypeLibraries},
                       {"File Associations",
                        [](TOrdrex& e, TRegistry& r) { rules::ScanFileAssociations(e, r, "\\"); }},
                       {"Uninstall Section", rules::ScanUninstall, kLocalMachine}};
INSTANTIATE_TEST_SUITE_P(RegistryWalks, StopDuringWalkTest, ::testing::ValuesIn(kWalks));

}  // namespace
}  // namespace ordrex
