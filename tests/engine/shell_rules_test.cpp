// The file-association, context-menu, Open-With and per-user extension rules on small prefixes
// written by the tests.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/rules/shell_checks.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace testsupport;

constexpr const char* kUnknown = "{99999999-9999-9999-9999-999999999999}";
constexpr const char* kKnown = "{11111111-1111-1111-1111-111111111111}";
const std::string kClasses = R"(Software\Classes\)";
const std::string kFileExts = R"(Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\)";

TEST(FileAssociationRuleTest, ExtensionsClassCommandsAndPerUserExtensions) {
  TempPrefix prefix;
  prefix.File(R"(C:\Apps\here.exe)").File(R"(C:\windows\notepad.exe)");
  prefix
      .Machine(kClasses + ".xyz", {Sz("", "gonefile")})  // class not registered
      .Machine(kClasses + ".abc", {Sz("", "abcfile")})   // registered
      .Machine(kClasses + "abcfile", {Sz("", "ABC document")})
      .Machine(kClasses + ".nil", {Sz("", "")})  // nothing but an empty default
      .Machine(kClasses + ".typed", {Sz("", ""), Sz("Content Type", "text/plain")})
      // Still the file type's content type: in use without its class.
      .Machine(kClasses + ".mime", {Sz("", "mimefile"), Sz("Content Type", "text/x-mime")})
      .Machine(kClasses + ".sub", {Sz("", "")})
      .Machine(kClasses + R"(.sub\ShellNew)", {Sz("NullFile", "")})
      .Machine(kClasses + ".none", {Sz("Content Type", "text/none")})  // no default at all
      .Machine(kClasses + ".num", {Dword("", 1)})                      // a default of another type
      // The commands and icon of a class.
      .Machine(kClasses + "xyzfile", {Sz("", "XYZ document")})
      .Machine(kClasses + R"(xyzfile\shell\open\command)", {Sz("", R"("C:\Apps\gone.exe" "%1")")})
      .Machine(kClasses + R"(xyzfile\shell\edit\command)", {Sz("", R"("C:\Apps\here.exe" "%1")")})
      .Machine(kClasses + R"(xyzfile\shell\print\command)", {Sz("", "notepad.exe /p %1")})
      .Machine(kClasses + R"(xyzfile\shell\run\command)",
               {Sz("", "rundll32.exe shell32.dll,Control_RunDLL")})
      .Machine(kClasses + R"(xyzfile\shell\typed\command)", {Dword("", 3)})
      .Machine(kClasses + R"(xyzfile\DefaultIcon)", {Sz("", R"(C:\Apps\icons.exe,2)")})
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
      .User(kFileExts + R"(.emptymru\OpenWithList)", {Sz("MRUList", "")})
      .User(kFileExts + R"(.nomru\OpenWithList)", {Sz("a", "app.exe")})
      .User(kFileExts + R"(.typedmru\OpenWithList)", {Binary("MRUList", {0x61, 0x00})})
      .User(kFileExts + R"(.progs\OpenWithProgids)", {Sz("abcfile", ""), Sz("lostfile", "")})
      .User(kFileExts + R"(.noprogs\OpenWithProgids)")
      .User(kFileExts + R"(.bare\UserChoice)", {Sz("Progid", "x")})
      .User(kFileExts + R"(notanext\OpenWithList)", {Sz("MRUList", "")});
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().FileAssociate});

  // The root's classes, the user's extensions, then HKLM's classes branch, which tests
  // extensions like classes: it finds the empty key and the class's files again, and nothing
  // else.
  const std::string user =
      R"(HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\)";
  EXPECT_THAT(
      Problems(scan.Engine().FileAssociate),
      ElementsAre(
          R"(HKEY_CLASSES_ROOT\.nil |  |  | Data empty | selected | -)",
          R"(HKEY_CLASSES_ROOT\.xyz |  | gonefile | Not associated | selected | -)",
          R"(HKEY_CLASSES_ROOT\xyzfile\shell\open\command |  | C:\Apps\gone.exe | File not found | selected | missing)",
          R"(HKEY_CLASSES_ROOT\xyzfile\DefaultIcon |  | C:\Apps\icons.exe | File not found | selected | missing)",
          user + ".bare |  |  | Not associated | selected | -",
          user + ".emptymru |  |  | Not associated | selected | -",
          user + ".nomru |  |  | Not associated | selected | -",
          user + ".noprogs |  |  | Not associated | selected | -",
          user + R"(.progs\OpenWithProgids | lostfile |  | Not associated | selected | -)",
          user + ".typedmru |  |  | Not associated | selected | -",
          R"(HKEY_LOCAL_MACHINE\SOFTWARE\Classes\.nil |  |  | Data empty | selected | -)",
          R"(HKEY_LOCAL_MACHINE\SOFTWARE\Classes\xyzfile\shell\open\command |  | C:\Apps\gone.exe | File not found | selected | missing)",
          R"(HKEY_LOCAL_MACHINE\SOFTWARE\Classes\xyzfile\DefaultIcon |  | C:\Apps\icons.exe | File not found | selected | missing)"));
  EXPECT_EQ(scan.Engine().FileAssociate.StatusText, "Finished");
  EXPECT_THAT(Problems(scan.Engine().Popup), IsEmpty());
  EXPECT_EQ(scan.Engine().Popup.StatusText, "Skipped");
}

