// The command-line tool on an offline Windows volume: what info and scan show, a repair that
// changes exactly the planted entries, restoring its backup, and every refusal to write.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/cli_app.h"
#include "app/cli_fixture.h"
#include "platform/text.h"
#include "support/hive_builder.h"
#include "support/process.h"
#include "support/temp_volume.h"

namespace ordrex::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using testsupport::TempVolume;

class VolumeCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testsupport::HivexregeditAvailable()) GTEST_SKIP() << testsupport::kHivexregeditMissing;
    volume_ = std::make_unique<TempVolume>();
    environment_ = {{"HOME", (scratch_.Path() / "home").string()},
                    {"XDG_CONFIG_HOME", (scratch_.Path() / "config").string()},
                    {"XDG_DATA_HOME", (scratch_.Path() / "data").string()}};
  }
  // Runs a verb on the volume (backups: on what they name); "@" in the output stands for the
  // volume's folder.
  CliRun Run(std::vector<std::string> args) {
    if (args[0] != "backups")
      args.insert(args.begin() + 1, {"--windows", volume_->Path().string()});
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CliContext context{out, err, in, clock_, environment_, false, nullptr, {}, {}, {}};
    const int code = RunCli(args, context);
    const std::string v = volume_->Path().string();
    return {code, ReplaceAllText(out.str(), v, "@"), ReplaceAllText(err.str(), v, "@")};
  }

  testsupport::ScratchFolder scratch_;
  std::unique_ptr<TempVolume> volume_;
  std::map<std::string, std::string> environment_;
  ManualClock clock_{std::chrono::system_clock::from_time_t(1710000000)};
};

// The text as it is without the lines that name the planted entries: the two Run values, and
// the CLSID's InprocServer32 key with its value.
std::string WithoutPlanted(const std::string& text) {
  std::string kept;
  bool inPlantedKey = false;
  for (const std::string& line : Split(text, '\n')) {
    if (line.starts_with("[")) {
      inPlantedKey = line.ends_with(std::string(testsupport::kPlantedClsid) + "\\InprocServer32]");
    }
    if (inPlantedKey || line.starts_with("\"Gone\"=") || line.starts_with("\"UserGone\"=")) {
      continue;
    }
    kept += line + "\n";
  }
  return kept;
}

TEST_F(VolumeCliTest, InfoShowsUsersHivesAndWhetherItMayBeWritten) {
  const CliRun run = Run({"info"});
  EXPECT_EQ(run.exitCode, kExitOk);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, R"(Target:             windows-volume @
Windows:            Windows 10 Pro, 10.0.19045 (NT)
Flags:              IsNT yes, IsWin9x no, IsWin2000OrLater yes
Computer:           OFFICE-PC, user ann
WindowsDir:         C:\Windows\
SystemDir:          C:\Windows\system32\
ProgramFilesDir:    C:\Program Files\
StartMenuDir:       C:\Users\ann\AppData\Roaming\Microsoft\Windows\Start Menu\
CommonStartMenuDir: C:\ProgramData\Microsoft\Windows\Start Menu\
DesktopDir:         C:\Users\ann\Desktop\
AppDataDir:         C:\Users\ann\AppData\Roaming\
RecentDir:          C:\Users\ann\AppData\Roaming\Microsoft\Windows\Recent\
HistoryDir:         C:\Users\ann\AppData\Local\Microsoft\Windows\History\
Drives:
  C:  @  (fixed)
  Other drives and shares are not on this volume: paths there are never reported.
Users:
  ann  S-1-5-21-7-8-9-1001  (chosen)
Hibernated:         no
Read-only:          no
Dirty hives:        none
Registry files:
  @/Windows/System32/config/SOFTWARE  12 keys
  @/Windows/System32/config/SYSTEM  12 keys
  @/Windows/System32/config/DEFAULT  2 keys
  @/Users/ann/NTUSER.DAT  7 keys
  @/Users/ann/AppData/Local/Microsoft/Windows/UsrClass.dat  5 keys
)");
  const CliRun json = Run({"info", "--json"});
  EXPECT_THAT(json.out,
              HasSubstr(R"("users": [{"name": "ann", "sid": "S-1-5-21-7-8-9-1001", "hive": )"
                        R"("@/Users/ann/NTUSER.DAT", "chosen": true}], "hibernated": false, )"
                        R"("readOnly": false, "dirtyHives": [], "registryFiles": [)"));

  volume_->AddUser("bob", "S-1-5-21-7-8-9-1002");
  EXPECT_THAT(Run({"info", "--user", "Bob"}).out,
              HasSubstr("  ann  S-1-5-21-7-8-9-1001\n  bob  S-1-5-21-7-8-9-1002  (chosen)\n"));
  const CliRun nobody = Run({"info", "--user", "nobody"});
  EXPECT_EQ(nobody.exitCode, kExitUsage);
  EXPECT_EQ(nobody.err, "ordrex-cli: There is no user nobody on @; its users are ann, bob.\n");
}

