// A scan remembers what it learnt of the disk only while it runs: files that come and go
// between two scans, or through the program's own deletes and copies, are seen at once.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/path_checks.h"
#include "support/drive_fixture.h"
#include "support/rule_test_support.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using testsupport::DriveFixture;
using testsupport::Problems;
using testsupport::RuleScan;
using testsupport::Sz;
using testsupport::TempPrefix;

constexpr const char* kClassKey =
    R"(Software\Classes\CLSID\{11111111-1111-1111-1111-111111111111})";
constexpr const char* kClassRow =
    R"(HKEY_CLASSES_ROOT\CLSID\{11111111-1111-1111-1111-111111111111})";

void MakeHostFile(const fs::path& host) {
  fs::create_directories(host.parent_path());
  std::ofstream(host).put('x');
}

std::string Missing(const std::string& sub, const std::string& path) {
  return std::string(kClassRow) + "\\" + sub + " |  | " + path +
         " | File not found | selected | missing";
}

class ScanPathCacheTest : public ::testing::Test {
 protected:
  ScanPathCacheTest() {
    prefix_.File(R"(C:\Apps\here.dll)");
    prefix_
        .Machine(std::string(kClassKey) + R"(\InprocServer32)", {Sz("", R"(C:\Apps\here.dll)")})
        // Cleaning and judging both ask about this one.
        .Machine(std::string(kClassKey) + R"(\LocalServer32)",
                 {Sz("", R"("C:\Apps\later.exe" /automation)")});
    scan_ = std::make_unique<RuleScan>(prefix_);
  }
  void Scan() { scan_->ScanOnly({&scan_->Engine().RegIntegrity}); }
  std::vector<std::string> Found() { return Problems(scan_->Engine().RegIntegrity); }
  const PathChecks& Paths() { return scan_->Engine().Paths(); }
  FileSystem& Files() { return scan_->GetTarget().Files(); }

  TempPrefix prefix_;
  std::unique_ptr<RuleScan> scan_;
};

TEST_F(ScanPathCacheTest, FilesChangedBetweenScansAreSeenByTheNextScan) {
  Scan();
  EXPECT_THAT(Found(), ElementsAre(Missing("LocalServer32", R"(C:\Apps\later.exe)")));

  fs::remove(prefix_.HostPath(R"(C:\Apps\here.dll)"));
  MakeHostFile(prefix_.HostPath(R"(C:\Apps\later.exe)"));
  Scan();
  EXPECT_THAT(Found(), ElementsAre(Missing("InprocServer32", R"(C:\Apps\here.dll)")));

  MakeHostFile(prefix_.HostPath(R"(C:\Apps\here.dll)"));
  Scan();
  EXPECT_TRUE(Found().empty());
}

TEST_F(ScanPathCacheTest, TheProgramsOwnDeletesAndCopiesAreSeenAtOnce) {
  Scan();
  ASSERT_TRUE(Paths().FileFound(R"(C:\Apps\here.dll)"));
  ASSERT_FALSE(Paths().FileFound(R"(C:\Apps\later.exe)"));

  // As a repair deletes a shortcut, and a restore copies one back.
  ASSERT_TRUE(Files().DeleteFile(R"(C:\Apps\here.dll)"));
  const fs::path copy = prefix_.Path() / "copy.bin";
  MakeHostFile(copy);
  ASSERT_TRUE(Files().CopyIn(copy, R"(C:\Apps\later.exe)"));
  ASSERT_TRUE(Files().CopyIn(copy, R"(C:\windows\system32\fresh.dll)"));

  EXPECT_FALSE(Paths().FileFound(R"(C:\Apps\here.dll)"));
  EXPECT_TRUE(Paths().FileFound(R"(C:\Apps\later.exe)"));
  EXPECT_TRUE(Paths().FileFound("fresh.dll"));
  Scan();
  EXPECT_THAT(Found(), ElementsAre(Missing("InprocServer32", R"(C:\Apps\here.dll)")));
}

TEST(ScanPathCacheChecks, RememberedAnswersMatchTheDiskWhileAScanRuns) {
  DriveFixture drive;
  drive.Profile().environment = {{"SystemRoot", R"(C:\windows)"},
                                 {"PATH", R"(C:\Tools\;c:\TOOLS;%SystemRoot%\system32)"}};
  drive.File(R"(C:\Tools\tool.exe)").File(R"(C:\windows\system32\calc.exe)");
  drive.Folder(R"(C:\Data)");
  PathChecks paths(drive.Target());

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
  fs::remove(drive.HostPath(R"(C:\Tools\tool.exe)"));
  drive.Files().DropCache();
  EXPECT_FALSE(paths.FileFound("tool.exe"));
  drive.File(R"(C:\Tools\tool.exe)");
  drive.Files().DropCache();
  EXPECT_TRUE(paths.FileFound("tool.exe"));

  // A new scan starts with nothing remembered.
  paths.BeginScan();
  EXPECT_TRUE(paths.FileFound("tool.exe"));
  paths.EndScan();
  fs::remove(drive.HostPath(R"(C:\Tools\tool.exe)"));
  drive.Files().DropCache();
  paths.BeginScan();
  EXPECT_FALSE(paths.FileFound("tool.exe"));
  paths.EndScan();
}

}  // namespace
}  // namespace ordrex
