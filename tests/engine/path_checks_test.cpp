#include "engine/path_checks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "support/drive_fixture.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace testsupport;

class PathChecksTest : public ::testing::Test {
 protected:
  PathChecksTest() {
    drive_.Profile().environment = {{"SystemRoot", "C:\\windows"},
                                    {"windir", "C:\\windows"},
                                    {"PATH", "C:\\Tools;;%SystemRoot%\\apps;"}};
    drive_.File(R"(C:\windows\system32\calc.exe)");
  }
  // Built on first use, after the test has laid out its files and profile.
  PathChecks& Paths() {
    if (!paths_) paths_ = std::make_unique<PathChecks>(drive_.Target());
    return *paths_;
  }
  std::string Cut(std::string text, char delimiter, bool useFileName = false) {
    Paths().CutArguments(text, delimiter, useFileName);
    return text;
  }
  std::string Clean(std::string text) {
    Paths().CleanPathValue(text);
    return text;
  }

  DriveFixture drive_;
  std::unique_ptr<PathChecks> paths_;
};

TEST(PathSplitting, FileNamePartsGuidsAndPathLists) {
  EXPECT_EQ(ExtractFileExt(R"(C:\dir\file.tar.gz)"), ".gz");
  EXPECT_EQ(ExtractFilePath("C:file"), "C:");
  EXPECT_EQ(ExtractFileName(R"(C:\dir\)"), "");
  EXPECT_EQ(ExtractFilePath("file.txt"), "");
  EXPECT_EQ(ExtractFileExt(R"(C:\dir.d\file)"), "");  // the dot belongs to a folder
  EXPECT_EQ(ChangeFileExt(R"(C:\a.b\x.lnk)", ".pif"), R"(C:\a.b\x.pif)");
  EXPECT_EQ(ChangeFileExt(R"(C:\a.b\x)", ".pif"), R"(C:\a.b\x.pif)");
  EXPECT_FALSE(IsBareFileName(R"(system32\foo.dll)"));
  EXPECT_FALSE(IsBareFileName("C:foo"));
  EXPECT_FALSE(IsBareFileName(""));

  EXPECT_TRUE(IsGuidString("{0002abcd-ef00-0000-c000-00000000004f}"));  // lower case too
  // No braces, 37 and 39 characters, no hex digit, a misplaced dash, the wrong closing brace.
  for (const char* bad :
       {"00021401-0000-0000-C000-000000000046", "{00021401-0000-0000-C000-00000000046}",
        "{00021401-0000-0000-C000-0000000000046}", "{0002140g-0000-0000-C000-000000000046}",
        "{00021401-0000-0000-C000+000000000046}", "{00021401-0000-0000-C000-000000000046)"})
    EXPECT_FALSE(IsGuidString(bad)) << bad;

  EXPECT_EQ(SplitPathList(R"("C:\A b";D:\c)"), (std::vector<std::string>{R"(C:\A b)", R"(D:\c)"}));
}

TEST_F(PathChecksTest, FilesFoldersEnvironmentReferencesAndBareNames) {
  drive_.File(R"(C:\Tools\tool.exe)").File(R"(C:\windows\apps\viewer.exe)");
  drive_.File(R"(C:\windows\notepad.exe)").File(R"(C:\boot.ini)");
  EXPECT_TRUE(Paths().FileFound(R"(C:\Windows)"));   // folder test of the full name
  EXPECT_TRUE(Paths().FileFound(R"(C:\Windows\)"));  // a folder name
  EXPECT_FALSE(Paths().FileFound(R"(C:\Gone\)"));
  EXPECT_FALSE(Paths().FileFound(R"(C:\windows\system32\calc.exe\)"));  // a file is no folder
  EXPECT_TRUE(Paths().FileFound(R"(c:\WINDOWS\System32\CALC.EXE)"));
  // Environment references are expanded only with a file name.
  EXPECT_TRUE(Paths().FileFound(R"(%SystemRoot%\system32\calc.exe)"));
  EXPECT_TRUE(Paths().FileFound(R"(%SystemRoot%\system32)"));
  EXPECT_FALSE(Paths().FileFound(R"(%SystemRoot%\)"));
  EXPECT_FALSE(Paths().FileFound(R"(%Unknown%\system32\calc.exe)"));
  // Bare names are searched along the path.
  EXPECT_TRUE(Paths().FileFound("tool.exe"));     // a PATH folder
  EXPECT_TRUE(Paths().FileFound("VIEWER.EXE"));   // a PATH folder given with %SystemRoot%
  EXPECT_TRUE(Paths().FileFound("notepad.exe"));  // WindowsDir
  EXPECT_TRUE(Paths().FileFound("calc.exe"));     // SystemDir
  EXPECT_TRUE(Paths().FileFound("boot.ini"));     // SystemRootDrive
  EXPECT_FALSE(Paths().FileFound("gone.exe"));
  EXPECT_FALSE(Paths().FileFound(""));
  EXPECT_FALSE(Paths().FileFound("apps"));  // a folder is not a file found along the path
  // A relative name with a folder part is not searched along the path.
  EXPECT_FALSE(Paths().FileFound(R"(system32\calc.exe)"));
}

