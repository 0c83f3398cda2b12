#include "app/cli/settings_command.h"

#include <cctype>
#include <charconv>
#include <functional>
#include <iomanip>
#include <optional>

#include "app/cli/user_settings.h"
#include "engine/ordrex.h"
#include "platform/text.h"

namespace ordrex::cli {

CLI::App* SettingsCommand::Register(CLI::App& app) {
  CLI::App* verb = app.add_subcommand("settings", "Show or change the settings");
  verb->require_subcommand(0, 1);
  verb->add_subcommand("show", "Show every setting (the default)");

  set_ = verb->add_subcommand("set", "Change one setting: an option or a category's selection");
  set_->add_option("NAME", name_,
                   "Make_Backup, Number_Backup, Backup_Dir, Dos_Drive, Windows_Drive, "
                   "All_Folder, Specify_Folder, or a category title")
      ->required();
  set_->add_option("VALUE", value_, "true/false (yes/no, on/off, 1/0), a number, or a folder")
      ->required();

  addFolder_ = verb->add_subcommand(
      "add-folder", "Add a directory to search for missing files (a Windows path, C:\\...)");
  addFolder_->add_option("DIR", folder_, "The directory")->required();
  removeFolder_ = verb->add_subcommand("remove-folder", "Remove a directory from the search list");
  removeFolder_->add_option("DIR", folder_, "The directory")->required();
  clearFolders_ = verb->add_subcommand("clear-folders", "Empty the search list");
  return verb;
}

namespace {

// A scan engine over an empty system, for the category titles and which ones are listed.
class CategoryCatalog {
 public:
  explicit CategoryCatalog(Clock& clock) : engine_(target_, clock) {}
  TOrdrex& Engine() { return engine_; }