// Paths on drives the volume lacks (D:, a share) are not judged; HKEY_CLASSES_ROOT merges the
// user's UsrClass.dat (.ann) over the machine's classes (AnnFile).
TEST_F(VolumeCliTest, ScanReportsThePlantedProblemsOnly) {
  const CliRun run = Run({"scan"});
  EXPECT_EQ(run.exitCode, kExitProblemsFound);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, std::string(R"(Scanned @

Registry Integrity: 1 problem (severity High)
  [x] HKEY_CLASSES_ROOT\CLSID\)") +
                         testsupport::kPlantedClsid + R"(\InprocServer32  (Default)
      File not found: C:\Program Files\Gone\gone.dll

Windows Startup: 2 problems (severity Medium)
  [x] HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\Run\  UserGone
      File not found: C:\Users\ann\gone.exe
  [x] HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Run\  Gone
      File not found: C:\Program Files\Gone\gone.exe

Found 3 problems in 2 categories ([x]: selected for repair).
)");
}

// The repair changes exactly the planted entries in their hives; its backup records the volume
// and the user, and restoring it (only there, only when writing is safe) puts them back.
TEST_F(VolumeCliTest, RepairChangesExactlyThePlantedEntriesAndRestorePutsThemBack) {
  const std::string before = volume_->ExportAll();
  const CliRun repair = Run({"repair", "--yes"});
  ASSERT_EQ(repair.exitCode, kExitOk) << repair.err;
  EXPECT_THAT(repair.out, HasSubstr("\nRepaired 3 problems.\n"));
  EXPECT_EQ(volume_->ExportAll(), WithoutPlanted(before));

  EXPECT_THAT(Run({"backups", "list"}).out, HasSubstr("    taken from @, user ann\n"));
  const CliRun elsewhere =
      Run({"backups", "restore", "1", "--yes", "--windows", scratch_.Path().string()});
  EXPECT_EQ(elsewhere.exitCode, kExitUsage);
  EXPECT_EQ(elsewhere.err,
            "ordrex-cli: the backup was taken from @ (user ann) and is restored only there\n");
  testsupport::WriteAll(volume_->Path() / "HIBERFIL.SYS", "HIBR" + std::string(4092, '\0'));
  const CliRun hibernated = Run({"backups", "restore", "1", "--yes"});
  EXPECT_EQ(hibernated.exitCode, kExitUsage);
  EXPECT_THAT(hibernated.err, HasSubstr("hiberfil.sys is in use"));
  EXPECT_EQ(volume_->ExportAll(), WithoutPlanted(before));

  fs::remove(volume_->Path() / "HIBERFIL.SYS");
  const CliRun restore = Run({"backups", "restore", "1", "--yes"});
  EXPECT_EQ(restore.exitCode, kExitOk) << restore.err;
  EXPECT_THAT(restore.out, HasSubstr(" into @: 3 values written, 0 removed.\n"));
  EXPECT_EQ(volume_->ExportAll(), before);
}

