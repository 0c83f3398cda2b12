#include "app/cli/ignore_command.h"

#include <algorithm>
#include <iomanip>

#include "app/cli/user_settings.h"
#include "ignore/ignore_list.h"
#include "platform/text.h"

namespace ordrex::cli {

CLI::App* IgnoreCommand::Register(CLI::App& app) {
  CLI::App* verb = app.add_subcommand(
      "ignore", "List or change the ignore list (texts whose problems a scan does not show)");
  verb->require_subcommand(0, 1);
  verb->add_subcommand("list", "List the entries, numbered");

  add_ = verb->add_subcommand("add",
                              "Ignore problems whose key path, value name or data is exactly TEXT");
  add_->add_option("TEXT", text_, "The text, compared whole")->required();
  add_->add_flag("--key", key_, "Compare with the key path");
  add_->add_flag("--value", value_, "Compare with the value name");
  add_->add_flag("--data", data_, "Compare with the data");
  add_->add_flag("--case", caseSensitive_, "Letter case must match too");
  add_->add_flag("--yes", yes_, "Replace an entry with the same text without asking");

  remove_ = verb->add_subcommand("remove", "Remove entries by their numbers in the list");
  remove_->add_option("N", numbers_, "Entry number as `ignore list` shows it")->required();
  return verb;
}

int IgnoreCommand::Run() {
  if (add_->parsed()) return Add();
  if (remove_->parsed()) return Remove();
  return List();
}

namespace {

const char* YesNo(bool flag) {
  return flag ? "Yes" : "No";
}

std::string ScopeText(const TIgnoreRec& entry) {
  std::string text;
  for (const auto& [on, name] : {std::pair{entry.Key, "key"}, std::pair{entry.Value, "value"},
                                 std::pair{entry.Data, "data"}}) {
    if (!on) continue;
    if (!text.empty()) text += ", ";
    text += name;
  }
  return text + (entry.CaseSensitive ? "; case sensitive" : "");
}

}  // namespace

int IgnoreCommand::List() {
  UserSettings settings(context_);
  const std::vector<TIgnoreRec> rows = settings.Ignore().Rows();
  if (rows.empty()) {
    context_.out << "The ignore list is empty.\n";
    return kExitOk;
  }
  auto& out = context_.out;
  out << std::left << std::setw(5) << "#" << std::setw(6) << "Key" << std::setw(6) << "Value"
      << std::setw(6) << "Data" << std::setw(7) << "Case?"
      << "Text\n";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TIgnoreRec& row = rows[i];
    out << std::setw(5) << (i + 1) << std::setw(6) << YesNo(row.Key) << std::setw(6)
        << YesNo(row.Value) << std::setw(6) << YesNo(row.Data) << std::setw(7)
        << YesNo(row.CaseSensitive) << row.Name << "\n";
  }
  return kExitOk;
}

bool IgnoreCommand::AskReplace(const std::string& question) {
  if (yes_) return true;
  context_.out << question << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(context_.in, answer)) {
    context_.out << "\n";
    return false;
  }
  const std::string word = LowerCase(Trim(answer));
  return word == "y" || word == "yes";
}

int IgnoreCommand::Add() {
  const int mask =
      (key_ ? kIgnoreKey : 0) | (value_ ? kIgnoreValue : 0) | (data_ ? kIgnoreData : 0);
  UserSettings settings(context_);
  if (!settings.IgnoreWritable()) {
    context_.err << "ordrex-cli: the ignore list cannot be changed while its file cannot be "
                    "read\n";
    return kExitUsage;
  }
  TIgnoreList& list = settings.Ignore();
  const IgnoreAddResult result =
      list.Add(text_, mask, caseSensitive_,
               [this](const std::string& question) { return AskReplace(question); });
  switch (result) {
    case IgnoreAddResult::EmptyText:
      context_.err << "ordrex-cli: the text to ignore is empty\n";
      return kExitUsage;
    case IgnoreAddResult::BadText:
      context_.err << "ordrex-cli: the text cannot be ignored: " << IgnoreTextFault(Trim(text_))
                   << " (an entry is one line of text); nothing was changed\n";
      return kExitUsage;
    case IgnoreAddResult::NoScope:
      context_.err << "ordrex-cli: say what the text is compared with: --key, --value and/or "
                      "--data\n";
      return kExitUsage;
    case IgnoreAddResult::Declined:
    case IgnoreAddResult::NoSuchRow:
      context_.err << "ordrex-cli: \"" << Trim(text_)
                   << "\" is already listed and was not replaced (use --yes to replace it)\n";
      return kExitUsage;
    case IgnoreAddResult::Added:
    case IgnoreAddResult::Replaced:
      break;
  }
  if (!settings.SaveIgnore()) return kExitUsage;
  const int row = list.FindIgnoreEntry(Trim(text_));
  const TIgnoreRec entry = list.Rows().at(static_cast<std::size_t>(row));
  context_.out << (result == IgnoreAddResult::Added ? "Added" : "Replaced") << " entry "
               << (row + 1) << ": \"" << entry.Name << "\" (" << ScopeText(entry) << ")\n";
  return kExitOk;
}

int IgnoreCommand::Remove() {
  UserSettings settings(context_);
  TIgnoreList& list = settings.Ignore();
  const int count = list.RowCount();
  std::vector<int> rows;
  for (int number : numbers_) {
    if (number < 1 || number > count) {
      context_.err << "ordrex-cli: there is no entry " << number << " (the list has " << count
                   << (count == 1 ? " entry" : " entries") << "); nothing was removed\n";
      return kExitUsage;
    }
    if (std::find(rows.begin(), rows.end(), number - 1) == rows.end()) rows.push_back(number - 1);
  }
  std::vector<std::string> names;
  const std::vector<TIgnoreRec> before = list.Rows();
  for (int row : rows)
    names.push_back(before[static_cast<std::size_t>(row)].Name);
  list.Delete(rows);
  if (!settings.SaveIgnore()) return kExitUsage;
  for (const std::string& name : names)
    context_.out << "Removed \"" << name << "\"\n";
  return kExitOk;
}

}  // namespace ordrex::cli
