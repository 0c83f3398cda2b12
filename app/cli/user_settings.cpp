#include "app/cli/user_settings.h"

#include <system_error>

#include "app/settings/settings_io.h"
#include "engine/ordrex.h"
#include "ignore/ignore_file.h"
#include "platform/atomic_file.h"

namespace ordrex::cli {

UserSettings::UserSettings(CliContext& context)
    : context_(context),
      paths_(UserPaths::FromEnvironment(context.environment)),
      store_(SettingsStore::Open(paths_)) {
  for (const std::string& warning : store_->Warnings())
    Warn(warning);
  // On the very first start the defaults exist in memory only: reading verbs (scan, show)
  // leave no files behind; the first verb that changes a setting saves them all.
  WriteDefaultSettings(store_->Roots());
  LoadSettings(store_->Roots(), model_, context.clock);
}

void UserSettings::Warn(const std::string& text) {
  context_.err << "ordrex-cli: warning: " << text << "\n";
}

void UserSettings::SaveStoreQuietly() {
  try {
    store_->Save();
  } catch (const std::exception& e) {
    Warn(std::string("the settings could not be saved: ") + e.what());
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

bool UserSettings::Save() {
  try {
    SaveSettings(store_->Roots(), model_);
    store_->Save();
    return true;
  } catch (const std::exception& e) {
    context_.err << "ordrex-cli: the settings could not be saved: " << e.what() << "\n";
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
      Warn(warning);
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
    context_.err << "ordrex-cli: the ignore list " << paths_.IgnoreFile()
                 << " could not be read, so it is not replaced\n";
    return false;
  }
  try {
    AtomicFileWriter writer;
    SaveIgnoreList(Ignore(), paths_.IgnoreFile(), writer);
    return true;
  } catch (const std::exception& e) {
    context_.err << "ordrex-cli: the ignore list could not be saved: " << e.what() << "\n";
    return false;
  }
}

}  // namespace ordrex::cli
