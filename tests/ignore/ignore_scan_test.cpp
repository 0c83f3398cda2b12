#include <gtest/gtest.h>

#include "engine/ordrex.h"
#include "ignore/ignore_list.h"
#include "platform/clock.h"
#include "support/drive_fixture.h"

namespace ordrex {
namespace {

using testsupport::DriveFixture;

// The keys of the problems a Registry Integrity scan records with the list bound.
std::vector<std::string> ScanKeys(DriveFixture& drive, const TIgnoreList& list) {
  ManualClock clock;
  TOrdrex engine(drive.Target(), clock);
  engine.IsIgnored = [&list](std::string_view text, IgnoreScope scope) {
    return list.IsIgnored(text, scope);
  };
  for (TCustomOrdrex* category : engine.Categories()) {
    category->Enabled = category == &engine.RegIntegrity;
  }
  engine.Clear();
  engine.Stop(false);
  engine.Scan();
  engine.Stop(true);
  std::vector<std::string> keys;
  for (const auto& problem : engine.RegIntegrity.Problems())
    keys.push_back(problem->Key);
  return keys;
}

TEST(IgnoreScanTest, TheScanDropsExactlyTheMatchingProblems) {
  DriveFixture drive;
  for (const char* guid :
       {"{00000000-0000-0000-0000-00000000000A}", "{00000000-0000-0000-0000-00000000000B}",
        "{00000000-0000-0000-0000-00000000000C}"}) {
    drive.SetString(kLocalMachine,
                    std::string(R"(\SOFTWARE\Classes\CLSID\)") + guid + R"(\InprocServer32)", "",
                    std::string(R"(D:\Gone\)") + guid + ".dll");
  }
  const std::string a = R"(\CLSID\{00000000-0000-0000-0000-00000000000A}\InprocServer32)";
  const std::string b = R"(\CLSID\{00000000-0000-0000-0000-00000000000B}\InprocServer32)";
  const std::string c = R"(\CLSID\{00000000-0000-0000-0000-00000000000C}\InprocServer32)";
  ASSERT_EQ(ScanKeys(drive, TIgnoreList()), (std::vector<std::string>{a, b, c}));

  TIgnoreList list;
  list.Add(b, kIgnoreKey, false, nullptr);
  list.Add(R"(d:\gone\{00000000-0000-0000-0000-00000000000C}.DLL)", kIgnoreData, false, nullptr);
  // Listed for the wrong parts of a problem: no effect.
  list.Add(a, kIgnoreValue | kIgnoreData, false, nullptr);
  EXPECT_EQ(ScanKeys(drive, list), std::vector<std::string>{a});
}

}  // namespace
}  // namespace ordrex
