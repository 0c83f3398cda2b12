// A scan remembers what it learnt of the disk only while it runs: files that come and go
// between two scans, or through the program's own deletes and copies, are seen at once.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/path_checks.h"
#include "support/drive_fixture.h"
#include "support/prefix_engine.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace testsupport;

const std::string kClassKey = R"(Software\Classes\CLSID\{11111111-1111-1111-1111-111111111111})";

std::string Missing(const std::string& sub, const std::string& path) {
  return R"(HKEY_CLASSES_ROOT\CLSID\{11111111-1111-1111-1111-111111111111}\)" + sub + " |  | " +
         path + " | File not found | selected | missing";
}

class ScanCacheTest : public ::testing::Test {
 protected:
  ScanCacheTest() {
    prefix_.File(R"(C:\Apps\here.dll)")
        .Machine(kClassKey + R"(\InprocServer32)", {Sz("", R"(C:\Apps\here.dll)")})
        // Cleaning and judging both ask about this one.
        .Machine(kClassKey + R"(\LocalServer32)", {Sz("", R"("C:\Apps\later.exe" /automation)")});
    scan_ = std::make_unique<PrefixEngine>(prefix_);
  }
  std::vector<std::string> Scan() {
    scan_->ScanOnly({&scan_->Engine().RegIntegrity});
    return Problems(scan_->Engine().RegIntegrity);
  }
  bool Found(const std::string& path) { return scan_->Engine().Paths().FileFound(path); }
  FileSystem& Files() { return scan_->GetTarget().Files(); }

  TempPrefix prefix_;
  std::unique_ptr<PrefixEngine> scan_;
};

TEST_F(ScanCacheTest, FilesChangedBetweenScansAreSeenByTheNextScan) {
  EXPECT_THAT(Scan(), ElementsAre(Missing("LocalServer32", R"(C:\Apps\later.exe)")));
  // Another program removes one server and installs the other.
  fs::remove(prefix_.HostPath(R"(C:\Apps\here.dll)"));
  prefix_.File(R"(C:\Apps\later.exe)");
  EXPECT_THAT(Scan(), ElementsAre(Missing("InprocServer32", R"(C:\Apps\here.dll)")));
  prefix_.File(R"(C:\Apps\here.dll)");
  EXPECT_THAT(Scan(), IsEmpty());
}

TEST_F(ScanCacheTest, TheProgramsOwnDeletesAndCopiesAreSeenAtOnce) {
  Scan();
  ASSERT_TRUE(Found(R"(C:\Apps\here.dll)"));
  ASSERT_FALSE(Found(R"(C:\Apps\later.exe)"));
  // As a repair copies a shortcut out and deletes it, and a restore copies one back: the
  // listings remembered from the scan must not go stale.
  const fs::path saved = prefix_.Path() / "saved.bin";
  ASSERT_TRUE(Files().CopyOut(R"(C:\Apps\HERE.DLL)", saved));
  ASSERT_TRUE(Files().DeleteFile(R"(C:\Apps\here.dll)"));
  ASSERT_TRUE(Files().CopyIn(saved, R"(C:\Apps\later.exe)"));
  ASSERT_TRUE(Files().CopyIn(saved, R"(C:\windows\system32\fresh.dll)"));

  EXPECT_FALSE(Found(R"(C:\Apps\here.dll)"));
  EXPECT_TRUE(Found(R"(c:\apps\LATER.EXE)"));
  EXPECT_TRUE(Found("fresh.dll"));
  EXPECT_THAT(Scan(), ElementsAre(Missing("InprocServer32", R"(C:\Apps\here.dll)")));
}

TEST(ScanCacheChecks, RememberedAnswersMatchTheDiskWhileAScanRuns) {
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
