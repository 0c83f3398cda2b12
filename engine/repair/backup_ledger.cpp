#include "engine/repair/backup_ledger.h"

#include <vector>

#include "platform/registry_store.h"
#include "platform/text.h"

namespace ordrex::repair {

std::string NormalizedLocation(std::string_view location) {
  std::string out;
  for (std::string_view part : SplitKeyPath(location)) {
    if (!out.empty()) out.push_back('\\');
    out += FoldCase(part);
  }
  return out;
}

namespace {

// The name between the quotes of a value line, undoing the writer's escapes. False when the
// line does not hold a closed name followed by "=".
bool ParseQuotedName(std::string_view line, std::string& name) {
  name.clear();
  for (std::size_t i = 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') return i + 1 < line.size() && line[i + 1] == '=';
    if (c == '\\' && i + 1 < line.size()) {
      const char next = line[++i];
      switch (next) {
        case 'r':
          name.push_back('\r');
          break;
        case 'n':
          name.push_back('\n');
          break;
        case '0':
          name.push_back('\0');
          break;
        default:
          name.push_back(next);
      }
      continue;
    }
    name.push_back(c);
  }
  return false;
}

bool IsContinuation(std::string_view line) {
  return line.starts_with("  ");
}

}  // namespace

BackupLineHead ParseBackupLine(std::string_view line) {
  BackupLineHead head;
  if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
    head.kind = BackupLineHead::Kind::Key;
    head.text = std::string(line.substr(1, line.size() - 2));
  } else if (line.starts_with("@=")) {
    head.kind = BackupLineHead::Kind::Value;
  } else if (line.starts_with("\"") && ParseQuotedName(line, head.text)) {
    head.kind = BackupLineHead::Kind::Value;
  }
  return head;
}

void BackupLedger::Take(std::string_view line) {
  const BackupLineHead head = ParseBackupLine(line);
  if (head.kind == BackupLineHead::Kind::Key) {
    current_ = NormalizedLocation(head.text);
  } else if (head.kind == BackupLineHead::Kind::Value) {
    held_.emplace(current_, FoldCase(head.text));
  }
}

void BackupLedger::Sync(const TBackupLines& lines) {
  const bool same =
      lines_ == &lines && lines.size() >= read_ && (read_ == 0 || lines[read_ - 1] == lastLine_);
  if (!same) {
    lines_ = &lines;
    read_ = 0;
    lastLine_.clear();
    current_.clear();
    held_.clear();
  }
  for (; read_ < lines.size(); ++read_)
    Take(lines[read_]);
  if (read_ > 0) lastLine_ = lines[read_ - 1];
}

bool BackupLedger::Holds(const std::string& location, std::string_view name) const {
  return held_.contains({location, FoldCase(name)});
}

void BackupLedger::DropHeld(TBackupLines& lines, std::size_t from) {
  std::vector<std::string> kept;
  std::string location = current_;
  bool dropping = false;
  for (std::size_t i = from; i < lines.size(); ++i) {
    std::string& line = lines[i];
    if (dropping && IsContinuation(line)) continue;
    dropping = false;
    const BackupLineHead head = ParseBackupLine(line);
    if (head.kind == BackupLineHead::Kind::Key) location = NormalizedLocation(head.text);
    if (head.kind == BackupLineHead::Kind::Value && Holds(location, head.text)) {
      dropping = !line.empty() && line.back() == '\\';
      continue;
    }
    kept.push_back(std::move(line));
  }
  lines.resize(from);
  for (std::string& line : kept)
    lines.push_back(std::move(line));
  Sync(lines);
}

BackupLedger& LedgerOf(const TBackupLines& lines) {
  static BackupLedger ledger;
  ledger.Sync(lines);
  return ledger;
}

}  // namespace ordrex::repair
