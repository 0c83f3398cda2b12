// Folder listings are remembered within a scan; every scan starts from the disk as it is then,
// and what the program itself deletes or copies is seen at once.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/rule_test_support.h"

namespace ordrex {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testsupport::Problems;
using testsupport::RuleScan;
using testsupport::Sz;
using testsupport::TempPrefix;

constexpr const char* kClass = R"(Software\Classes\CLSID\{11111111-1111-1111-1111-111111111111})";
constexpr const char* kBase = R"(HKEY_CLASSES_ROOT\CLSID\{11111111-1111-1111-1111-111111111111})";

TEST(ScanFileCacheTest, EachScanSeesFilesMadeOrRemovedOutsideTheProgramSinceTheLastOne) {
  TempPrefix prefix;
  prefix.File(R"(C:\Tools\ls32.exe)")
      .Machine(std::string(kClass) + R"(\InprocServer32)", {Sz("", R"(C:\Tools\ip32.dll)")})
      .Machine(std::string(kClass) + R"(\LocalServer32)", {Sz("", R"(C:\Tools\ls32.exe)")});
  RuleScan scan(prefix);
  TCustomOrdrex& category = scan.Engine().RegIntegrity;
  scan.ScanOnly({&category});
  EXPECT_THAT(Problems(category),
              ElementsAre(std::string(kBase) +
                          R"(\InprocServer32 |  | C:\Tools\ip32.dll | File not found | selected | )"
                          "missing"));

  // Another program installs the server and removes the other one between the scans.
  std::ofstream(prefix.HostPath(R"(C:\Tools\ip32.dll)")).put('x');
  fs::remove(prefix.HostPath(R"(C:\Tools\ls32.exe)"));
  scan.ScanOnly({&category});
  EXPECT_THAT(Problems(category),
              ElementsAre(std::string(kBase) +
                          R"(\LocalServer32 |  | C:\Tools\ls32.exe | File not found | selected | )"
                          "missing"));
}

TEST(ScanFileCacheTest, WhatTheProgramDeletesOrCopiesInIsSeenAtOnce) {
  TempPrefix prefix;
  prefix.File(R"(C:\Tools\ip32.dll)")
      .Machine(std::string(kClass) + R"(\InprocServer32)", {Sz("", R"(C:\Tools\ip32.dll)")});
  RuleScan scan(prefix);
  TCustomOrdrex& category = scan.Engine().RegIntegrity;
  scan.ScanOnly({&category});
  EXPECT_THAT(Problems(category), IsEmpty());

  // The listing of C:\Tools is remembered from the scan; the delete must not leave it stale.
  FileSystem& files = scan.GetTarget().Files();
  const fs::path saved = prefix.Path() / "saved.dll";
  ASSERT_TRUE(files.CopyOut(R"(C:\Tools\IP32.DLL)", saved));
  ASSERT_TRUE(files.DeleteFile(R"(C:\Tools\ip32.dll)"));
  EXPECT_FALSE(scan.Engine().Paths().FileFound(R"(C:\Tools\ip32.dll)"));
  ASSERT_TRUE(files.CopyIn(saved, R"(C:\Tools\ip32.dll)"));
  EXPECT_TRUE(scan.Engine().Paths().FileFound(R"(c:\tools\ip32.dll)"));
}

}  // namespace
}  // namespace ordrex
