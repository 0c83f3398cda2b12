#pragma once
// The two restore point operations as a user starts them, with the texts they show: creating
// a named restore point, and cleaning this program's restore points. The window and the
// command-line tool each say through the events how they show the texts.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "app/settings/settings_store.h"
#include "system/restore_points.h"

namespace ordrex {

// The settings value that remembers the restore point last created (0: ending it failed).
inline constexpr const char* kRestorePointName = "RestorePt";

inline constexpr const char* kCreatingRestorePointText = "Creating restore point...";
inline constexpr const char* kRestorePointCreatedText = "Restore point created.";
inline constexpr const char* kCleaningRestoreText = "Please wait, cleaning system restore.";
inline constexpr const char* kRestorePointDeletedText =
    "Restore point deleted, you must restart the computer to take the effect, restart now?";

struct RestorePointEvents {
  // The status line beside the backup list.
  std::function<void(const std::string& text)> Status;
  // An information box with an OK button.
  std::function<void(const std::string& text)> Inform;
  // A Yes/No question about restarting; when absent, nothing is asked.
  std::function<bool(const std::string& text)> AskRestart;
  // Lets the window repaint between the steps.
  std::function<void()> Pump;
  // A problem that does not stop the operation (the settings could not be saved).
  std::function<void(const std::string& text)> Warn;
};

// "Error: " and what a failed call tells the user.
std::string RestoreErrorText(RestoreCode code, const std::string& reason);

// Stores "RestorePt" in the settings (the key is not created when missing) and saves them:
// the low 32 bits of `sequence` when the point was ended, else 0. Throws what saving throws.
void RememberRestorePoint(SettingsStore& settings, std::int64_t sequence, bool ended);

class RestorePointFlows {
 public:
  // `marker` is the file whose presence offers the clean operation; it lives in the program's
  // own data folder for the system, and its folder must exist once a point was begun.
  RestorePointFlows(RestorePointService& service, SettingsStore& settings,
                    std::filesystem::path marker);

  // Whether a clean is offered: a restore point was created since the last clean.
  bool CleanOffered() const;

  // Begins the point, marks that it can be cleaned, ends it, tells the outcome and remembers
  // it. Gives the result of the begin, or else of the end.
  RestoreCode Create(std::string_view name, const RestorePointEvents& events);
  // Removes this program's restore points of the system, newest first, until one cannot be
  // removed. True when the user then asked for the restart.
  bool Clean(const RestorePointEvents& events);

 private:
  RestorePointService& service_;
  SettingsStore& settings_;
  std::filesystem::path marker_;
};

}  // namespace ordrex
