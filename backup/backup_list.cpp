#include "backup/backup_list.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <iterator>
#include <sstream>
#include <system_error>

#include "backup/shortcut_copies.h"
#include "engine/registry.h"

namespace ordrex {

namespace fs = std::filesystem;

namespace {

const char* const kRestoreKey = "\\Software\\Zentrix\\Restore\\";

// Days from 1 January 1970 to a civil date, and back (proleptic Gregorian calendar).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

// 30 December 1899, the day date-time numbers count from, in days from 1970.
const std::int64_t kDateTimeEpoch = DaysFromCivil(1899, 12, 30);

// Date-time numbers of the years 1 to 9999 (the range the list's dates are meant for);
// others, and numbers that are not numbers, stand for day 0.
constexpr double kFirstDateTime = -693593;
constexpr double kLastDateTime = 2958466;

// The date-time number as a local calendar date and time of day.
std::tm MomentOf(double dateTime) {
  if (!(dateTime >= kFirstDateTime && dateTime < kLastDateTime)) dateTime = 0;
  const double wholeDays = std::floor(dateTime);
  int seconds = static_cast<int>(std::lround((dateTime - wholeDays) * 86400.0));
  std::int64_t days = static_cast<std::int64_t>(wholeDays) + kDateTimeEpoch;
  if (seconds >= 86400) {
    seconds -= 86400;
    ++days;
  }
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;
  CivilFromDays(days, year, month, day);
  std::tm moment{};
  moment.tm_year = year - 1900;
  moment.tm_mon = static_cast<int>(month) - 1;
  moment.tm_mday = static_cast<int>(day);
  moment.tm_hour = seconds / 3600;
  moment.tm_min = seconds / 60 % 60;
  moment.tm_sec = seconds % 60;
  // 1 January 1970 was a Thursday; some locales name the weekday in their formats.
  moment.tm_wday = static_cast<int>(((days + 4) % 7 + 7) % 7);
  moment.tm_yday = static_cast<int>(days - DaysFromCivil(year, 1, 1));
  moment.tm_isdst = -1;
  return moment;
}

std::string FormatMoment(double dateTime, const std::locale& locale, const char* format) {
  const std::tm moment = MomentOf(dateTime);
  std::ostringstream text;
  text.imbue(locale);
  text << std::put_time(&moment, format);
  return text.str();
}

void DeleteBackupFiles(const TRestoreData& record) {
  std::error_code ignored;
  const fs::path file(record.FileName);
  fs::remove(file, ignored);
  fs::remove_all(ShortcutCopyFolderOf(file), ignored);
}

std::string TwoDigits(int number) {
  char text[16];
  std::snprintf(text, sizeof text, "%.2d", number);
  return text;
}

double ReadDateTimeOr(const TRegistry& reg, const char* name, double fallback) {
  try {
    return reg.ReadDateTime(name);
  } catch (const RegistryError&) {
    return fallback;
  }
}

std::string ReadTextOr(const TRegistry& reg, const char* name) {
  try {
    return reg.ReadString(name);
  } catch (const RegistryError&) {
    return {};
  }
}

}  // namespace

std::string FileSizeText(std::int64_t size, char decimalSeparator) {
  if (size <= 0) return "ERROR";
  const char* unit = size == 1 ? " Byte" : " Bytes";
  const char* const larger[] = {" KB", " MB", " GB"};
  double value = static_cast<double>(size);
  for (const char* next : larger) {
    if (value < 1000) break;
    value /= 1024;
    unit = next;
  }
  char text[64];
  if (value >= 1000) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    // Three significant digits, at most two decimals.
    const int decimals = value >= 100 ? 0 : value >= 10 ? 1 : 2;
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
  }
  std::string out = text;
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0')
      out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  for (char& c : out) {
    if (c == '.') c = decimalSeparator;
  }
  return out + unit;
}

std::string SizeColumnText(const TRestoreData& record) {
  return record.Size == 0 ? kFileNotFoundText : FileSizeText(record.Size);
}

std::int64_t MeasureFile(const fs::path& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return 0;
  const auto size = fs::file_size(file, ec);
  return ec ? 0 : static_cast<std::int64_t>(size);
}

double ToDateTime(std::chrono::system_clock::time_point when) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
  std::tm local{};
  localtime_r(&seconds, &local);
  const std::int64_t days =
      DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                    static_cast<unsigned>(local.tm_mday)) -
      kDateTimeEpoch;
  const int ofDay = local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec;
  return static_cast<double>(days) + ofDay / 86400.0;
}

std::string DateText(double dateTime, const std::locale& locale) {
  return FormatMoment(dateTime, locale, "%x");
}

std::string TimeText(double dateTime, const std::locale& locale) {
  return FormatMoment(dateTime, locale, "%X");
}