TEST_F(PathChecksTest, CutArgumentsCleanPathValueAndReadStringValue) {
  drive_.File(R"(C:\Program Files\App\app.exe)");
  EXPECT_EQ(Cut(R"(C:\lib\icons,3)", ',', true), R"(C:\lib\icons)");
  EXPECT_EQ(Cut(R"(C:\lib\icons,3)", ',', false), R"(C:\lib\icons,3)");
  EXPECT_EQ(Cut(R"(C:\lib\shell.dll,3  )", ','), R"(C:\lib\shell.dll)");
  // The longest existing path inside the text.
  EXPECT_EQ(Cut(R"(C:\Program Files\App\app.exe /min logs.txt)", ' '),
            R"(C:\Program Files\App\app.exe)");
  // Nothing exists: the text stays as it was.
  EXPECT_EQ(Cut(R"(C:\Other Files\App\app.exe /min logs.txt)", ' '),
            R"(C:\Other Files\App\app.exe /min logs.txt)");
  // A candidate without an extension is never taken, even when it exists.
  drive_.File(R"(C:\a)");
  EXPECT_EQ(Cut(R"(C:\a b\c)", ' '), R"(C:\a b\c)");
  // The longest candidate wins.
  drive_.File(R"(C:\x.exe)").File(R"(C:\x.exe y.exe)");
  EXPECT_EQ(Cut(R"(C:\x.exe y.exe z)", ' '), R"(C:\x.exe y.exe)");
  // Cleaning removes quotes, icon indexes and arguments.
  EXPECT_EQ(Clean(R"(C:\WINDOWS\system32\shell32.dll,-154)"), R"(C:\WINDOWS\system32\shell32.dll)");
  EXPECT_EQ(Clean(""), "");
  // Text read for a path is cleaned; other types are refused.
  const std::string key = R"(\SOFTWARE\Test)";
  drive_.SetString(kLocalMachine, key, "", R"("C:\App\app.exe" /automation)");
  drive_.SetExpandString(kLocalMachine, key, "exp", R"(%SystemRoot%\x.dll,2)");
  drive_.SetDword(kLocalMachine, key, "num", 7);
  TRegistry reg(drive_.Target(), kLocalMachine);
  ASSERT_TRUE(reg.OpenKey(key, false));
  std::string text;
  EXPECT_TRUE(Paths().ReadStringValue(reg, "", text));
  EXPECT_EQ(text, R"(C:\App\app.exe)");
  EXPECT_TRUE(Paths().ReadStringValue(reg, "exp", text));
  EXPECT_EQ(text, R"(%SystemRoot%\x.dll)");
  for (const char* refused : {"num", "missing"}) {
    text = "stale";
    EXPECT_FALSE(Paths().ReadStringValue(reg, refused, text));
    EXPECT_EQ(text, "") << refused;
  }
}

TEST_F(PathChecksTest, SystemFilesAndDefaultFolders) {
  for (const char* path : {R"(%windir%\foo.dll)", R"(C:\WINDOWS\System32\foo.dll)",
                           R"(D:\Tools\mscomctl.ocx)", R"(D:\Tools\MSVCRT.DLL)"})
    EXPECT_TRUE(Paths().IsSystemFile(path)) << path;
  for (const char* path : {R"(D:\Tools\ms)", R"(D:\Tools\bar.dll)", R"(C:\windowsapps\bar.dll)"})
    EXPECT_FALSE(Paths().IsSystemFile(path)) << path;
  // Unknown Windows and program folders fall back to defaults.
  drive_.Profile().windowsDir = "";
  drive_.Profile().systemDir = "";
  const PathChecks paths(drive_.Target());
  const KnownLocations& known = paths.Known();
  EXPECT_EQ(known.WindowsDir, R"(C:\windows\)");
  EXPECT_EQ(known.SystemRootDrive, R"(C:\)");
  EXPECT_EQ(known.ProgramFilesDir, R"(C:\Program Files\)");
  // An empty folder must not make every path a system file.
  EXPECT_FALSE(paths.IsSystemFile(R"(D:\Tools\bar.dll)"));
  EXPECT_TRUE(paths.IsSystemFile(R"(C:\Windows\bar.dll)"));
}