TEST(FileAssociationRuleTest, CheckCommandKeyAlone) {
  TempPrefix prefix;
  prefix.Machine(kClasses + R"(a\command)", {Sz("", R"(C:\windows\system32\gone.exe "%1")")})
      .Machine(kClasses + R"(b\command)", {Sz("", R"(C:\Apps\gone.exe %1,%1)")})
      .Machine(kClasses + R"(c\command)", {Binary("", {0x43, 0x3a})});
  PrefixEngine scan(prefix);
  TOrdrex& engine = scan.Engine();
  rules::CheckCommandKey(engine, kClassesRoot, R"(\a\command)");
  rules::CheckCommandKey(engine, kLocalMachine, R"(\SOFTWARE\Classes\b\command)");
  rules::CheckCommandKey(engine, kClassesRoot, R"(\c\command)");
  rules::CheckCommandKey(engine, kClassesRoot, R"(\missing\command)");
  EXPECT_THAT(
      Problems(engine.FileAssociate),
      ElementsAre(
          R"(HKEY_CLASSES_ROOT\a\command |  | C:\windows\system32\gone.exe | File not found | unselected | missing)",
          R"(HKEY_LOCAL_MACHINE\SOFTWARE\Classes\b\command |  | C:\Apps\gone.exe | File not found | selected | missing)"));
}

TEST(ContextMenuRuleTest, HandlersMustNameRegisteredClasses) {
  TempPrefix prefix;
  const std::string handlers = R"(xyzfile\shellex\ContextMenuHandlers\)";
  prefix.Machine(kClasses + R"(CLSID\)" + kKnown, {Sz("", "known handler")})
      .Machine(kClasses + handlers + kUnknown, {Sz("", "by name")})
      .Machine(kClasses + handlers + kKnown, {Sz("", kUnknown)})  // registered, default not
      .Machine(kClasses + handlers + "Word", {Sz("", kUnknown)})
      .Machine(kClasses + handlers + "Known", {Sz("", kKnown)})
      .Machine(kClasses + handlers + "Plain", {Sz("", "not an identifier")})
      .Machine(kClasses + handlers + "Typed", {Dword("", 5)})
      .Machine(kClasses + R"(emptyfile\shellex\ContextMenuHandlers)", {Sz("", "")})
      // The shell's own lists for every file and folder exist even when empty.
      .Machine(kClasses + R"(*\shellex\ContextMenuHandlers)")
      .Machine(kClasses + R"(Folder\shellex\ContextMenuHandlers)");
  PrefixEngine scan(prefix);
  // Without "File Associations" the root pass lists the classes for the context-menu rule.
  scan.ScanOnly({&scan.Engine().Popup});

  const std::string base = "HKEY_CLASSES_ROOT\\xyzfile\\shellex\\ContextMenuHandlers\\";
  EXPECT_THAT(
      Problems(scan.Engine().Popup),
      ElementsAre(
          "HKEY_CLASSES_ROOT\\emptyfile\\shellex\\ContextMenuHandlers |  |  | Empty | selected | -",
          base + "Word |  | " + kUnknown + " | ID not found | selected | -",
          base + kKnown + " |  | " + kUnknown + " | ID not found | selected | -",
          base + kUnknown + " |  | by name | ID not found | selected | -"));
  EXPECT_EQ(scan.Engine().Popup.StatusText, "Finished");
  EXPECT_EQ(scan.Engine().FileAssociate.Count(), 0);
}

