#pragma once
// The ignore list: texts the user does not want to see as problems. Each entry says against
// which part of a problem its text counts (key path, value name, data) and whether letter case
// matters. The scan asks IsIgnored before it records a problem.
//
// The record list keeps every entry created since start, in creation order; a deleted entry
// stays in it with Index -1 until the list is saved. The live entries, in record order, are
// the rows the user sees, numbered from 0.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ordrex.h"

namespace ordrex {

// Scope bits, and the case flag as the file stores it.
inline constexpr int kIgnoreKey = 1;
inline constexpr int kIgnoreValue = 2;
inline constexpr int kIgnoreData = 4;
inline constexpr int kIgnoreCase = 8;
inline constexpr int kIgnoreScopeMask = kIgnoreKey | kIgnoreValue | kIgnoreData;

struct TIgnoreRec {
  std::int32_t Index = 0;  // row position when last stored; -1 marks a deleted entry
  std::string Name;
  bool Key = false;
  bool Value = false;
  bool Data = false;
  bool CaseSensitive = false;

  int ScopeMask() const;
  // The number the file stores: the scope mask plus 8 for CaseSensitive.
  int Flags() const;
  // Any bits beyond the four are ignored; -1 sets all four.
  static TIgnoreRec FromFlags(std::int32_t index, std::string name, int flags);
  bool Deleted() const { return Index < 0; }
};

// How an add ended.
enum class IgnoreAddResult {
  Added,      // a new entry
  Replaced,   // an entry with the same text was updated after the user agreed
  Declined,   // the user did not agree to replace; nothing changed
  EmptyText,  // refused: nothing to ignore
  BadText,    // refused: the list's file cannot keep the text (IgnoreTextFault says why)
  NoScope,    // refused: none of key, value, data chosen
  NoSuchRow,  // an edit of a row that does not exist
};

class TIgnoreList {
 public:
  // Asked before an existing entry is replaced, with the text "Replace <text> entry?"; only
  // a true answer replaces.
  using ConfirmReplace = std::function<bool(const std::string& question)>;

  const std::vector<TIgnoreRec>& Records() const { return records_; }
  // The live entries in row order.
  std::vector<TIgnoreRec> Rows() const;
  int RowCount() const;

  // The first row whose Name equals the whole text (ignoring case unless the row is case
  // sensitive); its row index and scope mask, or -1 and 0.
  int FindIgnoreEntry(std::string_view text, int* scopeMask = nullptr) const;
  // Whether the first matching row counts for this scope.
  bool IsIgnored(std::string_view text, IgnoreScope scope) const;

  // Appends an entry as it was read from a file (Index = its row position).
  void AppendLoaded(TIgnoreRec entry);

  // Adds an entry for text (trimmed). When a row already matches it, asks confirm and, on
  // yes, replaces that row's entry instead of adding a second one.
  IgnoreAddResult Add(std::string_view text, int scopeMask, bool caseSensitive,
                      const ConfirmReplace& confirm);
  // Changes the row at `row`. A row without any scope (only a hand-made file has one) is
  // edited as if it were added, as the edit dialog treats it. Refusals as for Add.
  IgnoreAddResult Edit(int row, std::string_view text, int scopeMask, bool caseSensitive,
                       const ConfirmReplace& confirm);
  // Marks the given rows deleted (rows out of range are skipped); returns how many went.
  int Delete(const std::vector<int>& rows);

 private:
  // Position in records_ of a row, or -1.
  int RecordOfRow(int row) const;
  void Renumber();

  std::vector<TIgnoreRec> records_;
};

// Why `text` cannot be an entry's Name, or an empty string when it can. The list's file keeps
// each Name on one line of UTF-8 text, so a line break, another control character (a tab is
// fine) or bytes that are not UTF-8 cannot be kept; the reason reads "it holds a line break".
std::string IgnoreTextFault(std::string_view text);

// The question asked before an entry is replaced.
std::string ReplaceQuestion(std::string_view text);

}  // namespace ordrex
