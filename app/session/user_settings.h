#pragma once
// The user's own settings and ignore list as both front ends use them: opened from the XDG
// folders of the environment, with any trouble reading them told through `warn` (the run goes
// on with defaults) and any failure to save through `fail`, and saved back on request.

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/settings/settings_model.h"
#include "app/settings/settings_store.h"
#include "app/settings/user_paths.h"
#include "backup/repair_run.h"
#include "ignore/ignore_list.h"
#include "platform/clock.h"

namespace ordrex {

// Receives one message for the user.
using UserMessage = std::function<void(const std::string& text)>;

class UserSettings {
 public:
  // Opens the settings (writing the defaults on the very first start) and loads them.
  UserSettings(const std::map<std::string, std::string>& environment, Clock& clock,
               UserMessage warn, UserMessage fail);

  const UserPaths& Paths() const { return paths_; }
  SettingsModel& Model() { return model_; }
  SettingsStore& Store() { return *store_; }

  // Takes over an older version's numbered selection and reads the category selection of the
  // engine's listed categories into the model.
  void ReadSelection(TOrdrex& engine);
  // ReadSelection, then puts the selection and the whole-drive shortcut switches into the
  // engine and binds the ignore list into its problem filter (this object must outlive the
  // engine's scans). A verb that chooses categories itself (--only) does so afterwards.
  void BindEngine(TOrdrex& engine);

  // How a repair run saves its backup and searches for missing files, as the options say; the
  // saved backup joins this object's restore list, so Save() afterwards keeps it.
  RepairOptions RepairOptionsForRun();

  // Writes the model and saves the file. On failure tells why and returns false.
  bool Save();

  // The ignore list, loaded on first use from the user's folder (or, once, from an
  // "ignore.lst" in the current folder).
  TIgnoreList& Ignore();
  // False (and nothing should be written) when the list's file exists but could not be read.
  bool IgnoreWritable();
  // Saves the ignore list. On failure tells why and returns false.
  bool SaveIgnore();

 private:
  // Saves the store alone (after the legacy conversion); a failure is only a warning.
  void SaveStoreQuietly();

  UserMessage warn_;
  UserMessage fail_;
  UserPaths paths_;
  std::unique_ptr<SettingsStore> store_;
  SettingsModel model_;
  std::unique_ptr<TIgnoreList> ignore_;
  bool ignoreWritable_ = true;
};

}  // namespace ordrex
