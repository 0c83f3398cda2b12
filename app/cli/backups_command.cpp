#include "app/cli/backups_command.h"

#include <iomanip>

#include "app/cli/cli_prompt.h"
#include "app/cli/user_settings.h"
#include "backup/backup_list.h"

namespace ordrex::cli {

namespace fs = std::filesystem;

namespace {

constexpr const char* kWinePrefixKind = "wine-prefix";

// A prefix folder as the options would name it, for comparing two spellings of one folder.
fs::path Normalized(const fs::path& folder) {
  std::error_code ec;
  fs::path path = fs::weakly_canonical(fs::absolute(folder, ec), ec);
  if (!path.has_filename() && path.has_parent_path()) path = path.parent_path();
  return path;
}

}  // namespace

CLI::App* BackupsCommand::Register(CLI::App& app) {
  CLI::App* verb = app.add_subcommand("backups", "List, restore or delete backups");
  verb->add_option("action", action_, "list (the default), restore N, delete N, or clear")
      ->check(CLI::IsMember({"list", "restore", "delete", "clear"}));
  verb->add_option("N", number_, "The backup's number as `backups list` shows it")
      ->check(CLI::PositiveNumber);
  verb->add_flag("--yes,-y", yes_, "Restore without asking first");
  AddTargetOptions(*verb, target_);
  return verb;
}

int BackupsCommand::Run() {
  const bool needsNumber = action_ == "restore" || action_ == "delete";
  if (needsNumber && number_ == 0) {
    context_.err << "ordrex-cli: 'backups " << action_
                 << "' needs the number of a backup, as 'backups list' shows it\n";
    return kExitUsage;
  }
  if (!needsNumber && number_ != 0) {
    context_.err << "ordrex-cli: 'backups " << action_ << "' takes no number\n";
    return kExitUsage;
  }
  UserSettings settings(context_);
  if (action_ == "list") return List(settings);
  if (action_ == "clear") return Clear(settings);
  const int index = IndexOf(settings);
  if (index < 0) return kExitUsage;
  return action_ == "restore" ? Restore(settings, index) : Delete(settings, index);
}

int BackupsCommand::IndexOf(UserSettings& settings) {
  const int count = settings.Model().RestoreList.Count();
  if (number_ >= 1 && number_ <= count) return number_ - 1;
  context_.err << "ordrex-cli: there is no backup " << number_ << "; "
               << (count == 0 ? std::string("the backup list is empty")
                              : "the list holds backups 1 to " + std::to_string(count))
               << "\n";
  return -1;
}

int BackupsCommand::List(UserSettings& settings) {
  const TRestoreList& list = settings.Model().RestoreList;
  std::ostream& out = context_.out;
  if (list.Count() == 0) {
    out << "The backup list is empty.\n";
    return kExitOk;
  }
  out << std::left << std::setw(4) << "#" << std::setw(17) << "File Size" << std::setw(12) << "Date"
      << std::setw(10) << "Time"
      << "File Name\n";
  for (int i = 0; i < list.Count(); ++i) {
    const TRestoreData& record = list.Items(i);
    out << std::setw(4) << (i + 1) << std::setw(17) << SizeColumnText(record) << std::setw(12)
        << DateText(record.Date) << std::setw(10) << TimeText(record.Time) << record.FileName
        << "\n";
    if (!record.TargetLocation.empty()) out << "    taken from " << record.TargetLocation << "\n";
  }
  return kExitOk;
}

int BackupsCommand::Restore(UserSettings& settings, int index) {
  TRestoreData& record = settings.Model().RestoreList.Items(index);
  if (record.Size == 0) {
    context_.err << "ordrex-cli: " << kFileCannotBeFoundText << " (" << record.FileName << ")\n";
    return kExitUsage;
  }
  // A backup goes back into the system it was taken from, and nowhere else.
  TargetOptions where = target_;
  if (!record.TargetKind.empty()) {
    if (record.TargetKind != kWinePrefixKind) {
      context_.err << "ordrex-cli: the backup was taken from a system of the kind '"
                   << record.TargetKind << "', which this build cannot open\n";
      return kExitUsage;
    }
    if (!target_.prefix.empty() &&
        Normalized(target_.prefix) != Normalized(record.TargetLocation)) {
      context_.err << "ordrex-cli: the backup was taken from " << record.TargetLocation
                   << " and is restored only there\n";
      return kExitUsage;
    }
    where.prefix = record.TargetLocation;
  }
  std::unique_ptr<Target> target = OpenTargetOrReport(where, context_);
  if (target == nullptr) return kExitUsage;
  if (!yes_ && !AskYesNo(context_, context_.out,
                         "Restore " + record.FileName + " into " + target->Location() + "?")) {
    context_.out << "Nothing was changed.\n";
    return kExitOk;
  }
  const RestoreOutcome outcome = RestoreBackup(record, *target);
  if (!outcome.restored) {
    context_.err << "ordrex-cli: " << outcome.message << "\n";
    // A file found gone is remembered as such.
    if (record.Size == 0) settings.Save();
    return kExitUsage;
  }
  context_.out << "Restored " << record.FileName << " into " << target->Location() << ": "
               << outcome.counts.valuesSet << " values written, " << outcome.counts.valuesDeleted
               << " removed";
  if (outcome.shortcutsPutBack > 0) {
    context_.out << ", " << outcome.shortcutsPutBack << " shortcut files put back";
  }
  context_.out << ".\n";
  for (const std::string& path : outcome.shortcutsNotPutBack) {
    context_.err << "ordrex-cli: the shortcut " << path << " could not be put back\n";
  }
  return outcome.shortcutsNotPutBack.empty() ? kExitOk : kExitUsage;
}

int BackupsCommand::Delete(UserSettings& settings, int index) {
  TRestoreList& list = settings.Model().RestoreList;
  const std::string file = list.Items(index).FileName;
  list.Delete(index);
  if (!settings.Save()) return kExitUsage;
  context_.out << "Deleted backup " << file << ".\n";
  return kExitOk;
}

int BackupsCommand::Clear(UserSettings& settings) {
  TRestoreList& list = settings.Model().RestoreList;
  const int count = list.Count();
  list.DeleteAll();
  if (!settings.Save()) return kExitUsage;
  context_.out << "Deleted " << count << (count == 1 ? " backup" : " backups") << ".\n";
  return kExitOk;
}

}  // namespace ordrex::cli
