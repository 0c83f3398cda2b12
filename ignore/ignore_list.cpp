#include "ignore/ignore_list.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "platform/text.h"

namespace ordrex {

int TIgnoreRec::ScopeMask() const {
  return (Key ? kIgnoreKey : 0) | (Value ? kIgnoreValue : 0) | (Data ? kIgnoreData : 0);
}

int TIgnoreRec::Flags() const {
  return ScopeMask() | (CaseSensitive ? kIgnoreCase : 0);
}

TIgnoreRec TIgnoreRec::FromFlags(std::int32_t index, std::string name, int flags) {
  TIgnoreRec entry;
  entry.Index = index;
  entry.Name = std::move(name);
  entry.Key = (flags & kIgnoreKey) != 0;
  entry.Value = (flags & kIgnoreValue) != 0;
  entry.Data = (flags & kIgnoreData) != 0;
  entry.CaseSensitive = (flags & kIgnoreCase) != 0;
  return entry;
}

std::string IgnoreTextFault(std::string_view text) {
  if (!IsValidUtf8(text)) return "it is not UTF-8 text";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r' || c == '\n') return "it holds a line break";
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "U+%04X", byte);
      return std::string("it holds the control character ") + code;
    }
  }
  return {};
}

std::string ReplaceQuestion(std::string_view text) {
  return "Replace " + std::string(text) + " entry?";
}

std::vector<TIgnoreRec> TIgnoreList::Rows() const {
  std::vector<TIgnoreRec> rows;
  for (const TIgnoreRec& entry : records_) {
    if (!entry.Deleted()) rows.push_back(entry);
  }
  return rows;
}

int TIgnoreList::RowCount() const {
  return static_cast<int>(std::count_if(records_.begin(), records_.end(),
                                        [](const TIgnoreRec& e) { return !e.Deleted(); }));
}

int TIgnoreList::RecordOfRow(int row) const {
  if (row < 0) return -1;
  int seen = 0;
  for (std::size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].Deleted()) continue;
    if (seen++ == row) return static_cast<int>(i);
  }
  return -1;
}

void TIgnoreList::Renumber() {
  std::int32_t row = 0;
  for (TIgnoreRec& entry : records_) {
    if (!entry.Deleted()) entry.Index = row++;
  }
}

int TIgnoreList::FindIgnoreEntry(std::string_view text, int* scopeMask) const {
  int row = 0;
  for (const TIgnoreRec& entry : records_) {
    if (entry.Deleted()) continue;
    const bool same = entry.CaseSensitive ? entry.Name == text : SameText(entry.Name, text);
    if (same) {
      if (scopeMask != nullptr) *scopeMask = entry.ScopeMask();
      return row;
    }
    ++row;
  }
  if (scopeMask != nullptr) *scopeMask = 0;
  return -1;
}

bool TIgnoreList::IsIgnored(std::string_view text, IgnoreScope scope) const {
  int mask = 0;
  FindIgnoreEntry(text, &mask);
  return (mask & static_cast<int>(scope)) != 0;
}

void TIgnoreList::AppendLoaded(TIgnoreRec entry) {
  entry.Index = RowCount();
  records_.push_back(std::move(entry));
}

namespace {

// Why an entry with this (trimmed) text and scope is refused, or nothing.
std::optional<IgnoreAddResult> Refusal(const std::string& name, int scopeMask) {
  if (name.empty()) return IgnoreAddResult::EmptyText;
  if (!IgnoreTextFault(name).empty()) return IgnoreAddResult::BadText;
  if ((scopeMask & kIgnoreScopeMask) == 0) return IgnoreAddResult::NoScope;
  return std::nullopt;
}

}  // namespace

IgnoreAddResult TIgnoreList::Add(std::string_view text, int scopeMask, bool caseSensitive,
                                 const ConfirmReplace& confirm) {
  const std::string name = Trim(text);
  if (const auto refused = Refusal(name, scopeMask)) return *refused;

  TIgnoreRec entry = TIgnoreRec::FromFlags(
      0, name, (scopeMask & kIgnoreScopeMask) | (caseSensitive ? kIgnoreCase : 0));
  const int existing = FindIgnoreEntry(name);
  if (existing >= 0) {
    if (!confirm || !confirm(ReplaceQuestion(name))) return IgnoreAddResult::Declined;
    entry.Index = existing;
    records_[static_cast<std::size_t>(RecordOfRow(existing))] = std::move(entry);
    return IgnoreAddResult::Replaced;
  }
  entry.Index = RowCount();
  records_.push_back(std::move(entry));
  return IgnoreAddResult::Added;
}

IgnoreAddResult TIgnoreList::Edit(int row, std::string_view text, int scopeMask, bool caseSensitive,
                                  const ConfirmReplace& confirm) {
  const int record = RecordOfRow(row);
  if (record < 0) return IgnoreAddResult::NoSuchRow;
  if (records_[static_cast<std::size_t>(record)].ScopeMask() == 0) {
    return Add(text, scopeMask, caseSensitive, confirm);
  }
  const std::string name = Trim(text);
  if (const auto refused = Refusal(name, scopeMask)) return *refused;
  records_[static_cast<std::size_t>(record)] = TIgnoreRec::FromFlags(
      row, name, (scopeMask & kIgnoreScopeMask) | (caseSensitive ? kIgnoreCase : 0));
  return IgnoreAddResult::Replaced;
}

int TIgnoreList::Delete(const std::vector<int>& rows) {
  // Resolve every row before marking any, so the numbers keep meaning what the user saw.
  std::vector<int> records;
  for (int row : rows) {
    const int record = RecordOfRow(row);
    if (record >= 0 && std::find(records.begin(), records.end(), record) == records.end()) {
      records.push_back(record);
    }
  }
  for (int record : records)
    records_[static_cast<std::size_t>(record)].Index = -1;
  Renumber();
  return static_cast<int>(records.size());
}

}  // namespace ordrex
