// The fixed order in which a scan visits the registry and the disk, and the state each
// category shows after its part of the walk.

#include <functional>
#include <utility>
#include <vector>

#include "engine/ordrex.h"
#include "engine/rules/rules.h"

namespace ordrex {

namespace {

struct Stage {
  RootHandle root = 0;
  std::function<void(TRegistry&)> work;
  // The states once the stage ran to its end.
  std::vector<std::pair<TCustomOrdrex*, const char*>> after;
};

}  // namespace

bool TOrdrex::RunSchedule() {
  using namespace rules;
  const KnownLocations& known = Known();
  // Walks that have no names to list still reset the progress bar, as EnumKey would.
  auto restartProgress = [this] {
    LastTick = clock_.TickCount();
    if (OnProgress) OnProgress(0, 0);
  };

  std::vector<Stage> stages;
  stages.push_back({0,
                    [&](TRegistry&) {
                      restartProgress();
                      SetStatus(MSDOS, kStateScanning);
                      SetStatus(Windows, kStateScanning);
                      if (MSDOS.Enabled || Windows.Enabled) ScanShortcuts(*this);
                    },
                    {{&MSDOS, kStateFinished}, {&Windows, kStateFinished}}});
  stages.push_back({kClassesRoot,
                    [&](TRegistry& reg) { ScanFileAssociations(*this, reg, "\\"); },
                    {{&FileAssociate, kStateWaiting2}, {&Popup, kStateFinished}}});
  stages.push_back({kClassesRoot,
                    [&](TRegistry& reg) { ScanOpenWith(*this, reg, "\\Applications\\"); },
                    {{&Application, kStateWaiting2}}});
  stages.push_back({kClassesRoot,
                    [&](TRegistry& reg) { ScanClassIds(*this, reg); },
                    {{&RegIntegrity, kStateFinished}}});
  stages.push_back({kClassesRoot,
                    [&](TRegistry& reg) { ScanInterfaces(*this, reg); },
                    {{&Interface, kStateFinished}}});
  stages.push_back({kClassesRoot,
                    [&](TRegistry& reg) { ScanTypeLibraries(*this, reg); },
                    {{&ActiveX, kStateFinished}}});
  stages.push_back({kCurrentUser,
                    [&](TRegistry& reg) { ScanOldSoftware(*this, reg); },
                    {{&OldSoftware, kStateWaiting2}}});
  stages.push_back({kCurrentUser,
                    [&](TRegistry& reg) {
                      ScanLastVisitedMru(*this, reg);
                      if (!Stopped) ScanOpenSaveMru(*this, reg);
                    },
                    {{&MRUFiles, kStateWaiting2}}});
  stages.push_back({kCurrentUser,
                    [&](TRegistry& reg) { ScanUserFileExts(*this, reg); },
                    {{&FileAssociate, kStateWaiting3}}});
  stages.push_back({kCurrentUser,
                    [&](TRegistry&) {
                      restartProgress();
                      SetStatus(Startmenu, kStateScanning);
                      if (Startmenu.Enabled) ScanStartMenuOrder(*this);
                    },
                    {{&Startmenu, kStateFinished}}});
  // The history list keeps showing "Scanning" until the scan ends.
  stages.push_back({kCurrentUser, [&](TRegistry& reg) { ScanRecentDocs(*this, reg); }, {}});
  stages.push_back({kCurrentUser,
                    [&](TRegistry& reg) { ScanRunMru(*this, reg); },
                    {{&MRUFiles, kStateFinished}}});
  stages.push_back({kCurrentUser,
                    [&](TRegistry& reg) { ScanStartup(*this, reg); },
                    {{&Startup, kStateWaiting2}}});
  stages.push_back({kLocalMachine,
                    [&](TRegistry& reg) { ScanOldSoftware(*this, reg); },
                    {{&OldSoftware, kStateFinished}}});
  stages.push_back(
      {kLocalMachine,
       [&](TRegistry& reg) { ScanFileAssociations(*this, reg, "\\SOFTWARE\\Classes\\"); },
       {{&FileAssociate, kStateFinished}}});
  stages.push_back(
      {kLocalMachine,
       [&](TRegistry& reg) { ScanOpenWith(*this, reg, "\\SOFTWARE\\Classes\\Applications\\"); },
       {{&Application, kStateFinished}}});
  stages.push_back({kLocalMachine,
                    [&](TRegistry& reg) { ScanAppPaths(*this, reg); },
                    {{&AppPath, kStateFinished}}});
  if (known.IsWin9x) {
    stages.push_back(
        {kLocalMachine, [&](TRegistry& reg) { ScanFonts(*this, reg); }, {{&Font, kStateFinished}}});
  }
  stages.push_back({kLocalMachine,
                    [&](TRegistry& reg) { ScanInstallerFolders(*this, reg); },
                    {{&Installer, kStateFinished}}});
  stages.push_back({kLocalMachine,
                    [&](TRegistry& reg) { ScanStartup(*this, reg); },
                    {{&Startup, kStateFinished}}});
  stages.push_back({kLocalMachine,
                    [&](TRegistry& reg) { ScanSharedDlls(*this, reg); },
                    {{&MicrosoftShared, kStateFinished}}});
  stages.push_back({kLocalMachine,
                    [&](TRegistry& reg) { ScanUninstall(*this, reg); },
                    {{&Uninstall, kStateFinished}}});
  stages.push_back({kLocalMachine,
                    [&](TRegistry& reg) { ScanHelpFiles(*this, reg); },
                    {{&Help, kStateFinished}}});
  if (known.IsNT) {
    stages.push_back(
        {kLocalMachine, [&](TRegistry& reg) { ScanFonts(*this, reg); }, {{&Font, kStateFinished}}});
  }
  stages.push_back({kLocalMachine,
                    [&](TRegistry& reg) {
                      if (known.IsNT) {
                        ScanServices(*this, reg);
                      } else {
                        ScanInstalledFiles(*this, reg);
                      }
                    },
                    {{&DeviceDriver, kStateFinished}}});
  stages.push_back({kLocalMachine,
                    [&](TRegistry&) {
                      restartProgress();
                      SetStatus(EventLog, kStateScanning);
                      if (EventLog.Enabled) ScanEventLog(*this);
                    },
                    {{&EventLog, kStateFinished}}});
  if (known.IsWin9x) {
    stages.push_back(
        {kLocalMachine, [&](TRegistry& reg) { ScanVxd(*this, reg); }, {{&VxD, kStateFinished}}});
  }

  TRegistry reg(target_);
  for (const Stage& stage : stages) {
    if (Stopped) return false;
    reg.SetRootKey(stage.root);
    stage.work(reg);
    // A rule that saw the stop left its walk half done: its state stays as it is.
    if (Stopped) return false;
    for (const auto& [category, text] : stage.after)
      SetStatus(*category, text);
  }
  return true;
}

}  // namespace ordrex