// The folder named in the registry, expanded; of another type, the environment's is taken.
TEST(PathChecksProgramFiles, FromTheRegistryOrTheEnvironment) {
  const std::string key = R"(\SOFTWARE\Microsoft\Windows\CurrentVersion)";
  for (int form = 0; form < 3; ++form) {
    DriveFixture drive;
    drive.Profile().environment = {{"SystemDrive", "C:"}, {"ProgramFiles", R"(E:\Apps)"}};
    if (form == 0) drive.SetString(kLocalMachine, key, "ProgramFilesDir", R"(D:\Progs)");
    if (form == 1)
      drive.SetExpandString(kLocalMachine, key, "ProgramFilesDir", R"(%SystemDrive%\Apps)");
    if (form == 2) drive.SetDword(kLocalMachine, key, "ProgramFilesDir", 1);
    const char* expected[] = {R"(D:\Progs\)", R"(C:\Apps\)", R"(E:\Apps\)"};
    EXPECT_EQ(PathChecks(drive.Target()).Known().ProgramFilesDir, expected[form]) << form;
  }
}

// The info command shows the folders and the flags of Windows 7 and 98; NT 4 is no Windows 2000.
TEST_F(PathChecksTest, Nt4Flags) {
  drive_.UseWin9x();  // major version 4
  drive_.Profile().version.platformId = 2;
  EXPECT_TRUE(PathChecks(drive_.Target()).Known().IsNT);
  EXPECT_FALSE(PathChecks(drive_.Target()).Known().IsWin2000OrLater);
}

TEST_F(PathChecksTest, CollapsedPaths) {
  // A path written back takes the variable with the longest value it starts with.
  drive_.Profile().environment = {{"SystemDrive", "C:"},
                                  {"SystemRoot", R"(C:\WINDOWS)"},
                                  {"windir", R"(C:\WINDOWS)"},
                                  {"USERPROFILE", R"(C:\users\me)"},
                                  {"APPDATA", R"(C:\users\me\AppData\Roaming)"},
                                  {"ProgramFiles", R"(C:\Program Files)"}};
  const PathChecks paths(drive_.Target());
  EXPECT_EQ(paths.CollapseEnvPath(R"(C:\WINDOWS\system32\x.dll)"),
            R"(%SystemRoot%\system32\x.dll)");
  // Every occurrence is replaced, whatever its case.
  EXPECT_EQ(paths.CollapseEnvPath(R"(C:\WINDOWS\a.exe c:\windows\b.dll)"),
            R"(%SystemRoot%\a.exe %SystemRoot%\b.dll)");
  // The prefix test itself is case-sensitive.
  EXPECT_EQ(paths.CollapseEnvPath(R"(c:\windows\x.dll)"), R"(c:\windows\x.dll)");
  EXPECT_EQ(paths.CollapseEnvPath(R"(C:\users\me\AppData\Roaming\x.dll)"), R"(%APPDATA%\x.dll)");
  // A bare drive is too short to be used.
  EXPECT_EQ(paths.CollapseEnvPath(R"(C:\Data\x.dll)"), R"(C:\Data\x.dll)");
  // Machine-wide values never take a per-user variable.
  EXPECT_EQ(paths.CollapseEnvPath(R"(C:\users\me\AppData\Roaming\x.dll)", true),
            R"(C:\users\me\AppData\Roaming\x.dll)");
  EXPECT_EQ(paths.CollapseEnvPath(R"(C:\Program Files\App\x.dll)", true),
            R"(%ProgramFiles%\App\x.dll)");
  // Empty values are never used.
  drive_.Profile().environment = {{"EMPTY", ""}, {"X", ""}};
  EXPECT_EQ(PathChecks(drive_.Target()).CollapseEnvPath(R"(C:\a\b.dll)"), R"(C:\a\b.dll)");
}

// A scan remembers what it learnt of the disk only while it runs.
const std::string kClassKey = R"(Software\Classes\CLSID\{11111111-1111-1111-1111-111111111111})";

std::string Missing(const std::string& sub, const std::string& path) {
  return R"(HKEY_CLASSES_ROOT\CLSID\{11111111-1111-1111-1111-111111111111}\)" + sub + " |  | " +
         path + " | File not found | selected | missing";
}

