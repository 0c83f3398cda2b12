#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/cli/cli_app.h"
#include "app/cli/json_writer.h"
#include "platform/wine/wine_prefix_target.h"
#include "support/fresh_prefix.h"

namespace ordrex::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kSample = fs::path(ORDREX_SOURCE_DIR) / "examples" / "sample-prefix";

struct CliRun {
  int exitCode;
  std::string out;
  std::string err;
};

CliRun RunInfo(const std::vector<std::string>& args,
               const std::map<std::string, std::string>& environment = {}) {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in;
  ManualClock clock;
  CliContext context{out, err, in, clock, environment, false};
  const int code = RunCli(args, context);
  return {code, out.str(), err.str()};
}

// Key counts come from the store; the target tests check them against the files.
std::vector<std::size_t> KeyCounts(const fs::path& prefix) {
  ManualClock clock;
  std::vector<std::size_t> counts;
  for (const auto& file : OpenWinePrefix(prefix, clock)->RegistryFiles()) {
    counts.push_back(file.keys);
  }
  return counts;
}

TEST(InfoCommand, TextShowsWhatTheProgramSees) {
  const auto keys = KeyCounts(kSample);
  ASSERT_EQ(keys.size(), 3u);
  const std::string p = kSample.string();
  const CliRun run = RunInfo({"info", "--prefix", p});
  EXPECT_EQ(run.exitCode, kExitOk);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "Target:             wine-prefix " + p + "\n" +
                "Windows:            Microsoft Windows 7, 6.1.7601 (NT)\n"
                "Flags:              IsNT yes, IsWin9x no, IsWin2000OrLater yes\n"
                "Computer:           SAMPLE, user sample\n"
                "WindowsDir:         C:\\windows\\\n"
                "SystemDir:          C:\\windows\\system32\\\n"
                "ProgramFilesDir:    C:\\Program Files\\\n"
                "StartMenuDir:       C:\\users\\sample\\AppData\\Roaming\\Microsoft\\Windows\\"
                "Start Menu\\\n"
                "CommonStartMenuDir: C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\\n"
                "DesktopDir:         C:\\users\\sample\\Desktop\\\n"
                "AppDataDir:         C:\\users\\sample\\AppData\\Roaming\\\n"
                "RecentDir:          C:\\users\\sample\\AppData\\Roaming\\Microsoft\\Windows\\"
                "Recent\\\n"
                "HistoryDir:         C:\\users\\sample\\AppData\\Local\\Microsoft\\Windows\\"
                "History\\\n"
                "Drives:\n"
                "  C:  " +
                p + "/drive_c  (fixed)\n" +
                "Wineserver:         not running\n"
                "Registry files:\n"
                "  " +
                p + "/system.reg  " + std::to_string(keys[0]) + " keys\n" + "  " + p +
                "/user.reg  " + std::to_string(keys[1]) + " keys\n" + "  " + p + "/userdef.reg  " +
                std::to_string(keys[2]) + " keys\n");
}

TEST(InfoCommand, JsonFollowsTheContract) {
  const auto keys = KeyCounts(kSample);
  const std::string p = kSample.string();
  const CliRun run = RunInfo({"info", "--json"}, {{"WINEPREFIX", p}});
  EXPECT_EQ(run.exitCode, kExitOk);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(
      run.out,
      R"({"target": ")" + p +
          R"(", "kind": "wine-prefix", "version": "6.1.7601", "isNT": true, )"
          R"("windowsDir": "C:\\windows\\", "systemDir": "C:\\windows\\system32\\", )"
          R"("programFilesDir": "C:\\Program Files\\", "specialFolders": {)"
          R"("startMenu": "C:\\users\\sample\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\", )"
          R"("commonStartMenu": "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\", )"
          R"("desktop": "C:\\users\\sample\\Desktop\\", )"
          R"("appData": "C:\\users\\sample\\AppData\\Roaming\\", )"
          R"("recent": "C:\\users\\sample\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\", )"
          R"("history": "C:\\users\\sample\\AppData\\Local\\Microsoft\\Windows\\History\\"}, )"
          R"("drives": [{"letter": "C", "hostPath": ")" +
          p + R"(/drive_c", "fixed": true}], "wineserverPid": null, "registryFiles": [)" +
          R"({"path": ")" + p + R"(/system.reg", "keys": )" + std::to_string(keys[0]) +
          R"(}, {"path": ")" + p + R"(/user.reg", "keys": )" + std::to_string(keys[1]) +
          R"(}, {"path": ")" + p + R"(/userdef.reg", "keys": )" + std::to_string(keys[2]) +
          "}]}\n");
}

