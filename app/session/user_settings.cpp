#include "app/session/user_settings.h"

#include <system_error>

#include "app/settings/settings_io.h"
#include "engine/ordrex.h"
#include "ignore/ignore_file.h"
#include "platform/atomic_file.h"
#include "platform/damaged_file.h"

namespace ordrex {

UserSettings::UserSettings(const std::map<std::string, std::string>& environment, Clock& clock,
                           UserMessage warn, UserMessage fail)
    : warn_(std::move(warn)),
      fail_(std::move(fail)),
      paths_(UserPaths::FromEnvironment(environment)),
      store_(SettingsStore::Open(paths_)) {
  for (const std::string& warning : store_->Warnings())
    warn_(warning);
  // On the very first start the defaults exist in memory only: reading verbs (scan, show)
  // leave no files behind; the first verb that changes a setting saves them all.
  WriteDefaultSettings(store_->Roots());
  LoadSettings(store_->Roots(), model_, clock);
}

void UserSettings::SaveStoreQuietly() {
  try {
    store_->Save();
  } catch (const std::exception& e) {
    warn_(std::string("the settings could not be saved: ") + e.what());
  }
}

void UserSettings::ReadSelection(TOrdrex& engine) {
  // The conversion deletes the old values, so it must reach the file at once or it would be
  // repeated over whatever the user chose in between.
  if (ConvertLegacySelection(store_->Roots(), engine) > 0) SaveStoreQuietly();
  LoadSelection(store_->Roots(), model_, engine);
}

void UserSettings::BindEngine(TOrdrex& engine) {
  ReadSelection(engine);
  model_.ApplyTo(engine);
  TIgnoreList& ignore = Ignore();
  engine.IsIgnored = [&ignore](std::string_view text, IgnoreScope scope) {
    return ignore.IsIgnored(text, scope);
  };
}

RepairOptions UserSettings::RepairOptionsForRun() {
  RepairOptions options;
  options.makeBackup = model_.MakeBackup;
  options.backupDir = model_.EffectiveBackupDir(paths_);
  options.numberToKeep = model_.NumberBackup();
  options.restoreList = &model_.RestoreList;
  options.specifyFolders = model_.SpecifyFolder();
  options.searchFolders = model_.SearchFolders();
  options.allDrives = model_.AllFolder();
  return options;
}

bool UserSettings::Save() {
  try {
    SaveSettings(store_->Roots(), model_);
    store_->Save();
    return true;
  } catch (const std::exception& e) {
    fail_(std::string("the settings could not be saved: ") + e.what());
    return false;
  }
}

TIgnoreList& UserSettings::Ignore() {
  if (!ignore_) {
    ignore_ = std::make_unique<TIgnoreList>();
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    AtomicFileWriter writer;
    const IgnoreLoadResult result = LoadIgnoreList(
        *ignore_, paths_.IgnoreFile(), ec ? std::filesystem::path() : cwd / "ignore.lst", writer);
    for (const std::string& warning : result.warnings)
      warn_(warning);
    ignoreWritable_ = !result.keepFile;
  }
  return *ignore_;
}

bool UserSettings::IgnoreWritable() {
  Ignore();
  return ignoreWritable_;
}

bool UserSettings::SaveIgnore() {
  if (!IgnoreWritable()) {
    fail_("the ignore list " + QuotedFileName(paths_.IgnoreFile()) +
          " could not be read, so it is not replaced");
    return false;
  }
  try {
    AtomicFileWriter writer;
    SaveIgnoreList(Ignore(), paths_.IgnoreFile(), writer);
    return true;
  } catch (const std::exception& e) {
    fail_(std::string("the ignore list could not be saved: ") + e.what());
    return false;
  }
}

}  // namespace ordrex