const TRestoreData& TRestoreList::AddBackupRecord(const fs::path& fileName, const Target& source,
                                                  int numberToKeep, const Clock& clock) {
  TRestoreData record;
  std::error_code ec;
  const fs::path absolute = fs::absolute(fileName, ec);
  record.FileName = (ec ? fileName : absolute).string();
  record.Size = MeasureFile(fileName);
  record.Date = ToDateTime(clock.Now());
  record.Time = record.Date;
  record.TargetKind = source.Kind();
  record.TargetLocation = source.Location();
  record.TargetUser = source.UserChoice();
  records_.push_back(std::move(record));
  const std::size_t keep = static_cast<std::size_t>(numberToKeep < 1 ? 1 : numberToKeep);
  if (records_.size() > keep) {
    records_.erase(records_.begin(),
                   records_.begin() + static_cast<std::ptrdiff_t>(records_.size() - keep));
  }
  return records_.back();
}

void TRestoreList::Delete(int index) {
  const TRestoreData& record = Items(index);
  DeleteBackupFiles(record);
  records_.erase(records_.begin() + index);
}

void TRestoreList::DeleteAll() {
  for (const TRestoreData& record : records_)
    DeleteBackupFiles(record);
  records_.clear();
}

RestoreOutcome RestoreBackup(TRestoreData& record, Target& target) {
  RestoreOutcome outcome;
  const fs::path file(record.FileName);
  std::error_code ec;
  if (record.Size == 0 || !fs::is_regular_file(file, ec)) {
    record.Size = 0;
    outcome.message = kFileCannotBeFoundText;
    return outcome;
  }
  const std::string blocker = target.WriteBlocker();
  if (!blocker.empty()) {
    outcome.message = blocker;
    return outcome;
  }
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    outcome.message = "The backup " + record.FileName + " could not be read.";
    return outcome;
  }
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  try {
    outcome.counts = ApplyRegFile(bytes, target);
  } catch (const RegistryError& e) {
    outcome.message = "The backup " + record.FileName + " was not applied: " + e.what();
    return outcome;
  }
  const fs::path copies = ShortcutCopyFolderOf(file);
  const int listed = static_cast<int>(ReadShortcutList(copies).size());
  outcome.shortcutsNotPutBack = PutShortcutsBack(target.Files(), copies);
  outcome.shortcutsPutBack = listed - static_cast<int>(outcome.shortcutsNotPutBack.size());
  try {
    target.Save();
  } catch (const std::exception& e) {
    outcome.message = std::string("The registry could not be written: ") + e.what();
    return outcome;
  }
  outcome.restored = true;
  return outcome;
}

void LoadRestoreList(RegistryRoots& settings, TRestoreList& list, const Clock& clock) {
  list = TRestoreList();
  TRegistry reg(settings, kCurrentUser);
  if (!reg.OpenKey(kRestoreKey, false)) return;
  // "00", "01", ... in their numeric order; a gap (a hand-edited file) loses nothing after it.
  std::vector<std::pair<long, std::string>> rows;
  for (const std::string& name : reg.GetKeyNames()) {
    if (name.empty() || name.size() > 9 ||
        name.find_first_not_of("0123456789") != std::string::npos) {
      continue;
    }
    rows.emplace_back(std::stol(name), name);
  }
  reg.CloseKey();
  std::sort(rows.begin(), rows.end());
  const double now = ToDateTime(clock.Now());
  for (const auto& row : rows) {
    if (!reg.OpenKey(std::string(kRestoreKey) + row.second, false)) continue;
    TRestoreData record;
    record.FileName = ReadTextOr(reg, "Name");
    record.Date = ReadDateTimeOr(reg, "Date", now);
    record.Time = ReadDateTimeOr(reg, "Time", now);
    record.TargetKind = ReadTextOr(reg, "Target_Kind");
    record.TargetLocation = ReadTextOr(reg, "Target_Location");
    record.TargetUser = ReadTextOr(reg, "Target_User");
    reg.CloseKey();
    if (record.FileName.empty()) continue;
    record.Size = MeasureFile(record.FileName);
    list.Append(std::move(record));
  }
}

void SaveRestoreList(RegistryRoots& settings, const TRestoreList& list) {
  TRegistry reg(settings, kCurrentUser);
  reg.DeleteKey(kRestoreKey);
  reg.OpenKey(kRestoreKey, true);
  reg.CloseKey();
  for (int i = 0; i < list.Count(); ++i) {
    const TRestoreData& record = list.Items(i);
    if (!reg.OpenKey(std::string(kRestoreKey) + TwoDigits(i), true)) {
      throw RegistryError("The backup list could not be stored");
    }
    reg.WriteString("Name", record.FileName);
    reg.WriteDateTime("Date", record.Date);
    reg.WriteDateTime("Time", record.Time);
    reg.WriteString("Target_Kind", record.TargetKind);
    reg.WriteString("Target_Location", record.TargetLocation);
    if (!record.TargetUser.empty()) reg.WriteString("Target_User", record.TargetUser);
    reg.CloseKey();
  }
}

}  // namespace ordrex