TEST(ScanCache, TheProgramsOwnChangesAreSeenAtOnceAndOthersByTheNextScan) {
  TempPrefix prefix;
  prefix.File(R"(C:\Apps\here.dll)")
      .Machine(kClassKey + R"(\InprocServer32)", {Sz("", R"(C:\Apps\here.dll)")})
      // Cleaning and judging both ask about this one.
      .Machine(kClassKey + R"(\LocalServer32)", {Sz("", R"("C:\Apps\later.exe" /automation)")});
  PrefixEngine scan(prefix);
  const auto problems = [&] {
    scan.ScanOnly({&scan.Engine().RegIntegrity});
    return Problems(scan.Engine().RegIntegrity);
  };
  const auto found = [&](const std::string& path) { return scan.Engine().Paths().FileFound(path); };
  EXPECT_THAT(problems(), ElementsAre(Missing("LocalServer32", R"(C:\Apps\later.exe)")));
  ASSERT_TRUE(found(R"(C:\Apps\here.dll)"));
  ASSERT_FALSE(found(R"(C:\Apps\later.exe)"));
  // A repair copies a shortcut out and deletes it, a restore copies one back.
  FileSystem& files = scan.GetTarget().Files();
  const fs::path saved = prefix.Path() / "saved.bin";
  ASSERT_TRUE(files.CopyOut(R"(C:\Apps\HERE.DLL)", saved));
  ASSERT_TRUE(files.DeleteFile(R"(C:\Apps\here.dll)"));
  ASSERT_TRUE(files.CopyIn(saved, R"(C:\Apps\later.exe)"));
  ASSERT_TRUE(files.CopyIn(saved, R"(C:\windows\system32\fresh.dll)"));
  EXPECT_FALSE(found(R"(C:\Apps\here.dll)"));
  EXPECT_TRUE(found(R"(c:\apps\LATER.EXE)"));
  EXPECT_TRUE(found("fresh.dll"));
  EXPECT_THAT(problems(), ElementsAre(Missing("InprocServer32", R"(C:\Apps\here.dll)")));
  // Another program installs one server, then removes the other.
  prefix.File(R"(C:\Apps\here.dll)");
  EXPECT_THAT(problems(), IsEmpty());
  fs::remove(prefix.HostPath(R"(C:\Apps\later.exe)"));
  EXPECT_THAT(problems(), ElementsAre(Missing("LocalServer32", R"(C:\Apps\later.exe)")));
}

TEST_F(PathChecksTest, RememberedAnswersMatchTheDiskWhileAScanRuns) {
  drive_.Profile().environment = {{"SystemRoot", R"(C:\windows)"},
                                  {"PATH", R"(C:\Tools\;c:\TOOLS;%SystemRoot%\system32)"}};
  drive_.File(R"(C:\Tools\tool.exe)").Folder(R"(C:\Data)");
  PathChecks& paths = Paths();

  paths.BeginScan();
  for (int round = 0; round < 2; ++round) {
    EXPECT_TRUE(paths.FileFound("tool.exe"));
    EXPECT_TRUE(paths.FileFound("CALC.EXE"));
    EXPECT_FALSE(paths.FileFound("gone.exe"));
    EXPECT_TRUE(paths.FileFound(R"(%SystemRoot%\system32\calc.exe)"));
    EXPECT_TRUE(paths.FileFound(R"(C:\Data)"));
    EXPECT_FALSE(paths.FileFound(R"(C:\Data\gone.txt)"));
    // The text as asked is the key: another spelling is never taken for a missing file.
    EXPECT_TRUE(paths.FileFound(R"(c:\tools\TOOL.EXE)"));
  }
  // Far more distinct names than are kept: the answers stay right once the memory starts over.
  for (int n = 0; n < 5000; ++n)
    ASSERT_FALSE(paths.FileFound("missing" + std::to_string(n) + ".dll"));
  EXPECT_TRUE(paths.FileFound("tool.exe"));
  paths.EndScan();

  // Outside a scan the disk is asked every time.
  fs::remove(drive_.HostPath(R"(C:\Tools\tool.exe)"));
  drive_.Files().DropCache();
  EXPECT_FALSE(paths.FileFound("tool.exe"));
  drive_.File(R"(C:\Tools\tool.exe)");
  EXPECT_TRUE(paths.FileFound("tool.exe"));
}

}  // namespace
}  // namespace ordrex