// While Windows may still write the hives itself, a repair is refused (exit 2, nothing
// written) and says what to do; a scan still runs, warning about a dirty hive.
TEST_F(VolumeCliTest, RefusesToWriteWhileWindowsHoldsTheVolume) {
  const struct {
    std::function<void(const TempVolume&)> plant;
    std::string refusal;
    std::string scanWarning;
  } cases[] = {
      {[](const TempVolume& v) { testsupport::SetHiveSequences(v.UserHive(), 7, 6); },
       "@/Users/ann/NTUSER.DAT was not shut down cleanly (its sequence numbers 7 and 6 differ): "
       "writing it would lose the changes that only Windows can replay; boot Windows and shut it "
       "down fully, then try again.",
       "ordrex-cli: warning: @/Users/ann/NTUSER.DAT was not shut down cleanly: it is shown as "
       "last flushed, without the changes Windows still holds in its transaction logs\n"},
      {[](const TempVolume& v) {
         testsupport::WriteTransactionLog(v.Config() / "software.LOG1", 900);
       },
       "@/Windows/System32/config/software.LOG1 holds changes newer than "
       "@/Windows/System32/config/SOFTWARE",
       "ordrex-cli: warning: @/Windows/System32/config/SOFTWARE was not shut down cleanly"},
      {[](const TempVolume& v) {
         testsupport::WriteAll(v.Path() / "hiberfil.sys", "hibr" + std::string(4092, '\0'));
       },
       "Windows on @ was hibernated or shut down with fast start-up (hiberfil.sys is in use), and "
       "would overwrite any change when it resumes. Boot Windows and shut it down fully (hold "
       "Shift while choosing Shut down, or turn fast start-up off), then try again.\n",
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.refusal);
    volume_ = std::make_unique<TempVolume>();
    c.plant(*volume_);
    const std::string before = volume_->ExportAll();
    const CliRun repair = Run({"repair", "--yes"});
    EXPECT_EQ(repair.exitCode, kExitUsage);
    EXPECT_THAT(repair.err, HasSubstr("ordrex-cli: " + c.refusal));
    EXPECT_EQ(repair.out, "");
    EXPECT_EQ(volume_->ExportAll(), before);
    const CliRun scan = Run({"scan"});
    EXPECT_EQ(scan.exitCode, kExitProblemsFound);
    if (c.scanWarning.empty()) {
      EXPECT_EQ(scan.err, "");
    } else {
      EXPECT_THAT(scan.err, HasSubstr(c.scanWarning));
    }
  }

  fs::resize_file(volume_->Software(), 6000);
  const CliRun truncated = Run({"scan"});
  EXPECT_EQ(truncated.exitCode, kExitUsage);
  EXPECT_THAT(truncated.err, MatchesRegex("ordrex-cli: @/Windows/System32/config/SOFTWARE: "
                                          "damaged hive: the file is cut off [^\n]*\n"));
}

// A volume mounted read-only (here in a mount namespace of its own) is refused before anything
// is scanned for repair, and info says so.
TEST_F(VolumeCliTest, RefusesAReadOnlyVolume) {
  if (testsupport::RunProcess({"unshare", "-m", "true"}).exitCode != 0) {
    GTEST_SKIP() << "no mount namespaces here (unshare -m needs privileges)";
  }
  const std::string v = volume_->Path().string();
  std::string env;
  for (const auto& [name, value] : environment_)
    env += name + "='" + value + "' ";
  const std::string cli = "env " + env + ORDREX_CLI_PATH;
  const auto result = testsupport::RunProcess(
      {"unshare", "-m", "sh", "-c",
       "mount --bind '" + v + "' '" + v + "' && mount -o remount,bind,ro '" + v + "' && " + cli +
           " info --windows '" + v + "' && exec " + cli + " repair --yes --windows '" + v + "'"});
  const std::string output = ReplaceAllText(result.output, v, "@");
  EXPECT_EQ(result.exitCode, kExitUsage) << output;
  EXPECT_THAT(output, HasSubstr("Read-only:          yes\n"));
  EXPECT_THAT(output, HasSubstr("ordrex-cli: The Windows volume @ cannot be written (@/Windows/"
                                "System32/config is on a read-only mount). Mount it read-write"));
}

}  // namespace
}  // namespace ordrex::cli