TEST(InfoCommand, WindowsNinetyEightFlags) {
  testsupport::ScratchFolder scratch;
  const fs::path prefix = scratch.Path() / "prefix";
  testsupport::CopyPrefix(kSample, prefix);
  // Wine told to report Windows 98 (what winecfg writes).
  std::ofstream(prefix / "user.reg", std::ios::app)
      << "\n[Software\\\\Wine] 1700000000\n\"Version\"=\"win98\"\n";
  const CliRun run = RunInfo({"info", "--prefix", prefix.string()});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_THAT(run.out,
              HasSubstr("Windows:            Microsoft Windows 98, 4.10.2222 (Windows 9x)\n"
                        "Flags:              IsNT no, IsWin9x yes, IsWin2000OrLater no\n"));
  EXPECT_THAT(run.out, HasSubstr("SystemDir:          C:\\windows\\system\\\n"));
  const CliRun json = RunInfo({"info", "--json", "--prefix", prefix.string()});
  EXPECT_THAT(json.out, HasSubstr(R"("version": "4.10.2222", "isNT": false, )"));
}

TEST(InfoCommand, JsonEscapesTheFolderName) {
  testsupport::ScratchFolder scratch;
  const fs::path prefix = scratch.Path() / "we\"ird\\dir\tname";
  testsupport::CopyPrefix(kSample, prefix);
  const CliRun run = RunInfo({"info", "--json", "--prefix", prefix.string()});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  const std::string escaped = scratch.Path().string() + "/we\\\"ird\\\\dir\\tname";
  EXPECT_THAT(run.out, HasSubstr("{\"target\": \"" + escaped + "\", "));
  EXPECT_THAT(run.out, HasSubstr("\"hostPath\": \"" + escaped + "/drive_c\""));
}

TEST(InfoCommand, TargetErrorsAreOneLineAndExitTwo) {
  testsupport::ScratchFolder scratch;
  const fs::path missing = scratch.Path() / "missing";
  CliRun run = RunInfo({"info", "--prefix", missing.string()});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "ordrex-cli: The Wine prefix " + missing.string() + " does not exist.\n");

  // No --prefix, no WINEPREFIX: the home folder's .wine.
  run = RunInfo({"info"}, {{"HOME", scratch.Path().string()}});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_EQ(run.err, "ordrex-cli: The Wine prefix " + (scratch.Path() / ".wine").string() +
                         " does not exist.\n");

  run = RunInfo({"info"}, {});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_EQ(run.err, "ordrex-cli: no Wine prefix given: use --prefix DIR or set WINEPREFIX\n");

  run = RunInfo({"info", "--prefix", scratch.Path().string()});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_EQ(run.err, "ordrex-cli: " + scratch.Path().string() +
                         " is not a Wine prefix: it has no system.reg.\n");
}

TEST(InfoCommand, OfflineWindowsVolumesAreNotSupportedYet) {
  CliRun run = RunInfo({"info", "--windows", "/mnt/windows"});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "ordrex-cli: offline Windows volumes (--windows) are not supported yet\n");

  run = RunInfo({"info", "--windows", "/mnt/windows", "--prefix", kSample.string()});
  EXPECT_EQ(run.exitCode, kExitUsage);
  EXPECT_EQ(run.out, "");
  EXPECT_THAT(run.err, HasSubstr("excludes"));
}

TEST(InfoCommand, PrefixWithTrailingSeparatorIsTheSamePrefix) {
  const CliRun run = RunInfo({"info", "--json", "--prefix", kSample.string() + "/"});
  ASSERT_EQ(run.exitCode, kExitOk) << run.err;
  EXPECT_THAT(run.out, HasSubstr("{\"target\": \"" + kSample.string() + "\", "));
}

TEST(JsonWriter, EscapesEverythingJsonForbids) {
  EXPECT_EQ(JsonQuote("plain"), "\"plain\"");
  EXPECT_EQ(JsonQuote("a\"b\\c/d"), R"("a\"b\\c/d")");
  EXPECT_EQ(JsonQuote("\n\r\t\b\f"), R"("\n\r\t\b\f")");
  EXPECT_EQ(JsonQuote(std::string("\x01\x1f\x7f", 3)), R"("\u0001\u001f\u007f")");
  EXPECT_EQ(JsonQuote(std::string("nul\0x", 5)), R"("nul\u0000x")");
  EXPECT_EQ(JsonQuote("Gr\xC3\xBC\xC3\x9F"
                      "e \xE2\x82\xAC"),
            "\"Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x82\xAC\"");
  // Not UTF-8 (a Latin-1 byte, a cut sequence): each bad byte replaced, never passed through.
  EXPECT_EQ(JsonQuote("caf\xE9"), R"("caf\ufffd")");
  EXPECT_EQ(JsonQuote("x\xE2\x82"), R"("x\ufffd\ufffd")");
}

TEST(JsonWriter, PlacesSeparatorsInNestedValues) {
  std::ostringstream out;
  JsonWriter json(out);
  json.BeginObject();
  json.Key("a").BeginArray().Number(1).Bool(false).Null().BeginObject().EndObject().EndArray();
  json.Key("b").OptionalString(std::nullopt);
  json.Key("c").OptionalNumber(-7);
  json.Key("d").BeginArray().EndArray();
  json.EndObject();
  EXPECT_EQ(out.str(), R"({"a": [1, false, null, {}], "b": null, "c": -7, "d": []})");
}

}  // namespace
}  // namespace ordrex::cli
