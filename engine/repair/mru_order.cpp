#include "engine/repair/mru_order.h"

#include <algorithm>
#include <exception>

#include "engine/repair/repair_helpers.h"
#include "platform/text.h"

namespace ordrex::repair {

namespace {

constexpr std::uint32_t kEndMark = 0xFFFFFFFFu;
// One entry less than the 1024 a list may hold leaves room for the end mark.
constexpr std::size_t kMaxKeptEntries = 1023;

std::vector<std::string> Letters(const std::string& text) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t start = pos;
    DecodeUtf8(text, pos);
    out.push_back(text.substr(start, pos - start));
  }
  return out;
}

bool Contains(const std::vector<std::string>& letters, const std::string& letter) {
  return std::any_of(letters.begin(), letters.end(),
                     [&](const std::string& l) { return SameText(l, letter); });
}

std::uint32_t ReadLe32(const Bytes& data, std::size_t offset) {
  return data[offset] | (data[offset + 1] << 8) | (data[offset + 2] << 16) |
         (static_cast<std::uint32_t>(data[offset + 3]) << 24);
}

void AppendLe32(Bytes& out, std::uint32_t number) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(number >> shift));
}

// Backs up every value about to be renamed under its old name, and marks for removal on restore
// a new name the key did not have, then renames.
void ApplyRenames(RepairScope& scope, const std::vector<Rename>& renames) {
  TRegistry& reg = scope.Reg();
  for (const Rename& rename : renames) {
    if (!BackupValue(reg, rename.from, scope.Lines())) {
      throw RegistryError("the value " + rename.from + " could not be backed up");
    }
    if (!reg.ValueExists(rename.to)) RecordCreatedValue(scope.Lines(), rename.to);
  }
  for (const Rename& rename : renames)
    reg.RenameValue(rename.from, rename.to);
}

}  // namespace

LetterListPlan PlanLetterList(const std::string& list, const std::vector<std::string>& deleted) {
  std::vector<std::string> remaining = Letters(list);
  for (const std::string& letter : deleted) {
    const auto hit = std::find_if(remaining.begin(), remaining.end(),
                                  [&](const std::string& l) { return SameText(l, letter); });
    if (hit != remaining.end()) remaining.erase(hit);
  }
  // A letter listed twice names one value: it keeps its first place.
  std::vector<std::string> unique;
  for (const std::string& letter : remaining) {
    if (!Contains(unique, letter)) unique.push_back(letter);
  }
  std::vector<std::string> sorted = unique;
  std::sort(sorted.begin(), sorted.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  LetterListPlan plan;
  // Without 26 names to give, the list keeps its letters.
  if (sorted.size() > 26) {
    for (const std::string& letter : unique)
      plan.newList += letter;
    return plan;
  }
  for (const std::string& letter : unique) {
    const auto position = std::find(sorted.begin(), sorted.end(), letter) - sorted.begin();
    plan.newList.push_back(static_cast<char>('a' + position));
  }
  // In ascending order every new name is free when its turn comes: it is at most the old one.
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    const std::string to(1, static_cast<char>('a' + i));
    if (!SameText(sorted[i], to)) plan.renames.push_back({sorted[i], to});
  }
  return plan;
}

NumberListPlan PlanNumberList(const Bytes& data, const std::set<std::uint32_t>& deleted) {
  NumberListPlan plan;
  const std::size_t entries = data.size() / 4 == 0 ? 0 : data.size() / 4 - 1;
  std::vector<std::uint32_t> kept;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::uint32_t number = ReadLe32(data, i * 4);
    if (deleted.contains(number)) continue;
    if (std::find(kept.begin(), kept.end(), number) == kept.end()) kept.push_back(number);
  }
  if (kept.size() > kMaxKeptEntries) {
    plan.tooLong = true;
    return plan;
  }
  std::vector<std::uint32_t> sorted = kept;
  std::sort(sorted.begin(), sorted.end());
  for (std::uint32_t number : kept) {
    const auto position = std::lower_bound(sorted.begin(), sorted.end(), number) - sorted.begin();
    plan.newList.push_back(static_cast<std::uint32_t>(position));
  }
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    if (sorted[i] != i) plan.renames.push_back({std::to_string(sorted[i]), std::to_string(i)});
  }
  return plan;
}

void RepairMRUList(RepairScope& scope, const std::string& key,
                   const std::vector<std::string>& deletedLetters) {
  TRegistry& reg = scope.Reg();
  reg.SetRootKey(kCurrentUser);
  const bool opened = reg.OpenKey(AbsoluteKey(key), false);
  const TRegDataType kind = reg.GetDataType("MRUList");
  if (!opened || (kind != rdString && kind != rdExpandString)) {
    reg.CloseKey();
    return;
  }
  std::string newList;
  try {
    EnsureKeyLine(scope.Lines(), kCurrentUser, key);
    if (!BackupValue(reg, "MRUList", scope.Lines())) {
      throw RegistryError("the list could not be backed up");
    }
    const LetterListPlan plan = PlanLetterList(reg.ReadString("MRUList"), deletedLetters);
    newList = plan.newList;
    ApplyRenames(scope, plan.renames);
    reg.WriteString("MRUList", newList);
  } catch (const std::exception&) {
    scope.Fail("MRU Files RepairMRUList error on " + key + ", value: MRUList, data: " + newList);
  }
  reg.CloseKey();
}

void RepairMRUListEx(RepairScope& scope, const std::string& key,
                     const std::set<std::uint32_t>& deletedIndexes) {
  TRegistry& reg = scope.Reg();
  reg.SetRootKey(kCurrentUser);
  reg.OpenKey(AbsoluteKey(key), false);
  const auto list = reg.ReadRawValue("MRUListEx");
  if (deletedIndexes.empty() || !list || list->data.size() < 8) {
    reg.CloseKey();
    return;
  }
  try {
    EnsureKeyLine(scope.Lines(), kCurrentUser, key);
    if (!BackupValue(reg, "MRUListEx", scope.Lines())) {
      throw RegistryError("the list could not be backed up");
    }
    const NumberListPlan plan = PlanNumberList(list->data, deletedIndexes);
    // With every entry gone the list is the end mark alone, as the shell keeps an empty list
    // (without any value the key would be an empty list of its own to the next scan).
    if (!plan.tooLong) {
      ApplyRenames(scope, plan.renames);
      Bytes data;
      for (std::uint32_t number : plan.newList)
        AppendLe32(data, number);
      AppendLe32(data, kEndMark);
      reg.WriteRawValue("MRUListEx", RegValue{list->type, std::move(data)});
    }
  } catch (const std::exception& e) {
    scope.Fail("History List RepairMRUListEx error on " + key + ": " + e.what());
  }
  reg.CloseKey();
}

}  // namespace ordrex::repair
