#include "app/cli/backups_command.h"

#include <algorithm>
#include <iomanip>
#include <string_view>
#include <vector>

#include "app/cli/cli_prompt.h"
#include "app/cli/user_settings.h"
#include "app/settings/user_locale.h"
#include "backup/backup_list.h"
#include "platform/text.h"
#include "platform/wine/wine_prefix_target.h"

namespace ordrex::cli {

namespace fs = std::filesystem;

namespace {

// Characters of a UTF-8 text (a locale's date may hold letters beyond ASCII).
std::size_t CharacterCount(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

// The text and the spaces that fill its column of `width` characters and separate it from the
// next one.
std::string Padded(const std::string& text, std::size_t width) {
  return text + std::string(width - CharacterCount(text) + 2, ' ');
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
  // The user's date and time formats differ in length, so those columns fit their texts.
  const std::locale locale = UserTimeLocale(context_.environment);
  std::vector<std::string> dates;
  std::vector<std::string> times;
  std::size_t dateWidth = CharacterCount("Date");
  std::size_t timeWidth = CharacterCount("Time");
  for (const TRestoreData& record : list.Records()) {
    dates.push_back(DateText(record.Date, locale));
    times.push_back(TimeText(record.Time, locale));
    dateWidth = std::max(dateWidth, CharacterCount(dates.back()));
    timeWidth = std::max(timeWidth, CharacterCount(times.back()));
  }
  out << std::left << std::setw(4) << "#" << std::setw(17) << "File Size"
      << Padded("Date", dateWidth) << Padded("Time", timeWidth) << "File Name\n";
  for (int i = 0; i < list.Count(); ++i) {
    const TRestoreData& record = list.Items(i);
    const auto row = static_cast<std::size_t>(i);
    out << std::setw(4) << (i + 1) << std::setw(17) << SizeColumnText(record)
        << Padded(dates[row], dateWidth) << Padded(times[row], timeWidth) << record.FileName
        << "\n";
    if (!record.TargetLocation.empty()) {
      out << "    taken from " << record.TargetLocation
          << (record.TargetUser.empty() ? "" : ", user " + record.TargetUser) << "\n";
    }
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
    const RecordedTarget recorded{record.TargetKind, record.TargetLocation, record.TargetUser};
    const auto request = RequestForRecordedTarget(recorded);
    if (!request) {
      context_.err << "ordrex-cli: the backup was taken from a system of the kind '"
                   << record.TargetKind << "', which this build cannot open\n";
      return kExitUsage;
    }
    // A target named on the command line must be that system.
    const auto differs = [](const std::string& asked, const std::string& recordedFolder) {
      return !asked.empty() &&
             NormalizedPrefixFolder(asked) != NormalizedPrefixFolder(recordedFolder);
    };
    if (differs(target_.prefix, request->prefix) || differs(target_.windows, request->windows) ||
        (!target_.prefix.empty() && request->prefix.empty()) ||
        (!target_.windows.empty() && request->windows.empty()) ||
        (!target_.user.empty() && !SameText(target_.user, request->user))) {
      context_.err << "ordrex-cli: the backup was taken from " << record.TargetLocation
                   << (record.TargetUser.empty() ? "" : " (user " + record.TargetUser + ")")
                   << " and is restored only there\n";
      return kExitUsage;
    }
    where = *request;
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
