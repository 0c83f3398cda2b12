#pragma once
// The scan engine: owns the 23 categories and the missing-file list, runs a scan over the
// enabled categories in a fixed schedule, and later links found files and drives the repair.
// It reaches its user (the window, the command-line tool, a test) only through the events and
// the observer below.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/categories.h"
#include "engine/path_checks.h"
#include "engine/records.h"
#include "platform/clock.h"
#include "platform/target.h"

namespace ordrex {

enum class IgnoreScope { Key = 1, Value = 2, Data = 4 };

// What the engine shows of a category while it works. The window draws rows and pauses so the
// user can follow the states; the command-line tool draws a line; tests record.
class EngineObserver {
 public:
  virtual ~EngineObserver() = default;
  virtual void CategoryStatusChanged(TCustomOrdrex& /*category*/) {}
  virtual void CategoryCountChanged(TCustomOrdrex& /*category*/) {}
  // Lets the user interface process pending input (the Stop button) during long work.
  virtual void PumpMessages() {}
  // Called after each state change of an enabled category; the window waits 500 ms here.
  virtual void PauseAfterStateChange(TCustomOrdrex& /*category*/) {}
};

// Category states, as the progress list shows them.
inline constexpr const char* kStateSkipped = "Skipped";
inline constexpr const char* kStateWaiting = "Waiting";
inline constexpr const char* kStateScanning = "Scanning";
inline constexpr const char* kStateWaiting2 = "Waiting 2";
inline constexpr const char* kStateWaiting3 = "Waiting 3";
inline constexpr const char* kStateFinished = "Finished";

// Location texts are shown at most once per this many milliseconds.
inline constexpr std::uint32_t kReportIntervalMs = 101;
// Whether a report at tick `now` is due after the last one at `lastTick`.
bool ReportDue(std::uint32_t lastTick, std::uint32_t now);

// What EndedEarly holds after a stop, and what precedes a failure's message there.
inline constexpr const char* kEndedByUser = "Stopped by the user";
inline constexpr const char* kEndedByErrorPrefix = "The scan ended early: ";

class TOrdrex {
  // Declared first: the categories read the target and the known folders when they are built.
  Target& target_;
  Clock& clock_;
  PathChecks paths_;

 public:
  explicit TOrdrex(Target& target, Clock& clock = SystemClock::Instance());
  ~TOrdrex();
  TOrdrex(const TOrdrex&) = delete;
  TOrdrex& operator=(const TOrdrex&) = delete;

  // --- events (fired only when assigned) ---
  std::function<void(TCustomOrdrex&)> OnRepairStart;
  std::function<void(TCustomOrdrex&)> OnRepairEnd;
  // Shows the text of a failure that a repair caught; used only while ShowRepairErrors is on.
  std::function<void(const std::string& message)> OnRepairError;
  // Diagnostic switch for the texts of failures caught during a repair. Off; nothing in the
  // program turns it on.
  bool ShowRepairErrors = false;
  // Where a repair copies a shortcut file before deleting it (a folder beside the run's backup
  // file), so that restoring the backup can put it back. Empty when no backup is made.
  std::filesystem::path ShortcutCopyDir;
  std::function<void(int position, int total)> OnProgress;
  std::function<void(const std::string& text)> OnStatus;
  std::function<void(TOrdrex&)> OnProblem;
  EngineObserver* Observer = nullptr;
  // The ignore list's test; without it nothing is ignored.
  std::function<bool(std::string_view text, IgnoreScope scope)> IsIgnored;

  bool Stopped = true;
  std::uint32_t LastTick = 0;
  TErrorFiles ErrorFiles;
  // Why the last scan ended before its end ("" when it ran through).
  std::string EndedEarly;

  // --- whole-engine operations ---
  TCustomOrdrex* Category(int index);        // scan index 1..23, else nullptr
  std::vector<TCustomOrdrex*> Categories();  // in scan index order
  void Clear();
  void Scan();
  void Stop(bool value);
  void LinkAll();
  void RepairAll(TBackupLines& lines);
  int ErrorFileCount() const { return ErrorFiles.Count(); }
  void AddProblem(TCustomOrdrex& category, RootHandle root, const std::string& reason,
                  const std::string& key, const std::string& value, const std::string& data,
                  const std::string& filePath, bool selected, bool missingFile);
  void AddErrorFile(std::string_view filePath);
  bool RecordFoundLocation(std::string_view folder, std::string_view fileName);

  // --- helpers for the detection rules ---
  std::vector<std::string> EnumKey(TCustomOrdrex& category, TRegistry& reg, std::string_view path,
                                   bool keys);
  // Fires OnProgress(index + 1, count) and reports the location; returns Stopped as it was.
  bool StepProgress(int index, int count, RootHandle root, const std::string& text);
  void ReportKey(RootHandle root, const std::string& text);
  void SetStatus(TCustomOrdrex& category, const std::string& text);
  void NotifyProblem();
  void FinishAll();
  // Sets the state text of every category: "Waiting" when enabled, "Skipped" otherwise.
  void ResetStates();

  Target& GetTarget() const { return target_; }
  const PathChecks& Paths() const { return paths_; }
  const KnownLocations& Known() const { return paths_.Known(); }
  Clock& GetClock() const { return clock_; }

  // Declared (and so built) in the order the categories have always been created.
  TRegIntegrityScan RegIntegrity;
  TActiveXScan ActiveX;
  TAppPathScan AppPath;
  TDeviceDriverScan DeviceDriver;
  TFontScan Font;
  THelpScan Help;
  TMicrosoftSharedScan MicrosoftShared;
  TStartupScan Startup;
  TUninstallScan Uninstall;
  TVxDScan VxD;
  TMSDOSScan MSDOS;
  TWindowsScan Windows;
  TFileAssociateScan FileAssociate;
  TApplicationScan Application;
  TStartmenuScan Startmenu;
  TInstaller Installer;
  TOldSoftware OldSoftware;
  TMRUFiles MRUFiles;
  TEventLog EventLog;
  TPopupScan Popup;
  TIScan Interface;
  THistScan Hist;
  TExtScan SystemExtensions;

 private:
  // The stages of a scan; false when a stop ended it before its end.
  bool RunSchedule();
  // Writes a state text into the category's row; false when nothing changed (no row, or the
  // same text).
  bool PutStatus(TCustomOrdrex& category, const std::string& text);

  std::array<TCustomOrdrex*, 23> byIndex_{};
};

}  // namespace ordrex
