#pragma once
// What the command-line tests share: the outcome of one run of the tool, and a copy of the
// sample prefix with the user's own folders, all in one scratch folder.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>

#include "platform/clock.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"
#include "support/registry_dump.h"

namespace ordrex::cli {

inline const std::filesystem::path kSample =
    std::filesystem::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";

struct CliRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class PrefixCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix_ = scratch_.Path() / "prefix";
    testsupport::CopyPrefix(kSample, prefix_);
    environment_ = {{"HOME", (scratch_.Path() / "home").string()},
                    {"XDG_CONFIG_HOME", (scratch_.Path() / "config").string()},
                    {"XDG_DATA_HOME", (scratch_.Path() / "data").string()}};
  }

  // The prefix's registry as text, for comparing whole registries.
  std::string Dump() {
    ManualClock clock;
    return testsupport::DumpRoots(*OpenWinePrefix(prefix_, clock), testsupport::DumpOrder::kSorted);
  }

  testsupport::ScratchFolder scratch_;
  std::filesystem::path prefix_;
  std::map<std::string, std::string> environment_;
  ManualClock clock_{std::chrono::system_clock::from_time_t(1710000000)};
};

}  // namespace ordrex::cli