TEST(OpenWithRuleTest, ApplicationsAndTheirVerbs) {
  TempPrefix prefix;
  prefix.File(R"(C:\windows\notepad.exe)").File(R"(C:\Apps\here.exe)");
  const std::string apps = kClasses + R"(Applications\)";
  prefix.Machine(apps + R"(gone.exe\shell\open\command)", {Sz("", R"("C:\Apps\gone.exe" "%1")")})
      .Machine(apps + R"(here.exe\shell\open\command)", {Sz("", R"("C:\Apps\here.exe" "%1")")})
      // Bare names are searched along the path here.
      .Machine(apps + R"(notepad.exe\shell\edit\command)", {Sz("", "notepad.exe %1")})
      .Machine(apps + R"(lost.exe\shell\edit\command)", {Sz("", "lost.exe %1")})
      .Machine(apps + R"(hidden.exe)", {Sz("NoOpenWith", "")})
      .Machine(apps + R"(hidden.exe\shell\open\command)", {Sz("", R"(C:\Apps\gone.exe)")})
      .Machine(apps + R"(noverbs.exe\shell)", {Sz("", "")})
      .Machine(apps + R"(cached.exe\shell)", {Sz("FriendlyCache", "Cached")})
      .Machine(apps + R"(blank.exe\shell\open\command)", {Sz("", "")})
      .Machine(apps + R"(typed.exe\shell\open\command)", {Dword("", 1)})
      .Machine(apps + R"(host.exe\shell\open\command)", {Sz("", "RUNDLL32 gone.dll,Go")})
      .Machine(apps + R"(noshell.exe)", {Sz("", "")});
  PrefixEngine scan(prefix);
  scan.ScanOnly({&scan.Engine().Application});

  // Every entry is met twice: in HKEY_CLASSES_ROOT and in HKLM's classes branch.
  std::vector<std::string> expected;
  for (const std::string root : {"HKEY_CLASSES_ROOT\\Applications\\",
                                 "HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Applications\\"}) {
    expected.push_back(root + "blank.exe |  |  | Empty | selected | -");
    expected.push_back(root +
                       "gone.exe\\shell\\open\\command |  | C:\\Apps\\gone.exe | File not found | "
                       "selected | missing");
    expected.push_back(
        root +
        "lost.exe\\shell\\edit\\command |  | lost.exe | File not found | selected | missing");
    expected.push_back(root + "noverbs.exe\\shell |  |  | Data empty | selected | -");
  }
  EXPECT_EQ(Problems(scan.Engine().Application), expected);
  EXPECT_EQ(scan.Engine().Application.StatusText, "Finished");
}

TEST(ShellRulesTest, SystemExtensionsNeverReports) {
  TempPrefix prefix;
  prefix.Machine(R"(Software\Microsoft\Windows NT\CurrentVersion\Drivers32)",
                 {Sz("msacm.gone", R"(C:\gone\gone.acm)"), Sz("wave", "gone.drv")});
  PrefixEngine scan(prefix);
  scan.Engine().SystemExtensions.Enabled = true;
  RunScan(scan.Engine());
  EXPECT_EQ(scan.Engine().SystemExtensions.Count(), 0);
  EXPECT_TRUE(scan.Engine().EndedEarly.empty()) << scan.Engine().EndedEarly;
}

}  // namespace
}  // namespace ordrex