 private:
  MemoryTarget target_;
  TOrdrex engine_;
};

std::optional<bool> ParseSwitch(std::string_view text) {
  const std::string word = LowerCase(Trim(text));
  if (word == "true" || word == "yes" || word == "on" || word == "1") return true;
  if (word == "false" || word == "no" || word == "off" || word == "0") return false;
  return std::nullopt;
}

// What setting the named switch does, or nothing for another name. Turning one search switch
// on turns the other off; `note` then says so.
std::function<void(bool)> SwitchSetter(SettingsModel& model, const std::string& name,
                                       std::string& note) {
  if (SameText(name, kMakeBackupName)) return [&model](bool on) { model.MakeBackup = on; };
  if (SameText(name, kDosDriveName)) return [&model](bool on) { model.DosDrive = on; };
  if (SameText(name, kWindowsDriveName)) return [&model](bool on) { model.WindowsDrive = on; };
  if (SameText(name, kAllFolderName)) {
    return [&model, &note](bool on) {
      if (on && model.SpecifyFolder()) note = "Specify_Folder is now false";
      model.SetAllFolder(on);
    };
  }
  if (SameText(name, kSpecifyFolderName)) {
    return [&model, &note](bool on) {
      if (on && model.AllFolder()) note = "All_Folder is now false";
      model.SetSpecifyFolder(on);
    };
  }
  return nullptr;
}

const char* OnOff(bool flag) {
  return flag ? "true" : "false";
}

// "C:\...": the search runs on the target's drives.
bool IsWindowsFolder(std::string_view text) {
  return text.size() >= 3 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':' &&
         text[2] == '\\';
}

}  // namespace

int SettingsCommand::Run() {
  UserSettings settings(context_);
  if (set_->parsed()) return Set(settings);
  if (addFolder_->parsed()) return AddFolder(settings);
  if (removeFolder_->parsed()) return RemoveFolder(settings);
  if (clearFolders_->parsed()) return ClearFolders(settings);
  return Show(settings);
}

int SettingsCommand::Usage(const std::string& message) {
  context_.err << "ordrex-cli: " << message << "\n";
  return kExitUsage;
}

int SettingsCommand::Show(UserSettings& settings) {
  CategoryCatalog catalog(context_.clock);
  settings.ReadSelection(catalog.Engine());
  const SettingsModel& model = settings.Model();
  auto& out = context_.out;
  const auto line = [&out](const std::string& name, const std::string& value) {
    out << std::left << std::setw(16) << name << value << "\n";
  };
  line(kMakeBackupName, OnOff(model.MakeBackup));
  line(kNumberBackupName, std::to_string(model.NumberBackup()));
  line(kBackupDirName, model.BackupDir.empty()
                           ? "(default: " + settings.Paths().DefaultBackupDir().string() + ")"
                           : model.BackupDir);
  line(kDosDriveName, OnOff(model.DosDrive));
  line(kWindowsDriveName, OnOff(model.WindowsDrive));
  line(kAllFolderName, OnOff(model.AllFolder()));
  line(kSpecifyFolderName, OnOff(model.SpecifyFolder()));
  if (model.SearchFolders().empty()) line(kFolderSubkey, "(none)");
  for (const std::string& folder : model.SearchFolders())
    line(kFolderSubkey, folder);
  out << "Categories:\n";
  for (const CategorySelection& entry : model.Selection) {
    out << "  " << std::left << std::setw(24) << entry.Title << OnOff(entry.Checked) << "\n";
  }
  out << "Settings file:  " << settings.Paths().SettingsFile().string() << "\n";
  out << "Ignore list:    " << settings.Paths().IgnoreFile().string() << "\n";
  return kExitOk;
}

int SettingsCommand::Set(UserSettings& settings) {
  SettingsModel& model = settings.Model();
  CategoryCatalog catalog(context_.clock);
  settings.ReadSelection(catalog.Engine());

  std::string note;
  if (SameText(name_, kNumberBackupName)) {
    int count = 0;
    const std::string text = Trim(value_);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (ec != std::errc() || end != text.data() + text.size() || count < kMinNumberBackup ||
        count > kMaxNumberBackup) {
      return Usage("Number_Backup takes a whole number from 1 to 999, not \"" + value_ + "\"");
    }
    model.SetNumberBackup(count);
  } else if (SameText(name_, kBackupDirName)) {
    const std::string folder = Trim(value_);
    if (!folder.empty() && !std::filesystem::path(folder).is_absolute()) {
      return Usage("Backup_Dir takes an absolute folder, or \"\" for the default folder");
    }
    model.BackupDir = folder;
  } else {
    std::function<void(bool)> apply = SwitchSetter(model, name_, note);
    if (!apply) {
      CategorySelection* entry = model.FindSelection(name_);
      if (entry == nullptr) return UnknownSetting(model);
      apply = [entry](bool on) { entry->Checked = on; };
    }
    const std::optional<bool> flag = ParseSwitch(value_);
    if (!flag) return Usage(name_ + " takes true or false, not \"" + value_ + "\"");
    apply(*flag);
  }
  if (!settings.Save()) return kExitUsage;
  if (!note.empty()) context_.out << note << "\n";
  return kExitOk;
}

int SettingsCommand::UnknownSetting(const SettingsModel& model) {
  std::string titles;
  for (const CategorySelection& entry : model.Selection) {
    titles += (titles.empty() ? "\"" : ", \"") + entry.Title + "\"";
  }
  return Usage("unknown setting \"" + name_ +
               "\"; the settings are Make_Backup, Number_Backup, Backup_Dir, Dos_Drive, "
               "Windows_Drive, All_Folder, Specify_Folder, and the category titles " +
               titles);
}

int SettingsCommand::AddFolder(UserSettings& settings) {
  const std::string folder = NormalizeSearchFolder(folder_);
  if (!IsWindowsFolder(folder)) {
    return Usage("a search directory is a Windows path such as C:\\Program Files\\, not \"" +
                 folder_ + "\"");
  }
  if (!settings.Model().AddSearchFolder(folder)) {
    context_.out << folder << " is listed already\n";
    return kExitOk;
  }
  return settings.Save() ? kExitOk : kExitUsage;
}

int SettingsCommand::RemoveFolder(UserSettings& settings) {
  if (!settings.Model().RemoveSearchFolder(folder_)) {
    return Usage("\"" + folder_ + "\" is not in the search list");
  }
  return settings.Save() ? kExitOk : kExitUsage;
}

int SettingsCommand::ClearFolders(UserSettings& settings) {
  settings.Model().ClearSearchFolders();
  return settings.Save() ? kExitOk : kExitUsage;
}

}  // namespace ordrex::cli
